// SPDX-License-Identifier: MIT
#include "PropertyList.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

const QString dataFolder = QStringLiteral(GRABBIT_TEST_DATA_DIR);
constexpr auto bothFormats = {PropertyListFormat::XML, PropertyListFormat::Binary};

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QVariant date(double seconds)
{
    return QVariant::fromValue(PropertyListDate(seconds));
}

} // namespace

class PropertyListTest : public QObject {
    Q_OBJECT

private slots:
    void files_data();
    void files();
    void datesRoundTripExactly();
    void valuesRoundTripOrAreNotWritten_data();
    void valuesRoundTripOrAreNotWritten();
    void writesReplaceTheFileWhole();
};

// Inputs that once crashed property-list parsers and hand-made ones with one fault each are
// refused. Apple's Info.plists are rewritten in their own format byte for byte, and files of ours
// read the same as their plain XML sibling ("-plain").
void PropertyListTest::files_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("refused");
    for (const char* folder : {"plist-parser-crashes/bplist-crashes", "plist-parser-crashes/xplist-crashes",
                               "plist-refused", "mail-info-plists", "plists"}) {
        const QDir files(dataFolder + u'/' + QLatin1String(folder));
        for (const QString& name : files.entryList({u"c*"_s, u"*.plist"_s}, QDir::Files))
            QTest::newRow(qPrintable(name)) << files.filePath(name) << !files.path().contains(u"plists"_s);
    }
}

void PropertyListTest::files()
{
    QFETCH(QString, path);
    QFETCH(bool, refused);
    QString error;
    PropertyListFormat format = PropertyListFormat::XML;
    const QVariant original = PropertyList::readFile(path, &format, &error).value_or(QVariant());
    QCOMPARE(original.isValid(), !refused);
    QVERIFY2(original.typeId() == QMetaType::QVariantMap || (refused && !error.isEmpty()), qPrintable(error));
    // Reading a few keys skips the other values, yet refuses whatever reading the whole refuses.
    const QStringList keys{u"CFBundleIdentifier"_s, u"PluginCompatibilityUUID"_s};
    const auto selected = PropertyList::dictionaryWithContentsOfFile(path, keys);
    QCOMPARE(selected.has_value(), !refused);
    if (refused)
        return;
    for (const QString& key : keys)
        QCOMPARE(selected->value(key), original.toMap().value(key));
    const QString plain = QString(path).replace(u".plist"_s, u"-plain.plist"_s);
    if (QFile::exists(plain))
        QCOMPARE(PropertyList::readFile(plain).value_or(QVariant()), original);
    if (path.contains(u"/mail-info-plists/"_s))
        QCOMPARE(PropertyList::toData(original, format), readBytes(path));
    for (const auto format : bothFormats) {
        PropertyListFormat readFormat = PropertyListFormat::XML;
        QCOMPARE(
            PropertyList::fromData(PropertyList::toData(original, format), &readFormat).value_or(QVariant()),
            original);
        QCOMPARE(readFormat, format);
    }
}

void PropertyListTest::datesRoundTripExactly()
{
    const double largest = std::numeric_limits<double>::max();
    const std::pair<double, QByteArray> dates[] = {
        {0, "2001-01-01T00:00:00Z"},
        {63113904000, "4001-01-01T00:00:00Z"},   // distantFuture
        {-63114076800, "0000-12-30T00:00:00Z"},  // distantPast
        {527990401.75, "2017-09-25T00:00:01Z"},  // a fraction
        {-0.25, "2000-12-31T23:59:59Z"},         // a negative fraction near 2001
        {-0.0, "2001-01-01T00:00:00Z"},          // negative zero
        {-3182198400, "1900-03-01T00:00:00Z"},   // after 1900's missing leap day
        {252423993600, "10000-01-01T00:00:00Z"}, // more than four digits
        {-63177062400, "-0001-01-01T00:00:00Z"}, // before year 1
        {-1e18, "-31688736506-03-10T22:13:20Z"}, // beyond 64-bit arithmetic of seconds
        {largest, {}},
        {-largest, {}},
        {std::numeric_limits<double>::quiet_NaN(), "none"},
    };
    for (const auto& [seconds, xml] : dates) {
        const QVariantMap original{{u"date"_s, date(seconds)}};
        const QByteArray binary = PropertyList::toData(original, PropertyListFormat::Binary);
        QCOMPARE(PropertyList::fromData(binary).value_or(QVariant()), QVariant(original));
        const QByteArray written = PropertyList::toData(original, PropertyListFormat::XML);
        QCOMPARE(written.isEmpty(), xml == "none");
        if (written.isEmpty())
            continue;
        QVERIFY2(xml.isEmpty() || written.contains("<date>" + xml + "</date>"), written.constData());
        const QVariant read = PropertyList::fromData(written).value_or(QVariant());
        QCOMPARE(read.toMap().value(u"date"_s), date(std::floor(seconds) + 0.0));
        QCOMPARE(PropertyList::toData(read, PropertyListFormat::XML), written);
    }
}

