// SPDX-License-Identifier: MIT
#include "CapturedLog.h"
#include "FakeMailWorkspace.h"
#include "InstallationCompletionRecorder.h"
#include "InstallationFailingFileManager.h"
#include "InstallationRecordingLauncher.h"
#include "MailBundleInstaller.h"
#include "TestSandbox.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

namespace {

const QString bundlesName = QStringLiteral("Bundles");
const QString disabledName = QStringLiteral("Bundles (Disabled)");
const QString secondDisabledName = QStringLiteral("Bundles (Disabled 1)");
const QString chmod = QStringLiteral("/bin/chmod");
using Answer = FakeMailWorkspace::QuitAnswer;

// Creates a file, or a folder when the name ends in "/".
void makeEntry(const QString& folder, const QString& name)
{
    if (name.endsWith(QLatin1Char('/')))
        QDir().mkpath(folder + QLatin1Char('/') + name);
    else
        TestSandbox::writeFile(folder + QLatin1Char('/') + name, "kept");
}

} // namespace

class RemovalTest : public QObject {
    Q_OBJECT

private slots:
    void emptiedFoldersGoWithTheCopies_data()
    {
        QTest::addColumn<QStringList>("bundlesExtras");
        QTest::addColumn<QStringList>("disabledExtras");
        QTest::addColumn<bool>("bundlesKept");
        QTest::addColumn<bool>("disabledKept");

        const QString store = QStringLiteral(".DS_Store");
        QTest::newRow("only the copies") << QStringList{} << QStringList{} << false << false;
        QTest::newRow("copies and .DS_Store") << QStringList{store} << QStringList{store} << false << false;
        QTest::newRow("another plug-in, another file")
            << QStringList{QStringLiteral("Other.mailbundle/")} << QStringList{QStringLiteral("notes.txt")}
            << true << true;
        QTest::newRow(".DS_Store and another hidden file")
            << QStringList{store, QStringLiteral(".hidden")} << QStringList{store, QStringLiteral(".hidden/")}
            << true << true;
    }

    void emptiedFoldersGoWithTheCopies()
    {
        QFETCH(QStringList, bundlesExtras);
        QFETCH(QStringList, disabledExtras);
        QFETCH(bool, bundlesKept);
        QFETCH(bool, disabledKept);
        TestSandbox sandbox;
        FakeMailWorkspace workspace;
        ScopedSharedWorkspace scopedWorkspace(&workspace);
        const QString installed = sandbox.makePlugin(bundlesName, QStringLiteral("1.0"), std::nullopt);
        sandbox.makePlugin(disabledName, QStringLiteral("0.9"), std::nullopt);
        sandbox.makePlugin(secondDisabledName, QStringLiteral("0.8"), std::nullopt);
        const QString bundles = sandbox.mailDirectory() + QLatin1Char('/') + bundlesName;
        const QString disabled = sandbox.mailDirectory() + QLatin1Char('/') + disabledName;
        for (const QString& name : bundlesExtras)
            makeEntry(bundles, name);
        for (const QString& name : disabledExtras)
            makeEntry(disabled, name);
        MailBundleInstaller installer;
        InstallationCompletionRecorder completion;

        installer.removeMailBundle(completion.callback());

        QCOMPARE(completion.calls, 1);
        QVERIFY(!completion.error);
        QCOMPARE(completion.installer, &installer);
        QVERIFY(!TestSandbox::exists(installed));
        QVERIFY(installer.disabledMailBundleInstalledPaths().isEmpty());
        QVERIFY(!TestSandbox::exists(sandbox.mailDirectory() + QLatin1Char('/') + secondDisabledName));
        QCOMPARE(TestSandbox::exists(bundles), bundlesKept);
        QCOMPARE(TestSandbox::exists(disabled), disabledKept);
        for (const QString& name : bundlesExtras)
            QCOMPARE(TestSandbox::exists(bundles + QLatin1Char('/') + name), bundlesKept);
        for (const QString& name : disabledExtras)
            QCOMPARE(TestSandbox::exists(disabled + QLatin1Char('/') + name), disabledKept);
    }

