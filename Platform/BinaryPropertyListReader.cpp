// SPDX-License-Identifier: MIT
#include "BinaryPropertyListReader.h"

#include "PropertyList.h"
#include "PropertyListDate.h"
#include "PropertyListParseFailure.h"

#include <QtEndian>

#include <algorithm>
#include <bit>
#include <vector>

namespace {

const QByteArray magic("bplist00");
constexpr qsizetype trailerSize = 32;
// A shared object is built once for every place that refers to it; no real file comes close.
constexpr quint32 maximumExpandedValues = 1 << 22;

enum Kind : int {
    Simple = 0x0,
    Integer = 0x1,
    Real = 0x2,
    Date = 0x3,
    Data = 0x4,
    AsciiString = 0x5,
    Utf16String = 0x6,
    Utf8String = 0x7,
    Array = 0xA,
    Set = 0xC,
    Dictionary = 0xD,
};

[[noreturn]] void fail(const char* problem)
{
    throw PropertyListParseFailure{QString::fromLatin1(problem)};
}

struct Layout {
    const uchar* bytes = nullptr;
    quint64 bodySize = 0;
    int offsetSize = 0;
    int referenceSize = 0;
    quint64 objectCount = 0;
    quint64 topObject = 0;
    quint64 tableOffset = 0;
};

// Where an object's contents start and how many units (bytes, characters or references) it has.
struct Extent {
    quint64 start = 0;
    quint64 count = 0;
};

quint64 readBigEndian(const uchar* bytes, int size)
{
    quint64 value = 0;
    for (int index = 0; index < size; ++index)
        value = (value << 8) | bytes[index];
    return value;
}

void requireBytes(const Layout& layout, quint64 position, quint64 length)
{
    if (position > layout.bodySize || length > layout.bodySize - position)
        fail("object extends past the end of the file");
}

Layout readLayout(const QByteArray& data)
{
    if (!data.startsWith(magic) || data.size() < magic.size() + trailerSize)
        fail("not a supported binary property list");
    Layout layout;
    layout.bytes = reinterpret_cast<const uchar*>(data.constData());
    layout.bodySize = quint64(data.size() - trailerSize);
    const uchar* trailer = layout.bytes + layout.bodySize;
    layout.offsetSize = trailer[6];
    layout.referenceSize = trailer[7];
    layout.objectCount = readBigEndian(trailer + 8, 8);
    layout.topObject = readBigEndian(trailer + 16, 8);
    layout.tableOffset = readBigEndian(trailer + 24, 8);
    const bool sizesValid = layout.offsetSize >= 1 && layout.offsetSize <= 8 && layout.referenceSize >= 1 &&
                            layout.referenceSize <= 8;
    if (!sizesValid || layout.tableOffset > layout.bodySize ||
        layout.objectCount > (layout.bodySize - layout.tableOffset) / quint64(layout.offsetSize) ||
        layout.topObject >= layout.objectCount)
        fail("malformed binary property list trailer");
    return layout;
}

quint64 objectOffset(const Layout& layout, quint64 object)
{
    const uchar* entry = layout.bytes + layout.tableOffset + object * quint64(layout.offsetSize);
    const quint64 offset = readBigEndian(entry, layout.offsetSize);
    if (offset >= layout.bodySize)
        fail("object offset outside the file");
    return offset;
}

// The count in an object's marker, or in the integer that follows when the marker holds 0xF.
Extent readExtent(const Layout& layout, quint64 offset)
{
    const quint64 count = layout.bytes[offset] & 0x0F;
    if (count != 0x0F)
        return {offset + 1, count};
    requireBytes(layout, offset + 1, 1);
    const uchar countMarker = layout.bytes[offset + 1];
    if ((countMarker & 0xF0) != 0x10 || (countMarker & 0x0F) > 3)
        fail("malformed object size");
    const int countSize = 1 << (countMarker & 0x0F);
    requireBytes(layout, offset + 2, quint64(countSize));
    return {offset + 2 + quint64(countSize), readBigEndian(layout.bytes + offset + 2, countSize)};
}

quint64 unitSize(int kind)
{
    return kind == Utf16String ? 2 : 1;
}

// ---- the checking walk ----

struct WalkFrame {
    quint64 object = 0;
    bool isDictionary = false;
    Extent references; // a dictionary's keys, then its values
    quint64 next = 0;
    quint64 expandedValues = 1;
    int height = 1;
};

enum class ObjectState : quint8 { Unvisited, Visiting, Visited };

struct Walk {
    const Layout& layout;
    std::vector<ObjectState> states;
    std::vector<quint32> expandedValues;
    // The levels of nesting from an object down to its deepest value, itself included.
    std::vector<quint16> heights;
    std::vector<WalkFrame> path;
};

void checkString(const Layout& layout, int kind, const Extent& extent)
{
    const uchar* characters = layout.bytes + extent.start;
    if (kind == Utf16String) {
        for (quint64 unit = 0; unit < extent.count; ++unit) {
            if (characters[2 * unit] == 0 && characters[2 * unit + 1] == 0)
                fail("string with a NUL character");
        }
        return;
    }
    for (quint64 index = 0; index < extent.count; ++index) {
        if (characters[index] == 0)
            fail("string with a NUL character");
        if (kind == AsciiString && characters[index] >= 0x80)
            fail("ASCII string with a byte beyond ASCII");
    }
    if (kind == Utf8String && !QByteArrayView(characters, qsizetype(extent.count)).isValidUtf8())
        fail("string that is not UTF-8");
}

// Everything the builder relies on: a known marker, contents within the file, valid strings.
void checkScalar(const Layout& layout, quint64 offset)
{
    const uchar marker = layout.bytes[offset];
    const int kind = marker >> 4;
    const int size = marker & 0x0F;
    switch (kind) {
    case Simple:
        if (marker != 0x08 && marker != 0x09)
            fail("unsupported value type");
        return;
    case Integer:
        if (size > 4)
            fail("malformed integer");
        requireBytes(layout, offset + 1, quint64(1) << size);
        // Sixteen bytes hold a signed 128-bit number; only those within 64 bits can be kept.
        if (size == 4 && readBigEndian(layout.bytes + offset + 1, 8) !=
                             ((layout.bytes[offset + 9] & 0x80) ? ~quint64(0) : 0))
            fail("integer beyond the signed 64-bit range");
        return;
    case Real:
        if (size != 2 && size != 3)
            fail("malformed real");
        requireBytes(layout, offset + 1, quint64(1) << size);
        return;
    case Date:
        if (size != 3)
            fail("malformed date");
        requireBytes(layout, offset + 1, 8);
        return;
    case Data:
    case AsciiString:
    case Utf16String:
    case Utf8String: {
        const Extent extent = readExtent(layout, offset);
        if (extent.count > (layout.bodySize - extent.start) / unitSize(kind))
            fail("object extends past the end of the file");
        if (kind != Data)
            checkString(layout, kind, extent);
        return;
    }
    default:
        fail("unsupported value type");
    }
}

quint64 referenceAt(const Layout& layout, const Extent& references, quint64 index)
{
    const uchar* entry = layout.bytes + references.start + index * quint64(layout.referenceSize);
    const quint64 reference = readBigEndian(entry, layout.referenceSize);
    if (reference >= layout.objectCount)
        fail("reference to a missing object");
    return reference;
}

// Counts a finished child into its parent. Through shared objects a value can sit deeper and
// expand further than its own file offsets suggest, so both are checked against the whole path.
void addChild(Walk& walk, quint64 expandedValues, int height)
{
    if (int(walk.path.size()) + height > PropertyList::maximumNestingDepth)
        fail("nesting too deep");
    if (walk.path.empty())
        return;
    WalkFrame& parent = walk.path.back();
    parent.expandedValues += expandedValues;
    parent.height = std::max(parent.height, height + 1);
    if (parent.expandedValues > maximumExpandedValues)
        fail("too many values");
}

void enterObject(Walk& walk, quint64 object)
{
    if (walk.states[object] == ObjectState::Visiting)
        fail("an object contains itself");
    const quint64 offset = objectOffset(walk.layout, object);
    const int kind = walk.layout.bytes[offset] >> 4;
    if (!walk.path.empty()) {
        const WalkFrame& parent = walk.path.back();
        const bool isKey = parent.isDictionary && parent.next <= parent.references.count / 2;
        if (isKey && kind != AsciiString && kind != Utf16String && kind != Utf8String)
            fail("dictionary key that is not a string");
    }
    if (walk.states[object] == ObjectState::Visited)
        return addChild(walk, walk.expandedValues[object], walk.heights[object]);
    if (kind != Array && kind != Set && kind != Dictionary) {
        checkScalar(walk.layout, offset);
        walk.states[object] = ObjectState::Visited;
        walk.expandedValues[object] = 1;
        walk.heights[object] = 1;
        return addChild(walk, 1, 1);
    }
    if (int(walk.path.size()) >= PropertyList::maximumNestingDepth)
        fail("nesting too deep");
    Extent references = readExtent(walk.layout, offset);
    const quint64 referencesPerEntry = kind == Dictionary ? 2 : 1;
    if (references.count >
        (walk.layout.bodySize - references.start) / quint64(walk.layout.referenceSize) / referencesPerEntry)
        fail("container extends past the end of the file");
    references.count *= referencesPerEntry;
    walk.states[object] = ObjectState::Visiting;
    walk.path.push_back(WalkFrame{object, kind == Dictionary, references});
}

void leaveObject(Walk& walk)
{
    const WalkFrame frame = walk.path.back();
    walk.path.pop_back();
    walk.states[frame.object] = ObjectState::Visited;
    walk.expandedValues[frame.object] = quint32(frame.expandedValues);
    walk.heights[frame.object] = quint16(frame.height);
    addChild(walk, frame.expandedValues, frame.height);
}

void checkStructure(const Layout& layout)
{
    Walk walk{layout,
              std::vector<ObjectState>(layout.objectCount, ObjectState::Unvisited),
              std::vector<quint32>(layout.objectCount, 0),
              std::vector<quint16>(layout.objectCount, 0),
              {}};
    enterObject(walk, layout.topObject);
    while (!walk.path.empty()) {
        WalkFrame& frame = walk.path.back();
        if (frame.next == frame.references.count) {
            leaveObject(walk);
            continue;
        }
        enterObject(walk, referenceAt(layout, frame.references, frame.next++));
    }
}

// ---- building the values of a checked file ----

QString readString(const Layout& layout, int kind, const Extent& extent)
{
    const auto* characters = reinterpret_cast<const char*>(layout.bytes + extent.start);
    const auto count = qsizetype(extent.count);
    if (kind == AsciiString)
        return QString::fromLatin1(characters, count);
    if (kind == Utf8String)
        return QString::fromUtf8(characters, count);
    QString text(count, Qt::Uninitialized);
    qFromBigEndian<char16_t>(characters, count, text.data());
    return text;
}

double readReal(const uchar* bytes, int size)
{
    if (size == 2)
        return double(std::bit_cast<float>(quint32(readBigEndian(bytes, 4))));
    return std::bit_cast<double>(readBigEndian(bytes, 8));
}

QVariant build(const Layout& layout, quint64 object)
{
    const quint64 offset = objectOffset(layout, object);
    const uchar* bytes = layout.bytes + offset;
    const int kind = bytes[0] >> 4;
    const int size = bytes[0] & 0x0F;
    switch (kind) {
    case Simple:
        return bytes[0] == 0x09;
    case Integer:
        // One, two and four bytes are unsigned; eight and sixteen are signed.
        return QVariant::fromValue(
            qint64(readBigEndian(bytes + 1 + (size == 4 ? 8 : 0), size == 4 ? 8 : 1 << size)));
    case Real:
        return readReal(bytes + 1, size);
    case Date:
        return QVariant::fromValue(PropertyListDate(readReal(bytes + 1, 3)));
    case Data: {
        const Extent extent = readExtent(layout, offset);
        return QByteArray(reinterpret_cast<const char*>(layout.bytes + extent.start),
                          qsizetype(extent.count));
    }
    case Array:
    case Set: {
        const Extent references = readExtent(layout, offset);
        QVariantList array;
        array.reserve(qsizetype(references.count));
        for (quint64 index = 0; index < references.count; ++index)
            array.append(build(layout, referenceAt(layout, references, index)));
        return array;
    }
    case Dictionary: {
        const Extent references = readExtent(layout, offset);
        QVariantMap dictionary;
        // As on macOS, the later of two equal keys wins.
        for (quint64 index = 0; index < references.count; ++index)
            dictionary.insert(build(layout, referenceAt(layout, references, index)).toString(),
                              build(layout, referenceAt(layout, references, references.count + index)));
        return dictionary;
    }
    default:
        return readString(layout, kind, readExtent(layout, offset));
    }
}

} // namespace

std::optional<QVariant> BinaryPropertyListReader::read(const QByteArray& data, QString* errorDescription)
{
    try {
        const Layout layout = readLayout(data);
        checkStructure(layout);
        return build(layout, layout.topObject);
    } catch (const PropertyListParseFailure& failure) {
        if (errorDescription)
            *errorDescription = failure.message;
        return std::nullopt;
    }
}
