// SPDX-License-Identifier: MIT
#include "PropertyList.h"

#include "AtomicFileWriter.h"

#include <QDateTime>
#include <QFile>
#include <QRegularExpression>
#include <QXmlStreamReader>

#include <plist/plist.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

namespace {

// Deeper nesting than any real property list; stops a hostile file from exhausting the stack.
constexpr int maximumNestingDepth = 512;

const QByteArray binaryMagic("bplist00");
const QDateTime referenceDate(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);

// libplist carries dates as whole seconds in a signed 32-bit integer plus microseconds.
constexpr double earliestDateSeconds = std::numeric_limits<qint32>::min();
constexpr double latestDateSeconds = std::numeric_limits<qint32>::max();

struct PlistDeleter {
    void operator()(plist_t node) const { plist_free(node); }
};
using PlistNode = std::unique_ptr<void, PlistDeleter>;

void setError(QString* errorDescription, const QString& message)
{
    if (errorDescription)
        *errorDescription = message;
}

// Thrown by the readers and caught in fromData, which turns it into a clean failure.
class ParseFailure {
public:
    explicit ParseFailure(QString message) : message(std::move(message)) {}
    QString message;
};

// ---- XML reading ----

QString describe(const QXmlStreamReader& reader, const QString& problem)
{
    return QStringLiteral("%1 (line %2, column %3)")
        .arg(problem)
        .arg(reader.lineNumber())
        .arg(reader.columnNumber());
}

[[noreturn]] void fail(const QXmlStreamReader& reader, const QString& problem)
{
    if (reader.hasError())
        throw ParseFailure(describe(reader, reader.errorString()));
    throw ParseFailure(describe(reader, problem));
}

// Moves to the next start or end element; only whitespace, comments and processing
// instructions may lie in between.
QXmlStreamReader::TokenType nextElementToken(QXmlStreamReader& reader)
{
    while (!reader.atEnd()) {
        const auto token = reader.readNext();
        switch (token) {
        case QXmlStreamReader::StartElement:
        case QXmlStreamReader::EndElement:
            return token;
        case QXmlStreamReader::Comment:
        case QXmlStreamReader::ProcessingInstruction:
            continue;
        case QXmlStreamReader::Characters:
            if (reader.isWhitespace())
                continue;
            fail(reader, QStringLiteral("text outside a value"));
        default:
            fail(reader, QStringLiteral("unexpected XML content"));
        }
    }
    fail(reader, QStringLiteral("unexpected end of document"));
}

QString readText(QXmlStreamReader& reader)
{
    const QString text = reader.readElementText(QXmlStreamReader::ErrorOnUnexpectedElement);
    if (reader.hasError())
        fail(reader, {});
    return text;
}

QVariant readInteger(QXmlStreamReader& reader)
{
    static const QRegularExpression decimal(QStringLiteral("^[+-]?[0-9]+$"));
    static const QRegularExpression hexadecimal(QStringLiteral("^([+-]?)0[xX]([0-9a-fA-F]+)$"));
    const QString text = readText(reader).trimmed();
    bool ok = false;
    qint64 value = 0;
    if (decimal.match(text).hasMatch()) {
        value = text.toLongLong(&ok, 10);
    } else if (const auto match = hexadecimal.match(text); match.hasMatch()) {
        value = (match.captured(1) + match.captured(2)).toLongLong(&ok, 16);
    }
    if (!ok)
        fail(reader, QStringLiteral("integer \"%1\" is not a signed 64-bit number").arg(text));
    return QVariant::fromValue<qint64>(value);
}

QVariant readReal(QXmlStreamReader& reader)
{
    const QString text = readText(reader).trimmed();
    const QString lower = text.toLower();
    if (lower == QLatin1String("nan"))
        return std::numeric_limits<double>::quiet_NaN();
    if (lower == QLatin1String("inf") || lower == QLatin1String("+inf") ||
        lower == QLatin1String("infinity") || lower == QLatin1String("+infinity"))
        return std::numeric_limits<double>::infinity();
    if (lower == QLatin1String("-inf") || lower == QLatin1String("-infinity"))
        return -std::numeric_limits<double>::infinity();
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok)
        fail(reader, QStringLiteral("real \"%1\" is not a number").arg(text));
    return value;
}

QVariant readBoolean(QXmlStreamReader& reader, bool value)
{
    if (!readText(reader).trimmed().isEmpty())
        fail(reader, QStringLiteral("a boolean carries no content"));
    return value;
}