    void mailIsRestartedOnlyBeforeHighSierra_data()
    {
        QTest::addColumn<QString>("systemVersion");
        QTest::addColumn<bool>("mailRunning");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("copyPresent");
        QTest::addColumn<bool>("withCompletion");
        QTest::addColumn<int>("quitRequests");
        QTest::addColumn<int>("launches");

        const QString sierra = QStringLiteral("10.12.6");
        const int quits = int(Answer::Quits);
        QTest::newRow("10.12, Mail running") << sierra << true << quits << true << true << 1 << 1;
        QTest::newRow("10.12, Mail running, no copy") << sierra << true << quits << false << true << 1 << 1;
        QTest::newRow("10.12, Mail not running") << sierra << false << quits << true << true << 0 << 0;
        QTest::newRow("10.13, Mail running")
            << QStringLiteral("10.13") << true << quits << true << true << 0 << 0;
        QTest::newRow("no completion given") << sierra << true << quits << true << false << 1 << 1;
        QTest::newRow("Mail refuses to quit")
            << sierra << true << int(Answer::Refuses) << true << true << 1 << 0;
    }

    void mailIsRestartedOnlyBeforeHighSierra()
    {
        QFETCH(QString, systemVersion);
        QFETCH(bool, mailRunning);
        QFETCH(int, answer);
        QFETCH(bool, copyPresent);
        QFETCH(bool, withCompletion);
        QFETCH(int, quitRequests);
        QFETCH(int, launches);
        const bool refused = Answer(answer) == Answer::Refuses;
        TestSandbox sandbox;
        sandbox.setSystemVersion(systemVersion);
        FakeMailWorkspace workspace;
        const auto mail = workspace.addInstance(Answer(answer));
        mail->terminated = !mailRunning;
        ScopedSharedWorkspace scopedWorkspace(&workspace);
        const QString installed =
            copyPresent ? sandbox.makePlugin(bundlesName, QStringLiteral("1.0"), std::nullopt) : QString();
        const QString disabled = sandbox.makePlugin(disabledName, QStringLiteral("1.0"), std::nullopt);
        MailBundleInstaller installer;
        InstallationCompletionRecorder completion;
        int launchesWhenReported = -1;
        completion.onCall = [&] {
            launchesWhenReported = int(workspace.launchOptions.size());
        };

        installer.removeMailBundle(withCompletion ? completion.callback() : nullptr);

        QCOMPARE(completion.calls, withCompletion ? 1 : 0);
        QCOMPARE(bool(completion.error), refused);
        if (refused)
            QCOMPARE(completion.error->code(), 1001);
        QCOMPARE(TestSandbox::exists(installed), refused);
        QCOMPARE(TestSandbox::exists(disabled), refused);
        QCOMPARE(mail->quitRequests, quitRequests);
        if (withCompletion)
            QCOMPARE(launchesWhenReported, launches);
        QCOMPARE(workspace.launchOptions, QList<unsigned>(launches, GBWorkspaceLaunchWithoutActivation));
    }

    void removalForAnInstallationLeavesMailAlone()
    {
        TestSandbox sandbox;
        FakeMailWorkspace workspace;
        const auto mail = workspace.addInstance();
        ScopedSharedWorkspace scopedWorkspace(&workspace);
        const QString installed = sandbox.makePlugin(bundlesName, QStringLiteral("1.0"), std::nullopt);
        MailBundleInstaller installer;

        QVERIFY(installer.removeMailBundleRestartingMail(false, nullptr));

        QVERIFY(!TestSandbox::exists(installed));
        QCOMPARE(workspace.listings, 1);
        QCOMPARE(mail->quitRequests, 0);
        QVERIFY(workspace.launchOptions.isEmpty());
    }

    void aCopyThatResistsRemovalIsRepairedAndRetriedOnce_data()
    {
        QTest::addColumn<int>("refusals");
        QTest::addColumn<bool>("removed");

        QTest::newRow("first attempt refused") << 1 << true;
        QTest::newRow("both attempts refused") << -1 << false;
    }

