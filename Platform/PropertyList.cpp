// SPDX-License-Identifier: MIT
#include "PropertyList.h"

#include "AtomicFileWriter.h"
#include "BinaryPropertyListReader.h"
#include "BinaryPropertyListWriter.h"
#include "FileSystemRepresentation.h"
#include "XmlPropertyListReader.h"
#include "XmlPropertyListWriter.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void setError(QString* errorDescription, const QString& message)
{
    if (errorDescription)
        *errorDescription = message;
}

QString systemReason()
{
    return QString::fromLocal8Bit(std::strerror(errno));
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
    // Not blocking: a named pipe in a file's place reads as empty instead of waiting for a writer.
    const int descriptor =
        open(FileSystemRepresentation::fromPath(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) {
        setError(errorDescription, QStringLiteral("cannot open %1: %2").arg(path, systemReason()));
        return std::nullopt;
    }
    // A regular file is read at once, and one byte more to see the end; anything else in chunks.
    qsizetype chunk = 64 * 1024;
    struct stat status {};
    if (fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode))
        chunk = qsizetype(std::min<off_t>(status.st_size, PropertyList::maximumInputSize)) + 1;
    QByteArray data;
    for (;;) {
        const qsizetype wanted = std::min(chunk, PropertyList::maximumInputSize + 1 - data.size());
        if (wanted == 0)
            break;
        const qsizetype start = data.size();
        data.resize(start + wanted);
        const ssize_t count = read(descriptor, data.data() + start, size_t(wanted));
        if (count < 0 && errno == EINTR) {
            data.resize(start);
            continue;
        }
        if (count < 0) {
            setError(errorDescription, QStringLiteral("cannot read %1: %2").arg(path, systemReason()));
            close(descriptor);
            return std::nullopt;
        }
        data.resize(start + count);
        if (count == 0)
            break;
    }
    close(descriptor);
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
    const auto value = readFile(path);
    if (!value || value->typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    return value->toMap();
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
