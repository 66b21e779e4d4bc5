// SPDX-License-Identifier: MIT
#include "MailBundleInstaller.h"
#include "NotificationCenter.h"
#include "TestSandbox.h"

#include <QDir>
#include <QFile>
#include <QTest>

class MailBundleStateTest : public QObject {
    Q_OBJECT

private slots:
    void stateFromTheDisk_data();
    void stateFromTheDisk();
    void disabledCopiesAreFoundByTheExactPrefix();
    void installedVersionsAsTheyComeInTheWild_data();
    void installedVersionsAsTheyComeInTheWild();
    void versionTextEndingInALineBreakEqualsTheBundleVersion();
    void onlyChangesAreAnnounced();
    void locationsFollowTheHomeFolder();
};

void MailBundleStateTest::stateFromTheDisk_data()
{
    // What lies on disk: the enabled copy's version and stamp ("" for no copy, "stale" for an old
    // stamp), and the name of a disabled folder holding a copy ("" for none).
    QTest::addColumn<QString>("installedVersion");
    QTest::addColumn<QString>("stamp");
    QTest::addColumn<QString>("disabledFolder");
    QTest::addColumn<QByteArray>("packagedVersion");
    QTest::addColumn<int>("state");

    const auto row = [](const char* name, const char* installed, const char* stamp, const char* disabled,
                        const QByteArray& packaged, int state) {
        QTest::newRow(name) << QString::fromUtf8(installed) << QString::fromUtf8(stamp)
                            << QString::fromUtf8(disabled) << packaged << state;
    };
    row("nothing anywhere", "", "", "", "1.4", 0);
    row("same version, stamped", "1.4", "current", "", "1.4", 3);
    row("newer installed", "1.10", "current", "", "1.9", 3);
    row("older installed", "1.3", "current", "", "1.4", 2);
    row("stale stamp wins over older version", "1.3", "stale", "", "1.4", 1);
    row("no stamp key at all", "1.4", "absent", "", "1.4", 1);
    row("enabled copy hides disabled ones", "1.4", "current", "Bundles (Disabled)", "1.4", 3);
    row("only a disabled copy", "", "", "Bundles (Disabled 2)", "1.4", 1);
    row("prefix with anything after it", "", "", "Bundles (Disabled-old", "1.4", 1);
    row("no packaged version text", "1.4", "current", "", QByteArray(), 3);
    row("junk packaged version", "1.4", "current", "", "\xff\xfe junk", 3);
}

void MailBundleStateTest::stateFromTheDisk()
{
    QFETCH(QString, installedVersion);
    QFETCH(QString, stamp);
    QFETCH(QString, disabledFolder);
    QFETCH(QByteArray, packagedVersion);
    QFETCH(int, state);

    TestSandbox sandbox;
    sandbox.installMail(mail1012);
    sandbox.setPackagedVersionText(packagedVersion.isNull() ? std::nullopt : std::optional(packagedVersion));
    const QVariantList current{mail1012Identifier};
    if (!installedVersion.isEmpty()) {
        std::optional<QVariantList> values;
        if (stamp == QLatin1String("current"))
            values = current;
        else if (stamp == QLatin1String("stale"))
            values = QVariantList{QStringLiteral("3335F782-01E2-4DF1-9E61-F81314124212")};
        sandbox.makePlugin(QStringLiteral("Bundles"), installedVersion, values);
    }
    if (!disabledFolder.isEmpty())
        sandbox.makePlugin(disabledFolder, QStringLiteral("1.0"), QVariantList{});

    MailBundleInstaller installer;
    installer.updateMailBundleState();
    QCOMPARE(static_cast<int>(installer.mailBundleState()), state);
    QCOMPARE(installer.isMailBundleInstalled(), state != MailBundleStateNotInstalled);
}

void MailBundleStateTest::disabledCopiesAreFoundByTheExactPrefix()
{
    TestSandbox sandbox;
    sandbox.installMail(mail1012);
    // None of these counts: wrong case, a folder without the copy, a file, and a link to nowhere.
    sandbox.makePlugin(QStringLiteral("bundles (disabled)"), QStringLiteral("1.0"), QVariantList{});
    QDir().mkpath(sandbox.mailDirectory() + QLatin1String("/Bundles (Disabled 1)/Other.mailbundle"));
    TestSandbox::writeFile(sandbox.mailDirectory() + QLatin1String("/Bundles (Disabled 3)"), "file");
    QFile::link(sandbox.path() + QLatin1String("/nowhere"),
                sandbox.mailDirectory() + QLatin1String("/Bundles (Disabled 4)"));

    MailBundleInstaller installer;
    QVERIFY(installer.disabledMailBundleInstalledPaths().isEmpty());
    installer.updateMailBundleState();
    QCOMPARE(installer.mailBundleState(), MailBundleStateNotInstalled);

    const QString copy =
        sandbox.makePlugin(QStringLiteral("Bundles (Disabled 5)"), QStringLiteral("1.0"), {});
    QCOMPARE(installer.disabledMailBundleInstalledPaths(), QStringList{copy});
}

