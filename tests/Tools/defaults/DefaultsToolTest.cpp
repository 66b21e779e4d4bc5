// SPDX-License-Identifier: MIT
#include "PropertyList.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(PropertyListFormat)

namespace {

const QString domain = QStringLiteral("com.apple.mail");

struct Run {
    int exitCode = -1;
    QString output;
    QString errors;
};

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

bool writePropertyList(const QString& path, const QVariant& value, PropertyListFormat format)
{
    return QDir().mkpath(QFileInfo(path).absolutePath()) && PropertyList::writeToFile(value, path, format);
}

} // namespace

// Runs the built tool as the engine does, with HOME pointing into a temporary folder.
class DefaultsToolTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void writeKeepsFormatAndOtherKeys_data();
    void writeKeepsFormatAndOtherKeys();
    void containerFolderDecidesTheFile();
    void unparsableFileIsLeftByteForByte_data();
    void unparsableFileIsLeftByteForByte();
    void refusedCommandLines_data();
    void refusedCommandLines();
    void booleanSpellings_data();
    void booleanSpellings();
    void readingWhatIsAbsent();
    void readingTheWholeDomain();

private:
    Run defaults(const QStringList& arguments);
    QString preferencesPath() const;
    QString containerPath() const;

    std::unique_ptr<QTemporaryDir> m_home;
};

void DefaultsToolTest::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    QVERIFY(m_home->isValid());
}

Run DefaultsToolTest::defaults(const QStringList& arguments)
{
    const QString tool = qEnvironmentVariable("GRABBIT_DEFAULTS_TOOL");
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), m_home->path());
    process.setProcessEnvironment(environment);
    process.start(tool, arguments);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

QString DefaultsToolTest::preferencesPath() const
{
    return m_home->filePath(QStringLiteral("Library/Preferences/com.apple.mail.plist"));
}

QString DefaultsToolTest::containerPath() const
{
    return m_home->filePath(
        QStringLiteral("Library/Containers/com.apple.mail/Data/Library/Preferences/com.apple.mail.plist"));
}

void DefaultsToolTest::writeKeepsFormatAndOtherKeys_data()
{
    QTest::addColumn<bool>("fileExists");
    QTest::addColumn<PropertyListFormat>("format");
    QTest::newRow("new file is binary") << false << PropertyListFormat::Binary;
    QTest::newRow("binary stays binary") << true << PropertyListFormat::Binary;
    QTest::newRow("XML stays XML") << true << PropertyListFormat::XML;
}

void DefaultsToolTest::writeKeepsFormatAndOtherKeys()
{
    QFETCH(bool, fileExists);
    QFETCH(PropertyListFormat, format);
    const QVariantMap existing{{QStringLiteral("Kept"), QStringLiteral("as it was")},
                               {QStringLiteral("BundleCompatibilityVersion"), qint64(2)}};
    if (fileExists)
        QVERIFY(writePropertyList(preferencesPath(), existing, format));

    QCOMPARE(defaults({QStringLiteral("write"), domain, QStringLiteral("BundleCompatibilityVersion"),
                       QStringLiteral("-int"), QStringLiteral("3")})
                 .exitCode,
             0);
    QCOMPARE(defaults({QStringLiteral("write"), domain, QStringLiteral("EnableBundles"),
                       QStringLiteral("-bool"), QStringLiteral("YES")})
                 .exitCode,
             0);
    QCOMPARE(defaults({QStringLiteral("write"), domain, QStringLiteral("Name"), QStringLiteral("-string"),
                       QStringLiteral("two words")})
                 .exitCode,
             0);

    PropertyListFormat writtenFormat = PropertyListFormat::XML;
    const auto written = PropertyList::readFile(preferencesPath(), &writtenFormat);
    QVERIFY(written);
    QCOMPARE(writtenFormat, format);
    QVariantMap expected = fileExists ? existing : QVariantMap();
    expected.insert(QStringLiteral("BundleCompatibilityVersion"), qint64(3));
    expected.insert(QStringLiteral("EnableBundles"), true);
    expected.insert(QStringLiteral("Name"), QStringLiteral("two words"));
    QCOMPARE(written->toMap(), expected);

    const Run read = defaults({QStringLiteral("read"), domain, QStringLiteral("BundleCompatibilityVersion")});
    QCOMPARE(read.exitCode, 0);
    QCOMPARE(read.output, QStringLiteral("3\n"));
    QCOMPARE(defaults({QStringLiteral("read"), domain, QStringLiteral("Name")}).output,
             QStringLiteral("two words\n"));
}

void DefaultsToolTest::containerFolderDecidesTheFile()
{
    const QStringList write{QStringLiteral("write"), domain, QStringLiteral("EnableBundles"),
                            QStringLiteral("-bool"), QStringLiteral("NO")};
    QCOMPARE(defaults(write).exitCode, 0);
    QVERIFY(QFile::exists(preferencesPath()));
    QVERIFY(!QFile::exists(containerPath()));

    QVERIFY(QDir().mkpath(m_home->filePath(QStringLiteral("Library/Containers/com.apple.mail"))));
    const QByteArray before = readBytes(preferencesPath());
    QCOMPARE(defaults(write).exitCode, 0);
    QVERIFY(QFile::exists(containerPath()));
    QCOMPARE(readBytes(preferencesPath()), before);
    QCOMPARE(PropertyList::dictionaryWithContentsOfFile(containerPath()),
             QVariantMap({{QStringLiteral("EnableBundles"), false}}));
}

