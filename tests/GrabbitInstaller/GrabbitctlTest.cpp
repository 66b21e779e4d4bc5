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

    void badUsageIsOneLineAndStatus2_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("nothing") << QStringList{};
        QTest::newRow("an unknown command") << QStringList{"status"};
        QTest::newRow("an unknown option") << QStringList{"state", "--yaml"};
        QTest::newRow("an option to install") << QStringList{"install", "--json"};
    }

    void badUsageIsOneLineAndStatus2()
    {
        QFETCH(QStringList, arguments);
        TestMac mac;
        const TestMac::Result result = TestMac::grabbitctl(arguments);
        QCOMPARE(result.status, 2);
        QCOMPARE(result.output, QString());
        QCOMPARE(result.errors.count('\n'), 1);
    }

    void aFailureIsOneLineOnStandardErrorAndStatus1()
    {
        TestMac mac;
        QFile::remove(mac.archive());
        const TestMac::Result install = TestMac::grabbitctl({"install"});
        QCOMPARE(install.status, 1);
        QCOMPARE(install.output, QString());
        QCOMPARE(install.errors, "The Grabbit installer is damaged: its plug-in archive is missing.\n");
    }
};

QTEST_GUILESS_MAIN(GrabbitctlTest)
#include "GrabbitctlTest.moc"
