// SPDX-License-Identifier: MIT
#include "PropertyList.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QtEndian>

#include <limits>

Q_DECLARE_METATYPE(PropertyListFormat)

using namespace Qt::StringLiterals;

namespace {

const QString dataFolder = QStringLiteral(GRABBIT_TEST_DATA_DIR);

QByteArray bigEndian32(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToBigEndian(value, bytes.data());
    return bytes;
}

QByteArray bigEndian64(quint64 value)
{
    QByteArray bytes(8, '\0');
    qToBigEndian(value, bytes.data());
    return bytes;
}

// A binary property list of the given encoded objects, references and offsets four bytes wide.
QByteArray binaryPropertyList(const QList<QByteArray>& objects, quint64 topObject = 0)
{
    QByteArray file("bplist00");
    QByteArray offsetTable;
    for (const QByteArray& object : objects) {
        offsetTable += bigEndian32(quint32(file.size()));
        file += object;
    }
    const quint64 tableOffset = quint64(file.size());
    file += offsetTable + QByteArray(6, '\0') + QByteArray("\x04\x04", 2);
    return file + bigEndian64(quint64(objects.size())) + bigEndian64(topObject) + bigEndian64(tableOffset);
}

// Object i is an array holding object i + 1 as often as the fan-out says; the last is empty.
QByteArray nestedArrays(int depth, int fanOut)
{
    QList<QByteArray> objects;
    for (int index = 0; index + 1 < depth; ++index)
        objects.append(char(0xA0 + fanOut) + bigEndian32(quint32(index + 1)).repeated(fanOut));
    objects.append(QByteArray(1, char(0xA0)));
    return binaryPropertyList(objects);
}

QByteArray xmlPropertyList(const QByteArray& body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">" + body + "</plist>\n";
}

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QVariantMap everyKindOfValue(PropertyListFormat format)
{
    // XML carries dates in whole seconds, as Apple writes them.
    const int milliseconds = format == PropertyListFormat::Binary ? 250 : 0;
    return {
        {u"string"_s, u"Grüße <&> \"quoted\" 'single' 😀\ttab\nline"_s},
        {u"empty string"_s, QString()},
        {u"integers"_s, QVariantList{qint64(0), qint64(-1), qint64(3), std::numeric_limits<qint64>::max(),
                                     std::numeric_limits<qint64>::min()}},
        {u"reals"_s, QVariantList{0.1, -2.5e-300, 1e300, 1.0 / 3}},
        {u"booleans"_s, QVariantList{true, false}},
        {u"data"_s, QVariantList{QByteArray(), QByteArray("\x00\xff binary", 9)}},
        {u"dates"_s, QVariantList{QDateTime(QDate(2017, 9, 25), QTime(10, 0, 1, milliseconds), Qt::UTC),
                                  QDateTime(QDate(1950, 1, 2), QTime(3, 4, 5, milliseconds), Qt::UTC)}},
        {u"nested"_s, QVariantMap{{u"empty array"_s, QVariantList()}, {u"empty dict"_s, QVariantMap()}}},
    };
}

} // namespace

class PropertyListTest : public QObject {
    Q_OBJECT

private slots:
    void parserCrashInputsAreRejected_data();
    void parserCrashInputsAreRejected();
    void realInfoPlistsRoundTrip_data();
    void realInfoPlistsRoundTrip();
    void mailInfoPlistValues();
    void binaryInfoPlistWithCommentedList();
    void everyValueRoundTrips_data();
    void everyValueRoundTrips();
    void xmlLooksLikeApples();
    void xmlInputs_data();
    void xmlInputs();
    void binaryInputs_data();
    void binaryInputs();
    void filesThatAreNoDictionary();
    void fileJustOverTheSizeCapIsRefused();
    void unrepresentableValuesAreNotWritten_data();
    void unrepresentableValuesAreNotWritten();
    void failedWriteLeavesFilesAsTheyWere();
    void overwriteKeepsPermissionsAndLeavesNoTemporaryFile();
};

void PropertyListTest::parserCrashInputsAreRejected_data()
{
    QTest::addColumn<QString>("path");
    const QDir crashes(dataFolder + u"/plist-parser-crashes"_s);
    int count = 0;
    for (const QString& folder : crashes.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QDir inputs(crashes.filePath(folder));
        for (const QString& name : inputs.entryList(QDir::Files)) {
            QTest::newRow(qPrintable(folder + QLatin1Char('/') + name)) << inputs.filePath(name);
            ++count;
        }
    }
    QVERIFY(count >= 40);
}

