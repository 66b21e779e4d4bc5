// SPDX-License-Identifier: MIT
#include "XmlPropertyListReader.h"

#include "PropertyList.h"
#include "PropertyListDate.h"
#include "PropertyListParseFailure.h"

#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <string_view>
#include <vector>

namespace {

// Where the reader stands in the UTF-8 document. Text that references, CDATA sections, comments
// or carriage returns interrupt is assembled in the scratch buffer.
struct Cursor {
    const char* begin = nullptr;
    const char* position = nullptr;
    const char* end = nullptr;
    QByteArray scratch;
};

[[noreturn]] void fail(const Cursor& cursor, const QString& problem)
{
    int line = 1;
    const char* lineStart = cursor.begin;
    for (const char* character = cursor.begin; character < cursor.position; ++character) {
        if (*character == '\n') {
            ++line;
            lineStart = character + 1;
        }
    }
    const qsizetype column = QString::fromUtf8(lineStart, cursor.position - lineStart).size() + 1;
    throw PropertyListParseFailure{
        QStringLiteral("%1 (line %2, column %3)").arg(problem).arg(line).arg(column)};
}

[[noreturn]] void fail(const Cursor& cursor, const char* problem)
{
    fail(cursor, QString::fromLatin1(problem));
}

bool isSpace(char character)
{
    return character == ' ' || character == '\t' || character == '\n' || character == '\r';
}

const std::array<bool, 256> nameCharacters = [] {
    std::array<bool, 256> table{};
    for (int byte = 0; byte < 256; ++byte)
        table[byte] = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                      (byte >= '0' && byte <= '9') || byte == '_' || byte == ':' || byte == '.' ||
                      byte == '-' || byte >= 0x80;
    return table;
}();

bool isNameCharacter(char character)
{
    return nameCharacters[uchar(character)];
}

// Compares the lengths first, which tells most element names apart without a call.
bool isNamed(QByteArrayView name, std::string_view expected)
{
    return std::size_t(name.size()) == expected.size() &&
           std::memcmp(name.data(), expected.data(), expected.size()) == 0;
}

bool startsWith(const Cursor& cursor, std::string_view text)
{
    return std::size_t(cursor.end - cursor.position) >= text.size() &&
           std::memcmp(cursor.position, text.data(), text.size()) == 0;
}

bool atEnd(const Cursor& cursor)
{
    return cursor.position >= cursor.end;
}

void skipSpace(Cursor& cursor)
{
    while (cursor.position < cursor.end && isSpace(*cursor.position))
        ++cursor.position;
}

// Moves past the next occurrence of the terminator and answers where it began.
const char* skipPast(Cursor& cursor, std::string_view terminator, const char* construct)
{
    const std::string_view rest(cursor.position, std::size_t(cursor.end - cursor.position));
    const std::size_t found = rest.find(terminator);
    if (found == std::string_view::npos) {
        cursor.position = cursor.end;
        fail(cursor, QStringLiteral("unterminated %1").arg(QLatin1String(construct)));
    }
    const char* start = cursor.position + found;
    cursor.position = start + terminator.size();
    return start;
}

// Every byte of the document: valid UTF-8, and only characters that XML 1.0 allows.
constexpr quint64 eachByte = 0x0101010101010101;
constexpr quint64 highBits = 0x8080808080808080;
constexpr quint64 lowBits = 0x7F7F7F7F7F7F7F7F;

// The high bit of each byte of the word that equals the value.
quint64 bytesEqual(quint64 word, uchar value)
{
    const quint64 difference = word ^ (eachByte * value);
    return ~(((difference & lowBits) + lowBits) | difference) & highBits;
}

// The high bit of each byte of the word below 0x20.
quint64 bytesBelowSpace(quint64 word)
{
    return ~(((word & lowBits) + eachByte * 0x60) | word) & highBits;
}

// Whether eight bytes may hold a control character other than white space, or the first byte
// of U+FFFE or U+FFFF (0xEF); a word at a time, since this looks at every byte of the document.
bool mayHoldForbiddenCharacter(const char* bytes)
{
    quint64 word = 0;
    std::memcpy(&word, bytes, sizeof word);
    const quint64 whiteSpace = bytesEqual(word, '\t') | bytesEqual(word, '\n') | bytesEqual(word, '\r');
    return ((bytesBelowSpace(word) & ~whiteSpace) | bytesEqual(word, 0xEF)) != 0;
}

void checkCharacters(Cursor& cursor)
{
    if (!QByteArrayView(cursor.begin, cursor.end - cursor.begin).isValidUtf8())
        throw PropertyListParseFailure{QStringLiteral("the document is not valid UTF-8")};
    constexpr qsizetype wordSize = 8;
    for (const char* word = cursor.begin; word < cursor.end; word += wordSize) {
        const qsizetype size = std::min(wordSize, qsizetype(cursor.end - word));
        if (size == wordSize && !mayHoldForbiddenCharacter(word))
            continue;
        for (const char* character = word; character < word + size; ++character) {
            const auto byte = uchar(*character);
            const bool control = byte < 0x20 && !isSpace(char(byte));
            // U+FFFE and U+FFFF are EF BF BE and EF BF BF.
            const bool nonCharacter = byte == 0xEF && cursor.end - character >= 3 &&
                                      uchar(character[1]) == 0xBF && uchar(character[2]) >= 0xBE;
            if (control || nonCharacter) {
                cursor.position = character;
                fail(cursor, "a character that XML does not allow");
            }
        }
    }
}

QByteArrayView readName(Cursor& cursor)
{
    const char* start = cursor.position;
    if (atEnd(cursor) || !isNameCharacter(*start) || (*start >= '0' && *start <= '9') || *start == '.' ||
        *start == '-')
        fail(cursor, "a name was expected");
    while (cursor.position < cursor.end && isNameCharacter(*cursor.position))
        ++cursor.position;
    return QByteArrayView(start, cursor.position - start);
}

void skipComment(Cursor& cursor)
{
    cursor.position += 4;
    const char* dashes = skipPast(cursor, "--", "comment");
    if (atEnd(cursor) || *cursor.position != '>') {
        cursor.position = dashes;
        fail(cursor, "\"--\" inside a comment");
    }
    ++cursor.position;
}

void skipProcessingInstruction(Cursor& cursor)
{
    cursor.position += 2;
    const QByteArrayView target = readName(cursor);
    if (target.compare("xml", Qt::CaseInsensitive) == 0)
        fail(cursor, "an XML declaration that is not at the start");
    if (!startsWith(cursor, "?>") && (atEnd(cursor) || !isSpace(*cursor.position)))
        fail(cursor, "malformed processing instruction");
    skipPast(cursor, "?>", "processing instruction");
}

// A DOCTYPE names a DTD; only one without an internal subset is skipped.
void skipDoctype(Cursor& cursor)
{
    cursor.position += 9;
    char quote = 0;
    for (; cursor.position < cursor.end; ++cursor.position) {
        const char character = *cursor.position;
        if (quote != 0) {
            quote = character == quote ? 0 : quote;
        } else if (character == '"' || character == '\'') {
            quote = character;
        } else if (character == '[') {
            fail(cursor, "an internal DTD subset is not supported");
        } else if (character == '>') {
            ++cursor.position;
            return;
        }
    }
    fail(cursor, "unterminated DOCTYPE");
}

// Skips white space, comments and processing instructions between elements; stops at any other
// markup or the end of the document, and fails at text.
void skipMarkupBetweenElements(Cursor& cursor)
{
    for (;;) {
        skipSpace(cursor);
        if (atEnd(cursor))
            return;
        if (*cursor.position != '<')
            fail(cursor, "text outside a value");
        const char next = cursor.end - cursor.position > 1 ? cursor.position[1] : 0;
        if (next == '!' && startsWith(cursor, "<!--"))
            skipComment(cursor);
        else if (next == '?')
            skipProcessingInstruction(cursor);
        else
            return;
    }
}

int digitValue(char character, int base)
{
    if (character >= '0' && character <= '9')
        return character - '0';
    const char lower = char(character | 0x20);
    if (base == 16 && lower >= 'a' && lower <= 'f')
        return lower - 'a' + 10;
    return -1;
}

void appendUtf8(QByteArray& out, char32_t code)
{
    const char32_t codes[] = {code};
    out += QString::fromUcs4(codes, 1).toUtf8();
}

// At '&': one of XML's five entities or a character reference, appended as UTF-8.
void appendReference(Cursor& cursor, QByteArray& out)
{
    const char* start = cursor.position;
    ++cursor.position;
    const char* semicolon = static_cast<const char*>(std::memchr(
        cursor.position, ';', std::size_t(std::min<qsizetype>(cursor.end - cursor.position, 12))));
    if (!semicolon)
        fail(cursor, "malformed reference");
    const QByteArrayView name(cursor.position, semicolon - cursor.position);
    cursor.position = semicolon + 1;
    static const std::array<std::pair<QByteArrayView, char>, 5> entities{
        {{"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"quot", '"'}, {"apos", '\''}}};
    for (const auto& [entity, character] : entities) {
        if (name == entity) {
            out += character;
            return;
        }
    }
    const bool isCharacterReference = name.size() > 1 && name.front() == '#';
    const bool hexadecimal = isCharacterReference && name.at(1) == 'x';
    const QByteArrayView digits = isCharacterReference ? name.sliced(hexadecimal ? 2 : 1) : QByteArrayView();
    bool ok = !digits.empty();
    char32_t code = 0;
    for (const char character : digits) {
        const int digit = digitValue(character, hexadecimal ? 16 : 10);
        ok = ok && digit >= 0 && code <= 0x10FFFF;
        code = code * (hexadecimal ? 16 : 10) + char32_t(std::max(digit, 0));
    }
    const bool allowed = code == '\t' || code == '\n' || code == '\r' || (code >= 0x20 && code < 0xD800) ||
                         (code >= 0xE000 && code < 0xFFFE) || (code >= 0x10000 && code <= 0x10FFFF);
    if (!ok || !allowed) {
        cursor.position = start;
        fail(cursor, QStringLiteral("undeclared entity or invalid character reference &%1;")
                         .arg(QString::fromUtf8(name.data(), name.size())));
    }
    appendUtf8(out, code);
}

// Appends text as XML's line-end handling reads it: CR LF and a lone CR both become LF.
void appendNormalized(QByteArray& out, const char* start, const char* end)
{
    for (const char* character = start; character < end; ++character) {
        if (*character != '\r') {
            out += *character;
            continue;
        }
        out += '\n';
        if (character + 1 < end && character[1] == '\n')
            ++character;
    }
}

struct StartTag {
    QByteArrayView name;
    bool isEmpty = false;
};

// At '<': the element's name and attributes, up to and including '>' or "/>". Attributes are
// checked for well-formedness and then ignored, as macOS ignores plist's version.
StartTag readStartTag(Cursor& cursor)
{
    ++cursor.position;
    StartTag tag{readName(cursor)};
    std::vector<QByteArrayView> attributes;
    for (;;) {
        const char* beforeSpace = cursor.position;
        skipSpace(cursor);
        if (startsWith(cursor, "/>") || startsWith(cursor, ">")) {
            tag.isEmpty = *cursor.position == '/';
            cursor.position += tag.isEmpty ? 2 : 1;
            return tag;
        }
        if (cursor.position == beforeSpace)
            fail(cursor, "malformed tag");
        const QByteArrayView attribute = readName(cursor);
        if (std::find(attributes.begin(), attributes.end(), attribute) != attributes.end())
            fail(cursor, "an attribute given twice");
        attributes.push_back(attribute);
        skipSpace(cursor);
        if (atEnd(cursor) || *cursor.position != '=')
            fail(cursor, "an attribute without a value");
        ++cursor.position;
        skipSpace(cursor);
        const char quote = atEnd(cursor) ? 0 : *cursor.position;
        if (quote != '"' && quote != '\'')
            fail(cursor, "an attribute value without quotes");
        ++cursor.position;
        QByteArray ignored;
        while (!atEnd(cursor) && *cursor.position != quote) {
            if (*cursor.position == '<')
                fail(cursor, "'<' inside an attribute value");
            if (*cursor.position == '&')
                appendReference(cursor, ignored);
            else
                ++cursor.position;
        }
        if (atEnd(cursor))
            fail(cursor, "unterminated attribute value");
        ++cursor.position;
    }
}

void readEndTag(Cursor& cursor, QByteArrayView name)
{
    const char* tag = cursor.position;
    const qsizetype length = name.size();
    if (cursor.end - tag < length + 3 || tag[0] != '<' || tag[1] != '/' ||
        std::memcmp(tag + 2, name.data(), std::size_t(length)) != 0 || isNameCharacter(tag[2 + length]))
        fail(cursor, QStringLiteral("</%1> expected").arg(QString::fromUtf8(name.data(), name.size())));
    cursor.position += 2 + length;
    skipSpace(cursor);
    if (atEnd(cursor) || *cursor.position != '>')
        fail(cursor, "malformed end tag");
    ++cursor.position;
}

// Bytes that end the plain run of a text: markup, references, carriage returns (which XML
// reads as line feeds) and ']' (which may begin the forbidden "]]>").
const std::array<bool, 256> interruptsText = [] {
    std::array<bool, 256> table{};
    for (const char character : {'<', '&', '\r', ']'})
        table[uchar(character)] = true;
    return table;
}();

// The content of a text-only element, up to and including its end tag, as UTF-8. Most texts are
// one plain run and come back as a view into the document; others are assembled in the scratch
// buffer.
QByteArrayView readText(Cursor& cursor, QByteArrayView name)
{
    const char* start = cursor.position;
    const char* character = start;
    while (character < cursor.end && !interruptsText[uchar(*character)])
        ++character;
    if (cursor.end - character >= 2 && character[0] == '<' && character[1] == '/') {
        cursor.position = character;
        readEndTag(cursor, name);
        return QByteArrayView(start, character - start);
    }
    QByteArray& out = cursor.scratch;
    out.clear();
    for (;;) {
        const char* runStart = cursor.position;
        while (cursor.position < cursor.end && !interruptsText[uchar(*cursor.position)])
            ++cursor.position;
        out.append(runStart, cursor.position - runStart);
        if (atEnd(cursor))
            fail(cursor, "unexpected end of document");
        if (startsWith(cursor, "</")) {
            readEndTag(cursor, name);
            return out;
        }
        if (startsWith(cursor, "<!--")) {
            skipComment(cursor);
        } else if (startsWith(cursor, "<?")) {
            skipProcessingInstruction(cursor);
        } else if (startsWith(cursor, "<![CDATA[")) {
            cursor.position += 9;
            const char* contentStart = cursor.position;
            appendNormalized(out, contentStart, skipPast(cursor, "]]>", "CDATA section"));
        } else if (*cursor.position == '<') {
            fail(cursor,
                 QStringLiteral("an element inside <%1>").arg(QString::fromUtf8(name.data(), name.size())));
        } else if (*cursor.position == '&') {
            appendReference(cursor, out);
        } else if (*cursor.position == '\r') {
            appendNormalized(out, cursor.position, cursor.position + 1);
            cursor.position += startsWith(cursor, "\r\n") ? 2 : 1;
        } else if (startsWith(cursor, "]]>")) {
            fail(cursor, "\"]]>\" in text");
        } else {
            out += *cursor.position++;
        }
    }
}

QByteArrayView trimmed(QByteArrayView text)
{
    while (!text.empty() && isSpace(text.front()))
        text = text.sliced(1);
    while (!text.empty() && isSpace(text.back()))
        text.chop(1);
    return text;
}

// Decimal, or hexadecimal after "0x", with an optional sign; within 64 signed bits.
std::optional<qint64> parseInteger(QByteArrayView text)
{
    const bool negative = !text.empty() && text.front() == '-';
    if (!text.empty() && (text.front() == '-' || text.front() == '+'))
        text = text.sliced(1);
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text = text.sliced(2);
    }
    if (text.empty())
        return std::nullopt;
    const quint64 limit = negative ? quint64(std::numeric_limits<qint64>::max()) + 1
                                   : quint64(std::numeric_limits<qint64>::max());
    quint64 magnitude = 0;
    for (const char character : text) {
        const int digit = digitValue(character, base);
        if (digit < 0 || magnitude > (limit - quint64(digit)) / quint64(base))
            return std::nullopt;
        magnitude = magnitude * quint64(base) + quint64(digit);
    }
    return negative ? qint64(0 - magnitude) : qint64(magnitude);
}

