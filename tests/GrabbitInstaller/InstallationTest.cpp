// SPDX-License-Identifier: MIT
#include "FakeMailProcess.h"
#include "FakeMailWorkspace.h"
#include "InstallationCompletionRecorder.h"
#include "InstallationFailingFileManager.h"
#include "InstallationRecordingLauncher.h"
#include "MailBundleInstaller.h"
#include "TestSandbox.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTest>

namespace {

const QString bundleName = QStringLiteral("ZephMailMessageServiceEnabler.mailbundle");
const QString unzip = QStringLiteral("/usr/bin/unzip");
const QString chmod = QStringLiteral("/bin/chmod");
const QString defaults = QStringLiteral("/usr/bin/defaults");
const QString supportedKey = QStringLiteral("SupportedPluginCompatibilityUUIDs");
using Answer = FakeMailWorkspace::QuitAnswer;

// A 10.12 Mac with Mail, preferences that need both writes and the build's plug-in archive.
void prepare(TestSandbox& sandbox)
{
    sandbox.installMail(mail1012);
    sandbox.setSystemVersion(QStringLiteral("10.12.6"));
    sandbox.writeMailPreferences({});
    sandbox.setPackagedArchive(TestSandbox::builtArchivePath());
}

// Every path below the folder, relative to it, links included but not followed.
QStringList treeBelow(const QString& folder)
{
    QStringList paths;
    QDirIterator iterator(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                          QDirIterator::Subdirectories);
    while (iterator.hasNext())
        paths << QDir(folder).relativeFilePath(iterator.next());
    paths.sort();
    return paths;
}

void appendLittleEndian(QByteArray& bytes, quint32 value, int size)
{
    for (int index = 0; index < size; ++index)
        bytes.append(char((value >> (8 * index)) & 0xff));
}

quint32 crc32(const QByteArray& data)
{
    quint32 crc = 0xffffffffu;
    for (const char byte : data) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

struct ArchiveEntry {
    QString name;
    QByteArray data;
    quint32 unixMode;
};

// A zip archive with stored entries, written by hand so that it can hold what no zip tool writes.
QByteArray storedZip(const QList<ArchiveEntry>& entries)
{
    QByteArray archive;
    QByteArray directory;
    for (const ArchiveEntry& entry : entries) {
        const QByteArray name = entry.name.toUtf8();
        const quint32 offset = quint32(archive.size());
        QByteArray common;
        appendLittleEndian(common, 10, 2);   // version needed
        appendLittleEndian(common, 0, 2);    // flags
        appendLittleEndian(common, 0, 2);    // stored
        appendLittleEndian(common, 0, 2);    // time
        appendLittleEndian(common, 0x21, 2); // 1980-01-01
        appendLittleEndian(common, crc32(entry.data), 4);
        appendLittleEndian(common, quint32(entry.data.size()), 4);
        appendLittleEndian(common, quint32(entry.data.size()), 4);
        appendLittleEndian(common, quint32(name.size()), 2);
        appendLittleEndian(common, 0, 2); // extra field
        appendLittleEndian(archive, 0x04034b50, 4);
        archive += common + name + entry.data;
        appendLittleEndian(directory, 0x02014b50, 4);
        appendLittleEndian(directory, (3 << 8) | 20, 2); // made on Unix
        directory += common;
        appendLittleEndian(directory, 0, 2); // comment
        appendLittleEndian(directory, 0, 2); // disk
        appendLittleEndian(directory, 0, 2); // internal attributes
        appendLittleEndian(directory, entry.unixMode << 16, 4);
        appendLittleEndian(directory, offset, 4);
        directory += name;
    }
    const quint32 directoryOffset = quint32(archive.size());
    archive += directory;
    appendLittleEndian(archive, 0x06054b50, 4);
    appendLittleEndian(archive, 0, 4);
    appendLittleEndian(archive, quint32(entries.size()), 2);
    appendLittleEndian(archive, quint32(entries.size()), 2);
    appendLittleEndian(archive, quint32(directory.size()), 4);
    appendLittleEndian(archive, directoryOffset, 4);
    appendLittleEndian(archive, 0, 2);
    return archive;
}

void useArchive(TestSandbox& sandbox, const QList<ArchiveEntry>& entries)
{
    const QString path = sandbox.path() + QLatin1String("/made.zip");
    TestSandbox::writeFile(path, storedZip(entries));
    sandbox.setPackagedArchive(path);
}

enum class FailingStep {
    MailRefusesToQuit,
    ArchiveMissing,
    EarlierCopyStays,
    FolderCannotBeCreated,
    ExtractionFailsTwice,
    UnzipCannotStart,
    PreferencesMissing,
    StampCannotBeWritten,
};

enum class PluginFiles { EarlierCopies, NoCopy, FreshCopy };

} // namespace

class InstallationTest : public QObject {
    Q_OBJECT

private slots:
    void aFreshCopyReplacesEveryEarlierOne_data()
    {
        QTest::addColumn<QStringList>("earlierCopies");
        QTest::addColumn<QStringList>("bundlesExtras");

        const QString disabled = QStringLiteral("Bundles (Disabled)");
        const QString disabledAgain = QStringLiteral("Bundles (Disabled 2)");
        QTest::newRow("no Mail folder yet") << QStringList{} << QStringList{};
        QTest::newRow("installed and two disabled copies")
            << QStringList{QStringLiteral("Bundles"), disabled, disabledAgain} << QStringList{};
        QTest::newRow("bundles folder with the old copy and .DS_Store")
            << QStringList{QStringLiteral("Bundles")} << QStringList{QStringLiteral(".DS_Store")};
        QTest::newRow("bundles folder with another plug-in")
            << QStringList{QStringLiteral("Bundles")} << QStringList{QStringLiteral("Other.mailbundle")};
    }

