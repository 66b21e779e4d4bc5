// SPDX-License-Identifier: MIT
#include "PropertyList.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

using namespace Qt::StringLiterals;

namespace {

const QString domain = u"com.apple.mail"_s;
const QString preferences =
    u"/Library/Containers/com.apple.mail/Data/Library/Preferences/com.apple.mail.plist"_s;

// What Mail keeps beside our keys, with dates that once made the file unwritable.
const QVariantMap mailPreferences{{u"Kept"_s, QVariantList{u"as it was"_s, 1}},
                                  {u"Distant"_s, QVariant::fromValue(PropertyListDate(63113904000))},
                                  {u"Fraction"_s, QVariant::fromValue(PropertyListDate(-0.25))}};

QVariantMap with(const QString& key, const QVariant& value, QVariantMap values = mailPreferences)
{
    values.insert(key, value);
    return values;
}

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

// Runs the built tool as the engine does, with HOME in a temporary folder that holds Mail's container.
class DefaultsToolTest : public QObject {
    Q_OBJECT

private slots:
    void commands_data();
    void commands();
};

void DefaultsToolTest::commands_data()
{
    QTest::addColumn<QByteArray>("existing"); // none: no file
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("printed"); // the start of what it prints
    QTest::addColumn<QVariant>("stored"); // none: the file as it was
    QTest::addColumn<quint64>("fileSizeLimit");
    const QByteArray binary = PropertyList::toData(mailPreferences, PropertyListFormat::Binary);
    const QByteArray xml = PropertyList::toData(mailPreferences, PropertyListFormat::XML);
    const auto write = [](const char* type, const char* value) {
        return QStringList{u"write"_s, domain, u"Key"_s, QString::fromLatin1(type),
                           QString::fromLatin1(value)};
    };
    const auto read = [](const QString& key) {
        return QStringList{u"read"_s, domain, key};
    };
    const quint64 unlimited = RLIM_INFINITY;
    const QString missing = u"The domain/default pair of (com.apple.mail, Missing) does not exist\n"_s;

    QTest::newRow("binary, every date kept")
        << binary << write("-int", "3") << 0 << QString() << QVariant(with(u"Key"_s, 3)) << unlimited;
    // XML carries whole seconds, as the file already did.
    QTest::newRow("XML stays XML") << xml << write("-bool", "yes") << 0 << QString()
                                   << QVariant(with(u"Key"_s, true, PropertyList::fromData(xml)->toMap()))
                                   << unlimited;
    QTest::newRow("a new file is binary") << QByteArray() << write("-boolean", "NO") << 0 << QString()
                                          << QVariant(with(u"Key"_s, false, {})) << unlimited;
    QTest::newRow("read the domain")
        << binary << QStringList{u"read"_s, domain} << 0
        << u"{\n    Distant = \"4001-01-01 00:00:00 +0000\";\n    Fraction = \"2000-12-31 23:59:59 +0000\";\n"
           "    Kept = (\n        \"as it was\",\n        1\n    );\n}\n"_s
        << QVariant() << unlimited;
    QTest::newRow("missing key") << xml << read(u"Missing"_s) << 1 << missing << QVariant() << unlimited;
    QTest::newRow("unknown type") << xml << write("-float", "1") << 1 << u"usage:"_s << QVariant()
                                  << unlimited;
    QTest::newRow("int that is a word")
        << xml << write("-int", "three") << 1 << u"\"three\" is not"_s << QVariant() << unlimited;
    QTest::newRow("domain leaving the folder") << xml << QStringList{u"read"_s, u"../x"_s} << 1
                                               << u"Invalid domain name"_s << QVariant() << unlimited;
    const QStringList enable{u"write"_s, domain, u"EnableBundles"_s, u"-bool"_s, u"YES"_s};
    QTest::newRow("old text format") << "{ EnableBundles = 1; }\n"_ba << enable << 1 << QString()
                                     << QVariant() << unlimited;
    QTest::newRow("top-level array") << PropertyList::toData(QVariantList{1}, PropertyListFormat::XML)
                                     << enable << 1 << QString() << QVariant() << unlimited;
    QTest::newRow("write error, nothing written")
        << binary << enable << 1 << QString() << QVariant() << quint64(0);
    QTest::newRow("write error, part written")
        << binary << enable << 1 << QString() << QVariant() << quint64(binary.size() / 2);
}

// A file size limit makes writes beyond it fail with EFBIG, as a full disk fails with ENOSPC.
void DefaultsToolTest::commands()
{
    QFETCH(QByteArray, existing);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, printed);
    QFETCH(QVariant, stored);
    QFETCH(quint64, fileSizeLimit);
    const QTemporaryDir home;
    const QString path = home.path() + preferences;
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    QFile file(path);
    QVERIFY(existing.isNull() ||
            (file.open(QIODevice::WriteOnly) && file.write(existing) == existing.size()));
    file.close();
    QProcess process;
    process.setChildProcessModifier([fileSizeLimit] {
        const rlimit limit{fileSizeLimit, fileSizeLimit};
        std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &limit);
    });
    qputenv("HOME", QFile::encodeName(home.path()));
    process.start(GRABBIT_BUILD_DIR "/GrabbitInstaller.app/Contents/Helpers/defaults", arguments);
    QVERIFY(process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit);
    const QString output =
        QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError());
    QCOMPARE(process.exitCode(), exitCode);
    QVERIFY2(output.startsWith(printed) && (exitCode == 0 || output.count(u'\n') == 1), qPrintable(output));
    // A failure leaves Mail's preferences as they were, with no file beside them.
    QVERIFY(QDir(QFileInfo(path).path()).entryList(QDir::Files | QDir::Hidden).size() <= 1);
    PropertyListFormat format = PropertyListFormat::XML;
    QCOMPARE(stored.isValid() ? PropertyList::readFile(path, &format).value_or(QVariant())
                              : QVariant(readBytes(path)),
             stored.isValid() ? stored : QVariant(existing));
    QCOMPARE(format, existing.startsWith("<?xml") || !stored.isValid() ? PropertyListFormat::XML
                                                                       : PropertyListFormat::Binary);
}

QTEST_GUILESS_MAIN(DefaultsToolTest)
#include "DefaultsToolTest.moc"