void PropertyListTest::parserCrashInputsAreRejected()
{
    QFETCH(QString, path);
    QString error;
    QVERIFY(!PropertyList::readFile(path, nullptr, &error));
    QVERIFY(!error.isEmpty());
}

void PropertyListTest::realInfoPlistsRoundTrip_data()
{
    QTest::addColumn<QString>("path");
    const QDir mailInfoPlists(dataFolder + u"/mail-info-plists"_s);
    for (const QString& name : mailInfoPlists.entryList({u"*.plist"_s}, QDir::Files))
        QTest::newRow(qPrintable(name)) << mailInfoPlists.filePath(name);
    QTest::newRow("testInfo.plist") << dataFolder + u"/plists/testInfo.plist"_s;
    // A real plug-in's Info.plist that repeats a key.
    QTest::newRow("GPGMail_7_Info.plist") << dataFolder + u"/plists/GPGMail_7_Info.plist"_s;
}

void PropertyListTest::realInfoPlistsRoundTrip()
{
    QFETCH(QString, path);
    const auto original = PropertyList::dictionaryWithContentsOfFile(path);
    QVERIFY(original);
    QVERIFY(original->contains(u"CFBundleIdentifier"_s) ||
            original->contains(u"SupportedPluginCompatibilityUUIDs"_s));
    for (const auto format : {PropertyListFormat::XML, PropertyListFormat::Binary}) {
        PropertyListFormat readFormat = PropertyListFormat::XML;
        const auto copy = PropertyList::fromData(PropertyList::toData(*original, format), &readFormat);
        QVERIFY(copy);
        QCOMPARE(readFormat, format);
        QCOMPARE(copy->toMap(), *original);
    }
}

void PropertyListTest::mailInfoPlistValues()
{
    const struct {
        const char* file;
        const char* identifier;
        const char* compatibilityUUID;
    } expectations[] = {
        {"10.6.0-Mail-Info.plist", "com.apple.mail", "225E0A48-2CDB-44A6-8D99-A9BB8AF6BA04"},
        {"10.6.0-Message-Info.plist", "com.apple.MessageFramework", "B3F3FC72-315D-4323-BE85-7AB76090224D"},
        {"13.3-mail-22E5230e-info.plist", "com.apple.mail", "281F8A5C-0AF9-4BE6-8B8A-C0CB9C2068BE"},
    };
    for (const auto& expected : expectations) {
        const QString path = dataFolder + u"/mail-info-plists/"_s + QLatin1String(expected.file);
        const auto info = PropertyList::dictionaryWithContentsOfFile(path);
        QVERIFY2(info, expected.file);
        QCOMPARE(info->value(u"CFBundleIdentifier"_s).toString(), QLatin1String(expected.identifier));
        QCOMPARE(info->value(u"PluginCompatibilityUUID"_s),
                 QVariant(QString::fromLatin1(expected.compatibilityUUID)));
    }
}

void PropertyListTest::binaryInfoPlistWithCommentedList()
{
    PropertyListFormat format = PropertyListFormat::XML;
    const auto info = PropertyList::readFile(dataFolder + u"/plists/testInfo.plist"_s, &format);
    QVERIFY(info);
    QCOMPARE(format, PropertyListFormat::Binary);
    const QVariantMap dictionary = info->toMap();
    QCOMPARE(dictionary.value(u"Something Here"_s), QVariant(u"Whatever"_s));
    const QVariantList list = dictionary.value(u"SupportedPluginCompatibilityUUIDs"_s).toList();
    QCOMPARE(list.size(), 46);
    QCOMPARE(list.first(), QVariant(u"# All Mail UUIDs"_s));
    QCOMPARE(list.at(2), QVariant(u"225E0A48-2CDB-44A6-8D99-A9BB8AF6BA04"_s));
    QCOMPARE(list.last(), QVariant(u"3335F782-01E2-4DF1-9E61-F81314124212"_s));
}

void PropertyListTest::everyValueRoundTrips_data()
{
    QTest::addColumn<PropertyListFormat>("format");
    QTest::newRow("XML") << PropertyListFormat::XML;
    QTest::newRow("binary") << PropertyListFormat::Binary;
}

void PropertyListTest::everyValueRoundTrips()
{
    QFETCH(PropertyListFormat, format);
    const QVariantMap original = everyKindOfValue(format);
    const QTemporaryDir folder;
    const QString path = folder.filePath(u"values.plist"_s);
    QString error;
    QVERIFY2(PropertyList::writeToFile(original, path, format, &error), qPrintable(error));
    PropertyListFormat readFormat = PropertyListFormat::XML;
    const auto copy = PropertyList::readFile(path, &readFormat, &error);
    QVERIFY2(copy, qPrintable(error));
    QCOMPARE(readFormat, format);
    QCOMPARE(copy->toMap(), original);
    QCOMPARE(copy->toMap().value(u"integers"_s).toList().first().typeId(), QMetaType::LongLong);
}

