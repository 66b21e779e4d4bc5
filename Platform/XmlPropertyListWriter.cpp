// SPDX-License-Identifier: MIT
#include "XmlPropertyListWriter.h"

#include "PropertyList.h"
#include "PropertyListDate.h"

#include <QLocale>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

const QByteArray header("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                        "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                        "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                        "<plist version=\"1.0\">\n");
const QByteArray footer("</plist>\n");

bool isXmlCharacter(char16_t code)
{
    return (code >= 0x20 || code == '\t' || code == '\n' || code == '\r') && code != 0xFFFE && code != 0xFFFF;
}

// The text with markup characters escaped, or none when XML cannot carry it.
std::optional<QByteArray> escaped(const QString& text)
{
    if (!text.isValidUtf16() || !std::all_of(text.cbegin(), text.cend(), [](QChar character) {
            return isXmlCharacter(character.unicode());
        }))
        return std::nullopt;
    QByteArray utf8 = text.toUtf8();
    if (!utf8.contains('&') && !utf8.contains('<') && !utf8.contains('>') && !utf8.contains('\r'))
        return utf8;
    return utf8.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;").replace("\r", "&#13;");
}

QByteArray realText(double value)
{
    if (std::isnan(value))
        return "nan";
    if (std::isinf(value))
        return value > 0 ? "+infinity" : "-infinity";
    return QByteArray::number(value, 'g', QLocale::FloatingPointShortest);
}

void appendElement(QByteArray& out, int depth, const char* name, const QByteArray& content)
{
    out.append(depth, '\t').append('<').append(name).append('>');
    out.append(content).append("</").append(name).append(">\n");
}

// Base64 in lines that end within 76 columns, counting a tab as eight, as macOS writes it.
void appendData(QByteArray& out, int depth, const QByteArray& bytes)
{
    const qsizetype lineLength = std::max(16, (76 - 8 * depth) / 4 * 4);
    const QByteArray encoded = bytes.toBase64();
    out.append(depth, '\t').append("<data>\n");
    for (qsizetype start = 0; start < encoded.size(); start += lineLength)
        out.append(depth, '\t').append(encoded.mid(start, lineLength)).append('\n');
    out.append(depth, '\t').append("</data>\n");
}

bool appendValue(QByteArray& out, const QVariant& value, int depth);

bool appendArray(QByteArray& out, const QVariantList& array, int depth)
{
    if (array.isEmpty()) {
        out.append(depth, '\t').append("<array/>\n");
        return true;
    }
    out.append(depth, '\t').append("<array>\n");
    for (const QVariant& element : array) {
        if (!appendValue(out, element, depth + 1))
            return false;
    }
    out.append(depth, '\t').append("</array>\n");
    return true;
}

template <typename Map> bool appendDictionary(QByteArray& out, const Map& dictionary, int depth)
{
    if (dictionary.isEmpty()) {
        out.append(depth, '\t').append("<dict/>\n");
        return true;
    }
    out.append(depth, '\t').append("<dict>\n");
    for (auto entry = dictionary.cbegin(); entry != dictionary.cend(); ++entry) {
        const auto key = escaped(entry.key());
        if (!key)
            return false;
        appendElement(out, depth + 1, "key", *key);
        if (!appendValue(out, entry.value(), depth + 1))
            return false;
    }
    out.append(depth, '\t').append("</dict>\n");
    return true;
}

bool appendScalar(QByteArray& out, const QVariant& value, int depth)
{
    switch (value.typeId()) {
    case QMetaType::QString: {
        const auto text = escaped(value.toString());
        if (text)
            appendElement(out, depth, "string", *text);
        return text.has_value();
    }
    case QMetaType::Bool:
        out.append(depth, '\t').append(value.toBool() ? "<true/>\n" : "<false/>\n");
        return true;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
        appendElement(out, depth, "integer", QByteArray::number(value.toLongLong()));
        return true;
    case QMetaType::ULongLong:
        if (value.toULongLong() > quint64(std::numeric_limits<qint64>::max()))
            return false;
        appendElement(out, depth, "integer", QByteArray::number(value.toLongLong()));
        return true;
    case QMetaType::Double:
    case QMetaType::Float:
        appendElement(out, depth, "real", realText(value.toDouble()));
        return true;
    case QMetaType::QByteArray:
        appendData(out, depth, value.toByteArray());
        return true;
    default:
        if (value.typeId() != qMetaTypeId<PropertyListDate>())
            return false;
        const auto text = value.value<PropertyListDate>().toIso8601();
        if (text)
            appendElement(out, depth, "date", *text);
        return text.has_value();
    }
}

bool appendValue(QByteArray& out, const QVariant& value, int depth)
{
    if (depth >= PropertyList::maximumNestingDepth)
        return false;
    switch (value.typeId()) {
    case QMetaType::QVariantList:
    case QMetaType::QStringList:
        return appendArray(out, value.toList(), depth);
    case QMetaType::QVariantMap:
        return appendDictionary(out, value.toMap(), depth);
    case QMetaType::QVariantHash:
        return appendDictionary(out, value.toHash(), depth);
    default:
        return appendScalar(out, value, depth);
    }
}

} // namespace

QByteArray XmlPropertyListWriter::write(const QVariant& value)
{
    QByteArray out = header;
    // The top-level value stands at the left margin, as macOS writes it.
    if (!appendValue(out, value, 0))
        return {};
    return out + footer;
}
