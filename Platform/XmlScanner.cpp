// SPDX-License-Identifier: MIT
#include "XmlScanner.h"

#include "PropertyListParseFailure.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

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

void appendUtf8(QByteArray& out, char32_t code)
{
    const char32_t codes[] = {code};
    out += QString::fromUcs4(codes, 1).toUtf8();
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

// Bytes that end the plain run of a text: markup, references, carriage returns (which XML
// reads as line feeds) and ']' (which may begin the forbidden "]]>").
const std::array<bool, 256> interruptsText = [] {
    std::array<bool, 256> table{};
    for (const char character : {'<', '&', '\r', ']'})
        table[uchar(character)] = true;
    return table;
}();

// The end of the plain run of text that starts at `from`: the first byte that interrupts it, or
// `end`. Sixteen bytes at a time where the processor has SSE2, since most of a document is text.
const char* endOfPlainText(const char* from, const char* end)
{
#if defined(__SSE2__)
    const __m128i less = _mm_set1_epi8('<');
    const __m128i ampersand = _mm_set1_epi8('&');
    const __m128i carriageReturn = _mm_set1_epi8('\r');
    const __m128i bracket = _mm_set1_epi8(']');
    for (; end - from >= 16; from += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
        const __m128i found =
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, less), _mm_cmpeq_epi8(bytes, ampersand)),
                         _mm_or_si128(_mm_cmpeq_epi8(bytes, carriageReturn), _mm_cmpeq_epi8(bytes, bracket)));
        if (const int mask = _mm_movemask_epi8(found))
            return from + __builtin_ctz(unsigned(mask));
    }
#endif
    while (from < end && !interruptsText[uchar(*from)])
        ++from;
    return from;
}

// Whether sixteen bytes may hold a control character other than white space, or 0xEF.
#if defined(__SSE2__)
bool sixteenMayHoldForbiddenCharacter(const char* bytes)
{
    const __m128i word = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
    // Unsigned "below 0x20" as a signed comparison of the bytes with their top bit flipped.
    const __m128i flipped = _mm_xor_si128(word, _mm_set1_epi8(char(0x80)));
    const __m128i control = _mm_cmplt_epi8(flipped, _mm_set1_epi8(char(0x20 ^ 0x80)));
    const __m128i whiteSpace = _mm_or_si128(
        _mm_or_si128(_mm_cmpeq_epi8(word, _mm_set1_epi8('\t')), _mm_cmpeq_epi8(word, _mm_set1_epi8('\n'))),
        _mm_cmpeq_epi8(word, _mm_set1_epi8('\r')));
    const __m128i suspicious =
        _mm_or_si128(_mm_andnot_si128(whiteSpace, control), _mm_cmpeq_epi8(word, _mm_set1_epi8(char(0xEF))));
    return _mm_movemask_epi8(suspicious) != 0;
}
#endif

} // namespace

XmlScanner::XmlScanner(const char* begin, const char* end) : m_begin(begin), m_position(begin), m_end(end) {}

[[noreturn]] void XmlScanner::failAt(const char* position, const QString& problem)
{
    m_position = position;
    fail(problem);
}

int XmlScanner::digitValue(char character, int base)
{
    if (character >= '0' && character <= '9')
        return character - '0';
    const char lower = char(character | 0x20);
    if (base == 16 && lower >= 'a' && lower <= 'f')
        return lower - 'a' + 10;
    return -1;
}

QByteArrayView XmlScanner::trimmed(QByteArrayView text)
{
    while (!text.empty() && isSpace(text.front()))
        text = text.sliced(1);
    while (!text.empty() && isSpace(text.back()))
        text.chop(1);
    return text;
}

[[noreturn]] void XmlScanner::fail(const QString& problem) const
{
    int line = 1;
    const char* lineStart = m_begin;
    for (const char* character = m_begin; character < m_position; ++character) {
        if (*character == '\n') {
            ++line;
            lineStart = character + 1;
        }
    }
    const qsizetype column = QString::fromUtf8(lineStart, m_position - lineStart).size() + 1;
    throw PropertyListParseFailure{
        QStringLiteral("%1 (line %2, column %3)").arg(problem).arg(line).arg(column)};
}

[[noreturn]] void XmlScanner::fail(const char* problem) const
{
    fail(QString::fromLatin1(problem));
}

