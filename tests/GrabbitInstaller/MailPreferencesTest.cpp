// SPDX-License-Identifier: MIT
#include "CapturedLog.h"
#include "InstallationRecordingLauncher.h"
#include "MailBundleInstaller.h"
#include "TestSandbox.h"

#include <QFile>
#include <QFileInfo>
#include <QTest>

namespace {

const QString defaultsTool = QStringLiteral("/usr/bin/defaults");

QStringList defaultsWrite(const QString& key, const QString& type, const QString& value)
{
    return QStringList{defaultsTool, QStringLiteral("write"), QStringLiteral("com.apple.mail")} +
           QStringList{key, type, value};
}

const QStringList raiseCompatibilityVersion =
    defaultsWrite(QStringLiteral("BundleCompatibilityVersion"), QStringLiteral("-int"), QStringLiteral("3"));
const QStringList enableBundles =
    defaultsWrite(QStringLiteral("EnableBundles"), QStringLiteral("-bool"), QStringLiteral("YES"));

} // namespace

class MailPreferencesTest : public QObject {
    Q_OBJECT

private slots:
    void writesOnlyWhatIsNotAcceptable_data();
    void writesOnlyWhatIsNotAcceptable();
    void unreadablePreferences_data();
    void unreadablePreferences();
    void defaultsThatCannotStart();
    void preferencesThroughTheRealDefaultsTool();
    void stampingWritesMailsIdentifiers_data();
    void stampingWritesMailsIdentifiers();
    void stampComparison_data();
    void stampComparison();
    void stampingWithoutAnInfoPlistFails();
    void noMailAndNoStampNeedNoUpdate();
    void mailWithoutIdentifierExpectsNothing();
};

void MailPreferencesTest::writesOnlyWhatIsNotAcceptable_data()
{
    QTest::addColumn<QVariantMap>("preferences");
    QTest::addColumn<QList<int>>("exitStatuses");
    QTest::addColumn<QList<QStringList>>("expectedCommands");
    QTest::addColumn<bool>("succeeds");
    QTest::addColumn<QStringList>("expectedLog");

    const QString version = QStringLiteral("BundleCompatibilityVersion");
    const QString enable = QStringLiteral("EnableBundles");
    QTest::newRow("both fine") << QVariantMap{{version, qint64(3)}, {enable, true}} << QList<int>{}
                               << QList<QStringList>{} << true << QStringList{};
    QTest::newRow("larger version left alone")
        << QVariantMap{{version, qint64(5)}, {enable, true}} << QList<int>{} << QList<QStringList>{} << true
        << QStringList{};
    QTest::newRow("strings as Mail sometimes writes them")
        << QVariantMap{{version, QStringLiteral("14")}, {enable, QStringLiteral("YES")}} << QList<int>{}
        << QList<QStringList>{} << true << QStringList{};
    QTest::newRow("version absent") << QVariantMap{{enable, true}} << QList<int>{}
                                    << QList<QStringList>{raiseCompatibilityVersion} << true << QStringList{};
    QTest::newRow("version 2, its write fails")
        << QVariantMap{{version, qint64(2)}, {enable, true}} << QList<int>{4}
        << QList<QStringList>{raiseCompatibilityVersion} << false << QStringList{"defaults exited with: 4"};
    QTest::newRow("bundles off") << QVariantMap{{version, qint64(4)}} << QList<int>{}
                                 << QList<QStringList>{enableBundles} << true << QStringList{};
    QTest::newRow("both wrong") << QVariantMap{} << QList<int>{0, 0}
                                << QList<QStringList>{raiseCompatibilityVersion, enableBundles} << true
                                << QStringList{};
    QTest::newRow("both wrong, first write fails: no second")
        << QVariantMap{{enable, false}} << QList<int>{1} << QList<QStringList>{raiseCompatibilityVersion}
        << false << QStringList{"defaults exited with: 1"};
    QTest::newRow("second write fails")
        << QVariantMap{} << QList<int>{0, 1} << QList<QStringList>{raiseCompatibilityVersion, enableBundles}
        << false << QStringList{"defaults exited with: 1"};
}

