// SPDX-License-Identifier: MIT
// grabbitctl as a script runs it: a process of its own on a simulated Mac. Its state line and its
// install and removal with Mail running are proven end to end.
#include "TestMac.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

class GrabbitctlTest : public QObject {
    Q_OBJECT

private slots:
    void theStateInJson()
    {
        TestMac mac("10.8.5");
        const QString installed =
            mac.makePlugin("Bundles", "9.0", QVariantList{"2B98D2DD-000B-4521-83EB-7BFCB9B161C8"});
        const QString disabled = mac.makePlugin("Bundles (Disabled)", "1.0", QVariantList{});
        const TestMac::Result result = TestMac::grabbitctl({"state", "--json"});
        QCOMPARE(result.status, 0);
        const QVariantMap state = QJsonDocument::fromJson(result.output.toUtf8()).object().toVariantMap();
        QCOMPARE(state.value("state"), QVariant(1));
        QCOMPARE(state.value("installedPath"), QVariant(installed));
        QCOMPARE(state.value("installedVersion"), QVariant("9.0"));
        QCOMPARE(state.value("expectedCompatibilityUUIDs").toStringList(), mac.compatibilityIdentifiers());
        QCOMPARE(state.value("installedCompatibilityUUIDs").toStringList(),
                 mac.compatibilityIdentifiers().mid(0, 1));
        QCOMPARE(state.value("disabledCopies").toStringList(), QStringList{disabled});
    }

    // Bad usage ends with status 2, a failure with 1: one line on standard error, nothing on output.
    // Without a usable home nothing is looked at, not even the file system's root ("/" is what
    // Qt answers for an unset HOME).
    void misuseAndFailuresAreOneLineOnStandardError_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("home");
        QTest::newRow("nothing") << QStringList{} << 2 << QByteArray();
        QTest::newRow("an unknown command") << QStringList{"status"} << 2 << QByteArray();
        QTest::newRow("an unknown option") << QStringList{"state", "--yaml"} << 2 << QByteArray();
        QTest::newRow("an option to install") << QStringList{"install", "--json"} << 2 << QByteArray();
        QTest::newRow("an install without the archive") << QStringList{"install"} << 1 << QByteArray();
        QTest::newRow("a state without HOME") << QStringList{"state"} << 2 << QByteArray("");
        QTest::newRow("a removal with a relative HOME") << QStringList{"remove"} << 2 << QByteArray("home");
    }

    void misuseAndFailuresAreOneLineOnStandardError()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QByteArray, home);
        TestMac mac;
        QFile::remove(mac.archive());
        if (!home.isNull())
            home.isEmpty() ? qunsetenv("HOME") : qputenv("HOME", home);
        const TestMac::Result result = TestMac::grabbitctl(arguments);
        QCOMPARE(result.status, status);
        QCOMPARE(result.output, QString());
        QCOMPARE(result.errors.count('\n'), 1);
        QVERIFY(home.isNull() || result.errors.startsWith("HOME is"));
        QVERIFY(status == 2 ||
                result.errors.startsWith("The Grabbit installer is damaged: its plug-in archive"));
    }
};

QTEST_GUILESS_MAIN(GrabbitctlTest)
#include "GrabbitctlTest.moc"