    void aFreshCopyReplacesEveryEarlierOne()
    {
        QFETCH(QStringList, earlierCopies);
        QFETCH(QStringList, bundlesExtras);
        TestSandbox sandbox;
        prepare(sandbox);
        FakeMailProcess mail(sandbox.mailApplicationPath());
        for (const QString& folder : earlierCopies)
            sandbox.makePlugin(folder, QStringLiteral("1.0"), QVariantList{QStringLiteral("stale")});
        for (const QString& name : bundlesExtras)
            TestSandbox::writeFile(sandbox.mailDirectory() + QLatin1String("/Bundles/") + name, "kept");
        InstallationRecordingLauncher launcher;
        ScopedSharedChildProcessLauncher scopedLauncher(&launcher);
        MailBundleInstaller installer;
        InstallationCompletionRecorder completion;

        installer.installMailBundle(completion.callback());

        QCOMPARE(completion.calls, 1);
        QVERIFY2(!completion.error, qPrintable(completion.error.value_or(Error()).localizedDescription()));
        const QString bundles = installer.mailBundlesDirectory();
        QStringList bundlesTree = treeBelow(bundles);
        for (const QString& name : bundlesExtras) {
            if (name != QLatin1String(".DS_Store"))
                QVERIFY(bundlesTree.removeOne(name));
        }
        QCOMPARE(bundlesTree,
                 (QStringList{bundleName, bundleName + QLatin1String("/Contents"),
                              bundleName + QLatin1String("/Contents/Info.plist"),
                              bundleName + QLatin1String("/Contents/MacOS"),
                              bundleName + QLatin1String("/Contents/MacOS/ZephMailMessageServiceEnabler")}));
        QVERIFY(installer.disabledMailBundleInstalledPaths().isEmpty());
        QCOMPARE(sandbox.pluginInfo(installer.mailBundleInstalledPath()).value(supportedKey),
                 QVariant(QVariantList{mail1012Identifier}));
        const QStringList extraction{unzip,
                                     QStringLiteral("-d"),
                                     bundles,
                                     QStringLiteral("-u"),
                                     QStringLiteral("-q"),
                                     *installer.mailBundleZipArchiveResourcePath()};
        QCOMPARE(launcher.commandsOf(unzip), QList<QStringList>{extraction});
        QCOMPARE(launcher.commandsOf(defaults).size(), 2);
        // Mail was not running: it is neither quit nor started.
        QVERIFY(mail.starts().isEmpty());
        installer.updateMailBundleState();
        QCOMPARE(installer.mailBundleState(), MailBundleStateUpToDate);
    }

