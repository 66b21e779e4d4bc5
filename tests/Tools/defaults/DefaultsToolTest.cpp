// SPDX-License-Identifier: MIT
#include "PropertyList.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

Q_DECLARE_METATYPE(PropertyListFormat)

using namespace Qt::StringLiterals;

namespace {

const QString domain = u"com.apple.mail"_s;

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

} // namespace

// Runs the built tool as the engine does, with HOME pointing into a temporary folder.
class DefaultsToolTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void writeKeepsFormatAndOtherKeys_data();
    void writeKeepsFormatAndOtherKeys();
    void containerFolderDecidesTheFile();
    void failedWriteLeavesFileByteForByte_data();
    void failedWriteLeavesFileByteForByte();
    void refusedCommandLines_data();
    void refusedCommandLines();
    void booleanSpellings();
    void readingWhatIsAbsent();
    void readingTheWholeDomain();

private:
    Run defaults(const QStringList& arguments, rlim_t fileSizeLimit = RLIM_INFINITY);
    Run write(const QString& key, const QString& type, const QString& value);
    QString preferencesPath() const
    {
        return m_home->filePath(u"Library/Preferences/com.apple.mail.plist"_s);
    }

    std::unique_ptr<QTemporaryDir> m_home;
};

void DefaultsToolTest::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    QVERIFY(m_home->isValid());
}

// A file size limit makes every write beyond it fail with EFBIG, as a full disk fails with ENOSPC.
Run DefaultsToolTest::defaults(const QStringList& arguments, rlim_t fileSizeLimit)
{
    QProcess process;
    process.setChildProcessModifier([fileSizeLimit] {
        const rlimit limit{fileSizeLimit, fileSizeLimit};
        std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &limit);
    });
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"HOME"_s, m_home->path());
    process.setProcessEnvironment(environment);
    process.start(qEnvironmentVariable("GRABBIT_DEFAULTS_TOOL"), arguments);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

Run DefaultsToolTest::write(const QString& key, const QString& type, const QString& value)
{
    return defaults({u"write"_s, domain, key, type, value});
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
    const QVariantMap existing{{u"Kept"_s, u"as it was"_s}, {u"BundleCompatibilityVersion"_s, qint64(2)}};
    if (fileExists)
        QVERIFY(writeBytes(preferencesPath(), PropertyList::toData(existing, format)));

    QCOMPARE(write(u"BundleCompatibilityVersion"_s, u"-int"_s, u"3"_s).exitCode, 0);
    QCOMPARE(write(u"EnableBundles"_s, u"-bool"_s, u"YES"_s).exitCode, 0);
    QCOMPARE(write(u"Name"_s, u"-string"_s, u"two words"_s).exitCode, 0);

    PropertyListFormat writtenFormat = PropertyListFormat::XML;
    const auto written = PropertyList::readFile(preferencesPath(), &writtenFormat);
    QVERIFY(written);
    QCOMPARE(writtenFormat, format);
    QVariantMap expected = fileExists ? existing : QVariantMap();
    expected.insert(u"BundleCompatibilityVersion"_s, qint64(3));
    expected.insert(u"EnableBundles"_s, true);
    expected.insert(u"Name"_s, u"two words"_s);
    QCOMPARE(written->toMap(), expected);

    const Run read = defaults({u"read"_s, domain, u"BundleCompatibilityVersion"_s});
    QCOMPARE(read.exitCode, 0);
    QCOMPARE(read.output, u"3\n"_s);
    QCOMPARE(defaults({u"read"_s, domain, u"Name"_s}).output, u"two words\n"_s);
}

void DefaultsToolTest::containerFolderDecidesTheFile()
{
    const QString containerPath = m_home->filePath(
        u"Library/Containers/com.apple.mail/Data/Library/Preferences/com.apple.mail.plist"_s);
    QCOMPARE(write(u"EnableBundles"_s, u"-bool"_s, u"NO"_s).exitCode, 0);
    QVERIFY(QFile::exists(preferencesPath()));
    QVERIFY(!QFile::exists(containerPath));

    QVERIFY(QDir().mkpath(m_home->filePath(u"Library/Containers/com.apple.mail"_s)));
    const QByteArray before = readBytes(preferencesPath());
    QCOMPARE(write(u"EnableBundles"_s, u"-bool"_s, u"NO"_s).exitCode, 0);
    QCOMPARE(readBytes(preferencesPath()), before);
    QCOMPARE(PropertyList::dictionaryWithContentsOfFile(containerPath),
             QVariantMap({{u"EnableBundles"_s, false}}));
}

void DefaultsToolTest::failedWriteLeavesFileByteForByte_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<quint64>("fileSizeLimit");
    const QByteArray binary = PropertyList::toData(QVariantMap{{u"a"_s, 1}}, PropertyListFormat::Binary);
    const quint64 unlimited = RLIM_INFINITY;
    QTest::newRow("not a property list") << QByteArray("not a property list\n") << unlimited;
    QTest::newRow("truncated binary") << binary.left(binary.size() - 3) << unlimited;
    QTest::newRow("top-level array") << PropertyList::toData(QVariantList{1}, PropertyListFormat::XML)
                                     << unlimited;
    QTest::newRow("empty") << QByteArray() << unlimited;
    QTest::newRow("write error, nothing written") << binary << quint64(0);
    QTest::newRow("write error, part written") << binary << quint64(binary.size() / 2);
}

