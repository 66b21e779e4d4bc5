// SPDX-License-Identifier: MIT
#include "ChildProcessLauncher.h"
#include "FileManager.h"
#include "NotificationCenter.h"
#include "PropertyList.h"
#include "Workspace.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

void writeFile(const QString& path, const QByteArray& contents = "x")
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(contents);
}

void makeApplication(const QString& bundlePath, const QString& identifier)
{
    QDir().mkpath(bundlePath + QLatin1String("/Contents/MacOS"));
    QVERIFY(
        PropertyList::writeToFile(QVariantMap{{QStringLiteral("CFBundleIdentifier"), identifier},
                                              {QStringLiteral("CFBundleExecutable"), QStringLiteral("Mail")}},
                                  bundlePath + QLatin1String("/Contents/Info.plist")));
}

} // namespace

class PlatformTest : public QObject {
    Q_OBJECT

private slots:
    void removalNeverFollowsSymbolicLinks();
    void removalOfWhatIsNotThereFails();
    void folderCreation();
    void listingIncludesHiddenEntries();
    void childExitStatusAndStartFailure();
    void macToolsTranslateToTheirLinuxStandIns_data();
    void macToolsTranslateToTheirLinuxStandIns();
    void notificationsReachMatchingObserversOnly();
    void observersMayUnregisterWhileNotified();
    void applicationsAreFoundByIdentifierUnderTheSystemRoot();
};

void PlatformTest::removalNeverFollowsSymbolicLinks()
{
    QTemporaryDir folder;
    const QString target = folder.path() + QLatin1String("/outside");
    writeFile(target + QLatin1String("/keep.txt"));
    const QString tree = folder.path() + QLatin1String("/tree");
    writeFile(tree + QLatin1String("/nested/file.txt"));
    QVERIFY(QFile::link(target, tree + QLatin1String("/nested/link-to-outside")));
    QVERIFY(QFile::link(folder.path() + QLatin1String("/nowhere"), tree + QLatin1String("/dangling")));
    const QString linkToFolder = folder.path() + QLatin1String("/link");
    QVERIFY(QFile::link(target, linkToFolder));

    FileManager& fileManager = FileManager::defaultManager();
    Error error;
    QVERIFY(fileManager.removeItemAtPath(tree, &error));
    QVERIFY(!QFileInfo::exists(tree));
    QVERIFY(fileManager.removeItemAtPath(linkToFolder, &error));
    QVERIFY(!QFileInfo(linkToFolder).isSymLink());
    QVERIFY(QFileInfo::exists(target + QLatin1String("/keep.txt")));
}

void PlatformTest::removalOfWhatIsNotThereFails()
{
    QTemporaryDir folder;
    const QString missing = folder.path() + QLatin1String("/missing");
    Error error;
    QVERIFY(!FileManager::defaultManager().removeItemAtPath(missing, &error));
    QCOMPARE(error.domain(), QStringLiteral("NSCocoaErrorDomain"));
    QCOMPARE(error.code(), NSFileNoSuchFileError);
    QCOMPARE(error.userInfo().value(NSFilePathErrorKey).toString(), missing);
    QVERIFY(!error.localizedDescription().isEmpty());
}

void PlatformTest::folderCreation()
{
    QTemporaryDir folder;
    FileManager& fileManager = FileManager::defaultManager();
    const QString deep = folder.path() + QLatin1String("/Library/Mail/Bundles");
    Error error;
    QVERIFY(!fileManager.createDirectoryAtPath(deep, false, &error));
    QVERIFY(fileManager.createDirectoryAtPath(deep, true, &error));
    QVERIFY(fileManager.createDirectoryAtPath(deep, true, &error));
    QVERIFY(QFileInfo(deep).isDir());

    const QString file = folder.path() + QLatin1String("/file");
    writeFile(file);
    QVERIFY(!fileManager.createDirectoryAtPath(file + QLatin1String("/below"), true, &error));
    QVERIFY(!fileManager.createDirectoryAtPath(file, true, &error));
}

void PlatformTest::listingIncludesHiddenEntries()
{
    QTemporaryDir folder;
    writeFile(folder.path() + QLatin1String("/.DS_Store"));
    writeFile(folder.path() + QLatin1String("/Bundles (Disabled)/x"));
    auto names = FileManager::defaultManager().contentsOfDirectoryAtPath(folder.path(), nullptr);
    QVERIFY(names);
    names->sort();
    QCOMPARE(*names, (QStringList{QStringLiteral(".DS_Store"), QStringLiteral("Bundles (Disabled)")}));
    QVERIFY(!FileManager::defaultManager().contentsOfDirectoryAtPath(folder.path() + QLatin1String("/none"),
                                                                     nullptr));
}

void PlatformTest::childExitStatusAndStartFailure()
{
    ChildProcessLauncher& launcher = ChildProcessLauncher::sharedLauncher();
    QCOMPARE(
        launcher.launchAndWait(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("exit 3")}),
        3);
    // Arguments arrive as they are: no shell splits or expands them.
    QCOMPARE(launcher.launchAndWait(QStringLiteral("/bin/sh"),
                                    {QStringLiteral("-c"), QStringLiteral("[ \"$1\" = 'a b*' ]"),
                                     QStringLiteral("sh"), QStringLiteral("a b*")}),
             0);
    QVERIFY_THROWS_EXCEPTION(ChildProcessException,
                             launcher.launchAndWait(QStringLiteral("/nonexistent/tool"), {}));
}

