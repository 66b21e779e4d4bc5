// SPDX-License-Identifier: MIT
// The stand-in Mail and the simulated Mac it runs in. Plug-ins need Mail's window system, so
// Mail runs on the test's private X server, except where it is to show that it needs none.
#include "TestMac.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <csignal>

namespace {

const QString key12 = QStringLiteral("Supported10.12PluginCompatibilityUUIDs");

QString mailLog(const TestMac& mac)
{
    return TestMac::contents(mac.directory() + "/mail.log");
}

QString status(const TestMac& mac)
{
    return mac.askMail("status").value_or(QString());
}

// A bundle "<name>.mailbundle" listing the identifiers under the key, whose executable only marks
// that it ran.
void installPlugin(const TestMac& mac, const QString& name, const QString& key, const QStringList& listed)
{
    const QString bundle = mac.bundlesFolder() + '/' + name + ".mailbundle";
    TestMac::writePlist({{"CFBundleExecutable", name}, {key, listed}}, bundle + "/Contents/Info.plist");
    QDir().mkpath(bundle + "/Contents/MacOS");
    QFile::copy(TEST_PLUGIN_EXECUTABLE, bundle + "/Contents/MacOS/" + name);
}

void enablePlugins(const TestMac& mac, int compatibilityVersion = 3)
{
    TestMac::writePlist({{"EnableBundles", true}, {"BundleCompatibilityVersion", compatibilityVersion}},
                        mac.preferencesPath());
}

} // namespace

class MailStandInTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(!qEnvironmentVariableIsEmpty("DISPLAY")); }

    void aSandboxIsMadeForKnownVersionsOnlyAndItsOSUpdated()
    {
        QTemporaryDir folder;
        QVERIFY(!SimulatedMac(folder.path()).create("9.1", MAIL_STAND_IN_EXECUTABLE));
        QVERIFY(!SimulatedMac(folder.path()).create("10.*", MAIL_STAND_IN_EXECUTABLE));
        TestMac mac("10.8.5");
        const QStringList before = mac.compatibilityIdentifiers();
        QCOMPARE(before.size(), 2);
        QVERIFY(mac.updateOperatingSystem("10.12.6"));
        QCOMPARE(mac.compatibilityIdentifiers(), QStringList{"21560BD9-A3CC-482E-9B99-95B7BF61EDC1"});
        QVERIFY(!mac.updateOperatingSystem("10.99"));
        QCOMPARE(mac.compatibilityIdentifiers(), QStringList{"21560BD9-A3CC-482E-9B99-95B7BF61EDC1"});
    }

    void aQuitRequestIsAnsweredAsToldWithoutADisplay_data()
    {
        // GRABBIT_MAIL_QUIT, whether Mail still runs 0.7 s after SIGTERM, whether it then answers,
        // and whether it has ended three seconds later.
        QTest::addColumn<QString>("quit");
        QTest::addColumn<bool>("runs");
        QTest::addColumn<bool>("answers");
        QTest::addColumn<bool>("ends");
        QTest::newRow("at once") << "at-once" << false << false << true;
        QTest::newRow("after a delay") << "1.5" << true << true << true;
        QTest::newRow("refusing") << "refuse" << true << true << false;
        QTest::newRow("never") << "never" << true << false << false;
    }

    void aQuitRequestIsAnsweredAsToldWithoutADisplay()
    {
        QFETCH(QString, quit);
        QFETCH(bool, runs);
        QFETCH(bool, answers);
        QFETCH(bool, ends);
        TestMac mac;
        const qint64 mail = mac.startMail({}, {"DISPLAY=", "GRABBIT_MAIL_QUIT=" + quit});
        QVERIFY(status(mac).contains("window-visible=no"));
        kill(pid_t(mail), SIGTERM);
        QTest::qWait(700);
        QCOMPARE(mac.mailProcesses().contains(mail), runs);
        QCOMPARE(mac.askMail("ping") == "pong", answers);
        QCOMPARE(QTest::qWaitFor([&] { return mac.mailProcesses().isEmpty(); }, 3000), ends);
        QCOMPARE(QFile::exists(mac.controlSocket()), !ends);
    }

    void nothingIsLoadedWhereMailWouldLoadNothing_data()
    {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<QString>("logged");
        QTest::newRow("fresh preferences")
            << QString("fresh") << "Plug-ins are off: EnableBundles is not set";
        QTest::newRow("compatibility version 2")
            << QString("version 2") << "BundleCompatibilityVersion 2 is below 3";
        QTest::newRow("corrupted preferences") << QString("corrupted") << "Could not read preferences";
        QTest::newRow("a Mail without identifier") << QString("anonymous") << "No PluginCompatibilityUUID";
    }

    void nothingIsLoadedWhereMailWouldLoadNothing()
    {
        QFETCH(QString, situation);
        QFETCH(QString, logged);
        TestMac mac;
        installPlugin(mac, "Tester", key12, mac.compatibilityIdentifiers());
        if (situation != "fresh")
            enablePlugins(mac, situation == "version 2" ? 2 : 3);
        if (situation == "corrupted")
            TestMac::writeFile(mac.preferencesPath(), QByteArray("bplist00\xff\x01garbage", 17));
        if (situation == "anonymous")
            TestMac::writePlist({{"CFBundleExecutable", "Mail"}},
                                mac.mailApplication() + "/Contents/Info.plist");
        QVERIFY(mac.startMail());
        QVERIFY2(mailLog(mac).contains(logged), qPrintable(mailLog(mac)));
        QVERIFY(!QFile::exists(mac.home() + "/test-plugin-loaded"));
        QVERIFY(status(mac).contains("\tbundles-loaded=\tbundles-moved=\t"));
    }

    void eachMailWantsAllItsIdentifiersUnderItsKey_data()
    {
        QTest::addColumn<QString>("system");
        QTest::addColumn<QString>("key");
        QTest::newRow("10.8, with the Message framework")
            << QString("10.8.5") << "SupportedPluginCompatibilityUUIDs";
        QTest::newRow("10.11") << QString("10.11.6") << "SupportedPluginCompatibilityUUIDs";
        QTest::newRow("10.12") << QString("10.12.6") << "Supported10.12PluginCompatibilityUUIDs";
        QTest::newRow("10.13") << QString("10.13.6") << "Supported10.13PluginCompatibilityUUIDs";
    }

    // One plug-in lists every identifier, the other lacks the last: that one goes to a new
    // disabled-bundles folder, numbered since an earlier one exists.
    void eachMailWantsAllItsIdentifiersUnderItsKey()
    {
        QFETCH(QString, system);
        QFETCH(QString, key);
        TestMac mac(system);
        enablePlugins(mac);
        installPlugin(mac, "Tester", key, mac.compatibilityIdentifiers());
        QStringList lacking = mac.compatibilityIdentifiers();
        lacking.last() = "00000000-0000-0000-0000-000000000000";
        installPlugin(mac, "Lacking", key, lacking);
        QDir().mkpath(mac.bundlesFolder("Bundles (Disabled)"));
        QVERIFY(mac.startMail());
        QVERIFY(status(mac).contains(
            "\tbundles-loaded=Tester.mailbundle\tbundles-moved=Lacking.mailbundle:Bundles (Disabled 1)\t"));
        QVERIFY(QFile::exists(mac.home() + "/test-plugin-loaded"));
        QVERIFY(QFile::exists(mac.bundlesFolder("Bundles (Disabled 1)") +
                              "/Lacking.mailbundle/Contents/MacOS/Lacking"));
    }
};

QTEST_GUILESS_MAIN(MailStandInTest)
#include "MailStandInTest.moc"