void DefaultsToolTest::failedWriteLeavesFileByteForByte()
{
    QFETCH(QByteArray, contents);
    QFETCH(quint64, fileSizeLimit);
    QVERIFY(writeBytes(preferencesPath(), contents));
    const Run run = defaults({u"write"_s, domain, u"EnableBundles"_s, u"-bool"_s, u"YES"_s}, fileSizeLimit);
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.errors.count(u'\n'), 1);
    QCOMPARE(readBytes(preferencesPath()), contents);
    QCOMPARE(QDir(QFileInfo(preferencesPath()).path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

void DefaultsToolTest::refusedCommandLines_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    const auto write = [](const char* type, const char* value) {
        return QStringList{u"write"_s, domain, u"Key"_s, QString::fromLatin1(type),
                           QString::fromLatin1(value)};
    };
    QTest::newRow("nothing") << QStringList() << u"usage:"_s;
    QTest::newRow("unknown verb") << QStringList{u"frobnicate"_s, domain} << u"usage:"_s;
    QTest::newRow("read without domain") << QStringList{u"read"_s} << u"usage:"_s;
    QTest::newRow("write without value") << write("-int", "1").mid(0, 4) << u"usage:"_s;
    QTest::newRow("unknown type") << write("-float", "1") << u"usage:"_s;
    QTest::newRow("extra argument") << write("-int", "1") + QStringList{u"2"_s} << u"usage:"_s;
    QTest::newRow("int that is a word") << write("-int", "three") << u"not an integer"_s;
    QTest::newRow("int with fraction") << write("-integer", "1.5") << u"not an integer"_s;
    QTest::newRow("int out of range") << write("-int", "99999999999999999999") << u"not an integer"_s;
    QTest::newRow("empty int") << write("-int", "") << u"not an integer"_s;
    QTest::newRow("bool that is a word") << write("-bool", "maybe") << u"not a boolean"_s;
    QTest::newRow("domain leaving the folder")
        << QStringList{u"write"_s, u"../x"_s, u"Key"_s, u"-int"_s, u"1"_s} << u"Invalid domain name"_s;
}

void DefaultsToolTest::refusedCommandLines()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    const Run run = defaults(arguments);
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.errors.contains(message), qPrintable(run.errors));
    QCOMPARE(run.errors.count(u'\n'), 1);
    QVERIFY(QDir(m_home->path()).isEmpty());
}

void DefaultsToolTest::booleanSpellings()
{
    const QList<std::pair<const char*, bool>> spellings{{"YES", true},  {"yes", true},    {"TRUE", true},
                                                        {"True", true}, {"1", true},      {"NO", false},
                                                        {"no", false},  {"FALSE", false}, {"0", false}};
    for (const auto& [spelling, value] : spellings) {
        QCOMPARE(write(u"EnableBundles"_s, u"-boolean"_s, QString::fromLatin1(spelling)).exitCode, 0);
        QCOMPARE(PropertyList::dictionaryWithContentsOfFile(preferencesPath()),
                 QVariantMap({{u"EnableBundles"_s, value}}));
    }
}

void DefaultsToolTest::readingWhatIsAbsent()
{
    const QString message = u"The domain/default pair of (com.apple.mail, EnableBundles) does not exist\n"_s;
    const Run missingDomain = defaults({u"read"_s, domain, u"EnableBundles"_s});
    QCOMPARE(missingDomain.exitCode, 1);
    QCOMPARE(missingDomain.errors, message);
    QCOMPARE(defaults({u"read"_s, domain}).exitCode, 1);

    QVERIFY(writeBytes(preferencesPath(),
                       PropertyList::toData(QVariantMap{{u"Other"_s, 1}}, PropertyListFormat::XML)));
    const Run missingKey = defaults({u"read"_s, domain, u"EnableBundles"_s});
    QCOMPARE(missingKey.exitCode, 1);
    QCOMPARE(missingKey.output, QString());
    QCOMPARE(missingKey.errors, message);
}

void DefaultsToolTest::readingTheWholeDomain()
{
    const QVariantMap values{{u"EnableBundles"_s, true}, {u"List"_s, QVariantList{u"a"_s, u"b c"_s}}};
    QVERIFY(writeBytes(preferencesPath(), PropertyList::toData(values, PropertyListFormat::XML)));
    const Run run = defaults({u"read"_s, domain});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.output,
             u"{\n    EnableBundles = 1;\n    List = (\n        a,\n        \"b c\"\n    );\n}\n"_s);
}

QTEST_GUILESS_MAIN(DefaultsToolTest)
#include "DefaultsToolTest.moc"
