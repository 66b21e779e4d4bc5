// SPDX-License-Identifier: MIT
// The engine on simulated Macs: its state, Mail's preferences and the compatibility stamp, and
// installing and removing the plug-in around a real stand-in Mail (without a display), with the
// real unzip, chmod and defaults. Failures that root cannot get from permission bits come from
// the failing file manager and the recording launcher's scripts.
#include "MailBundleInstaller.h"
#include "CapturedLog.h"
#include "FailingFileManager.h"
#include "NotificationCenter.h"
#include "PropertyList.h"
#include "RecordingLauncher.h"
#include "TestMac.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTest>

namespace {
const QString version = QStringLiteral("BundleCompatibilityVersion");
const QString enable = QStringLiteral("EnableBundles");
const QString supported = QStringLiteral("SupportedPluginCompatibilityUUIDs");
const QString supported1012 = QStringLiteral("Supported10.12PluginCompatibilityUUIDs");
const QString raise = QStringLiteral("BundleCompatibilityVersion -int 3");
const QString switchOn = QStringLiteral("EnableBundles -bool YES");

const QString unzip = QStringLiteral("/usr/bin/unzip");
const QString chmod = QStringLiteral("/bin/chmod");
const QString plugin = QStringLiteral("ZephMailMessageServiceEnabler.mailbundle");

struct Outcome {
    int calls = 0;
    std::optional<Error> error;
};

Outcome run(void (MailBundleInstaller::*operation)(MailBundleInstaller::Completion))
{
    Outcome outcome;
    MailBundleInstaller installer;
    (installer.*operation)([&](MailBundleInstaller*, const std::optional<Error>& error) {
        ++outcome.calls;
        outcome.error = error;
    });
    return outcome;
}

// Every path below the folder, relative to it, links included but not followed.
QStringList treeBelow(const QString& folder)
{
    QStringList paths;
    for (QDirIterator entries(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                              QDirIterator::Subdirectories);
         entries.hasNext();)
        paths << QDir(folder).relativeFilePath(entries.next());
    paths.sort();
    return paths;
}

} // namespace

class MailBundleInstallerTest : public QObject {
    Q_OBJECT

private slots:
    // Runs first: the shared installer is made once per process.
    void theFirstStateIsSilentThenOnlyChangesAreAnnounced()
    {
        TestMac mac;
        mac.makePlugin("Bundles (Disabled)", "1.4", QVariantList{});
        QList<const void*> announcers;
        NotificationCenter::defaultCenter().addObserver(
            this, MailBundleInstallerBundleStateDidChangeNotification, nullptr,
            [&](const Notification& notification) { announcers << notification.object; });

        MailBundleInstaller* installer = MailBundleInstaller::sharedInstaller();
        QCOMPARE(installer->mailBundleState(), MailBundleStateRequiresUpdateForOSChange);
        installer->updateMailBundleState();
        QVERIFY(announcers.isEmpty());
        QDir(mac.bundlesFolder("Bundles (Disabled)")).removeRecursively();
        installer->updateMailBundleState();
        QCOMPARE(installer->mailBundleState(), MailBundleStateNotInstalled);
        QCOMPARE(announcers, QList<const void*>{installer});
        NotificationCenter::defaultCenter().removeObserver(this);
    }