void PlatformTest::macToolsTranslateToTheirLinuxStandIns_data()
{
    QTest::addColumn<QString>("launchPath");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("expectedProgram");
    QTest::addColumn<QStringList>("expectedArguments");

    QTest::newRow("strip access-control lists")
        << "/bin/chmod" << QStringList{"-R", "-N", "/home/u/Library/Mail/Bundles"} << "setfacl"
        << QStringList{"-R", "-b", "/home/u/Library/Mail/Bundles"};
    QTest::newRow("add write permission")
        << "/bin/chmod" << QStringList{"-R", "+w", "/x"} << "chmod" << QStringList{"-R", "+w", "/x"};
    QTest::newRow("unzip as it is") << "/usr/bin/unzip" << QStringList{"-d", "/b", "-u", "-q", "/a.zip"}
                                    << "unzip" << QStringList{"-d", "/b", "-u", "-q", "/a.zip"};
    QTest::newRow("our defaults") << "/usr/bin/defaults"
                                  << QStringList{"write", "com.apple.mail", "EnableBundles", "-bool", "YES"}
                                  << "stand-in-defaults"
                                  << QStringList{"write", "com.apple.mail", "EnableBundles", "-bool", "YES"};
}

void PlatformTest::macToolsTranslateToTheirLinuxStandIns()
{
    QFETCH(QString, launchPath);
    QFETCH(QStringList, arguments);
    QFETCH(QString, expectedProgram);
    QFETCH(QStringList, expectedArguments);
    qputenv("GRABBIT_DEFAULTS_TOOL", "/opt/stand-in-defaults");
    ChildProcessLauncher::translateForThisSystem(launchPath, arguments);
    QCOMPARE(QFileInfo(launchPath).fileName(), expectedProgram);
    QCOMPARE(arguments, expectedArguments);
}

void PlatformTest::notificationsReachMatchingObserversOnly()
{
    NotificationCenter center;
    int sender = 0;
    int otherSender = 0;
    QStringList delivered;
    center.addObserver(this, QStringLiteral("Changed"), nullptr,
                       [&](const Notification& notification) { delivered << "any:" + notification.name; });
    center.addObserver(&delivered, QStringLiteral("Changed"), &sender,
                       [&](const Notification&) { delivered << QStringLiteral("sender"); });
    center.postNotification(QStringLiteral("Changed"), &otherSender);
    center.postNotification(QStringLiteral("Other"), &sender);
    center.postNotification(QStringLiteral("Changed"), &sender);
    QCOMPARE(delivered, (QStringList{"any:Changed", "any:Changed", "sender"}));
}

void PlatformTest::observersMayUnregisterWhileNotified()
{
    NotificationCenter center;
    int first = 0;
    int second = 0;
    int calls = 0;
    center.addObserver(&first, QStringLiteral("N"), nullptr, [&](const Notification&) {
        ++calls;
        center.removeObserver(&second);
        center.addObserver(&calls, QStringLiteral("N"), nullptr, [&](const Notification&) { calls += 100; });
    });
    center.addObserver(&second, QStringLiteral("N"), nullptr, [&](const Notification&) { calls += 10; });
    center.postNotification(QStringLiteral("N"), nullptr);
    QCOMPARE(calls, 1);
}

void PlatformTest::applicationsAreFoundByIdentifierUnderTheSystemRoot()
{
    QTemporaryDir sandbox;
    const QString root = sandbox.path() + QLatin1String("/root");
    const QString home = sandbox.path() + QLatin1String("/home");
    makeApplication(root + QLatin1String("/Applications/Notes.app"), QStringLiteral("com.apple.Notes"));
    writeFile(root + QLatin1String("/Applications/Broken.app/Contents/Info.plist"), "not a property list");
    makeApplication(home + QLatin1String("/Applications/Mail.app"), QStringLiteral("com.apple.mail"));
    const QByteArray previousHome = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(home));
    qputenv("GRABBIT_SYSTEM_ROOT", QFile::encodeName(root));

    Workspace& workspace = Workspace::sharedWorkspace();
    QCOMPARE(workspace.urlForApplicationWithBundleIdentifier(QStringLiteral("com.apple.mail")),
             std::optional(home + QLatin1String("/Applications/Mail.app")));
    makeApplication(root + QLatin1String("/System/Applications/Mail.app"), QStringLiteral("com.apple.mail"));
    QCOMPARE(workspace.urlForApplicationWithBundleIdentifier(QStringLiteral("com.apple.mail")),
             std::optional(root + QLatin1String("/System/Applications/Mail.app")));
    QVERIFY(!workspace.urlForApplicationWithBundleIdentifier(QStringLiteral("com.example.none")));
    QVERIFY(workspace.runningApplicationsWithBundleIdentifier(QStringLiteral("com.apple.mail")).empty());

    qputenv("HOME", previousHome);
    qunsetenv("GRABBIT_SYSTEM_ROOT");
}

QTEST_GUILESS_MAIN(PlatformTest)
#include "PlatformTest.moc"