void PropertyListTest::valuesRoundTripOrAreNotWritten_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<bool>("inXml");
    QTest::addColumn<bool>("inBinary");
    QTest::newRow("every kind of value")
        << QVariant(QVariantMap{
               {u"string"_s, u"Grüße <&> ]]> \"quoted\" 😀\ttab\nline\r\ncarriage"_s},
               {u"integers"_s, QVariantList{qint64(-1), qint64(256), std::numeric_limits<qint64>::max()}},
               {u"reals"_s,
                QVariantList{0.1, -2.5e-300, 1e300, 1.0 / 3, -std::numeric_limits<double>::infinity()}},
               {u"data"_s, QVariantList{QByteArray(), QByteArray(200, '\xff'), true}},
               {QString(), QVariantList(20, u"a string written once"_s)}})
        << true << true;
    QVariant nested = true;
    for (int level = 1; level < PropertyList::maximumNestingDepth; ++level)
        nested = QVariantList{nested};
    QTest::newRow("as deep as allowed") << nested << true << true;
    QTest::newRow("one level deeper") << QVariant(QVariantList{nested}) << false << false;
    QTest::newRow("quint64 beyond range")
        << QVariant::fromValue(std::numeric_limits<quint64>::max()) << false << false;
    QTest::newRow("QDateTime in a list")
        << QVariant(QVariantList{1, QDateTime::currentDateTimeUtc()}) << false << false;
    QTest::newRow("string with NUL") << QVariant(QString(QChar(0))) << false << false;
    QTest::newRow("control character") << QVariant(u"a\x01"_s) << false << true;
    QTest::newRow("lone surrogate") << QVariant(QString(QChar(0xD800))) << false << true;
}

// Whatever is written reads back the same; what cannot be carried is not written at all.
void PropertyListTest::valuesRoundTripOrAreNotWritten()
{
    QFETCH(QVariant, value);
    QFETCH(bool, inXml);
    QFETCH(bool, inBinary);
    for (const auto format : bothFormats) {
        const bool writable = format == PropertyListFormat::XML ? inXml : inBinary;
        const QByteArray data = PropertyList::toData(value, format);
        QCOMPARE(!data.isEmpty(), writable);
        QCOMPARE(PropertyList::fromData(data).value_or(QVariant()), writable ? value : QVariant());
    }
}

void PropertyListTest::writesReplaceTheFileWhole()
{
    const QTemporaryDir folder;
    const QString path = folder.filePath(u"private.plist"_s);
    QVERIFY(PropertyList::writeToFile(QVariantList(), path, PropertyListFormat::Binary));
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));
    QVERIFY(PropertyList::writeToFile(QVariantList{1}, path, PropertyListFormat::Binary));
    QCOMPARE(QFile::permissions(path) & ~(QFile::ReadUser | QFile::WriteUser),
             QFile::ReadOwner | QFile::WriteOwner);
    QVERIFY(!PropertyList::dictionaryWithContentsOfFile(path));
    const QByteArray before = readBytes(path);
    QString error;
    QVERIFY(!PropertyList::writeToFile(QVariantMap(), path + u"/inside.plist"_s, PropertyListFormat::XML,
                                       &error));
    QVERIFY2(error.contains(u"Not a directory"_s), qPrintable(error));

    // A link at the path is replaced by the new file; what it points to stays as it was.
    QVERIFY(QFile::link(path, folder.filePath(u"link.plist"_s)));
    QVERIFY(PropertyList::writeToFile(QVariantMap(), folder.filePath(u"link.plist"_s)));
    QVERIFY(!QFileInfo(folder.filePath(u"link.plist"_s)).isSymLink());
    QCOMPARE(readBytes(path), before);

    QFile large(folder.filePath(u"large.plist"_s));
    QVERIFY(large.open(QIODevice::WriteOnly) && large.resize(PropertyList::maximumInputSize + 1));
    QVERIFY(!PropertyList::readFile(large.fileName()));
}

QTEST_APPLESS_MAIN(PropertyListTest)
#include "PropertyListTest.moc"