    void aCopyThatResistsRemovalIsRepairedAndRetriedOnce()
    {
        QFETCH(int, refusals);
        QFETCH(bool, removed);
        TestSandbox sandbox;
        FakeMailWorkspace workspace;
        const auto mail = workspace.addInstance();
        ScopedSharedWorkspace scopedWorkspace(&workspace);
        const QString installed = sandbox.makePlugin(bundlesName, QStringLiteral("1.0"), std::nullopt);
        const QString disabled = sandbox.makePlugin(disabledName, QStringLiteral("1.0"), std::nullopt);
        // Another plug-in keeps the bundles folder, so the repair's modes can be read afterwards.
        makeEntry(QFileInfo(installed).path(), QStringLiteral("Other.mailbundle/"));
        InstallationFailingFileManager fileManager;
        fileManager.removalFailures.insert(installed, refusals);
        ScopedDefaultFileManager scopedFileManager(&fileManager);
        InstallationRecordingLauncher launcher;
        ScopedSharedChildProcessLauncher scopedLauncher(&launcher);
        MailBundleInstaller installer;
        InstallationCompletionRecorder completion;

        installer.removeMailBundle(completion.callback());

        QCOMPARE(completion.calls, 1);
        const QString bundles = installer.mailBundlesDirectory();
        QCOMPARE(fileManager.permissionChanges,
                 (QList<QPair<QString, mode_t>>{{installer.mailDirectory(), 0700}, {bundles, 0700}}));
        QCOMPARE(launcher.commands, (QList<QStringList>{
                                        {chmod, QStringLiteral("-R"), QStringLiteral("-N"), bundles},
                                        {chmod, QStringLiteral("-R"), QStringLiteral("+w"), installed},
                                        {chmod, QStringLiteral("-R"), QStringLiteral("+w"), disabled},
                                    }));
        QCOMPARE(QFileInfo(bundles).permissions() & 0x7777, QFile::ReadOwner | QFile::WriteOwner |
                                                                QFile::ExeOwner | QFile::ReadUser |
                                                                QFile::WriteUser | QFile::ExeUser);
        QCOMPARE(!TestSandbox::exists(installed), removed);
        // A copy that stays stops the walk: later copies stay too, and Mail stays quit.
        QCOMPARE(!TestSandbox::exists(disabled), removed);
        QCOMPARE(mail->quitRequests, 1);
        QCOMPARE(workspace.launchOptions.size(), removed ? 1 : 0);
        if (removed) {
            QVERIFY(!completion.error);
            return;
        }
        QVERIFY(completion.error);
        QCOMPARE(completion.error->localizedDescription(),
                 InstallationFailingFileManager::refusalDescription(2));
        QCOMPARE(completion.error->userInfo().value(GBFilePathErrorKey).toString(), installed);
    }

    void aRepairThatCannotRunIsLoggedAndTheRetryStillRuns()
    {
        TestSandbox sandbox;
        FakeMailWorkspace workspace;
        ScopedSharedWorkspace scopedWorkspace(&workspace);
        const QString installed = sandbox.makePlugin(bundlesName, QStringLiteral("1.0"), std::nullopt);
        InstallationFailingFileManager fileManager;
        fileManager.removalFailures.insert(installed, 1);
        ScopedDefaultFileManager scopedFileManager(&fileManager);
        InstallationRecordingLauncher launcher;
        launcher.scriptedOutcomes[chmod] = {InstallationRecordingLauncher::cannotStart};
        ScopedSharedChildProcessLauncher scopedLauncher(&launcher);
        CapturedLog log;
        MailBundleInstaller installer;
        InstallationCompletionRecorder completion;

        installer.removeMailBundle(completion.callback());

        QCOMPARE(completion.calls, 1);
        QVERIFY(!completion.error);
        QVERIFY(!TestSandbox::exists(installed));
        QCOMPARE(launcher.commands.size(), 1);
        QCOMPARE(log.lines,
                 QStringList{QStringLiteral("Exception caught in -[MailBundleInstaller "
                                            "autoRepairMailBundlesDirectoryForRemoval:]: launch path not "
                                            "accessible: /bin/chmod")});
    }

    void repairForAnInstallationTouchesOnlyTheBundlesFolder()
    {
        TestSandbox sandbox;
        sandbox.makePlugin(bundlesName, QStringLiteral("1.0"), std::nullopt);
        sandbox.makePlugin(disabledName, QStringLiteral("1.0"), std::nullopt);
        InstallationRecordingLauncher launcher;
        ScopedSharedChildProcessLauncher scopedLauncher(&launcher);
        MailBundleInstaller installer;

        installer.autoRepairMailBundlesDirectoryForRemoval(false);

        const QStringList stripAccessControlLists{chmod, QStringLiteral("-R"), QStringLiteral("-N"),
                                                  installer.mailBundlesDirectory()};
        QCOMPARE(launcher.commands, QList<QStringList>{stripAccessControlLists});
        for (const QString& folder : {installer.mailDirectory(), installer.mailBundlesDirectory()})
            QCOMPARE(QFileInfo(folder).permissions() & 0x0077, QFile::Permissions());
    }