void PropertyListTest::xmlLooksLikeApples()
{
    const QByteArray xml =
        PropertyList::toData(QVariantMap{{u"EnableBundles"_s, true}}, PropertyListFormat::XML);
    QCOMPARE(xml,
             QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                        "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                        "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                        "<plist version=\"1.0\">\n<dict>\n\t<key>EnableBundles</key>\n\t<true/>\n</dict>\n"
                        "</plist>\n"));
}

void PropertyListTest::xmlInputs_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<QVariant>("expected");
    const QVariant rejected;
    const auto integer = [](qint64 value) {
        return QVariant::fromValue(value);
    };

    QTest::newRow("comments and DOCTYPE")
        << QByteArray("<?xml version=\"1.0\"?><!DOCTYPE plist><!-- a -->"
                      "<plist><dict><!-- b --><key>k</key><string>v</string>"
                      "</dict></plist><!-- c -->")
        << QVariant(QVariantMap{{u"k"_s, u"v"_s}});
    QTest::newRow("empty containers") << xmlPropertyList("<array><dict/><array/><string/></array>")
                                      << QVariant(QVariantList{QVariantMap(), QVariantList(), QString()});
    QTest::newRow("largest integer") << xmlPropertyList("<integer>9223372036854775807</integer>")
                                     << integer(std::numeric_limits<qint64>::max());
    QTest::newRow("smallest integer") << xmlPropertyList("<integer>-9223372036854775808</integer>")
                                      << integer(std::numeric_limits<qint64>::min());
    QTest::newRow("hexadecimal integer") << xmlPropertyList("<integer> 0x1F </integer>") << integer(31);
    QTest::newRow("wrapped base64") << xmlPropertyList("<data>\n\tYWJj\n\tZA==\n\t</data>")
                                    << QVariant(QByteArray("abcd"));

    QTest::newRow("integer above range")
        << xmlPropertyList("<integer>18446744073709551615</integer>") << rejected;
    QTest::newRow("integer below range")
        << xmlPropertyList("<integer>-9223372036854775809</integer>") << rejected;

    QTest::newRow("empty integer") << xmlPropertyList("<integer/>") << rejected;
    QTest::newRow("invalid base64") << xmlPropertyList("<data>YW*j</data>") << rejected;
    QTest::newRow("date without zone") << xmlPropertyList("<date>2020-01-01T00:00:00</date>") << rejected;
    QTest::newRow("impossible date") << xmlPropertyList("<date>2020-02-30T00:00:00Z</date>") << rejected;
    QTest::newRow("boolean with content") << xmlPropertyList("<true>no</true>") << rejected;
    QTest::newRow("unknown element") << xmlPropertyList("<set/>") << rejected;
    QTest::newRow("text inside array") << xmlPropertyList("<array>loose</array>") << rejected;
    QTest::newRow("key without value") << xmlPropertyList("<dict><key>a</key></dict>") << rejected;
    QTest::newRow("two keys in a row")
        << xmlPropertyList("<dict><key>a</key><key>b</key><true/></dict>") << rejected;
    QTest::newRow("value without key") << xmlPropertyList("<dict><true/></dict>") << rejected;
    QTest::newRow("repeated key: the later value wins")
        << xmlPropertyList("<dict><key>a</key><true/><key>a</key><false/></dict>")
        << QVariant(QVariantMap{{QStringLiteral("a"), false}});
    QTest::newRow("two values") << xmlPropertyList("<true/><false/>") << rejected;
    QTest::newRow("no value") << xmlPropertyList("") << rejected;
    QTest::newRow("other root element") << QByteArray("<dict/>") << rejected;
    QTest::newRow("too deep") << xmlPropertyList(QByteArray("<array>").repeated(600) +
                                                 QByteArray("</array>").repeated(600))
                              << rejected;
}

void PropertyListTest::xmlInputs()
{
    QFETCH(QByteArray, xml);
    QFETCH(QVariant, expected);
    QString error;
    PropertyListFormat format = PropertyListFormat::Binary;
    const auto value = PropertyList::fromData(xml, &format, &error);
    if (!expected.isValid()) {
        QVERIFY2(!value, qPrintable(value ? value->toString() : QString()));
        QVERIFY(!error.isEmpty());
        return;
    }
    QVERIFY2(value, qPrintable(error));
    QCOMPARE(format, PropertyListFormat::XML);
    QCOMPARE(*value, expected);
}