QVariant readDate(QXmlStreamReader& reader)
{
    static const QRegularExpression form(
        QStringLiteral("^[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}(\\.[0-9]{1,3})?Z$"));
    const QString text = readText(reader).trimmed();
    QDateTime date;
    if (form.match(text).hasMatch())
        date = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!date.isValid())
        fail(reader, QStringLiteral("date \"%1\" is not an ISO 8601 UTC date").arg(text));
    return date.toUTC();
}

QVariant readData(QXmlStreamReader& reader)
{
    QByteArray encoded = readText(reader).toLatin1();
    encoded.removeIf([](char character) { return QChar::isSpace(static_cast<unsigned char>(character)); });
    auto decoded = QByteArray::fromBase64Encoding(encoded, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        fail(reader, QStringLiteral("data is not valid base64"));
    return *decoded;
}

QVariant readXmlValue(QXmlStreamReader& reader, int depth);

QVariant readArray(QXmlStreamReader& reader, int depth)
{
    QVariantList array;
    while (nextElementToken(reader) == QXmlStreamReader::StartElement)
        array.append(readXmlValue(reader, depth + 1));
    return array;
}

QVariant readDictionary(QXmlStreamReader& reader, int depth)
{
    QVariantMap dictionary;
    while (nextElementToken(reader) == QXmlStreamReader::StartElement) {
        if (reader.name() != QLatin1String("key"))
            fail(reader, QStringLiteral("expected a key in a dictionary, found <%1>").arg(reader.name()));
        const QString key = readText(reader);
        if (nextElementToken(reader) != QXmlStreamReader::StartElement ||
            reader.name() == QLatin1String("key"))
            fail(reader, QStringLiteral("key \"%1\" has no value").arg(key));
        // Real files repeat keys now and then; as on macOS, the later value wins.
        dictionary.insert(key, readXmlValue(reader, depth + 1));
    }
    return dictionary;
}

// Reads the value whose start element the reader stands on, up to and including its end element.
QVariant readXmlValue(QXmlStreamReader& reader, int depth)
{
    if (depth > maximumNestingDepth)
        fail(reader, QStringLiteral("nesting too deep"));
    const auto name = reader.name();
    if (name == QLatin1String("dict"))
        return readDictionary(reader, depth);
    if (name == QLatin1String("array"))
        return readArray(reader, depth);
    if (name == QLatin1String("string"))
        return readText(reader);
    if (name == QLatin1String("integer"))
        return readInteger(reader);
    if (name == QLatin1String("real"))
        return readReal(reader);
    if (name == QLatin1String("true"))
        return readBoolean(reader, true);
    if (name == QLatin1String("false"))
        return readBoolean(reader, false);
    if (name == QLatin1String("date"))
        return readDate(reader);
    if (name == QLatin1String("data"))
        return readData(reader);
    fail(reader, QStringLiteral("unknown element <%1>").arg(name));
}

// The prolog may hold the XML declaration, a DOCTYPE, comments and processing instructions.
void readUpToRootElement(QXmlStreamReader& reader)
{
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement:
            if (reader.name() != QLatin1String("plist"))
                fail(reader, QStringLiteral("the root element is <%1>, not <plist>").arg(reader.name()));
            return;
        case QXmlStreamReader::StartDocument:
        case QXmlStreamReader::DTD:
        case QXmlStreamReader::Comment:
        case QXmlStreamReader::ProcessingInstruction:
            continue;
        case QXmlStreamReader::Characters:
            if (reader.isWhitespace())
                continue;
            fail(reader, QStringLiteral("text before the root element"));
        default:
            fail(reader, QStringLiteral("unexpected XML content"));
        }
    }
    fail(reader, QStringLiteral("no <plist> element"));
}

void readToEndOfDocument(QXmlStreamReader& reader)
{
    while (!reader.atEnd())
        reader.readNext();
    if (reader.hasError())
        fail(reader, {});
}

QVariant readXmlDocument(const QByteArray& data)
{
    QXmlStreamReader reader(data);
    readUpToRootElement(reader);
    if (nextElementToken(reader) != QXmlStreamReader::StartElement)
        fail(reader, QStringLiteral("<plist> holds no value"));
    QVariant value = readXmlValue(reader, 1);
    if (nextElementToken(reader) != QXmlStreamReader::EndElement)
        fail(reader, QStringLiteral("<plist> holds more than one value"));
    readToEndOfDocument(reader);
    return value;
}