std::optional<double> parseReal(QByteArrayView text)
{
    const QByteArray lower = text.toByteArray().toLower();
    if (lower == "nan")
        return std::numeric_limits<double>::quiet_NaN();
    if (lower == "inf" || lower == "+inf" || lower == "infinity" || lower == "+infinity")
        return std::numeric_limits<double>::infinity();
    if (lower == "-inf" || lower == "-infinity")
        return -std::numeric_limits<double>::infinity();
    bool ok = false;
    const double value = lower.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

QVariant readValue(Cursor& cursor, int depth);

QVariant readArray(Cursor& cursor, int depth)
{
    QVariantList array;
    for (;;) {
        skipMarkupBetweenElements(cursor);
        if (startsWith(cursor, "</")) {
            readEndTag(cursor, "array");
            return array;
        }
        array.append(readValue(cursor, depth + 1));
    }
}

bool atKeyTag(const Cursor& cursor)
{
    return startsWith(cursor, "<key") && cursor.end - cursor.position > 4 &&
           (cursor.position[4] == '>' || cursor.position[4] == '/' || isSpace(cursor.position[4]));
}

QVariant readDictionary(Cursor& cursor, int depth)
{
    QVariantMap dictionary;
    for (;;) {
        skipMarkupBetweenElements(cursor);
        if (startsWith(cursor, "</")) {
            readEndTag(cursor, "dict");
            return dictionary;
        }
        if (atEnd(cursor) || startsWith(cursor, "<!") || !atKeyTag(cursor))
            fail(cursor, "a <key> was expected in a dictionary");
        const StartTag tag = readStartTag(cursor);
        const QString key = tag.isEmpty ? QString() : QString::fromUtf8(readText(cursor, "key"));
        skipMarkupBetweenElements(cursor);
        if (atEnd(cursor) || startsWith(cursor, "</") || atKeyTag(cursor))
            fail(cursor, QStringLiteral("key \"%1\" has no value").arg(key));
        // Real files repeat keys now and then; as on macOS, the later value wins. Writers sort the
        // keys, so the end is the place to look first.
        dictionary.insert(dictionary.cend(), key, readValue(cursor, depth + 1));
    }
}

// The text of a scalar element; an empty element has none.
QByteArrayView scalarText(Cursor& cursor, const StartTag& tag)
{
    return tag.isEmpty ? QByteArrayView() : readText(cursor, tag.name);
}

[[noreturn]] void failAt(Cursor& cursor, const char* position, const QString& problem)
{
    cursor.position = position;
    fail(cursor, problem);
}

QVariant readScalar(Cursor& cursor, const StartTag& tag)
{
    const QByteArrayView name = tag.name;
    const char* start = cursor.position;
    const QByteArrayView text = scalarText(cursor, tag);
    if (isNamed(name, "string"))
        return QString::fromUtf8(text);
    if (isNamed(name, "integer")) {
        const auto value = parseInteger(trimmed(text));
        if (!value)
            failAt(
                cursor, start,
                QStringLiteral("integer \"%1\" is not a signed 64-bit number").arg(QString::fromUtf8(text)));
        return QVariant::fromValue<qint64>(*value);
    }
    if (isNamed(name, "real")) {
        const auto value = parseReal(trimmed(text));
        if (!value)
            failAt(cursor, start, QStringLiteral("real \"%1\" is not a number").arg(QString::fromUtf8(text)));
        return *value;
    }
    if (isNamed(name, "true") || isNamed(name, "false")) {
        if (!trimmed(text).empty())
            failAt(cursor, start, QStringLiteral("a boolean carries no content"));
        return isNamed(name, "true");
    }
    if (isNamed(name, "date")) {
        const auto date = PropertyListDate::fromIso8601(trimmed(text));
        if (!date)
            failAt(cursor, start,
                   QStringLiteral("date \"%1\" is not an ISO 8601 UTC date").arg(QString::fromUtf8(text)));
        return QVariant::fromValue(*date);
    }
    if (isNamed(name, "data")) {
        QByteArray encoded = text.toByteArray();
        encoded.removeIf(
            [](char character) { return isSpace(character) || character == '\f' || character == '\v'; });
        auto decoded = QByteArray::fromBase64Encoding(encoded, QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded)
            failAt(cursor, start, QStringLiteral("data is not valid base64"));
        return *decoded;
    }
    failAt(cursor, start,
           QStringLiteral("unknown element <%1>").arg(QString::fromUtf8(name.data(), name.size())));
}

// At the start tag of a value; reads it up to and including its end tag.
QVariant readValue(Cursor& cursor, int depth)
{
    if (depth > PropertyList::maximumNestingDepth)
        fail(cursor, "nesting too deep");
    if (atEnd(cursor) || startsWith(cursor, "<!"))
        fail(cursor, "a value was expected");
    const StartTag tag = readStartTag(cursor);
    if (isNamed(tag.name, "dict"))
        return tag.isEmpty ? QVariant(QVariantMap()) : readDictionary(cursor, depth);
    if (isNamed(tag.name, "array"))
        return tag.isEmpty ? QVariant(QVariantList()) : readArray(cursor, depth);
    return readScalar(cursor, tag);
}

// The encoding the XML declaration names, or none without a declaration or encoding.
std::optional<QByteArray> readDeclaration(Cursor& cursor)
{
    if (!startsWith(cursor, "<?xml") || cursor.end - cursor.position < 6 || !isSpace(cursor.position[5]))
        return std::nullopt;
    const char* start = cursor.position;
    const char* end = skipPast(cursor, "?>", "XML declaration");
    const QByteArrayView declaration(start, end - start);
    const qsizetype encoding = declaration.indexOf("encoding");
    if (encoding < 0)
        return std::nullopt;
    QByteArrayView rest = trimmed(declaration.sliced(encoding + 8));
    if (rest.empty() || rest.front() != '=')
        return std::nullopt;
    rest = trimmed(rest.sliced(1));
    const qsizetype close = rest.empty() ? -1 : rest.sliced(1).indexOf(rest.front());
    if (close < 0)
        return std::nullopt;
    return rest.sliced(1, close).toByteArray();
}

void readProlog(Cursor& cursor)
{
    bool seenDoctype = false;
    for (;;) {
        skipMarkupBetweenElements(cursor);
        if (atEnd(cursor))
            fail(cursor, "no <plist> element");
        if (!startsWith(cursor, "<!DOCTYPE"))
            return;
        if (seenDoctype)
            fail(cursor, "a second DOCTYPE");
        skipDoctype(cursor);
        seenDoctype = true;
    }
}

QVariant readDocument(Cursor& cursor)
{
    readProlog(cursor);
    if (startsWith(cursor, "<!"))
        fail(cursor, "unexpected markup before the root element");
    const StartTag root = readStartTag(cursor);
    if (!isNamed(root.name, "plist"))
        fail(cursor, QStringLiteral("the root element is <%1>, not <plist>")
                         .arg(QString::fromUtf8(root.name.data(), root.name.size())));
    if (!root.isEmpty)
        skipMarkupBetweenElements(cursor);
    if (root.isEmpty || atEnd(cursor) || startsWith(cursor, "</"))
        fail(cursor, "<plist> holds no value");
    QVariant value = readValue(cursor, 1);
    skipMarkupBetweenElements(cursor);
    if (!startsWith(cursor, "</"))
        fail(cursor, "<plist> holds more than one value");
    readEndTag(cursor, "plist");
    skipMarkupBetweenElements(cursor);
    if (!atEnd(cursor))
        fail(cursor, "content after the root element");
    return value;
}

// Another encoding than UTF-8, found by a byte-order mark or named by the declaration.
std::optional<QStringConverter::Encoding> foreignEncoding(const QByteArray& data)
{
    const auto detected = QStringConverter::encodingForData(data, u'<');
    if (detected && *detected != QStringConverter::Utf8)
        return detected;
    Cursor cursor{data.constBegin(), data.constBegin(), data.constEnd(), {}};
    if (data.startsWith("\xEF\xBB\xBF"))
        cursor.position += 3;
    const auto declared = readDeclaration(cursor);
    if (!declared || declared->compare("UTF-8", Qt::CaseInsensitive) == 0 ||
        declared->compare("US-ASCII", Qt::CaseInsensitive) == 0)
        return std::nullopt;
    const auto named = QStringConverter::encodingForName(declared->constData());
    if (!named)
        throw PropertyListParseFailure{
            QStringLiteral("unsupported encoding \"%1\"").arg(QString::fromLatin1(*declared))};
    return named == QStringConverter::Utf8 ? std::nullopt : named;
}

QVariant readUtf8(const QByteArray& data)
{
    Cursor cursor{data.constBegin(), data.constBegin(), data.constEnd(), {}};
    if (data.startsWith("\xEF\xBB\xBF"))
        cursor.begin = cursor.position += 3;
    checkCharacters(cursor);
    readDeclaration(cursor);
    return readDocument(cursor);
}

} // namespace

std::optional<QVariant> XmlPropertyListReader::read(const QByteArray& data, QString* errorDescription)
{
    try {
        if (const auto encoding = foreignEncoding(data)) {
            QStringDecoder decoder(*encoding, QStringDecoder::Flag::Stateless);
            const QString text = decoder.decode(data);
            if (decoder.hasError())
                throw PropertyListParseFailure{QStringLiteral("the document does not match its encoding")};
            return readUtf8(text.toUtf8());
        }
        return readUtf8(data);
    } catch (const PropertyListParseFailure& failure) {
        if (errorDescription)
            *errorDescription = failure.message;
        return std::nullopt;
    }
}