    void stateFromTheDisk_data()
    {
        // The enabled copy's CFBundleVersion (none: no copy) and stamp, the folder of a disabled
        // copy (ending in "/": of another plug-in only), and the installer's version text (null:
        // no such resource).
        QTest::addColumn<QVariant>("version");
        QTest::addColumn<QString>("stamp");
        QTest::addColumn<QString>("disabledFolder");
        QTest::addColumn<QByteArray>("packaged");
        QTest::addColumn<int>("state");
        const auto row = [](const char* name, const QVariant& version, const char* stamp,
                            const char* disabled, const QByteArray& packaged, int state) {
            QTest::newRow(name) << version << QString(stamp) << QString(disabled) << packaged << state;
        };
        row("nothing anywhere", {}, "", "", "1.4", 0);
        row("the same version, stamped", "1.4", "Mail's", "", "1.4", 3);
        row("1.10 is newer than 1.9", "1.10", "Mail's", "", "1.9", 3);
        row("an older copy", "1.3", "Mail's", "", "1.4", 2);
        row("a stale stamp beats an older version", "1.3", "stale", "", "1.4", 1);
        row("no stamp at all", "1.4", "none", "", "1.4", 1);
        row("a stamp with one more identifier", "1.4", "Mail's and more", "", "1.4", 1);
        row("an enabled copy hides disabled ones", "1.4", "Mail's", "Bundles (Disabled)", "1.4", 3);
        row("only a disabled copy", {}, "", "Bundles (Disabled 2)", "1.4", 1);
        row("the prefix, anything after it", {}, "", "Bundles (Disabled-old", "1.4", 1);
        row("another case is not Mail's folder", {}, "", "bundles (disabled)", "1.4", 0);
        row("a disabled folder without our copy", {}, "", "Bundles (Disabled 1)/", "1.4", 0);
        row("no packaged version text", "1.4", "Mail's", "", QByteArray(), 3);
        row("junk packaged version text", "1.4", "Mail's", "", "\xff\xfe", 3);
        row("a version text ending in a line break", "1.4", "Mail's", "", "1.4\n", 3);
        row("a version stored as a number", 1, "Mail's", "", "1.4", 2);
    }

    void stateFromTheDisk()
    {
        QFETCH(QVariant, version);
        QFETCH(QString, stamp);
        QFETCH(QString, disabledFolder);
        QFETCH(QByteArray, packaged);
        QFETCH(int, state);
        TestMac mac;
        const QString text = QFileInfo(mac.archive()).path() + "/ZephMailMessageServiceEnabler-Version.txt";
        packaged.isNull() ? void(QFile::remove(text)) : TestMac::writeFile(text, packaged);
        QVariantList stampValues{stamp == "stale" ? "STALE" : mac.compatibilityIdentifiers()[0]};
        if (stamp == "Mail's and more")
            stampValues << "MORE";
        if (version.isValid())
            mac.makePlugin("Bundles", version, stamp == "none" ? std::nullopt : std::optional(stampValues));
        if (disabledFolder.endsWith('/'))
            QDir().mkpath(mac.bundlesFolder(disabledFolder + "Other.mailbundle"));
        else if (!disabledFolder.isEmpty())
            mac.makePlugin(disabledFolder, "1.0", QVariantList{});

        MailBundleInstaller installer;
        installer.updateMailBundleState();
        QCOMPARE(int(installer.mailBundleState()), state);
    }

    void onlyWhatMailWouldRefuseIsWritten_data()
    {
        // Mail's preferences file (null: none; "/": a folder in its place), the defaults writes in
        // order, the scripted exit statuses of defaults, and the log line of a failure.
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("writes");
        QTest::addColumn<QList<int>>("outcomes");
        QTest::addColumn<QString>("failure");
        const auto row = [](const char* name, const QVariant& file, const QStringList& writes,
                            const QList<int>& outcomes = {}, const char* failure = "") {
            QTest::newRow(name) << (file.typeId() == QMetaType::QVariantMap
                                        ? PropertyList::toData(file, PropertyListFormat::Binary)
                                        : file.toByteArray())
                                << writes << outcomes << QString(failure);
        };
        row("both fine", QVariantMap{{version, 3}, {enable, true}}, {});
        row("strings as Mail sometimes writes them", QVariantMap{{version, "14"}, {enable, "YES"}}, {});
        row("no version", QVariantMap{{enable, true}}, {raise});
        row("version 2, its write fails", QVariantMap{{version, 2}, {enable, true}}, {raise}, {4},
            "defaults exited with: 4");
        row("bundles off", QVariantMap{{version, 4}}, {switchOn});
        row("both wrong", QVariantMap{}, {raise, switchOn});
        row("the first write fails: no second", QVariantMap{{enable, false}}, {raise}, {1},
            "defaults exited with: 1");
        row("the second write fails", QVariantMap{}, {raise, switchOn}, {0, 1}, "defaults exited with: 1");
        row("defaults cannot start", QVariantMap{}, {raise}, {RecordingLauncher::cannotStart},
            "Exception raised while executing defaults: launch path not accessible: /usr/bin/defaults");
        row("missing", QByteArray(), {}, {}, "No file exists at path: %1");
        row("a list, not a dictionary", QByteArray("<plist><array/></plist>"), {}, {},
            "Contents of file appear to be wrong format at path: %1");
        row("a folder in its place", QByteArray("/"), {}, {}, "Couldn't read file at path: %1");
    }

