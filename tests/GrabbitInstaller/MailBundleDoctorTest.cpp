// SPDX-License-Identifier: MIT
// grabbitctl doctor on a simulated Mac with the stand-in Mail: each situation gives its own finding
// and no other, the state says the same in its terms, and nothing on the Mac changes.
#include "TestMac.h"

#include <QDir>
#include <QDirIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <functional>

using Situation = std::function<void(TestMac&)>;
Q_DECLARE_METATYPE(Situation)

namespace {

const QString executable = "/Contents/MacOS/ZephMailMessageServiceEnabler";

void setValue(const QString& path, const QString& key, const QVariant& value)
{
    QVariantMap values = TestMac::plist(path);
    values.insert(key, value);
    TestMac::writePlist(values, path);
}

QByteArray userFiles(const TestMac& mac)
{
    QByteArray files;
    for (QDirIterator it(mac.home() + "/Library", QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
        const QString path = it.next();
        files += path.toUtf8() + TestMac::contents(path);
    }
    return files;
}

void addRow(const char* name, const char* code, const char* named, int state, const Situation& situation)
{
    QTest::newRow(name) << QString(code) << QString(named) << state << situation;
}

} // namespace

class MailBundleDoctorTest : public QObject {
    Q_OBJECT

private slots:
    void eachSituationGivesItsOwnFinding_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("named");
        QTest::addColumn<int>("state");
        QTest::addColumn<Situation>("situation");
        // Columns: the code found (none when empty), what its message names, what grabbitctl state
        // says (-1 when there is none), and what makes the situation on a Mac with a fresh install.
        // The install quits the running Mail and opens it again just after writing the copy. A copy
        // left set aside beside the installed one is no reason for Mail not to load that.
        addRow("Mail reopened by the install", "", "", 3, [](TestMac& mac) {
            mac.startMail();
            TestMac::grabbitctl({"install"});
            mac.makePlugin("Bundles (Disabled)", "1.0", QVariantList{});
        });
        addRow("no home", "home-unusable", "HOME", -1, [](TestMac&) { qunsetenv("HOME"); });
        addRow("High Sierra", "no-longer-needed", "10.13", 3, [](TestMac& mac) {
            setValue(mac.root() + "/System/Library/CoreServices/SystemVersion.plist", "ProductVersion",
                     "10.13.6");
        });
        addRow("no Mail", "mail-not-found", "", 1,
               [](TestMac& mac) { QDir(mac.mailApplication()).removeRecursively(); });
        addRow("no copy", "not-installed", "", 0,
               [](TestMac& mac) { QDir(mac.pluginPath()).removeRecursively(); });
        // As after a real OS update: Mail, started again, sets the copy aside.
        addRow("set aside by Mail", "disabled-by-mail", "Bundles (Disabled)", 1, [](TestMac& mac) {
            mac.updateOperatingSystem("10.12.6");
            mac.startMail();
        });
        addRow("OS updated, Mail not yet started", "stale-for-mail", "", 1,
               [](TestMac& mac) { mac.updateOperatingSystem("10.12.6"); });
        addRow("older copy", "older-than-installer", "0.9", 2, [](TestMac& mac) {
            setValue(mac.pluginPath() + "/Contents/Info.plist", "CFBundleVersion", "0.9");
        });
        addRow("preferences not a property list", "preferences-unreadable", "com.apple.mail.plist", 3,
               [](TestMac& mac) { TestMac::writeFile(mac.preferencesPath(), "EnableBundles = YES"); });
        addRow("plug-ins off", "bundles-disabled", "", 3,
               [](TestMac& mac) { setValue(mac.preferencesPath(), "EnableBundles", "NO"); });
        // Read as Foundation reads a string: 2.
        addRow("old kind of plug-in", "bundle-compatibility-version", "", 3,
               [](TestMac& mac) { setValue(mac.preferencesPath(), "BundleCompatibilityVersion", "2.9"); });
        addRow("executable gone", "copy-damaged", "", 3,
               [](TestMac& mac) { QFile::remove(mac.pluginPath() + executable); });
        addRow("Info.plist unreadable", "copy-damaged", "Info.plist", 1,
               [](TestMac& mac) { TestMac::writeFile(mac.pluginPath() + "/Contents/Info.plist", ""); });
        // Changed with its old modification time kept, as copying in the Finder does.
        addRow("copy changed under a running Mail", "mail-not-restarted", "", 3, [](TestMac& mac) {
            mac.startMail();
            QFile file(mac.pluginPath() + executable);
            const QDateTime written = QFileInfo(file).lastModified();
            QVERIFY(file.open(QIODevice::Append) && file.write("changed") > 0 && file.flush() &&
                    file.setFileTime(written, QFileDevice::FileModificationTime));
        });
    }

    void eachSituationGivesItsOwnFinding()
    {
        QFETCH(QString, code);
        QFETCH(QString, named);
        QFETCH(int, state);
        QFETCH(Situation, situation);
        TestMac mac("10.11.6");
        QCOMPARE(TestMac::grabbitctl({"install"}).status, 0);
        situation(mac);

        const QByteArray files = userFiles(mac);
        const QList<qint64> mail = mac.mailProcesses();
        // In German, so that the findings are seen to be the user's language.
        qputenv("LANGUAGE", "de");
        const TestMac::Result json = TestMac::grabbitctl({"doctor", "--json"});
        const TestMac::Result text = TestMac::grabbitctl({"doctor"});
        const QJsonObject diagnosis = QJsonDocument::fromJson(json.output.toUtf8()).object();
        QStringList codes;
        QString lines;
        for (const QJsonValue finding : diagnosis["findings"].toArray()) {
            codes << finding["code"].toString();
            QVERIFY(finding["message"].toString().contains(named) && !finding["fix"].toString().isEmpty());
            lines += finding["message"].toString() + ' ' + finding["fix"].toString() + '\n';
        }
        QCOMPARE(codes, code.isEmpty() ? QStringList{} : QStringList{code});
        QCOMPARE(diagnosis.value("ok"), QJsonValue(code.isEmpty()));
        QCOMPARE(json.status, code.isEmpty() ? 0 : 1);
        QCOMPARE(text.status, json.status);
        QCOMPARE(text.output, code.isEmpty()
                                  ? "Mail sollte das Grabbit-Plug-in laden: Nichts steht dem im Weg.\n"
                                  : lines);
        QCOMPARE(userFiles(mac), files);
        QCOMPARE(mac.mailProcesses(), mail);
        if (state >= 0)
            QCOMPARE(TestMac::grabbitctl({"state"}).output.section(' ', 0, 0), QString::number(state));
    }
};

QTEST_GUILESS_MAIN(MailBundleDoctorTest)
#include "MailBundleDoctorTest.moc"