void MailPreferencesTest::writesOnlyWhatIsNotAcceptable()
{
    QFETCH(QVariantMap, preferences);
    QFETCH(QList<int>, exitStatuses);
    QFETCH(QList<QStringList>, expectedCommands);
    QFETCH(bool, succeeds);
    QFETCH(QStringList, expectedLog);

    TestSandbox sandbox;
    sandbox.writeMailPreferences(preferences);
    const QByteArray before = [&] {
        QFile file(sandbox.mailPreferencesPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    InstallationRecordingLauncher launcher;
    launcher.scriptedOutcomes[defaultsTool] = exitStatuses;
    ScopedSharedChildProcessLauncher scopedLauncher(&launcher);
    CapturedLog log;

    MailBundleInstaller installer;
    Error error;
    QCOMPARE(installer.updateMailPreferences(&error), succeeds);
    QCOMPARE(launcher.commands, expectedCommands);
    QCOMPARE(log.lines, expectedLog);
    if (!succeeds) {
        QCOMPARE(error.domain(), QStringLiteral("MailBundleErrorDomain"));
        QCOMPARE(error.code(), qint64(1000));
        QCOMPARE(error.localizedDescription(), QStringLiteral("Unable to update Mail preferences."));
    }
    // Only defaults changes the file.
    QFile file(sandbox.mailPreferencesPath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);
}

void MailPreferencesTest::unreadablePreferences_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QString>("expectedLog");

    QTest::newRow("missing") << QByteArray() << false << "No file exists at path: %1";
    QTest::newRow("empty") << QByteArray("") << true
                           << "Contents of file appear to be wrong format at path: %1";
    QTest::newRow("truncated binary") << QByteArray("bplist00\xd1\x01\x02", 11) << true
                                      << "Contents of file appear to be wrong format at path: %1";
    QTest::newRow("a list, not a dictionary")
        << QByteArray(
               "<?xml version=\"1.0\"?><plist version=\"1.0\"><array><string>x</string></array></plist>")
        << true << "Contents of file appear to be wrong format at path: %1";
    QTest::newRow("over the size cap") << QByteArray(33 * 1024 * 1024, ' ') << true
                                       << "Contents of file appear to be wrong format at path: %1";
    QTest::newRow("a folder in its place")
        << QByteArray("folder") << true << "Couldn't read file at path: %1";
}

void MailPreferencesTest::unreadablePreferences()
{
    QFETCH(QByteArray, contents);
    QFETCH(bool, exists);
    QFETCH(QString, expectedLog);

    TestSandbox sandbox;
    if (exists && contents == "folder")
        QDir().mkpath(sandbox.mailPreferencesPath());
    else if (exists)
        TestSandbox::writeFile(sandbox.mailPreferencesPath(), contents);
    InstallationRecordingLauncher launcher;
    ScopedSharedChildProcessLauncher scopedLauncher(&launcher);
    CapturedLog log;

    MailBundleInstaller installer;
    QVERIFY(!installer.updateMailPreferences(nullptr));
    Error error;
    QVERIFY(!installer.updateMailPreferences(&error));
    QCOMPARE(error.code(), qint64(1000));
    QVERIFY(launcher.commands.isEmpty());
    QCOMPARE(log.lines.value(0), expectedLog.arg(sandbox.mailPreferencesPath()));
}

void MailPreferencesTest::defaultsThatCannotStart()
{
    TestSandbox sandbox;
    sandbox.writeMailPreferences({});
    InstallationRecordingLauncher launcher;
    launcher.scriptedOutcomes[defaultsTool] = {InstallationRecordingLauncher::cannotStart};
    ScopedSharedChildProcessLauncher scopedLauncher(&launcher);
    CapturedLog log;

    MailBundleInstaller installer;
    Error error;
    QVERIFY(!installer.updateMailPreferences(&error));
    QCOMPARE(error.code(), qint64(1000));
    QCOMPARE(log.lines.size(), 1);
    QVERIFY(log.lines.first().startsWith(QLatin1String("Exception raised while executing defaults: ")));
}

void MailPreferencesTest::preferencesThroughTheRealDefaultsTool()
{
    if (!QFileInfo(qEnvironmentVariable("GRABBIT_DEFAULTS_TOOL")).isExecutable())
        QSKIP("the defaults stand-in has not been built");
    TestSandbox sandbox;
    sandbox.writeMailPreferences({{QStringLiteral("NSWindow Frame Main"), QStringLiteral("0 0 800 600")},
                                  {QStringLiteral("BundleCompatibilityVersion"), QStringLiteral("2")}});
    MailBundleInstaller installer;
    QVERIFY(installer.updateMailPreferences(nullptr));

    PropertyListFormat format = PropertyListFormat::XML;
    const auto preferences = PropertyList::readFile(sandbox.mailPreferencesPath(), &format);
    QVERIFY(preferences);
    QCOMPARE(format, PropertyListFormat::Binary);
    const QVariantMap values = preferences->toMap();
    QCOMPARE(values.value(QStringLiteral("BundleCompatibilityVersion")).toLongLong(), 3);
    QCOMPARE(values.value(QStringLiteral("EnableBundles")), QVariant(true));
    QCOMPARE(values.value(QStringLiteral("NSWindow Frame Main")), QVariant(QStringLiteral("0 0 800 600")));
}

void MailPreferencesTest::stampingWritesMailsIdentifiers_data()
{
    QTest::addColumn<QString>("mail");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QVariantList>("expected");

    QTest::newRow("10.12: Mail alone") << mail1012 << "" << QVariantList{mail1012Identifier};
    QTest::newRow("10.8: Mail, then Message")
        << mail1085 << message1085 << QVariantList{mail1085Identifier, message1085Identifier};
    QTest::newRow("no Mail: nothing, even with Message") << "" << message1085 << QVariantList{};
}

void MailPreferencesTest::stampingWritesMailsIdentifiers()
{
    QFETCH(QString, mail);
    QFETCH(QString, message);
    QFETCH(QVariantList, expected);

    TestSandbox sandbox;
    if (!mail.isEmpty()) {
        sandbox.installMail(mail, message);
    } else {
        const QString messagePath =
            sandbox.rootPath() +
            QLatin1String("/System/Library/Frameworks/Message.framework/Resources/Info.plist");
        QDir().mkpath(QFileInfo(messagePath).absolutePath());
        QFile::copy(TestSandbox::testDataPath(QLatin1String("mail-info-plists/") + message), messagePath);
    }
    const QString copy = sandbox.makePlugin(QStringLiteral("Bundles"), QStringLiteral("1.4"),
                                            QVariantList{QStringLiteral("OLD-1"), QStringLiteral("OLD-2")});
    MailBundleInstaller installer;
    QCOMPARE(installer.expectedMailBundleCompatibilityValues(), expected);
    QVERIFY(installer.mailBundleCompatibilityValuesNeedUpdate());

    Error error;
    QVERIFY(installer.updateMailBundleCompatibilityValues(&error));
    const QVariantMap info = sandbox.pluginInfo(copy);
    QCOMPARE(info.value(QStringLiteral("SupportedPluginCompatibilityUUIDs")).toList(), expected);
    QCOMPARE(info.value(QStringLiteral("Supported10.12PluginCompatibilityUUIDs")).toList(), expected);
    QCOMPARE(info.value(QStringLiteral("CFBundleVersion")).toString(), QStringLiteral("1.4"));
    QVERIFY(!installer.mailBundleCompatibilityValuesNeedUpdate());
}

void MailPreferencesTest::stampComparison_data()
{
    QTest::addColumn<QVariantMap>("stamp");
    QTest::addColumn<bool>("needsUpdate");

    const QString supported = QStringLiteral("SupportedPluginCompatibilityUUIDs");
    const QString supported1012 = QStringLiteral("Supported10.12PluginCompatibilityUUIDs");
    const QVariantList right{mail1085Identifier, message1085Identifier};
    QTest::newRow("equal") << QVariantMap{{supported, right}} << false;
    QTest::newRow("other order") << QVariantMap{{supported,
                                                 QVariantList{message1085Identifier, mail1085Identifier}}}
                                 << true;
    QTest::newRow("a third element") << QVariantMap{{supported, right + QVariantList{QStringLiteral("X")}}}
                                     << true;
    QTest::newRow("only the 10.12 list right") << QVariantMap{{supported1012, right}} << true;
    QTest::newRow("stale 10.12 list is not looked at")
        << QVariantMap{{supported, right}, {supported1012, QVariantList{}}} << false;
    QTest::newRow("a string, not a list") << QVariantMap{{supported, mail1085Identifier}} << true;
}

void MailPreferencesTest::stampComparison()
{
    QFETCH(QVariantMap, stamp);
    QFETCH(bool, needsUpdate);

    TestSandbox sandbox;
    sandbox.installMail(mail1085, message1085);
    const QString copy = sandbox.makePlugin(QStringLiteral("Bundles"), QStringLiteral("1.4"), std::nullopt);
    QVariantMap info = sandbox.pluginInfo(copy);
    info.insert(stamp);
    QVERIFY(PropertyList::writeToFile(info, copy + QLatin1String("/Contents/Info.plist"),
                                      PropertyListFormat::Binary));
    MailBundleInstaller installer;
    QCOMPARE(installer.mailBundleCompatibilityValuesNeedUpdate(), needsUpdate);
}

void MailPreferencesTest::stampingWithoutAnInfoPlistFails()
{
    TestSandbox sandbox;
    sandbox.installMail(mail1012);
    MailBundleInstaller installer;
    const QString infoPlist = installer.mailBundleInstalledPath() + QLatin1String("/Contents/Info.plist");
    Error error;
    QVERIFY(!installer.updateMailBundleCompatibilityValues(&error));
    QCOMPARE(error.domain(), QStringLiteral("NSCocoaErrorDomain"));
    QCOMPARE(error.code(), qint64(512));
    QCOMPARE(error.userInfo(), (QVariantMap{{QStringLiteral("NSFilePath"), infoPlist}}));
    QCOMPARE(error.localizedDescription(), QStringLiteral("The file “Info.plist” couldn’t be saved."));
    QVERIFY(!QFileInfo::exists(infoPlist));
    // A malformed Info.plist is not replaced either.
    TestSandbox::writeFile(infoPlist, "<plist><dict><key>x</key></dict>");
    QVERIFY(!installer.updateMailBundleCompatibilityValues(nullptr));
    QFile file(infoPlist);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("<plist><dict><key>x</key></dict>"));
    QVERIFY(installer.mailBundleCompatibilityValuesNeedUpdate());
}

