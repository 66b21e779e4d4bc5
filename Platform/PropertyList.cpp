// SPDX-License-Identifier: MIT
#include "PropertyList.h"

#include "AtomicFileWriter.h"
#include "BinaryPropertyListReader.h"
#include "BinaryPropertyListWriter.h"
#include "FileManager.h"
#include "XmlPropertyListReader.h"
#include "XmlPropertyListWriter.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

void setError(QString* errorDescription, const QString& message)
{
    if (errorDescription)
        *errorDescription = message;
}

// The old text format starts with a brace, a parenthesis, a quote or a word, never with markup.
bool looksLikeTextFormat(const QByteArray& data)
{
    qsizetype start = data.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    while (start < data.size() && QByteArrayView(" \t\r\n").contains(data.at(start)))
        ++start;
    return start < data.size() && data.at(start) != '<' && data.at(start) != '\0' &&
           uchar(data.at(start)) < 0x80;
}

// At most maximumInputSize + 1 bytes: one byte beyond the cap tells an oversized file apart
// even when its size is unknown.
std::optional<QByteArray> readAtMostCapPlusOne(const QString& path, QString* errorDescription)
{
    bool opened = false;
    auto data = FileManager::readFileAtPath(path, PropertyList::maximumInputSize + 1, &opened);
    if (!data && errorDescription)
        *errorDescription = QStringLiteral("cannot %1 %2: %3")
                                .arg(opened ? QStringLiteral("read") : QStringLiteral("open"), path,
                                     QString::fromLocal8Bit(std::strerror(errno)));
    return data;
}

bool isNumber(int type)
{
    return type == QMetaType::LongLong || type == QMetaType::Double || type == QMetaType::Bool ||
           type == QMetaType::Int || type == QMetaType::UInt || type == QMetaType::ULongLong;
}

// Exact for every integer and real a property list holds.
long double numericValue(const QVariant& number)
{
    if (number.typeId() == QMetaType::Double)
        return number.toDouble();
    return static_cast<long double>(number.toLongLong());
}

std::optional<QVariantMap> dictionaryWithData(const QByteArray& data)
{
    const auto value = PropertyList::fromData(data);
    if (!value || value->typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    return value->toMap();
}

} // namespace

bool PropertyList::isEqual(const QVariant& left, const QVariant& right)
{
    const int type = left.typeId();
    if (isNumber(type) && isNumber(right.typeId()))
        return numericValue(left) == numericValue(right);
    if (type != right.typeId())
        return false;
    switch (type) {
    case QMetaType::QString:
        return left.toString() == right.toString();
    case QMetaType::QByteArray:
        return left.toByteArray() == right.toByteArray();
    case QMetaType::QVariantList: {
        const QVariantList leftList = left.toList();
        const QVariantList rightList = right.toList();
        return leftList.size() == rightList.size() &&
               std::equal(leftList.begin(), leftList.end(), rightList.begin(), &PropertyList::isEqual);
    }
    case QMetaType::QVariantMap: {
        const QVariantMap leftMap = left.toMap();
        const QVariantMap rightMap = right.toMap();
        if (leftMap.size() != rightMap.size())
            return false;
        for (auto entry = leftMap.begin(); entry != leftMap.end(); ++entry) {
            const auto other = rightMap.find(entry.key());
            if (other == rightMap.end() || !isEqual(entry.value(), other.value()))
                return false;
        }
        return true;
    }
    default:
        return left == right;
    }
}

std::optional<QVariant> PropertyList::fromData(const QByteArray& data, PropertyListFormat* format,
                                               QString* errorDescription)
{
    if (data.size() > maximumInputSize) {
        setError(errorDescription,
                 QStringLiteral("property list larger than %1 bytes").arg(maximumInputSize));
        return std::nullopt;
    }
    const bool isBinary = data.startsWith("bplist");
    if (!isBinary && looksLikeTextFormat(data)) {
        setError(errorDescription, QStringLiteral("not an XML or binary property list (the old text format "
                                                  "is not read)"));
        return std::nullopt;
    }
    auto value = isBinary ? BinaryPropertyListReader::read(data, errorDescription)
                          : XmlPropertyListReader::read(data, errorDescription);
    if (value && format)
        *format = isBinary ? PropertyListFormat::Binary : PropertyListFormat::XML;
    return value;
}

std::optional<QVariant> PropertyList::readFile(const QString& path, PropertyListFormat* format,
                                               QString* errorDescription)
{
    const auto data = readAtMostCapPlusOne(path, errorDescription);
    if (!data)
        return std::nullopt;
    return fromData(*data, format, errorDescription);
}

std::optional<QVariantMap> PropertyList::dictionaryWithContentsOfFile(const QString& path)
{
    const auto data = readAtMostCapPlusOne(path, nullptr);
    return data ? dictionaryWithData(*data) : std::nullopt;
}

std::optional<QVariantMap> PropertyList::dictionaryWithContentsOfFile(const QString& path,
                                                                      const QStringList& keys)
{
    const auto data = readAtMostCapPlusOne(path, nullptr);
    if (!data || data->size() > maximumInputSize)
        return std::nullopt;
    const bool isBinary = data->startsWith("bplist");
    if (isBinary || looksLikeTextFormat(*data)) {
        auto dictionary = dictionaryWithData(*data);
        if (dictionary)
            dictionary->removeIf([&keys](const auto& entry) { return !keys.contains(entry.key()); });
        return dictionary;
    }
    QList<QByteArray> utf8Keys;
    for (const QString& key : keys)
        utf8Keys.append(key.toUtf8());
    return XmlPropertyListReader::readDictionaryEntries(*data, utf8Keys, nullptr);
}

QByteArray PropertyList::toData(const QVariant& value, PropertyListFormat format)
{
    return format == PropertyListFormat::XML ? XmlPropertyListWriter::write(value)
                                             : BinaryPropertyListWriter::write(value);
}

bool PropertyList::writeToFile(const QVariant& value, const QString& path, PropertyListFormat format,
                               QString* errorDescription)
{
    const QByteArray data = toData(value, format);
    if (data.isEmpty()) {
        setError(errorDescription, QStringLiteral("the value cannot be stored in a property list"));
        return false;
    }
    return AtomicFileWriter::writeFile(path, data, errorDescription);
}
