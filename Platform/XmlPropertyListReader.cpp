// SPDX-License-Identifier: MIT
#include "XmlPropertyListReader.h"

#include "PropertyList.h"
#include "PropertyListDate.h"
#include "PropertyListParseFailure.h"
#include "XmlScanner.h"

#include <QStringDecoder>

#include <cmath>
#include <cstring>
#include <limits>
#include <string_view>

namespace {

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
        const int digit = XmlScanner::digitValue(character, base);
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

QVariant readValue(XmlScanner& scanner, int depth);

QVariant readArray(XmlScanner& scanner, int depth)
{
    QVariantList array;
    for (;;) {
        scanner.skipMarkupBetweenElements();
        if (scanner.startsWith("</")) {
            scanner.readEndTag("array");
            return array;
        }
        array.append(readValue(scanner, depth + 1));
    }
}

// At a dictionary's <key>: its text, up to the start of its value.
QByteArrayView readKeyText(XmlScanner& scanner)
{
    auto key = scanner.readPlainElement("<key>", "</key>");
    if (!key) {
        if (scanner.atEnd() || scanner.startsWith("<!") || !scanner.atKeyTag())
            scanner.fail("a <key> was expected in a dictionary");
        const XmlScanner::StartTag tag = scanner.readStartTag();
        key = tag.isEmpty ? QByteArrayView() : scanner.readText("key");
    }
    scanner.skipMarkupBetweenElements();
    if (scanner.atEnd() || scanner.startsWith("</") || scanner.atKeyTag())
        scanner.fail(QStringLiteral("key \"%1\" has no value").arg(QString::fromUtf8(*key)));
    return *key;
}

QVariant readDictionary(XmlScanner& scanner, int depth)
{
    QVariantMap dictionary;
    for (;;) {
        scanner.skipMarkupBetweenElements();
        if (scanner.startsWith("</")) {
            scanner.readEndTag("dict");
            return dictionary;
        }
        const QString key = QString::fromUtf8(readKeyText(scanner));
        // Real files repeat keys now and then; as on macOS, the later value wins. Writers sort the
        // keys, so the end is the place to look first.
        dictionary.insert(dictionary.cend(), key, readValue(scanner, depth + 1));
    }
}

// The text of a scalar element; an empty element has none.
QByteArrayView scalarText(XmlScanner& scanner, const XmlScanner::StartTag& tag)
{
    return tag.isEmpty ? QByteArrayView() : scanner.readText(tag.name);
}

// Compares the lengths first, which tells most element names apart without a call.
bool isNamed(QByteArrayView name, std::string_view expected)
{
    return std::size_t(name.size()) == expected.size() &&
           std::memcmp(name.data(), expected.data(), expected.size()) == 0;
}

QVariant readScalar(XmlScanner& scanner, const XmlScanner::StartTag& tag)
{
    const QByteArrayView name = tag.name;
    const char* start = scanner.position();
    const QByteArrayView text = scalarText(scanner, tag);
    if (isNamed(name, "string"))
        return QString::fromUtf8(text);
    if (isNamed(name, "integer")) {
        const auto value = parseInteger(XmlScanner::trimmed(text));
        if (!value)
            scanner.failAt(
                start,
                QStringLiteral("integer \"%1\" is not a signed 64-bit number").arg(QString::fromUtf8(text)));
        return QVariant::fromValue<qint64>(*value);
    }
    if (isNamed(name, "real")) {
        const auto value = parseReal(XmlScanner::trimmed(text));
        if (!value)
            scanner.failAt(start, QStringLiteral("real \"%1\" is not a number").arg(QString::fromUtf8(text)));
        return *value;
    }
    if (isNamed(name, "true") || isNamed(name, "false")) {
        if (!XmlScanner::trimmed(text).empty())
            scanner.failAt(start, QStringLiteral("a boolean carries no content"));
        return isNamed(name, "true");
    }
    if (isNamed(name, "date")) {
        const auto date = PropertyListDate::fromIso8601(XmlScanner::trimmed(text));
        if (!date)
            scanner.failAt(
                start,
                QStringLiteral("date \"%1\" is not an ISO 8601 UTC date").arg(QString::fromUtf8(text)));
        return QVariant::fromValue(*date);
    }
    if (isNamed(name, "data")) {
        QByteArray encoded = text.toByteArray();
        encoded.removeIf([](char character) {
            return XmlScanner::isSpace(character) || character == '\f' || character == '\v';
        });
        auto decoded = QByteArray::fromBase64Encoding(encoded, QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded)
            scanner.failAt(start, QStringLiteral("data is not valid base64"));
        return *decoded;
    }
    scanner.failAt(start,
                   QStringLiteral("unknown element <%1>").arg(QString::fromUtf8(name.data(), name.size())));
}

// At the start tag of a value; reads it up to and including its end tag.
QVariant readValue(XmlScanner& scanner, int depth)
{
    if (depth > PropertyList::maximumNestingDepth)
        scanner.fail("nesting too deep");
    if (scanner.atEnd() || scanner.startsWith("<!"))
        scanner.fail("a value was expected");
    const XmlScanner::StartTag tag = scanner.readStartTag();
    if (isNamed(tag.name, "dict"))
        return tag.isEmpty ? QVariant(QVariantMap()) : readDictionary(scanner, depth);
    if (isNamed(tag.name, "array"))
        return tag.isEmpty ? QVariant(QVariantList()) : readArray(scanner, depth);
    return readScalar(scanner, tag);
}

// Checks a value as readValue does, without building it.
void skipValue(XmlScanner& scanner, int depth)
{
    if (depth > PropertyList::maximumNestingDepth)
        scanner.fail("nesting too deep");
    if (scanner.readPlainElement("<string>", "</string>"))
        return;
    if (scanner.atEnd() || scanner.startsWith("<!"))
        scanner.fail("a value was expected");
    const XmlScanner::StartTag tag = scanner.readStartTag();
    const bool isDictionary = isNamed(tag.name, "dict");
    if (!isDictionary && !isNamed(tag.name, "array")) {
        if (isNamed(tag.name, "string"))
            scalarText(scanner, tag);
        else
            readScalar(scanner, tag);
        return;
    }
    if (tag.isEmpty)
        return;
    for (;;) {
        scanner.skipMarkupBetweenElements();
        if (scanner.startsWith("</")) {
            scanner.readEndTag(isDictionary ? "dict" : "array");
            return;
        }
        if (isDictionary)
            readKeyText(scanner);
        skipValue(scanner, depth + 1);
    }
}

// The entries of the root dictionary whose keys are asked for; the other values are only checked.
QVariantMap readSelectedEntries(XmlScanner& scanner, const QList<QByteArray>& keys)
{
    QVariantMap selected;
    for (;;) {
        scanner.skipMarkupBetweenElements();
        if (scanner.startsWith("</")) {
            scanner.readEndTag("dict");
            return selected;
        }
        // The key's text is compared before the scanner reads on, which may reuse its buffer.
        const QByteArrayView key = readKeyText(scanner);
        const bool wanted = keys.contains(key);
        const QString name = wanted ? QString::fromUtf8(key) : QString();
        if (wanted)
            selected.insert(name, readValue(scanner, 2));
        else
            skipValue(scanner, 2);
    }
}

template <typename ReadRoot> auto readDocument(XmlScanner& scanner, ReadRoot readRoot)
{
    scanner.readProlog();
    if (scanner.startsWith("<!"))
        scanner.fail("unexpected markup before the root element");
    const XmlScanner::StartTag root = scanner.readStartTag();
    if (!isNamed(root.name, "plist"))
        scanner.fail(QStringLiteral("the root element is <%1>, not <plist>")
                         .arg(QString::fromUtf8(root.name.data(), root.name.size())));
    if (!root.isEmpty)
        scanner.skipMarkupBetweenElements();
    if (root.isEmpty || scanner.atEnd() || scanner.startsWith("</"))
        scanner.fail("<plist> holds no value");
    auto value = readRoot(scanner);
    scanner.skipMarkupBetweenElements();
    if (!scanner.startsWith("</"))
        scanner.fail("<plist> holds more than one value");
    scanner.readEndTag("plist");
    scanner.skipMarkupBetweenElements();
    if (!scanner.atEnd())
        scanner.fail("content after the root element");
    return value;
}

// Another encoding than UTF-8, found by a byte-order mark or named by the declaration.
std::optional<QStringConverter::Encoding> foreignEncoding(const QByteArray& data)
{
    const auto detected = QStringConverter::encodingForData(data, u'<');
    if (detected && *detected != QStringConverter::Utf8)
        return detected;
    XmlScanner scanner(data.constBegin() + (data.startsWith("\xEF\xBB\xBF") ? 3 : 0), data.constEnd());
    const auto declared = scanner.readDeclaration();
    if (!declared || declared->compare("UTF-8", Qt::CaseInsensitive) == 0 ||
        declared->compare("US-ASCII", Qt::CaseInsensitive) == 0)
        return std::nullopt;
    const auto named = QStringConverter::encodingForName(declared->constData());
    if (!named)
        throw PropertyListParseFailure{
            QStringLiteral("unsupported encoding \"%1\"").arg(QString::fromLatin1(*declared))};
    return named == QStringConverter::Utf8 ? std::nullopt : named;
}

template <typename ReadRoot> auto readUtf8(const QByteArray& data, ReadRoot readRoot)
{
    XmlScanner scanner(data.constBegin() + (data.startsWith("\xEF\xBB\xBF") ? 3 : 0), data.constEnd());
    scanner.checkCharacters();
    scanner.readDeclaration();
    return readDocument(scanner, readRoot);
}

template <typename ReadRoot>
auto readAnyEncoding(const QByteArray& data, ReadRoot readRoot, QString* errorDescription)
    -> std::optional<decltype(readRoot(std::declval<XmlScanner&>()))>
{
    try {
        if (const auto encoding = foreignEncoding(data)) {
            QStringDecoder decoder(*encoding, QStringDecoder::Flag::Stateless);
            const QString text = decoder.decode(data);
            if (decoder.hasError())
                throw PropertyListParseFailure{QStringLiteral("the document does not match its encoding")};
            return readUtf8(text.toUtf8(), readRoot);
        }
        return readUtf8(data, readRoot);
    } catch (const PropertyListParseFailure& failure) {
        if (errorDescription)
            *errorDescription = failure.message;
        return std::nullopt;
    }
}

} // namespace

std::optional<QVariant> XmlPropertyListReader::read(const QByteArray& data, QString* errorDescription)
{
    return readAnyEncoding(
        data, [](XmlScanner& scanner) { return readValue(scanner, 1); }, errorDescription);
}

std::optional<QVariantMap> XmlPropertyListReader::readDictionaryEntries(const QByteArray& data,
                                                                        const QList<QByteArray>& keys,
                                                                        QString* errorDescription)
{
    return readAnyEncoding(
        data,
        [&keys](XmlScanner& scanner) {
            if (scanner.atEnd() || scanner.startsWith("<!"))
                scanner.fail("a value was expected");
            // Anything else at the root has none of the keys: the answer is no dictionary.
            const XmlScanner::StartTag tag = scanner.readStartTag();
            if (!isNamed(tag.name, "dict"))
                scanner.fail("the root value is not a dictionary");
            return tag.isEmpty ? QVariantMap() : readSelectedEntries(scanner, keys);
        },
        errorDescription);
}