// ---- binary reading ----

// Deeply shared objects make libplist build every copy; no real file comes close to this.
constexpr quint32 maximumExpandedValues = 1 << 22;

struct BinaryLayout {
    const uchar* bytes = nullptr;
    quint64 bodySize = 0;
    int offsetSize = 0;
    int referenceSize = 0;
    quint64 objectCount = 0;
    quint64 topObject = 0;
    quint64 tableOffset = 0;
};

// The references of an array, set or dictionary (keys first, then values).
struct ContainerReferences {
    quint64 first = 0;
    quint64 count = 0;
};

struct BinaryWalkFrame {
    quint64 object = 0;
    ContainerReferences references;
    quint64 next = 0;
    quint64 expandedValues = 1;
};

enum class ObjectState : quint8 { Unvisited, Visiting, Visited };

struct BinaryWalk {
    const BinaryLayout& layout;
    std::vector<ObjectState> states;
    std::vector<quint32> expandedValues;
    std::vector<BinaryWalkFrame> path;
};

quint64 readBigEndian(const uchar* bytes, int size)
{
    quint64 value = 0;
    for (int index = 0; index < size; ++index)
        value = (value << 8) | bytes[index];
    return value;
}

void requireBytes(const BinaryLayout& layout, quint64 position, quint64 length)
{
    if (position > layout.bodySize || length > layout.bodySize - position)
        throw ParseFailure(QStringLiteral("object extends past the end of the file"));
}

BinaryLayout readLayout(const QByteArray& data)
{
    constexpr qsizetype trailerSize = 32;
    BinaryLayout layout;
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
        throw ParseFailure(QStringLiteral("malformed binary property list trailer"));
    return layout;
}

quint64 objectOffset(const BinaryLayout& layout, quint64 object)
{
    const uchar* entry = layout.bytes + layout.tableOffset + object * quint64(layout.offsetSize);
    const quint64 offset = readBigEndian(entry, layout.offsetSize);
    if (offset >= layout.bodySize)
        throw ParseFailure(QStringLiteral("object offset outside the file"));
    return offset;
}

// The count in an object's marker, or in the integer that follows when the marker holds 0xF.
// Answers the count and the position of the object's contents.
std::pair<quint64, quint64> readObjectCount(const BinaryLayout& layout, quint64 offset)
{
    const quint64 count = layout.bytes[offset] & 0x0F;
    if (count != 0x0F)
        return {count, offset + 1};
    requireBytes(layout, offset + 1, 1);
    const uchar countMarker = layout.bytes[offset + 1];
    if ((countMarker & 0xF0) != 0x10 || (countMarker & 0x0F) > 3)
        throw ParseFailure(QStringLiteral("malformed object size"));
    const int countSize = 1 << (countMarker & 0x0F);
    requireBytes(layout, offset + 2, quint64(countSize));
    return {readBigEndian(layout.bytes + offset + 2, countSize), offset + 2 + quint64(countSize)};
}

std::optional<ContainerReferences> containerReferences(const BinaryLayout& layout, quint64 offset)
{
    const int kind = layout.bytes[offset] >> 4;
    if (kind != 0xA && kind != 0xC && kind != 0xD)
        return std::nullopt;
    const auto [count, position] = readObjectCount(layout, offset);
    const quint64 referencesPerEntry = kind == 0xD ? 2 : 1;
    if (count > (layout.bodySize - position) / quint64(layout.referenceSize) / referencesPerEntry)
        throw ParseFailure(QStringLiteral("container extends past the end of the file"));
    return ContainerReferences{position, count * referencesPerEntry};
}

// libplist aborts on a string or key with a NUL character inside, so such files are refused here.
void checkString(const BinaryLayout& layout, quint64 offset)
{
    const int kind = layout.bytes[offset] >> 4;
    const auto [count, position] = readObjectCount(layout, offset);
    const quint64 unitSize = kind == 0x6 ? 2 : 1;
    if (count > (layout.bodySize - position) / unitSize)
        throw ParseFailure(QStringLiteral("string extends past the end of the file"));
    for (quint64 unit = 0; unit < count; ++unit) {
        if (readBigEndian(layout.bytes + position + unit * unitSize, int(unitSize)) == 0)
            throw ParseFailure(QStringLiteral("string with a NUL character"));
    }
}