// Moves past the next occurrence of the terminator and answers where it began.
const char* XmlScanner::skipPast(std::string_view terminator, const char* construct)
{
    const std::string_view rest(m_position, std::size_t(m_end - m_position));
    const std::size_t found = rest.find(terminator);
    if (found == std::string_view::npos) {
        m_position = m_end;
        fail(QStringLiteral("unterminated %1").arg(QLatin1String(construct)));
    }
    const char* start = m_position + found;
    m_position = start + terminator.size();
    return start;
}

void XmlScanner::checkCharacters()
{
    if (!QByteArrayView(m_begin, m_end - m_begin).isValidUtf8())
        throw PropertyListParseFailure{QStringLiteral("the document is not valid UTF-8")};
    const char* start = m_begin;
#if defined(__SSE2__)
    while (m_end - start >= 16 && !sixteenMayHoldForbiddenCharacter(start))
        start += 16;
#endif
    constexpr qsizetype wordSize = 8;
    for (const char* word = start; word < m_end; word += wordSize) {
        const qsizetype size = std::min(wordSize, qsizetype(m_end - word));
        if (size == wordSize && !mayHoldForbiddenCharacter(word))
            continue;
        for (const char* character = word; character < word + size; ++character) {
            const auto byte = uchar(*character);
            const bool control = byte < 0x20 && !isSpace(char(byte));
            // U+FFFE and U+FFFF are EF BF BE and EF BF BF.
            const bool nonCharacter = byte == 0xEF && m_end - character >= 3 && uchar(character[1]) == 0xBF &&
                                      uchar(character[2]) >= 0xBE;
            if (control || nonCharacter) {
                m_position = character;
                fail("a character that XML does not allow");
            }
        }
    }
}

QByteArrayView XmlScanner::readName()
{
    const char* start = m_position;
    if (atEnd() || !isNameCharacter(*start) || (*start >= '0' && *start <= '9') || *start == '.' ||
        *start == '-')
        fail("a name was expected");
    while (m_position < m_end && isNameCharacter(*m_position))
        ++m_position;
    return QByteArrayView(start, m_position - start);
}

void XmlScanner::skipComment()
{
    m_position += 4;
    const char* dashes = skipPast("--", "comment");
    if (atEnd() || *m_position != '>') {
        m_position = dashes;
        fail("\"--\" inside a comment");
    }
    ++m_position;
}

void XmlScanner::skipProcessingInstruction()
{
    m_position += 2;
    const QByteArrayView target = readName();
    if (target.compare("xml", Qt::CaseInsensitive) == 0)
        fail("an XML declaration that is not at the start");
    if (!startsWith("?>") && (atEnd() || !isSpace(*m_position)))
        fail("malformed processing instruction");
    skipPast("?>", "processing instruction");
}

// A DOCTYPE names a DTD; only one without an internal subset is skipped.
void XmlScanner::skipDoctype()
{
    m_position += 9;
    char quote = 0;
    for (; m_position < m_end; ++m_position) {
        const char character = *m_position;
        if (quote != 0) {
            quote = character == quote ? 0 : quote;
        } else if (character == '"' || character == '\'') {
            quote = character;
        } else if (character == '[') {
            fail("an internal DTD subset is not supported");
        } else if (character == '>') {
            ++m_position;
            return;
        }
    }
    fail("unterminated DOCTYPE");
}

void XmlScanner::skipMarkupBetweenElements()
{
    for (;;) {
        skipSpace();
        if (atEnd())
            return;
        if (*m_position != '<')
            fail("text outside a value");
        const char next = m_end - m_position > 1 ? m_position[1] : 0;
        if (next == '!' && startsWith("<!--"))
            skipComment();
        else if (next == '?')
            skipProcessingInstruction();
        else
            return;
    }
}

// At '&': one of XML's five entities or a character reference, appended as UTF-8.
void XmlScanner::appendReference(QByteArray& out)
{
    const char* start = m_position;
    ++m_position;
    const char* semicolon = static_cast<const char*>(
        std::memchr(m_position, ';', std::size_t(std::min<qsizetype>(m_end - m_position, 12))));
    if (!semicolon)
        fail("malformed reference");
    const QByteArrayView name(m_position, semicolon - m_position);
    m_position = semicolon + 1;
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
        m_position = start;
        fail(QStringLiteral("undeclared entity or invalid character reference &%1;")
                 .arg(QString::fromUtf8(name.data(), name.size())));
    }
    appendUtf8(out, code);
}