    void onlyWhatMailWouldRefuseIsWritten()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, writes);
        QFETCH(QList<int>, outcomes);
        QFETCH(QString, failure);
        TestMac mac;
        QFile::remove(mac.preferencesPath());
        if (file == "/")
            QDir().mkpath(mac.preferencesPath());
        else if (!file.isNull())
            TestMac::writeFile(mac.preferencesPath(), file);
        RecordingLauncher launcher;
        launcher.outcomes["/usr/bin/defaults"] = outcomes;
        CapturedLog log;

        Error error;
        QCOMPARE(MailBundleInstaller().updateMailPreferences(&error), failure.isEmpty());

        QStringList written;
        for (const QStringList& command : launcher.commands)
            written << command.join(' ').remove("/usr/bin/defaults write com.apple.mail ");
        QCOMPARE(written, writes);
        QCOMPARE(log.lines.value(0), failure.replace("%1", mac.preferencesPath()));
        QCOMPARE(error.localizedDescription() == "Unable to update Mail preferences.", !failure.isEmpty());
        const QVariantMap after = TestMac::plist(mac.preferencesPath());
        QVERIFY(!failure.isEmpty() ||
                (after.value(version).toLongLong() >= 3 && after.value(enable).toBool()));
    }

    void theStampIsMailsIdentifiersUnderBothKeys_data()
    {
        QTest::addColumn<QString>("system");
        QTest::addColumn<QString>("mail");
        QTest::addColumn<QVariantList>("identifiers");
        const auto row = [](const char* name, const char* system, const char* mail,
                            const QVariantList& listed) {
            QTest::newRow(name) << QString(system) << QString(mail) << listed;
        };
        row("10.12: Mail alone", "10.12.6", "", {"21560BD9-A3CC-482E-9B99-95B7BF61EDC1"});
        row("10.8: Mail, then Message", "10.8.5", "",
            {"2B98D2DD-000B-4521-83EB-7BFCB9B161C8", "DAFFB2B4-77BC-4C25-8CE1-2405E652D54B"});
        row("no Mail: nothing, even with Message", "10.8.5", "gone", {});
        row("a Mail without identifier: nothing", "10.8.5", "anonymous", {});
    }

    void theStampIsMailsIdentifiersUnderBothKeys()
    {
        QFETCH(QString, system);
        QFETCH(QString, mail);
        QFETCH(QVariantList, identifiers);
        TestMac mac(system);
        if (mail == "gone")
            QDir(mac.mailApplication()).removeRecursively();
        if (mail == "anonymous")
            TestMac::writePlist({{"CFBundleIdentifier", "com.apple.mail"}},
                                mac.mailApplication() + "/Contents/Info.plist");
        const QString info = mac.makePlugin("Bundles", "1.4", QVariantList{"OLD"}) + "/Contents/Info.plist";
        MailBundleInstaller installer;
        QVERIFY(installer.mailBundleCompatibilityValuesNeedUpdate());
        QVERIFY(installer.updateMailBundleCompatibilityValues(nullptr));
        const QVariantMap stamped = TestMac::plist(info);
        QCOMPARE((QVariantList{stamped[supported], stamped[supported1012], stamped["CFBundleVersion"]}),
                 (QVariantList{identifiers, identifiers, "1.4"}));
        QVERIFY(!installer.mailBundleCompatibilityValuesNeedUpdate());
    }

    void aDelayedQuitIsAwaitedAndOnlyTheFirstMailIsAsked()
    {
        TestMac mac;
        mac.startMail({}, {"GRABBIT_MAIL_QUIT=2"});
        const qint64 second = mac.startMail({}, {"GRABBIT_MAIL_CONTROL_SOCKET=" + mac.home() + "/second"});
        MailBundleInstaller installer;
        QElapsedTimer timer;
        timer.start();
        QVERIFY(installer.terminateMail());
        // Mail's exit is noticed as it happens, well before the longest wait of 15 seconds.
        QVERIFY2(timer.elapsed() >= 2000 && timer.elapsed() < 7500,
                 qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(mac.mailProcesses(), QList<qint64>{second});
        QVERIFY(installer.isMailRunning());
    }

    // Reopening a running Mail, the preferences and the stamp that make Mail load the fresh copy
    // are proven end to end.
    void aFreshCopyReplacesEveryEarlierOneAndAClosedMailStaysClosed()
    {
        TestMac mac;
        for (const QString folder : {"Bundles", "Bundles (Disabled)", "Bundles (Disabled 2)"})
            mac.makePlugin(folder, "1.0", QVariantList{"stale"});
        TestMac::writeFile(mac.bundlesFolder() + "/.DS_Store", "kept");
        TestMac::writeFile(mac.bundlesFolder() + "/Other.mailbundle", "kept");
        RecordingLauncher launcher;

        const Outcome outcome = run(&MailBundleInstaller::installMailBundle);

        QCOMPARE(outcome.calls, 1);
        QVERIFY2(!outcome.error, qPrintable(outcome.error.value_or(Error()).localizedDescription()));
        QCOMPARE(treeBelow(mac.home() + "/Library/Mail"),
                 (QStringList{"Bundles", "Bundles/.DS_Store", "Bundles/Other.mailbundle", "Bundles/" + plugin,
                              "Bundles/" + plugin + "/Contents", "Bundles/" + plugin + "/Contents/Info.plist",
                              "Bundles/" + plugin + "/Contents/MacOS",
                              "Bundles/" + plugin + "/Contents/MacOS/ZephMailMessageServiceEnabler"}));
        QCOMPARE(launcher.commandsOf(unzip),
                 (QList<QStringList>{{unzip, "-d", mac.bundlesFolder(), "-u", "-q", mac.archive()}}));
        QVERIFY(mac.mailProcesses().isEmpty());
    }

    void eachFailureLeavesWhatItShould_data()
    {
        // What fails, the error the user reads, whether Mail was quit, and what is left of the
        // plug-in: the earlier copies, none, or a fresh copy that Mail would not load.
        QTest::addColumn<QString>("failing");
        QTest::addColumn<QString>("description");
        QTest::addColumn<bool>("mailQuit");
        QTest::addColumn<QString>("left");
        const auto row = [](const char* failing, const char* description, bool mailQuit, const char* left) {
            QTest::newRow(failing) << QString(failing) << QString::fromUtf8(description) << mailQuit
                                   << QString(left);
        };
        row("Mail refuses to quit", "Mail failed to Quit. Please quit Mail manually and try again.", false,
            "earlier");
        row("the archive is missing", "The Grabbit installer is damaged: its plug-in archive is missing.",
            false, "earlier");
        row("an earlier copy stays", "refusal 2", true, "earlier");
        row("the bundles folder cannot be made", "refusal 2", true, "none");
        row("the extraction fails twice", "The plug-in couldn’t be unpacked: unzip exited with status 9.",
            true, "none");
        row("unzip cannot be started",
            "The plug-in couldn’t be unpacked: launch path not accessible: /usr/bin/unzip.", true, "none");
        row("the preferences are missing", "Unable to update Mail preferences.", true, "fresh");
        row("the stamp cannot be written", "The file “Info.plist” couldn’t be saved.", true, "fresh");
    }

    void eachFailureLeavesWhatItShould()
    {
        QFETCH(QString, failing);
        QFETCH(QString, description);
        QFETCH(bool, mailQuit);
        QFETCH(QString, left);
        TestMac mac;
        const QString earlier = mac.makePlugin("Bundles", "1.0", std::nullopt);
        const QString disabled = mac.makePlugin("Bundles (Disabled)", "1.0", {});
        const qint64 mail = mac.startMail(
            {}, {failing.startsWith("Mail") ? "GRABBIT_MAIL_QUIT=refuse" : "GRABBIT_MAIL_QUIT=at-once"});
        FailingFileManager files;
        RecordingLauncher launcher;
        if (failing.contains("archive"))
            QFile::remove(mac.archive());
        if (failing.contains("copy"))
            files.removalFailures[earlier] = -1;
        if (failing.contains("folder"))
            files.creationFailures = -1;
        if (failing.contains("extraction"))
            launcher.outcomes[unzip] = {9, 9};
        if (failing.contains("unzip"))
            launcher.outcomes[unzip] = {RecordingLauncher::cannotStart, RecordingLauncher::cannotStart};
        if (failing.contains("preferences"))
            QFile::remove(mac.preferencesPath());
        if (failing.contains("stamp")) {
            // A plug-in without an Info.plist.
            TestMac::writeFile(mac.directory() + "/made/" + plugin + "/Contents/MacOS/Plugin", "binary");
            QFile::remove(mac.archive());
            QProcess zip;
            zip.setWorkingDirectory(mac.directory() + "/made");
            zip.start("zip", {"-qr", mac.archive(), plugin});
            QVERIFY(zip.waitForFinished() && zip.exitCode() == 0);
        }

        const Outcome outcome = run(&MailBundleInstaller::installMailBundle);

        QCOMPARE(outcome.calls, 1);
        QCOMPARE(outcome.error.value_or(Error()).localizedDescription(), description);
        // Mail is quit only once nothing can stop the work, and never opened after a failure.
        QCOMPARE(mac.mailProcesses(), mailQuit ? QList<qint64>{} : QList<qint64>{mail});
        QCOMPARE(TestMac::exists(disabled), left == "earlier");
        const QVariantMap info = TestMac::plist(mac.pluginPath() + "/Contents/Info.plist");
        QCOMPARE(info.value("CFBundleVersion") == "1.0", left == "earlier");
        QCOMPARE(TestMac::exists(mac.pluginPath() + "/Contents"), left != "none");
        // No failure leaves a copy that Mail would load.
        QVERIFY(info.value("SupportedPluginCompatibilityUUIDs").toList().isEmpty());
        // One repair before the one retry, which only a failed extraction gets.
        if (left == "none") {
            QCOMPARE(launcher.commandsOf(chmod).size(), 1);
            QCOMPARE(launcher.commandsOf(unzip).size(), failing.contains("folder") ? 0 : 2);
        }
    }

    void noCompletionIsNeeded()
    {
        TestMac mac;
        MailBundleInstaller installer;
        installer.installMailBundle(nullptr);
        QVERIFY(TestMac::exists(mac.pluginPath()));
        installer.removeMailBundle(nullptr);
        QVERIFY(!TestMac::exists(mac.pluginPath()));
    }

    void emptiedFoldersGoWithTheCopies_data()
    {
        QTest::addColumn<QStringList>("extras");
        QTest::addColumn<bool>("kept");
        QTest::newRow("only the copies") << QStringList{} << false;
        QTest::newRow("and .DS_Store") << QStringList{".DS_Store"} << false;
        QTest::newRow("and another plug-in") << QStringList{"Other.mailbundle/Contents"} << true;
        QTest::newRow(".DS_Store and another hidden file") << QStringList{".DS_Store", ".hidden"} << true;
    }

    void emptiedFoldersGoWithTheCopies()
    {
        QFETCH(QStringList, extras);
        QFETCH(bool, kept);
        TestMac mac;
        const QStringList folders{"Bundles", "Bundles (Disabled 1)", "Bundles (Disabled)"};
        for (const QString& folder : folders) {
            mac.makePlugin(folder, "1.0", std::nullopt);
            for (const QString& name : extras)
                TestMac::writeFile(mac.bundlesFolder(folder) + '/' + name, "kept");
        }
        QVERIFY(!run(&MailBundleInstaller::removeMailBundle).error);
        QCOMPARE(QDir(mac.home() + "/Library/Mail").entryList(QDir::Dirs | QDir::NoDotAndDotDot),
                 kept ? folders : QStringList());
        QVERIFY(!TestMac::exists(mac.pluginPath()) && !TestMac::exists(mac.pluginPath("Bundles (Disabled)")));
    }

    void mailIsRestartedAroundARemovalOnlyBeforeHighSierra_data()
    {
        // The system, how Mail answers a quit request ("": it does not run), whether there is a
        // copy to remove, and whether Mail is opened again.
        QTest::addColumn<QString>("system");
        QTest::addColumn<QString>("quit");
        QTest::addColumn<bool>("copy");
        QTest::addColumn<bool>("restarted");
        const auto row = [](const char* name, const char* system, const char* quit, bool copy,
                            bool restarted) {
            QTest::newRow(name) << QString(system) << QString(quit) << copy << restarted;
        };
        row("10.12, Mail running", "10.12.6", "at-once", true, true);
        row("10.12, Mail running, nothing to remove", "10.12.6", "at-once", false, true);
        row("10.12, Mail not running", "10.12.6", "", true, false);
        row("10.13, Mail running", "10.13.6", "at-once", true, false);
        row("10.12, Mail never quits", "10.12.6", "never", true, false);
    }

    void mailIsRestartedAroundARemovalOnlyBeforeHighSierra()
    {
        QFETCH(QString, system);
        QFETCH(QString, quit);
        QFETCH(bool, copy);
        QFETCH(bool, restarted);
        TestMac mac(system);
        if (copy)
            mac.makePlugin("Bundles", "1.0", std::nullopt);
        const QString disabled = mac.makePlugin("Bundles (Disabled)", "1.0", {});
        const qint64 mail = quit.isEmpty() ? 0 : mac.startMail({}, {"GRABBIT_MAIL_QUIT=" + quit});

        const Outcome outcome = run(&MailBundleInstaller::removeMailBundle);

        QCOMPARE(outcome.calls, 1);
        QCOMPARE(outcome.error.value_or(Error()).code(), quit == "never" ? 1001 : 0);
        QCOMPARE(TestMac::exists(disabled), quit == "never");
        QCOMPARE(mac.mailProcesses().size(), mail ? 1 : 0);
        QCOMPARE(mac.mailProcesses().contains(mail), mail && !restarted);
    }

    void aRemovalThatMeetsResistance_data()
    {
        // How often removing the installed copy is refused (-1: always), whether the repair's
        // chmod can run, whether the emptied bundles folder stays, and the log line.
        QTest::addColumn<int>("refusals");
        QTest::addColumn<bool>("repairRuns");
        QTest::addColumn<bool>("folderStays");
        QTest::addColumn<QString>("logged");
        const auto row = [](const char* name, int refusals, bool repairRuns, bool folderStays,
                            const char* logged) {
            QTest::newRow(name) << refusals << repairRuns << folderStays << QString(logged);
        };
        row("the first attempt refused", 1, true, false, "");
        row("both attempts refused", -1, true, false, "");
        row("the repair cannot run", 1, false, false,
            "Exception caught in -[MailBundleInstaller autoRepairMailBundlesDirectoryForRemoval:]: launch "
            "path "
            "not accessible: /bin/chmod");
        row("the emptied folder stays", 0, true, true, "Error removing bundle's enclosing directory: ");
    }

    void aRemovalThatMeetsResistance()
    {
        QFETCH(int, refusals);
        QFETCH(bool, repairRuns);
        QFETCH(bool, folderStays);
        QFETCH(QString, logged);
        TestMac mac;
        const QString installed = mac.makePlugin("Bundles", "1.0", std::nullopt);
        const QString disabled = mac.makePlugin("Bundles (Disabled)", "1.0", {});
        mac.startMail();
        FailingFileManager files;
        files.removalFailures[installed] = refusals;
        files.removalFailures[mac.bundlesFolder()] = folderStays ? -1 : 0;
        RecordingLauncher launcher;
        launcher.outcomes[chmod] = {repairRuns ? 0 : RecordingLauncher::cannotStart};
        CapturedLog log;

        const Outcome outcome = run(&MailBundleInstaller::removeMailBundle);

        // The repair opens both folders to their owner, strips their ACLs, makes the copies
        // writable; a copy that stays stops the walk, and Mail stays quit.
        QList<QPair<QString, mode_t>> opened{{mac.home() + "/Library/Mail", 0700},
                                             {mac.bundlesFolder(), 0700}};
        QCOMPARE(files.permissionChanges, refusals ? opened : decltype(opened){});
        QList<QStringList> repair{{chmod, "-R", "-N", mac.bundlesFolder()},
                                  {chmod, "-R", "+w", installed},
                                  {chmod, "-R", "+w", disabled}};
        QCOMPARE(launcher.commands, refusals ? repair.mid(0, repairRuns ? 3 : 1) : QList<QStringList>{});
        QCOMPARE(TestMac::exists(installed) || TestMac::exists(disabled), refusals < 0);
        QCOMPARE(TestMac::exists(mac.bundlesFolder()), folderStays || refusals < 0);
        QCOMPARE(mac.mailProcesses().size(), refusals < 0 ? 0 : 1);
        QCOMPARE(bool(outcome.error), refusals < 0);
        if (outcome.error) {
            QCOMPARE(outcome.error->localizedDescription(), "refusal 2");
            QCOMPARE(outcome.error->userInfo().value(GBFilePathErrorKey), installed);
        }
        QCOMPARE(log.lines.value(0).left(logged.size()), logged);
    }

    void linksAreRemovedAsLinksAndTheirTargetsKept()
    {
        TestMac mac;
        const QString outside = mac.directory() + "/outside/";
        TestMac::writeFile(outside + "Linked.mailbundle/Contents/Info.plist", "kept");
        TestMac::writeFile(outside + "Disabled/" + plugin + "/Contents/Info.plist", "kept");
        QDir().mkpath(mac.bundlesFolder() + "/Other.mailbundle");
        QDir().mkpath(mac.bundlesFolder("Bundles (Disabled 2)"));
        QVERIFY(QFile::link(outside + "gone", mac.pluginPath()));
        QVERIFY(QFile::link(outside + "Disabled", mac.bundlesFolder("Bundles (Disabled)")));
        QVERIFY(QFile::link(outside + "Linked.mailbundle", mac.pluginPath("Bundles (Disabled 2)")));

        QVERIFY(!run(&MailBundleInstaller::removeMailBundle).error);

        QCOMPARE(treeBelow(mac.home() + "/Library/Mail"),
                 (QStringList{"Bundles", "Bundles/Other.mailbundle"}));
        QCOMPARE(treeBelow(outside).size(), 7);
    }
};

QTEST_GUILESS_MAIN(MailBundleInstallerTest)
#include "MailBundleInstallerTest.moc"