quint64 referenceAt(const BinaryLayout& layout, const ContainerReferences& references, quint64 index)
{
    const uchar* entry = layout.bytes + references.first + index * quint64(layout.referenceSize);
    const quint64 reference = readBigEndian(entry, layout.referenceSize);
    if (reference >= layout.objectCount)
        throw ParseFailure(QStringLiteral("reference to a missing object"));
    return reference;
}

// libplist hands integers over as unsigned 64-bit values and dates as 32-bit seconds, so a
// 16-byte integer beyond qint64 or a date beyond that range would come back silently wrong.
void checkScalar(const BinaryLayout& layout, quint64 offset)
{
    const uchar marker = layout.bytes[offset];
    const int kind = marker >> 4;
    if (kind == 0x5 || kind == 0x6 || kind == 0x7) {
        checkString(layout, offset);
    } else if (marker == 0x14) {
        requireBytes(layout, offset + 1, 16);
        const quint64 high = readBigEndian(layout.bytes + offset + 1, 8);
        const quint64 low = readBigEndian(layout.bytes + offset + 9, 8);
        if (high != ((low >> 63) ? ~quint64(0) : 0))
            throw ParseFailure(QStringLiteral("integer beyond the signed 64-bit range"));
    } else if (marker == 0x33) {
        requireBytes(layout, offset + 1, 8);
        const quint64 bits = readBigEndian(layout.bytes + offset + 1, 8);
        double seconds = 0;
        std::memcpy(&seconds, &bits, sizeof seconds);
        // Within the second before the reference date libplist loses the sign of the fraction.
        const bool signIsLost = seconds > -1 && seconds < 0;
        if (!(seconds >= earliestDateSeconds && seconds < latestDateSeconds + 1) || signIsLost)
            throw ParseFailure(QStringLiteral("date outside the supported range"));
    }
}

void addExpandedValues(BinaryWalk& walk, quint64 count)
{
    if (walk.path.empty())
        return;
    quint64& total = walk.path.back().expandedValues;
    total += count;
    if (total > maximumExpandedValues)
        throw ParseFailure(QStringLiteral("too many values"));
}

void enterObject(BinaryWalk& walk, quint64 object)
{
    if (walk.states[object] == ObjectState::Visiting)
        throw ParseFailure(QStringLiteral("an object contains itself"));
    if (walk.states[object] == ObjectState::Visited)
        return addExpandedValues(walk, walk.expandedValues[object]);
    const quint64 offset = objectOffset(walk.layout, object);
    const auto references = containerReferences(walk.layout, offset);
    if (!references) {
        checkScalar(walk.layout, offset);
        walk.states[object] = ObjectState::Visited;
        walk.expandedValues[object] = 1;
        return addExpandedValues(walk, 1);
    }
    if (walk.path.size() >= maximumNestingDepth)
        throw ParseFailure(QStringLiteral("nesting too deep"));
    walk.states[object] = ObjectState::Visiting;
    walk.path.push_back(BinaryWalkFrame{object, *references});
}

void leaveObject(BinaryWalk& walk)
{
    const BinaryWalkFrame frame = walk.path.back();
    walk.path.pop_back();
    walk.states[frame.object] = ObjectState::Visited;
    walk.expandedValues[frame.object] = quint32(frame.expandedValues);
    addExpandedValues(walk, frame.expandedValues);
}

// libplist recurses without a depth limit and copies shared objects, so a deep or
// self-multiplying file would crash or exhaust it: walk the object graph first, without recursion.
void checkBinaryStructure(const QByteArray& data)
{
    const BinaryLayout layout = readLayout(data);
    BinaryWalk walk{layout,
                    std::vector<ObjectState>(layout.objectCount, ObjectState::Unvisited),
                    std::vector<quint32>(layout.objectCount, 0),
                    {}};
    enterObject(walk, layout.topObject);
    while (!walk.path.empty()) {
        BinaryWalkFrame& frame = walk.path.back();
        if (frame.next == frame.references.count) {
            leaveObject(walk);
            continue;
        }
        enterObject(walk, referenceAt(layout, frame.references, frame.next++));
    }
}

QVariant toVariant(plist_t node);

QVariant arrayToVariant(plist_t node)
{
    QVariantList array;
    const uint32_t count = plist_array_get_size(node);
    array.reserve(count);
    for (uint32_t index = 0; index < count; ++index)
        array.append(toVariant(plist_array_get_item(node, index)));
    return array;
}

