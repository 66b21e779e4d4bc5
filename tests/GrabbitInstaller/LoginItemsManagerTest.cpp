// SPDX-License-Identifier: MIT
#include "LoginItemsManager.h"

#include "CapturedLog.h"
#include "DesktopEntry.h"
#include "NotificationCenter.h"

#include <QDir>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace {

const QString ourFileName = QStringLiteral("com.zephlabs.GrabbitInstaller.desktop");

QByteArray otherProgramsEntry(const QString& program)
{
    return "# keep me\n[Desktop Entry]\nType=Application\nName=Other\nExec=" +
           DesktopEntry::execValue({program}).toUtf8() + " %u\nX-Vendor = kept\n";
}

QByteArray ourEntryFor(const QUrl& url)
{
    return "[Desktop Entry]\nType=Application\nName=Copy\nExec=/x\nX-Grabbit-BundleURL=" + url.toEncoded() +
           "\n";
}

} // namespace

class LoginItemsManagerTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_configHome;
    std::optional<CapturedLog> m_log;

    QString entryPath(const QString& fileName) const
    {
        return m_configHome->filePath("autostart/" + fileName);
    }

    void writeFile(const QString& fileName, const QByteArray& data) const
    {
        QDir().mkpath(m_configHome->filePath("autostart"));
        QFile file(entryPath(fileName));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(data) == data.size());
    }

    QByteArray readFile(const QString& fileName) const
    {
        QFile file(entryPath(fileName));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // A bundle in a folder whose name needs quoting in Exec.
    QUrl makeBundle(const QString& name) const
    {
        const QString bundle = m_configHome->filePath("Apps $HOME/" + name + ".app");
        QDir().mkpath(bundle + "/Contents/MacOS");
        return QUrl::fromLocalFile(bundle + '/');
    }

    QString executableOf(const QUrl& bundle) const
    {
        return bundle.toLocalFile() + "Contents/MacOS/" +
               QFileInfo(bundle.toLocalFile().chopped(1)).completeBaseName();
    }

private slots:
    void init()
    {
        m_configHome = std::make_unique<QTemporaryDir>();
        qputenv("XDG_CONFIG_HOME", m_configHome->path().toUtf8());
        m_log.emplace();
    }

    void cleanup() { m_log.reset(); }

    void addFindAndRemove()
    {
        const QUrl url = makeBundle("GrabbitInstaller");
        const std::unique_ptr<LoginItemsManager> manager = LoginItemsManager::create();
        QVERIFY(!manager->hasLoginItemWithURL(url));
        manager->removeLoginItemWithURL(url);

        manager->addLoginItemWithURL(url, false);
        const QByteArray written = readFile(ourFileName);
        const std::optional<DesktopEntry> entry = DesktopEntry::parse(written);
        QCOMPARE(DesktopEntry::execArguments(entry->value("Desktop Entry", "Exec")),
                 QStringList({executableOf(url), LoginItemsLaunchedAtLoginArgument}));
        QCOMPARE(entry->value("Desktop Entry", "X-GNOME-Autostart-enabled"), QStringLiteral("true"));
        QVERIFY(!entry->contains("Desktop Entry", "Hidden"));

        // Again: no second entry, only the flag; a URL without the trailing slash is another URL.
        manager->addLoginItemWithURL(url, true);
        QCOMPARE(QDir(m_configHome->filePath("autostart")).entryList(QDir::Files), QStringList{ourFileName});
        QCOMPARE(readFile(ourFileName), QByteArray(written).replace("Hidden=false", "Hidden=true"));
        const QUrl withoutSlash = QUrl::fromLocalFile(url.toLocalFile().chopped(1));
        QVERIFY(!manager->hasLoginItemWithURL(withoutSlash));
        manager->removeLoginItemWithURL(withoutSlash);

        QVERIFY(manager->hasLoginItemWithURL(url));
        manager->removeLoginItemWithURL(url);
        QVERIFY(!manager->hasLoginItemWithURL(url));
        QVERIFY(!QFile::exists(entryPath(ourFileName)));
        QVERIFY(m_log->lines.isEmpty());
    }

    void firstOfTwoMatchingEntriesIsUsed()
    {
        const QUrl url = makeBundle("GrabbitInstaller");
        writeFile("b-by-exec.desktop", otherProgramsEntry(executableOf(url)));
        writeFile("a-ours.desktop", ourEntryFor(url));
        const std::unique_ptr<LoginItemsManager> manager = LoginItemsManager::create();
        QCOMPARE(manager->copyLoginItemWithURL(url)->filePath, entryPath("a-ours.desktop"));
        manager->removeLoginItemWithURL(url);
        QVERIFY(!QFile::exists(entryPath("a-ours.desktop")));
        QCOMPARE(manager->copyLoginItemWithURL(url)->filePath, entryPath("b-by-exec.desktop"));
    }

    // Other programs' entries, a deleted one and another copy's entry holding our usual name stay
    // byte for byte; a broken entry of ours is replaced.
    void onlyOurOwnEntriesAreWritten()
    {
        const QUrl url = makeBundle("GrabbitInstaller");
        const QUrl otherCopy = makeBundle("Elsewhere/GrabbitInstaller");
        const QMap<QString, QByteArray> others = {
            {"browser.desktop", otherProgramsEntry("/usr/bin/browser")},
            {"broken.desktop", "not a desktop entry\n"},
            {"deleted.desktop", otherProgramsEntry(executableOf(url)) + "Hidden=true\n"},
            {ourFileName, ourEntryFor(otherCopy)}};
        for (auto it = others.begin(); it != others.end(); ++it)
            writeFile(it.key(), it.value());
        writeFile("com.zephlabs.GrabbitInstaller-2.desktop",
                  "[Desktop Entry]\nX-Grabbit-BundleURL=" + url.toEncoded() + "\ngarbage\n");
        const std::unique_ptr<LoginItemsManager> manager = LoginItemsManager::create();
        QVERIFY(!manager->hasLoginItemWithURL(url));
        manager->addLoginItemWithURL(url, true);
        QCOMPARE(manager->copyLoginItemWithURL(url)->filePath,
                 entryPath("com.zephlabs.GrabbitInstaller-2.desktop"));
        manager->removeLoginItemWithURL(url);
        QVERIFY(manager->hasLoginItemWithURL(otherCopy));
        for (auto it = others.begin(); it != others.end(); ++it)
            QCOMPARE(readFile(it.key()), it.value());
    }

    void autostartFolderLocation_data()
    {
        QTest::addColumn<QByteArray>("configHome");
        QTest::newRow("absolute") << QByteArray("absolute");
        QTest::newRow("unset") << QByteArray();
        QTest::newRow("empty") << QByteArray("");
        QTest::newRow("relative") << QByteArray("relative/config");
    }

    void autostartFolderLocation()
    {
        QFETCH(QByteArray, configHome);
        QTemporaryDir home;
        const QByteArray savedHome = qgetenv("HOME");
        qputenv("HOME", home.path().toUtf8());
        const auto restoreHome = qScopeGuard([&] { qputenv("HOME", savedHome); });
        if (configHome != "absolute")
            configHome.isNull() ? qunsetenv("XDG_CONFIG_HOME") : qputenv("XDG_CONFIG_HOME", configHome);
        const std::unique_ptr<LoginItemsManager> manager = LoginItemsManager::create();
        const QString expected = configHome == "absolute" ? m_configHome->filePath("autostart")
                                                          : home.filePath(".config/autostart");
        QCOMPARE(manager->loginItemsFileList().path(), expected);
        manager->addLoginItemWithURL(makeBundle("GrabbitInstaller"), false);
        QVERIFY(QFile::exists(expected + '/' + ourFileName));

        // A file where the folder should be: no manager, as if there were no login items.
        QVERIFY(QDir(expected).removeRecursively() && QFile(expected).open(QIODevice::WriteOnly));
        QVERIFY(!LoginItemsManager::create());
    }

    // Needs an entry that cannot be deleted: a read-only folder, or for the superuser an immutable file.
    void removalFailureIsLogged()
    {
        const QUrl url = makeBundle("GrabbitInstaller");
        const std::unique_ptr<LoginItemsManager> manager = LoginItemsManager::create();
        manager->addLoginItemWithURL(url, false);
        const bool superuser = geteuid() == 0;
        const auto protect = [&](bool on) {
            if (!superuser)
                return QFile::setPermissions(m_configHome->filePath("autostart"),
                                             QFile::ReadOwner | QFile::ExeOwner |
                                                 (on ? QFile::Permissions() : QFile::WriteOwner));
            const QString chattr = QStandardPaths::findExecutable("chattr");
            return !chattr.isEmpty() &&
                   QProcess::execute(chattr, {on ? "+i" : "-i", entryPath(ourFileName)}) == 0;
        };
        if (!protect(true))
            QSKIP("this file system cannot make a file undeletable");
        manager->removeLoginItemWithURL(url);
        const bool stillThere = manager->hasLoginItemWithURL(url);
        QVERIFY(protect(false));
        QVERIFY(stillThere);
        QCOMPARE(
            m_log->lines,
            QStringList{QStringLiteral("Error removing login item: %1").arg(superuser ? -EPERM : -EACCES)});
    }

    void everyChangePostsOnceOnALaterPass()
    {
        const std::unique_ptr<LoginItemsManager> manager = LoginItemsManager::create();
        int posts = 0;
        NotificationCenter::defaultCenter().addObserver(this, LoginItemsDidChangeNotification, manager.get(),
                                                        [&](const Notification&) { ++posts; });
        for (int i = 0; i < 3; ++i)
            manager->sharedFileListChanged();
        QCOMPARE(posts, 0);
        QCoreApplication::processEvents();
        QCOMPARE(posts, 3);

        // The folder does not exist yet: its creation and a later write are both seen.
        manager->addLoginItemWithURL(makeBundle("GrabbitInstaller"), false);
        QTRY_VERIFY(posts > 3);
        const int afterCreation = posts;
        writeFile("another.desktop", otherProgramsEntry("/usr/bin/other"));
        QTRY_VERIFY(posts > afterCreation);
        NotificationCenter::defaultCenter().removeObserver(this);
    }

    void writtenEntriesAreValid()
    {
        const QString validator = QStandardPaths::findExecutable("desktop-file-validate");
        if (validator.isEmpty())
            QSKIP("desktop-file-validate (desktop-file-utils) is not installed");
        LoginItemsManager::create()->addLoginItemWithURL(makeBundle("Grabbit \"Installer\" 100%"), true);
        QProcess validate;
        validate.setProcessChannelMode(QProcess::MergedChannels);
        validate.start(validator, {entryPath(ourFileName)});
        QVERIFY(validate.waitForFinished());
        const QByteArray output = validate.readAll();
        QVERIFY2(validate.exitCode() == 0 && !output.contains("error"), output.constData());
    }
};

QTEST_GUILESS_MAIN(LoginItemsManagerTest)
#include "LoginItemsManagerTest.moc"