    void eachFailureLeavesWhatItShould_data()
    {
        QTest::addColumn<int>("failingStep");
        QTest::addColumn<QString>("domain");
        QTest::addColumn<qint64>("code");
        QTest::addColumn<QString>("description");
        QTest::addColumn<bool>("mailQuit");
        QTest::addColumn<int>("files");
        QTest::addColumn<int>("preferenceWrites");

        const QString domain = QStringLiteral("MailBundleErrorDomain");
        const QString cocoa = QStringLiteral("NSCocoaErrorDomain");
        const auto row = [](const char* name, FailingStep step) -> QTestData& {
            return QTest::newRow(name) << int(step);
        };
        row("Mail refuses to quit", FailingStep::MailRefusesToQuit)
            << domain << qint64(1001)
            << QStringLiteral("Mail failed to Quit. Please quit Mail manually and try again.") << false
            << int(PluginFiles::EarlierCopies) << 0;
        row("archive missing", FailingStep::ArchiveMissing)
            << domain << qint64(1002)
            << QStringLiteral("The Grabbit installer is damaged: its plug-in archive is missing.") << false
            << int(PluginFiles::EarlierCopies) << 0;
        row("an earlier copy stays", FailingStep::EarlierCopyStays)
            << cocoa << qint64(GBFileWriteNoPermissionError)
            << InstallationFailingFileManager::refusalDescription(2) << true
            << int(PluginFiles::EarlierCopies) << 0;
        row("bundles folder cannot be created", FailingStep::FolderCannotBeCreated)
            << cocoa << qint64(GBFileWriteNoPermissionError)
            << InstallationFailingFileManager::refusalDescription(2) << true << int(PluginFiles::NoCopy) << 0;
        row("extraction fails twice", FailingStep::ExtractionFailsTwice)
            << domain << qint64(1003)
            << QStringLiteral("The plug-in couldn’t be unpacked: unzip exited with status 9.") << true
            << int(PluginFiles::NoCopy) << 0;
        row("unzip cannot be started", FailingStep::UnzipCannotStart)
            << domain << qint64(1003)
            << QStringLiteral("The plug-in couldn’t be unpacked: launch path not accessible: /usr/bin/unzip.")
            << true << int(PluginFiles::NoCopy) << 0;
        row("Mail's preferences missing", FailingStep::PreferencesMissing)
            << domain << qint64(1000) << QStringLiteral("Unable to update Mail preferences.") << true
            << int(PluginFiles::FreshCopy) << 0;
        row("stamp cannot be written", FailingStep::StampCannotBeWritten)
            << cocoa << qint64(GBFileWriteUnknownError) << QString() << true << int(PluginFiles::FreshCopy)
            << 2;
    }

    void eachFailureLeavesWhatItShould()
    {
        QFETCH(int, failingStep);
        QFETCH(QString, domain);
        QFETCH(qint64, code);
        QFETCH(QString, description);
        QFETCH(bool, mailQuit);
        QFETCH(int, files);
        QFETCH(int, preferenceWrites);
        const auto step = FailingStep(failingStep);
        TestSandbox sandbox;
        prepare(sandbox);
        FakeMailWorkspace workspace;
        const auto mail =
            workspace.addInstance(step == FailingStep::MailRefusesToQuit ? Answer::Refuses : Answer::Quits);
        ScopedSharedWorkspace scopedWorkspace(&workspace);
        const QString earlier =
            sandbox.makePlugin(QStringLiteral("Bundles"), QStringLiteral("1.0"), std::nullopt);
        const QString disabled =
            sandbox.makePlugin(QStringLiteral("Bundles (Disabled)"), QStringLiteral("1.0"), std::nullopt);
        InstallationFailingFileManager fileManager;
        ScopedDefaultFileManager scopedFileManager(&fileManager);
        InstallationRecordingLauncher launcher;
        ScopedSharedChildProcessLauncher scopedLauncher(&launcher);
        switch (step) {
        case FailingStep::MailRefusesToQuit:
            break;
        case FailingStep::ArchiveMissing:
            sandbox.setPackagedArchive({});
            break;
        case FailingStep::EarlierCopyStays:
            fileManager.removalFailures.insert(earlier, -1);
            break;
        case FailingStep::FolderCannotBeCreated:
            fileManager.directoryCreationFailures = -1;
            break;
        case FailingStep::ExtractionFailsTwice:
            launcher.scriptedOutcomes[unzip] = {9, 9};
            break;
        case FailingStep::UnzipCannotStart:
            launcher.scriptedOutcomes[unzip] = {InstallationRecordingLauncher::cannotStart,
                                                InstallationRecordingLauncher::cannotStart};
            break;
        case FailingStep::PreferencesMissing:
            QVERIFY(QFile::remove(sandbox.mailPreferencesPath()));
            break;
        case FailingStep::StampCannotBeWritten:
            useArchive(sandbox, {{bundleName + QLatin1String("/"), {}, 040755},
                                 {bundleName + QLatin1String("/Contents/"), {}, 040755},
                                 {bundleName + QLatin1String("/Contents/MacOS/Plugin"), "binary", 0100755}});
            break;
        }
        MailBundleInstaller installer;
        InstallationCompletionRecorder completion;

        installer.installMailBundle(completion.callback());

        QCOMPARE(completion.calls, 1);
        QVERIFY(completion.error);
        QCOMPARE(completion.error->domain(), domain);
        QCOMPARE(completion.error->code(), code);
        if (!description.isEmpty())
            QCOMPARE(completion.error->localizedDescription(), description);
        QCOMPARE(mail->terminated, mailQuit);
        QVERIFY(workspace.launchOptions.isEmpty());
        QCOMPARE(launcher.commandsOf(defaults).size(), preferenceWrites);
        const QString installed = installer.mailBundleInstalledPath();
        switch (PluginFiles(files)) {
        case PluginFiles::EarlierCopies:
            QCOMPARE(sandbox.pluginInfo(earlier).value(QStringLiteral("CFBundleVersion")),
                     QVariant(QStringLiteral("1.0")));
            QVERIFY(TestSandbox::exists(disabled));
            break;
        case PluginFiles::NoCopy:
            QVERIFY(!TestSandbox::exists(installed));
            QVERIFY(!TestSandbox::exists(disabled));
            break;
        case PluginFiles::FreshCopy:
            QVERIFY(TestSandbox::exists(installed + QLatin1String("/Contents")));
            QVERIFY(sandbox.pluginInfo(installed).value(QStringLiteral("CFBundleVersion")) !=
                    QVariant(QStringLiteral("1.0")));
            QVERIFY(!TestSandbox::exists(disabled));
            break;
        }
        // No failure leaves a copy that Mail would load.
        QVERIFY(sandbox.pluginInfo(installed).value(supportedKey).toList().isEmpty());
        if (step == FailingStep::ExtractionFailsTwice || step == FailingStep::FolderCannotBeCreated) {
            // One repair between the two attempts, and the bundles folder there for the user to see.
            QCOMPARE(launcher.commandsOf(chmod).size(), 1);
            QCOMPARE(launcher.commandsOf(unzip).size(), step == FailingStep::ExtractionFailsTwice ? 2 : 0);
        }
        if (step == FailingStep::ExtractionFailsTwice)
            QVERIFY(QFileInfo(installer.mailBundlesDirectory()).isDir());
    }