void PropertyListTest::binaryInputs_data()
{
    QTest::addColumn<QByteArray>("binary");
    QTest::addColumn<QVariant>("expected");
    const QVariant rejected;
    const QByteArray valid = PropertyList::toData(QVariantMap{{u"a"_s, 1}}, PropertyListFormat::Binary);
    const QByteArray sixteenByteInteger("\x14", 1);
    const auto date = [](double seconds) {
        QByteArray bytes(8, '\0');
        qToBigEndian(seconds, bytes.data());
        return binaryPropertyList({QByteArray(1, char(0xA1)) + bigEndian32(1), "\x33" + bytes});
    };

    QTest::newRow("16-byte integer in range")
        << binaryPropertyList({sixteenByteInteger + bigEndian64(0) + bigEndian64(5)})
        << QVariant::fromValue(qint64(5));
    QTest::newRow("16-byte negative integer")
        << binaryPropertyList({sixteenByteInteger + bigEndian64(~quint64(0)) + bigEndian64(~quint64(0))})
        << QVariant::fromValue(qint64(-1));
    QTest::newRow("date before the reference date")
        << date(-1.5)
        << QVariant(QVariantList{QDateTime(QDate(2000, 12, 31), QTime(23, 59, 58, 500), Qt::UTC)});
    QVariant hundredLevels = QVariantList();
    for (int level = 1; level < 100; ++level)
        hundredLevels = QVariantList{hundredLevels};
    QTest::newRow("moderately deep nesting") << nestedArrays(100, 1) << hundredLevels;

    QTest::newRow("16-byte integer above range")
        << binaryPropertyList({sixteenByteInteger + bigEndian64(0) + bigEndian64(quint64(1) << 63)})
        << rejected;
    QTest::newRow("date far in the future") << date(63113904000.0) << rejected;
    QTest::newRow("date just before the reference date") << date(-0.5) << rejected;
    QTest::newRow("string with NUL") << binaryPropertyList(
                                            {QByteArray(1, char(0xA1)) + bigEndian32(1), QByteArray("\x53"
                                                                                                    "a\0b",
                                                                                                    4)})
                                     << rejected;
    QTest::newRow("UTF-16 key with NUL")
        << binaryPropertyList({QByteArray(1, char(0xD1)) + bigEndian32(1) + bigEndian32(2),
                               QByteArray("\x62\0a\0\0", 5), QByteArray("\x09", 1)})
        << rejected;
    QTest::newRow("uid") << binaryPropertyList({QByteArray("\x80\x01", 2)}) << rejected;
    QTest::newRow("array containing itself")
        << binaryPropertyList({QByteArray(1, char(0xA1)) + bigEndian32(0)}) << rejected;
    QTest::newRow("reference past the objects")
        << binaryPropertyList({QByteArray(1, char(0xA1)) + bigEndian32(7)}) << rejected;
    QTest::newRow("too deep") << nestedArrays(100000, 1) << rejected;
    QTest::newRow("self-multiplying") << nestedArrays(40, 2) << rejected;
    QTest::newRow("truncated") << valid.left(valid.size() - 5) << rejected;
    QTest::newRow("header only") << QByteArray("bplist00") << rejected;
    QTest::newRow("other version") << QByteArray("bplist01") + valid.mid(8) << rejected;
}

void PropertyListTest::binaryInputs()
{
    QFETCH(QByteArray, binary);
    QFETCH(QVariant, expected);
    QString error;
    const auto value = PropertyList::fromData(binary, nullptr, &error);
    if (!expected.isValid()) {
        QVERIFY(!value);
        QVERIFY(!error.isEmpty());
        return;
    }
    QVERIFY2(value, qPrintable(error));
    QCOMPARE(*value, expected);
}

void PropertyListTest::filesThatAreNoDictionary()
{
    const QTemporaryDir folder;
    const QString list = folder.filePath(u"list.plist"_s);
    const QString empty = folder.filePath(u"empty.plist"_s);
    QVERIFY(PropertyList::writeToFile(QVariantList{u"a"_s}, list));
    QVERIFY(writeBytes(empty, {}));
    QVERIFY(PropertyList::readFile(list));
    QVERIFY(!PropertyList::dictionaryWithContentsOfFile(list));
    QVERIFY(!PropertyList::dictionaryWithContentsOfFile(empty));
    QVERIFY(!PropertyList::dictionaryWithContentsOfFile(folder.filePath(u"missing.plist"_s)));
    QVERIFY(!PropertyList::dictionaryWithContentsOfFile(folder.path()));
}