void MailBundleStateTest::installedVersionsAsTheyComeInTheWild_data()
{
    QTest::addColumn<QVariant>("bundleVersion");
    QTest::addColumn<int>("state");

    QTest::newRow("no CFBundleVersion: up to date") << QVariant() << 3;
    QTest::newRow("a number, older") << QVariant(qint64(1)) << 2;
    QTest::newRow("a number, newer") << QVariant(qint64(2)) << 3;
    QTest::newRow("a list is no version") << QVariant(QVariantList{QStringLiteral("1.0")}) << 3;
}

void MailBundleStateTest::installedVersionsAsTheyComeInTheWild()
{
    QFETCH(QVariant, bundleVersion);
    QFETCH(int, state);
    TestSandbox sandbox;
    sandbox.installMail(mail1012);
    const QString copy = sandbox.makePlugin(QStringLiteral("Bundles"), QStringLiteral("1.4"),
                                            QVariantList{mail1012Identifier});
    QVariantMap info = sandbox.pluginInfo(copy);
    info.remove(QStringLiteral("CFBundleVersion"));
    if (bundleVersion.isValid())
        info.insert(QStringLiteral("CFBundleVersion"), bundleVersion);
    QVERIFY(PropertyList::writeToFile(info, copy + QLatin1String("/Contents/Info.plist"),
                                      PropertyListFormat::Binary));

    MailBundleInstaller installer;
    installer.updateMailBundleState();
    QCOMPARE(static_cast<int>(installer.mailBundleState()), state);
}

void MailBundleStateTest::versionTextEndingInALineBreakEqualsTheBundleVersion()
{
    TestSandbox sandbox;
    sandbox.installMail(mail1085, message1085);
    sandbox.setPackagedVersionText(QByteArrayLiteral("1.4\n"));
    MailBundleInstaller installer;
    sandbox.makePlugin(QStringLiteral("Bundles"), QStringLiteral("1.4"),
                       installer.expectedMailBundleCompatibilityValues());
    QCOMPARE(installer.packagedVersionString(), std::optional(QStringLiteral("1.4\n")));
    installer.updateMailBundleState();
    QCOMPARE(installer.mailBundleState(), MailBundleStateUpToDate);
}

void MailBundleStateTest::onlyChangesAreAnnounced()
{
    TestSandbox sandbox;
    sandbox.installMail(mail1012);
    MailBundleInstaller installer;
    QList<Notification> received;
    NotificationCenter::defaultCenter().addObserver(
        this, MailBundleInstallerBundleStateDidChangeNotification, nullptr,
        [&](const Notification& notification) { received << notification; });

    installer.updateMailBundleState();
    QVERIFY(received.isEmpty());
    const QString copy = sandbox.makePlugin(QStringLiteral("Bundles"), QStringLiteral("1.3"),
                                            QVariantList{mail1012Identifier});
    installer.updateMailBundleState();
    installer.updateMailBundleState();
    QCOMPARE(received.size(), 1);
    QCOMPARE(installer.mailBundleState(), MailBundleStateRequiresUpdateForMailBundleChange);

    sandbox.makePlugin(QStringLiteral("Bundles"), QStringLiteral("1.4"), QVariantList{mail1012Identifier});
    installer.updateMailBundleState();
    QCOMPARE(received.size(), 2);
    QCOMPARE(received.last().object, static_cast<const void*>(&installer));
    QVERIFY(received.last().userInfo.isEmpty());
    QCOMPARE(installer.mailBundleState(), MailBundleStateUpToDate);

    // The plain setter stores and tells nobody.
    installer.setBundleState(MailBundleStateNotInstalled);
    QCOMPARE(received.size(), 2);
    NotificationCenter::defaultCenter().removeObserver(this);
}

void MailBundleStateTest::locationsFollowTheHomeFolder()
{
    TestSandbox sandbox;
    qputenv("HOME", QFile::encodeName(sandbox.homePath() + QLatin1String("//")));
    MailBundleInstaller installer;
    QCOMPARE(installer.mailDirectory(), sandbox.homePath() + QLatin1String("/Library/Mail"));
    QCOMPARE(installer.mailBundleInstalledPath(),
             sandbox.homePath() +
                 QLatin1String("/Library/Mail/Bundles/ZephMailMessageServiceEnabler.mailbundle"));
    QVERIFY(!installer.mailBundleZipArchiveResourcePath());
    QCOMPARE(installer.mailBundleVersionInfoResourcePath(),
             std::optional(sandbox.installerBundlePath() +
                           QLatin1String("/Contents/Resources/ZephMailMessageServiceEnabler-Version.txt")));
}

QTEST_GUILESS_MAIN(MailBundleStateTest)
#include "MailBundleStateTest.moc"