    void anEnclosingFolderThatStaysIsLoggedNotReported()
    {
        TestSandbox sandbox;
        FakeMailWorkspace workspace;
        ScopedSharedWorkspace scopedWorkspace(&workspace);
        const QString installed = sandbox.makePlugin(bundlesName, QStringLiteral("1.0"), std::nullopt);
        const QString bundles = QFileInfo(installed).path();
        InstallationFailingFileManager fileManager;
        fileManager.removalFailures.insert(bundles, -1);
        ScopedDefaultFileManager scopedFileManager(&fileManager);
        CapturedLog log;
        MailBundleInstaller installer;
        InstallationCompletionRecorder completion;

        installer.removeMailBundle(completion.callback());

        QCOMPARE(completion.calls, 1);
        QVERIFY(!completion.error);
        QVERIFY(!TestSandbox::exists(installed));
        QVERIFY(TestSandbox::exists(bundles));
        QCOMPARE(log.lines.size(), 1);
        QVERIFY(
            log.lines.first().startsWith(QStringLiteral("Error removing bundle's enclosing directory: ")));
        QVERIFY(log.lines.first().contains(InstallationFailingFileManager::refusalDescription(1)));
    }

    void linksAreRemovedAsLinksAndTheirTargetsKept()
    {
        TestSandbox sandbox;
        FakeMailWorkspace workspace;
        ScopedSharedWorkspace scopedWorkspace(&workspace);
        const QString outside = sandbox.path() + QLatin1String("/outside");
        // The installed copy and a whole disabled-bundles folder are links to folders elsewhere.
        const QString linkedCopyTarget = outside + QLatin1String("/Linked.mailbundle");
        makeEntry(linkedCopyTarget, QStringLiteral("Contents/Info.plist"));
        const QString linkedFolderTarget = outside + QLatin1String("/Disabled elsewhere");
        makeEntry(linkedFolderTarget,
                  QStringLiteral("ZephMailMessageServiceEnabler.mailbundle/Contents/Info.plist"));
        MailBundleInstaller installer;
        QDir().mkpath(installer.mailBundlesDirectory());
        QVERIFY(QFile::link(linkedCopyTarget, installer.mailBundleInstalledPath()));
        const QString disabledLink = sandbox.mailDirectory() + QLatin1Char('/') + disabledName;
        QVERIFY(QFile::link(linkedFolderTarget, disabledLink));
        InstallationCompletionRecorder completion;

        installer.removeMailBundle(completion.callback());

        QCOMPARE(completion.calls, 1);
        QVERIFY(!completion.error);
        QVERIFY(!TestSandbox::exists(installer.mailBundleInstalledPath()));
        QVERIFY(!TestSandbox::exists(installer.mailBundlesDirectory()));
        QVERIFY(!TestSandbox::exists(disabledLink));
        QVERIFY(QFileInfo::exists(linkedCopyTarget + QLatin1String("/Contents/Info.plist")));
        QVERIFY(QFileInfo::exists(
            linkedFolderTarget +
            QLatin1String("/ZephMailMessageServiceEnabler.mailbundle/Contents/Info.plist")));
    }

    void aDanglingLinkWhereTheCopyBelongsIsRemoved()
    {
        TestSandbox sandbox;
        FakeMailWorkspace workspace;
        ScopedSharedWorkspace scopedWorkspace(&workspace);
        MailBundleInstaller installer;
        QDir().mkpath(installer.mailBundlesDirectory());
        makeEntry(installer.mailBundlesDirectory(), QStringLiteral("Other.mailbundle/"));
        QVERIFY(QFile::link(sandbox.path() + QLatin1String("/gone"), installer.mailBundleInstalledPath()));

        QVERIFY(installer.removeMailBundleRestartingMail(false, nullptr));

        QVERIFY(!TestSandbox::exists(installer.mailBundleInstalledPath()));
        QVERIFY(TestSandbox::exists(installer.mailBundlesDirectory() + QLatin1String("/Other.mailbundle")));
    }
};

QTEST_GUILESS_MAIN(RemovalTest)
#include "RemovalTest.moc"