QString takeString(char* text)
{
    const QString result = QString::fromUtf8(text);
    free(text);
    return result;
}

QVariant dictionaryToVariant(plist_t node)
{
    QVariantMap dictionary;
    plist_dict_iter iterator = nullptr;
    plist_dict_new_iter(node, &iterator);
    const std::unique_ptr<void, decltype(&free)> iteratorOwner(iterator, &free);
    for (;;) {
        char* key = nullptr;
        plist_t value = nullptr;
        plist_dict_next_item(node, iterator, &key, &value);
        if (!key)
            return dictionary;
        dictionary.insert(takeString(key), toVariant(value));
    }
}

QVariant dateToVariant(plist_t node)
{
    int32_t seconds = 0;
    int32_t microseconds = 0;
    plist_get_date_val(node, &seconds, &microseconds);
    // libplist truncates towards zero and hands back the fraction's magnitude.
    const qint64 total = qint64(seconds) * 1000000 + (seconds < 0 ? -microseconds : microseconds);
    return referenceDate.addMSecs(qint64(std::llround(double(total) / 1000)));
}

QVariant toVariant(plist_t node)
{
    switch (plist_get_node_type(node)) {
    case PLIST_ARRAY:
        return arrayToVariant(node);
    case PLIST_DICT:
        return dictionaryToVariant(node);
    case PLIST_BOOLEAN: {
        uint8_t value = 0;
        plist_get_bool_val(node, &value);
        return value != 0;
    }
    case PLIST_UINT: {
        uint64_t value = 0;
        plist_get_uint_val(node, &value);
        return QVariant::fromValue<qint64>(static_cast<qint64>(value));
    }
    case PLIST_REAL: {
        double value = 0;
        plist_get_real_val(node, &value);
        return value;
    }
    case PLIST_STRING: {
        uint64_t length = 0;
        const char* text = plist_get_string_ptr(node, &length);
        return QString::fromUtf8(text, qsizetype(length));
    }
    case PLIST_DATA: {
        uint64_t length = 0;
        const char* bytes = plist_get_data_ptr(node, &length);
        return QByteArray(bytes, qsizetype(length));
    }
    case PLIST_DATE:
        return dateToVariant(node);
    default:
        throw ParseFailure(QStringLiteral("unsupported value type"));
    }
}

QVariant readBinaryDocument(const QByteArray& data)
{
    if (!data.startsWith(binaryMagic) || data.size() < binaryMagic.size() + 32)
        throw ParseFailure(QStringLiteral("not a supported binary property list"));
    checkBinaryStructure(data);
    plist_t root = nullptr;
    plist_from_bin(data.constData(), uint32_t(data.size()), &root);
    const PlistNode owner(root);
    if (!root)
        throw ParseFailure(QStringLiteral("malformed binary property list"));
    return toVariant(root);
}

// ---- writing ----

// libplist takes C strings, XML 1.0 cannot carry most control characters, and a bare carriage
// return would come back as a line feed: such strings are refused rather than written changed.
bool isWritable(const QString& text, PropertyListFormat format)
{
    if (text.contains(QChar(0)) || !text.isValidUtf16())
        return false;
    if (format == PropertyListFormat::Binary)
        return true;
    return std::none_of(text.cbegin(), text.cend(), [](QChar character) {
        const char16_t code = character.unicode();
        return (code < 0x20 && code != '\t' && code != '\n') || code == 0xFFFE || code == 0xFFFF;
    });
}

plist_t toNode(const QVariant& value, PropertyListFormat format, int depth);

plist_t arrayToNode(const QVariantList& array, PropertyListFormat format, int depth)
{
    PlistNode node(plist_new_array());
    for (const QVariant& element : array) {
        plist_t child = toNode(element, format, depth + 1);
        if (!child)
            return nullptr;
        plist_array_append_item(node.get(), child);
    }
    return node.release();
}

template <typename Map> plist_t dictionaryToNode(const Map& dictionary, PropertyListFormat format, int depth)
{
    PlistNode node(plist_new_dict());
    for (auto entry = dictionary.cbegin(); entry != dictionary.cend(); ++entry) {
        if (!isWritable(entry.key(), format))
            return nullptr;
        plist_t child = toNode(entry.value(), format, depth + 1);
        if (!child)
            return nullptr;
        plist_dict_set_item(node.get(), entry.key().toUtf8().constData(), child);
    }
    return node.release();
}