void MailPreferencesTest::noMailAndNoStampNeedNoUpdate()
{
    TestSandbox sandbox;
    sandbox.makePlugin(QStringLiteral("Bundles"), QStringLiteral("1.4"), std::nullopt);
    MailBundleInstaller installer;
    QVERIFY(!installer.mailBundleCompatibilityValuesNeedUpdate());
    installer.updateMailBundleState();
    QCOMPARE(installer.mailBundleState(), MailBundleStateUpToDate);
}

void MailPreferencesTest::mailWithoutIdentifierExpectsNothing()
{
    TestSandbox sandbox;
    sandbox.installMail(mail1085, message1085);
    const QString mailInfo = sandbox.mailApplicationPath() + QLatin1String("/Contents/Info.plist");
    auto info = PropertyList::dictionaryWithContentsOfFile(mailInfo);
    QVERIFY(info);
    info->remove(QStringLiteral("PluginCompatibilityUUID"));
    QVERIFY(PropertyList::writeToFile(*info, mailInfo, PropertyListFormat::Binary));
    MailBundleInstaller installer;
    QCOMPARE(installer.expectedMailBundleCompatibilityValues(), QVariantList{});
}

QTEST_GUILESS_MAIN(MailPreferencesTest)
#include "MailPreferencesTest.moc"