void DefaultsToolTest::unparsableFileIsLeftByteForByte_data()
{
    QTest::addColumn<QByteArray>("contents");
    const QByteArray binary =
        PropertyList::toData(QVariantMap{{QStringLiteral("a"), 1}}, PropertyListFormat::Binary);
    QTest::newRow("not a property list") << QByteArray("not a property list\n");
    QTest::newRow("truncated binary") << binary.left(binary.size() - 3);
    QTest::newRow("top-level array") << PropertyList::toData(QVariantList{1}, PropertyListFormat::XML);
    QTest::newRow("empty") << QByteArray();
}

void DefaultsToolTest::unparsableFileIsLeftByteForByte()
{
    QFETCH(QByteArray, contents);
    QVERIFY(writeBytes(preferencesPath(), contents));
    const Run run = defaults({QStringLiteral("write"), domain, QStringLiteral("EnableBundles"),
                              QStringLiteral("-bool"), QStringLiteral("YES")});
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.errors.count(QLatin1Char('\n')), 1);
    QCOMPARE(readBytes(preferencesPath()), contents);
    QCOMPARE(QDir(QFileInfo(preferencesPath()).path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

void DefaultsToolTest::refusedCommandLines_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    const QString usage = QStringLiteral("usage:");
    const auto write = [](const QString& type, const QString& value) {
        return QStringList{QStringLiteral("write"), domain, QStringLiteral("Key"), type, value};
    };
    QTest::newRow("nothing") << QStringList() << usage;
    QTest::newRow("unknown verb") << QStringList{QStringLiteral("frobnicate"), domain} << usage;
    QTest::newRow("read without domain") << QStringList{QStringLiteral("read")} << usage;
    QTest::newRow("write without value")
        << QStringList{QStringLiteral("write"), domain, QStringLiteral("Key"), QStringLiteral("-int")}
        << usage;
    QTest::newRow("unknown type") << write(QStringLiteral("-float"), QStringLiteral("1")) << usage;
    QTest::newRow("extra argument") << write(QStringLiteral("-int"), QStringLiteral("1")) + QStringList{"2"}
                                    << usage;
    QTest::newRow("int that is a word")
        << write(QStringLiteral("-int"), QStringLiteral("three")) << "not an integer";
    QTest::newRow("int with fraction")
        << write(QStringLiteral("-integer"), QStringLiteral("1.5")) << "not an integer";
    QTest::newRow("int out of range")
        << write(QStringLiteral("-int"), QStringLiteral("99999999999999999999")) << "not an integer";
    QTest::newRow("empty int") << write(QStringLiteral("-int"), QString()) << "not an integer";
    QTest::newRow("bool that is a word")
        << write(QStringLiteral("-bool"), QStringLiteral("maybe")) << "not a boolean";
    QTest::newRow("domain leaving the folder")
        << QStringList{QStringLiteral("write"), QStringLiteral("../x"), QStringLiteral("Key"),
                       QStringLiteral("-int"), QStringLiteral("1")}
        << "Invalid domain name";
}

void DefaultsToolTest::refusedCommandLines()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    const Run run = defaults(arguments);
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.errors.contains(message), qPrintable(run.errors));
    QCOMPARE(run.errors.count(QLatin1Char('\n')), 1);
    QVERIFY(QDir(m_home->path()).isEmpty());
}

void DefaultsToolTest::booleanSpellings_data()
{
    QTest::addColumn<QString>("spelling");
    QTest::addColumn<bool>("value");
    for (const char* yes : {"YES", "yes", "TRUE", "True", "1"})
        QTest::newRow(yes) << QString::fromLatin1(yes) << true;
    for (const char* no : {"NO", "no", "FALSE", "false", "0"})
        QTest::newRow(no) << QString::fromLatin1(no) << false;
}

void DefaultsToolTest::booleanSpellings()
{
    QFETCH(QString, spelling);
    QFETCH(bool, value);
    QCOMPARE(defaults({QStringLiteral("write"), domain, QStringLiteral("EnableBundles"),
                       QStringLiteral("-boolean"), spelling})
                 .exitCode,
             0);
    QCOMPARE(PropertyList::dictionaryWithContentsOfFile(preferencesPath()),
             QVariantMap({{QStringLiteral("EnableBundles"), value}}));
}

void DefaultsToolTest::readingWhatIsAbsent()
{
    const Run missingDomain = defaults({QStringLiteral("read"), domain, QStringLiteral("EnableBundles")});
    QCOMPARE(missingDomain.exitCode, 1);
    QCOMPARE(missingDomain.errors,
             QStringLiteral("The domain/default pair of (com.apple.mail, EnableBundles) does not exist\n"));
    QCOMPARE(defaults({QStringLiteral("read"), domain}).exitCode, 1);

    QVERIFY(writePropertyList(preferencesPath(), QVariantMap{{QStringLiteral("Other"), 1}},
                              PropertyListFormat::Binary));
    const Run missingKey = defaults({QStringLiteral("read"), domain, QStringLiteral("EnableBundles")});
    QCOMPARE(missingKey.exitCode, 1);
    QCOMPARE(missingKey.output, QString());
    QCOMPARE(missingKey.errors,
             QStringLiteral("The domain/default pair of (com.apple.mail, EnableBundles) does not exist\n"));
}

void DefaultsToolTest::readingTheWholeDomain()
{
    const QVariantMap values{
        {QStringLiteral("EnableBundles"), true},
        {QStringLiteral("List"), QVariantList{QStringLiteral("a"), QStringLiteral("b c")}}};
    QVERIFY(writePropertyList(preferencesPath(), values, PropertyListFormat::XML));
    const Run run = defaults({QStringLiteral("read"), domain});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(
        run.output,
        QStringLiteral("{\n    EnableBundles = 1;\n    List = (\n        a,\n        \"b c\"\n    );\n}\n"));
}

QTEST_GUILESS_MAIN(DefaultsToolTest)
#include "DefaultsToolTest.moc"
