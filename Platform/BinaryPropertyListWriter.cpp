// SPDX-License-Identifier: MIT
#include "BinaryPropertyListWriter.h"

#include "PropertyList.h"
#include "PropertyListDate.h"

#include <QHash>
#include <QtEndian>

#include <algorithm>
#include <bit>
#include <limits>
#include <optional>
#include <vector>

namespace {

// An object of the file: a scalar's encoding, or a container's marker and the objects it refers to.
struct PendingObject {
    QByteArray scalar;
    uchar containerMarker = 0;
    std::vector<quint64> references;
};

int bytesFor(quint64 largest)
{
    int size = 1;
    while (size < 8 && (largest >> (8 * size)) != 0)
        size *= 2;
    return size;
}

void appendBigEndian(QByteArray& bytes, quint64 value, int size)
{
    for (int shift = 8 * (size - 1); shift >= 0; shift -= 8)
        bytes.append(char(value >> shift));
}

// A marker with the count in its low four bits, or 0xF and the count as an integer object.
void appendMarker(QByteArray& bytes, uchar kind, quint64 count)
{
    if (count < 15) {
        bytes.append(char(kind | count));
        return;
    }
    const int size = bytesFor(count);
    bytes.append(char(kind | 0x0F));
    bytes.append(char(0x10 | std::countr_zero(unsigned(size))));
    appendBigEndian(bytes, count, size);
}

// The objects of the file in the order they are written, the top object first.
struct Objects {
    std::vector<PendingObject> list;
    QHash<QString, quint64> stringIndices;
};

std::optional<quint64> add(Objects& objects, const QVariant& value, int depth);

std::optional<QByteArray> encodeScalar(const QVariant& value)
{
    QByteArray bytes;
    switch (value.typeId()) {
    case QMetaType::Bool:
        return QByteArray(1, value.toBool() ? '\x09' : '\x08');
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong: {
        if (value.typeId() == QMetaType::ULongLong &&
            value.toULongLong() > quint64(std::numeric_limits<qint64>::max()))
            return std::nullopt;
        const qint64 number = value.toLongLong();
        const int size = number < 0 ? 8 : bytesFor(quint64(number));
        bytes.append(char(0x10 | std::countr_zero(unsigned(size))));
        appendBigEndian(bytes, quint64(number), size);
        return bytes;
    }
    case QMetaType::Double:
    case QMetaType::Float:
        bytes.append('\x23');
        appendBigEndian(bytes, std::bit_cast<quint64>(value.toDouble()), 8);
        return bytes;
    case QMetaType::QByteArray:
        appendMarker(bytes, 0x40, quint64(value.toByteArray().size()));
        return bytes + value.toByteArray();
    default:
        if (value.typeId() != qMetaTypeId<PropertyListDate>())
            return std::nullopt;
        bytes.append('\x33');
        appendBigEndian(
            bytes, std::bit_cast<quint64>(value.value<PropertyListDate>().secondsSinceReferenceDate()), 8);
        return bytes;
    }
}

// The reader refuses a NUL character in a string, so the writer does not produce one.
std::optional<quint64> addString(Objects& objects, const QString& text)
{
    if (const auto known = objects.stringIndices.constFind(text); known != objects.stringIndices.cend())
        return *known;
    if (text.contains(QChar(0)))
        return std::nullopt;
    QByteArray bytes;
    const bool ascii =
        std::all_of(text.cbegin(), text.cend(), [](QChar character) { return character.unicode() < 0x80; });
    if (ascii) {
        appendMarker(bytes, 0x50, quint64(text.size()));
        bytes += text.toLatin1();
    } else {
        appendMarker(bytes, 0x60, quint64(text.size()));
        const qsizetype start = bytes.size();
        bytes.resize(start + 2 * text.size());
        qToBigEndian<char16_t>(text.utf16(), text.size(), bytes.data() + start);
    }
    objects.list.push_back({bytes, 0, {}});
    objects.stringIndices.insert(text, objects.list.size() - 1);
    return objects.list.size() - 1;
}

std::optional<quint64> addArray(Objects& objects, const QVariantList& array, int depth)
{
    const quint64 index = objects.list.size();
    objects.list.push_back({{}, 0xA0, {}});
    std::vector<quint64> references;
    references.reserve(std::size_t(array.size()));
    for (const QVariant& element : array) {
        const auto reference = add(objects, element, depth + 1);
        if (!reference)
            return std::nullopt;
        references.push_back(*reference);
    }
    objects.list[index].references = std::move(references);
    return index;
}

// A dictionary refers to its keys first, then to its values in the same order.
template <typename Map>
std::optional<quint64> addDictionary(Objects& objects, const Map& dictionary, int depth)
{
    const quint64 index = objects.list.size();
    objects.list.push_back({{}, 0xD0, {}});
    std::vector<quint64> keys;
    std::vector<quint64> values;
    for (auto entry = dictionary.cbegin(); entry != dictionary.cend(); ++entry) {
        const auto key = addString(objects, entry.key());
        const auto value = key ? add(objects, entry.value(), depth + 1) : std::nullopt;
        if (!value)
            return std::nullopt;
        keys.push_back(*key);
        values.push_back(*value);
    }
    keys.insert(keys.end(), values.begin(), values.end());
    objects.list[index].references = std::move(keys);
    return index;
}

// The object's index, or none when the value cannot be written.
std::optional<quint64> add(Objects& objects, const QVariant& value, int depth)
{
    if (depth > PropertyList::maximumNestingDepth)
        return std::nullopt;
    switch (value.typeId()) {
    case QMetaType::QString:
        return addString(objects, value.toString());
    case QMetaType::QVariantList:
    case QMetaType::QStringList:
        return addArray(objects, value.toList(), depth);
    case QMetaType::QVariantMap:
        return addDictionary(objects, value.toMap(), depth);
    case QMetaType::QVariantHash:
        return addDictionary(objects, value.toHash(), depth);
    default:
        break;
    }
    const std::optional<QByteArray> scalar = encodeScalar(value);
    if (!scalar)
        return std::nullopt;
    objects.list.push_back({*scalar, 0, {}});
    return objects.list.size() - 1;
}

} // namespace

QByteArray BinaryPropertyListWriter::write(const QVariant& value)
{
    Objects flattened;
    if (!add(flattened, value, 1))
        return {};
    const std::vector<PendingObject>& objects = flattened.list;
    const int referenceSize = bytesFor(objects.size() - 1);
    QByteArray file("bplist00");
    std::vector<quint64> offsets;
    offsets.reserve(objects.size());
    for (const PendingObject& object : objects) {
        offsets.push_back(quint64(file.size()));
        if (!object.containerMarker) {
            file += object.scalar;
            continue;
        }
        const std::size_t perEntry = object.containerMarker == 0xD0 ? 2 : 1;
        appendMarker(file, object.containerMarker, object.references.size() / perEntry);
        for (const quint64 reference : object.references)
            appendBigEndian(file, reference, referenceSize);
    }
    const quint64 tableOffset = quint64(file.size());
    const int offsetSize = bytesFor(offsets.back());
    for (const quint64 offset : offsets)
        appendBigEndian(file, offset, offsetSize);
    file.append(6, '\0');
    file.append(char(offsetSize));
    file.append(char(referenceSize));
    appendBigEndian(file, objects.size(), 8);
    appendBigEndian(file, 0, 8);
    appendBigEndian(file, tableOffset, 8);
    return file;
}