XmlScanner::StartTag XmlScanner::readStartTag()
{
    ++m_position;
    StartTag tag{readName()};
    std::vector<QByteArrayView> attributes;
    for (;;) {
        const char* beforeSpace = m_position;
        skipSpace();
        if (startsWith("/>") || startsWith(">")) {
            tag.isEmpty = *m_position == '/';
            m_position += tag.isEmpty ? 2 : 1;
            return tag;
        }
        if (m_position == beforeSpace)
            fail("malformed tag");
        const QByteArrayView attribute = readName();
        if (std::find(attributes.begin(), attributes.end(), attribute) != attributes.end())
            fail("an attribute given twice");
        attributes.push_back(attribute);
        skipSpace();
        if (atEnd() || *m_position != '=')
            fail("an attribute without a value");
        ++m_position;
        skipSpace();
        const char quote = atEnd() ? 0 : *m_position;
        if (quote != '"' && quote != '\'')
            fail("an attribute value without quotes");
        ++m_position;
        QByteArray ignored;
        while (!atEnd() && *m_position != quote) {
            if (*m_position == '<')
                fail("'<' inside an attribute value");
            if (*m_position == '&')
                appendReference(ignored);
            else
                ++m_position;
        }
        if (atEnd())
            fail("unterminated attribute value");
        ++m_position;
    }
}

void XmlScanner::readEndTag(QByteArrayView name)
{
    const char* tag = m_position;
    const qsizetype length = name.size();
    if (m_end - tag < length + 3 || tag[0] != '<' || tag[1] != '/' ||
        std::memcmp(tag + 2, name.data(), std::size_t(length)) != 0 || isNameCharacter(tag[2 + length]))
        fail(QStringLiteral("</%1> expected").arg(QString::fromUtf8(name.data(), name.size())));
    m_position += 2 + length;
    skipSpace();
    if (atEnd() || *m_position != '>')
        fail("malformed end tag");
    ++m_position;
}

QByteArrayView XmlScanner::readText(QByteArrayView name)
{
    const char* start = m_position;
    const char* character = endOfPlainText(start, m_end);
    if (m_end - character >= 2 && character[0] == '<' && character[1] == '/') {
        m_position = character;
        readEndTag(name);
        return QByteArrayView(start, character - start);
    }
    QByteArray& out = m_scratch;
    out.clear();
    for (;;) {
        const char* runStart = m_position;
        m_position = endOfPlainText(m_position, m_end);
        out.append(runStart, m_position - runStart);
        if (atEnd())
            fail("unexpected end of document");
        if (startsWith("</")) {
            readEndTag(name);
            return out;
        }
        if (startsWith("<!--")) {
            skipComment();
        } else if (startsWith("<?")) {
            skipProcessingInstruction();
        } else if (startsWith("<![CDATA[")) {
            m_position += 9;
            const char* contentStart = m_position;
            appendNormalized(out, contentStart, skipPast("]]>", "CDATA section"));
        } else if (*m_position == '<') {
            fail(QStringLiteral("an element inside <%1>").arg(QString::fromUtf8(name.data(), name.size())));
        } else if (*m_position == '&') {
            appendReference(out);
        } else if (*m_position == '\r') {
            appendNormalized(out, m_position, m_position + 1);
            m_position += startsWith("\r\n") ? 2 : 1;
        } else if (startsWith("]]>")) {
            fail("\"]]>\" in text");
        } else {
            out += *m_position++;
        }
    }
}

const char* XmlScanner::plainTextEnd(const char* from) const
{
    return endOfPlainText(from, m_end);
}

std::optional<QByteArray> XmlScanner::readDeclaration()
{
    if (!startsWith("<?xml") || m_end - m_position < 6 || !isSpace(m_position[5]))
        return std::nullopt;
    const char* start = m_position;
    const char* end = skipPast("?>", "XML declaration");
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

void XmlScanner::readProlog()
{
    bool seenDoctype = false;
    for (;;) {
        skipMarkupBetweenElements();
        if (atEnd())
            fail("no <plist> element");
        if (!startsWith("<!DOCTYPE"))
            return;
        if (seenDoctype)
            fail("a second DOCTYPE");
        skipDoctype();
        seenDoctype = true;
    }
}

bool XmlScanner::atKeyTag() const
{
    return startsWith("<key") && m_end - m_position > 4 &&
           (m_position[4] == '>' || m_position[4] == '/' || isSpace(m_position[4]));
}