void PropertyListTest::fileJustOverTheSizeCapIsRefused()
{
    const QTemporaryDir folder;
    const QString path = folder.filePath(u"large.plist"_s);
    const QByteArray head = xmlPropertyList("<string>");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(head);
    QVERIFY(file.resize(PropertyList::maximumInputSize + 1));
    file.close();
    QString error;
    QVERIFY(!PropertyList::readFile(path, nullptr, &error));
    QVERIFY2(error.contains(QString::number(PropertyList::maximumInputSize)), qPrintable(error));
}

void PropertyListTest::unrepresentableValuesAreNotWritten_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<PropertyListFormat>("format");
    QTest::addColumn<bool>("writable");
    const auto both = [](const char* name, const QVariant& value, bool writable) {
        QTest::addRow("%s, XML", name) << value << PropertyListFormat::XML << writable;
        QTest::addRow("%s, binary", name) << value << PropertyListFormat::Binary << writable;
    };
    both("int", QVariant(-7), true);
    both("uint", QVariant(7u), true);
    both("quint64 within range", QVariant::fromValue(quint64(std::numeric_limits<qint64>::max())), true);
    both("string list", QStringList{u"a"_s}, true);
    both("quint64 beyond range", QVariant::fromValue(std::numeric_limits<quint64>::max()), false);
    both("URL", QUrl(u"https://example.com"_s), false);
    both("no value", QVariant(), false);
    both("nested URL", QVariantList{1, QUrl()}, false);
    both("string with NUL", QString(QChar(0)), false);
    both("invalid date", QDateTime(), false);
    both("date beyond libplist's range", QDateTime(QDate(4001, 1, 1), QTime(0, 0), Qt::UTC), false);
    both("lone surrogate", QString(QChar(0xD800)), false);
    QTest::addRow("control character, XML") << QVariant(u"a\x01"_s) << PropertyListFormat::XML << false;
    QTest::addRow("carriage return, XML") << QVariant(u"a\r\n"_s) << PropertyListFormat::XML << false;
    QTest::addRow("fraction of the second before 2001, binary")
        << QVariant(QDateTime(QDate(2000, 12, 31), QTime(23, 59, 59, 500), Qt::UTC))
        << PropertyListFormat::Binary << false;
    QTest::addRow("control character, binary")
        << QVariant(u"a\x01\r"_s) << PropertyListFormat::Binary << true;
}

void PropertyListTest::unrepresentableValuesAreNotWritten()
{
    QFETCH(QVariant, value);
    QFETCH(PropertyListFormat, format);
    QFETCH(bool, writable);
    const QByteArray data = PropertyList::toData(value, format);
    QCOMPARE(!data.isEmpty(), writable);
    if (writable)
        QVERIFY(PropertyList::fromData(data));
}

void PropertyListTest::failedWriteLeavesFilesAsTheyWere()
{
    const QTemporaryDir folder;
    const QString existing = folder.filePath(u"existing.plist"_s);
    QVERIFY(PropertyList::writeToFile(QVariantMap{{u"kept"_s, true}}, existing));
    const QByteArray before = readBytes(existing);

    QString error;
    QVERIFY(!PropertyList::writeToFile(QVariantMap{{u"url"_s, QUrl()}}, existing, PropertyListFormat::XML,
                                       &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(readBytes(existing), before);

    error.clear();
    const QString belowAFile = existing + u"/inside.plist"_s;
    QVERIFY(!PropertyList::writeToFile(QVariantMap(), belowAFile, PropertyListFormat::XML, &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(readBytes(existing), before);
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"existing.plist"_s});
}

void PropertyListTest::overwriteKeepsPermissionsAndLeavesNoTemporaryFile()
{
    const QTemporaryDir folder;
    const QString path = folder.filePath(u"private.plist"_s);
    QVERIFY(PropertyList::writeToFile(QVariantMap(), path, PropertyListFormat::Binary));
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));
    QVERIFY(PropertyList::writeToFile(QVariantMap{{u"a"_s, 1}}, path, PropertyListFormat::Binary));
    const auto othersPermissions =
        QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther;
    QCOMPARE(QFile::permissions(path) & othersPermissions, QFile::Permissions());
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"private.plist"_s});
    QCOMPARE(PropertyList::dictionaryWithContentsOfFile(path)->value(u"a"_s), QVariant(qint64(1)));
}

QTEST_APPLESS_MAIN(PropertyListTest)
#include "PropertyListTest.moc"