// XML carries whole seconds; passing the floor keeps libplist from rounding earlier dates up.
plist_t dateToNode(const QDateTime& date, PropertyListFormat format)
{
    if (!date.isValid())
        return nullptr;
    const qint64 milliseconds = referenceDate.msecsTo(date);
    const qint64 seconds = milliseconds >= 0 ? milliseconds / 1000 : -((-milliseconds + 999) / 1000);
    if (seconds < earliestDateSeconds || seconds > latestDateSeconds)
        return nullptr;
    const qint64 microseconds =
        format == PropertyListFormat::XML ? 0 : (milliseconds - seconds * 1000) * 1000;
    // A fraction within the second before the reference date would not read back.
    if (seconds == -1 && microseconds != 0)
        return nullptr;
    return plist_new_date(int32_t(seconds), int32_t(microseconds));
}

plist_t integerToNode(const QVariant& value)
{
    if (value.typeId() == QMetaType::ULongLong &&
        value.toULongLong() > quint64(std::numeric_limits<qint64>::max()))
        return nullptr;
    return plist_new_uint(static_cast<uint64_t>(value.toLongLong()));
}

plist_t stringToNode(const QString& text, PropertyListFormat format)
{
    if (!isWritable(text, format))
        return nullptr;
    return plist_new_string(text.toUtf8().constData());
}

plist_t toNode(const QVariant& value, PropertyListFormat format, int depth)
{
    if (depth > maximumNestingDepth)
        return nullptr;
    switch (value.typeId()) {
    case QMetaType::QString:
        return stringToNode(value.toString(), format);
    case QMetaType::Bool:
        return plist_new_bool(value.toBool());
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return integerToNode(value);
    case QMetaType::Double:
    case QMetaType::Float:
        return plist_new_real(value.toDouble());
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        return plist_new_data(bytes.constData(), uint64_t(bytes.size()));
    }
    case QMetaType::QDateTime:
        return dateToNode(value.toDateTime(), format);
    case QMetaType::QVariantList:
    case QMetaType::QStringList:
        return arrayToNode(value.toList(), format, depth);
    case QMetaType::QVariantMap:
        return dictionaryToNode(value.toMap(), format, depth);
    case QMetaType::QVariantHash:
        return dictionaryToNode(value.toHash(), format, depth);
    default:
        return nullptr;
    }
}

QByteArray serialize(plist_t root, PropertyListFormat format)
{
    char* bytes = nullptr;
    uint32_t length = 0;
    if (format == PropertyListFormat::XML) {
        plist_to_xml(root, &bytes, &length);
        QByteArray result(bytes, bytes ? qsizetype(length) : 0);
        plist_to_xml_free(bytes);
        return result;
    }
    plist_to_bin(root, &bytes, &length);
    QByteArray result(bytes, bytes ? qsizetype(length) : 0);
    plist_to_bin_free(bytes);
    return result;
}

} // namespace

std::optional<QVariant> PropertyList::fromData(const QByteArray& data, PropertyListFormat* format,
                                               QString* errorDescription)
{
    if (data.size() > maximumInputSize) {
        setError(errorDescription,
                 QStringLiteral("property list larger than %1 bytes").arg(maximumInputSize));
        return std::nullopt;
    }
    const bool isBinary = data.startsWith("bplist");
    try {
        QVariant value = isBinary ? readBinaryDocument(data) : readXmlDocument(data);
        if (format)
            *format = isBinary ? PropertyListFormat::Binary : PropertyListFormat::XML;
        return value;
    } catch (const ParseFailure& failure) {
        setError(errorDescription, failure.message);
        return std::nullopt;
    }
}

std::optional<QVariant> PropertyList::readFile(const QString& path, PropertyListFormat* format,
                                               QString* errorDescription)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        setError(errorDescription, QStringLiteral("cannot open %1: %2").arg(path, file.errorString()));
        return std::nullopt;
    }
    // Reading one byte past the cap tells an oversized file apart even when its size is unknown.
    const QByteArray data = file.read(maximumInputSize + 1);
    if (file.error() != QFileDevice::NoError) {
        setError(errorDescription, QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
        return std::nullopt;
    }
    return fromData(data, format, errorDescription);
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
    const PlistNode root(toNode(value, format, 1));
    if (!root)
        return {};
    return serialize(root.get(), format);
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