    void aFailedFirstExtractionIsRepairedAndRetried()
    {
        TestSandbox sandbox;
        prepare(sandbox);
        InstallationRecordingLauncher launcher;
        launcher.scriptedOutcomes[unzip] = {9};
        ScopedSharedChildProcessLauncher scopedLauncher(&launcher);
        MailBundleInstaller installer;
        InstallationCompletionRecorder completion;

        installer.installMailBundle(completion.callback());

        QCOMPARE(completion.calls, 1);
        QVERIFY(!completion.error);
        QCOMPARE(launcher.programs(), (QStringList{unzip, chmod, unzip, defaults, defaults}));
        QCOMPARE(launcher.commands.at(1), (QStringList{chmod, QStringLiteral("-R"), QStringLiteral("-N"),
                                                       installer.mailBundlesDirectory()}));
        QVERIFY(
            TestSandbox::exists(installer.mailBundleInstalledPath() + QLatin1String("/Contents/Info.plist")));
    }

    void archiveEntriesCannotLeaveTheBundlesFolder()
    {
        TestSandbox sandbox;
        prepare(sandbox);
        const QString outside = sandbox.path() + QLatin1String("/outside");
        QDir().mkpath(outside);
        useArchive(sandbox,
                   {{bundleName + QLatin1String("/Contents/Info.plist"), "<plist><dict/></plist>", 0100644},
                    {bundleName + QLatin1String("/escape"), outside.toUtf8(), 0120777},
                    {bundleName + QLatin1String("/escape/planted-through-link"), "planted", 0100644},
                    {QStringLiteral("../../planted-by-parent"), "planted", 0100644},
                    {outside + QLatin1String("/planted-by-absolute-path"), "planted", 0100644}});
        MailBundleInstaller installer;
        InstallationCompletionRecorder completion;

        installer.installMailBundle(completion.callback());

        // unzip reports the entries it refused; the retry must not write through the link either.
        QCOMPARE(completion.calls, 1);
        QVERIFY(completion.error);
        QCOMPARE(completion.error->code(), 1003);
        QVERIFY(treeBelow(outside).isEmpty());
        QVERIFY(!TestSandbox::exists(sandbox.homePath() + QLatin1String("/Library/planted-by-parent")));
        QVERIFY(!TestSandbox::exists(sandbox.homePath() + QLatin1String("/planted-by-parent")));
        QVERIFY(QFileInfo(installer.mailBundleInstalledPath() + QLatin1String("/escape")).isSymLink());
    }

    void aMissingCompletionIsReplaced()
    {
        TestSandbox sandbox;
        prepare(sandbox);
        FakeMailWorkspace workspace;
        const auto mail = workspace.addInstance();
        ScopedSharedWorkspace scopedWorkspace(&workspace);
        InstallationRecordingLauncher launcher;
        ScopedSharedChildProcessLauncher scopedLauncher(&launcher);
        MailBundleInstaller installer;

        installer.installMailBundle(nullptr);

        QVERIFY(mail->terminated);
        QCOMPARE(workspace.launchOptions, QList<unsigned>{GBWorkspaceLaunchWithoutActivation});
        QVERIFY(
            TestSandbox::exists(installer.mailBundleInstalledPath() + QLatin1String("/Contents/Info.plist")));
    }
};

QTEST_GUILESS_MAIN(InstallationTest)
#include "InstallationTest.moc"
