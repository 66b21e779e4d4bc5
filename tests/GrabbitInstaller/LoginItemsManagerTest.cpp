// SPDX-License-Identifier: MIT
#include "LoginItemsManager.h"

#include "DesktopEntry.h"
#include "Log.h"
#include "NotificationCenter.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

class LoginItemsManagerTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void addFindAndRemove();
    void addingAgainOnlySetsTheHideFlag();
    void firstOfTwoMatchingEntriesIsUsed();
    void urlsMatchByEqualityNotByFile();
    void otherProgramsEntriesStayByteForByte();
    void brokenEntryOfOursIsReplaced();
    void autostartFolderLocation_data();
    void autostartFolderLocation();
    void unusableFolderGivesNoManager();
    void removalFailureIsLogged();
    void everyChangePostsOnceOnALaterPass();
    void writtenEntriesAreValid();

private:
    QString autostartPath() const { return m_configHome->filePath("autostart"); }
    QString entryPath(const QString& fileName) const { return autostartPath() + '/' + fileName; }
    void writeFile(const QString& fileName, const QByteArray& data) const;
    QByteArray readFile(const QString& fileName) const;
    QUrl makeBundle(const QString& name) const;

    std::unique_ptr<QTemporaryDir> m_configHome;
    QStringList m_logLines;
};

namespace {

const QString ourFileName = QStringLiteral("com.zephlabs.GrabbitInstaller.desktop");

QByteArray otherProgramsEntry(const QString& exec)
{
    return "# keep me\n[Desktop Entry]\nType=Application\nName=Other\nExec=" + exec.toUtf8() +
           "\nX-Vendor = kept\n";
}

QByteArray ourEntryFor(const QUrl& url)
{
    return "[Desktop Entry]\nType=Application\nName=Copy\nExec=/x --launched-at-login\nX-Grabbit-BundleURL=" +
           url.toEncoded() + "\nX-Grabbit-Hidden=false\n";
}

} // namespace

void LoginItemsManagerTest::init()
{
    m_configHome = std::make_unique<QTemporaryDir>();
    qputenv("XDG_CONFIG_HOME", m_configHome->path().toUtf8());
    m_logLines.clear();
    Log::setSink([this](const QString& line) { m_logLines.append(line); });
}

void LoginItemsManagerTest::cleanup()
{
    Log::setSink({});
    m_configHome.reset();
}

void LoginItemsManagerTest::writeFile(const QString& fileName, const QByteArray& data) const
{
    QDir().mkpath(autostartPath());
    QFile file(entryPath(fileName));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(data);
}

QByteArray LoginItemsManagerTest::readFile(const QString& fileName) const
{
    QFile file(entryPath(fileName));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A bundle in a folder whose name needs quoting in Exec.
QUrl LoginItemsManagerTest::makeBundle(const QString& name) const
{
    const QString bundle = m_configHome->filePath("Apps $HOME/" + name + ".app");
    QDir().mkpath(bundle + "/Contents/MacOS");
    return QUrl::fromLocalFile(bundle + '/');
}

void LoginItemsManagerTest::addFindAndRemove()
{
    const QUrl url = makeBundle("GrabbitInstaller");
    const std::unique_ptr<LoginItemsManager> manager = LoginItemsManager::create();
    QVERIFY(manager);
    QVERIFY(!manager->hasLoginItemWithURL(url));
    manager->removeLoginItemWithURL(url);
    QVERIFY(m_logLines.isEmpty());

    manager->addLoginItemWithURL(url, false);
    QVERIFY(manager->hasLoginItemWithURL(url));
    const std::optional<DesktopEntry> entry = DesktopEntry::read(entryPath(ourFileName));
    QVERIFY(entry);
    const QStringList arguments = *DesktopEntry::execArguments(entry->value("Desktop Entry", "Exec"));
    QCOMPARE(arguments, QStringList({url.toLocalFile() + "Contents/MacOS/GrabbitInstaller",
                                     QString::fromLatin1(LoginItemsLaunchedAtLoginArgument)}));
    QCOMPARE(entry->value("Desktop Entry", "X-Grabbit-Hidden"), QStringLiteral("false"));
    QCOMPARE(entry->value("Desktop Entry", "X-GNOME-Autostart-enabled"), QStringLiteral("true"));
    QVERIFY(!entry->contains("Desktop Entry", "Hidden"));

    manager->removeLoginItemWithURL(url);
    QVERIFY(!manager->hasLoginItemWithURL(url));
    QVERIFY(!QFile::exists(entryPath(ourFileName)));
    QVERIFY(m_logLines.isEmpty());
}

void LoginItemsManagerTest::addingAgainOnlySetsTheHideFlag()
{
    const QUrl url = makeBundle("GrabbitInstaller");
    const std::unique_ptr<LoginItemsManager> manager = LoginItemsManager::create();
    manager->addLoginItemWithURL(url, false);
    const QByteArray first = readFile(ourFileName);
    manager->addLoginItemWithURL(url, true);
    QCOMPARE(QDir(autostartPath()).entryList(QDir::Files), QStringList{ourFileName});
    QCOMPARE(readFile(ourFileName),
             QByteArray(first).replace("X-Grabbit-Hidden=false", "X-Grabbit-Hidden=true"));
}

void LoginItemsManagerTest::firstOfTwoMatchingEntriesIsUsed()
{
    const QUrl url = makeBundle("GrabbitInstaller");
    const QString executable = url.toLocalFile() + "Contents/MacOS/GrabbitInstaller";
    writeFile("b-resolves-by-exec.desktop", otherProgramsEntry(DesktopEntry::execValue({executable})));
    writeFile("a-ours.desktop", ourEntryFor(url));
    const std::unique_ptr<LoginItemsManager> manager = LoginItemsManager::create();
    QCOMPARE(manager->copyLoginItemWithURL(url)->filePath, entryPath("a-ours.desktop"));

    manager->removeLoginItemWithURL(url);
    QVERIFY(!QFile::exists(entryPath("a-ours.desktop")));
    const std::unique_ptr<LoginItemsManager::LoginItem> second = manager->copyLoginItemWithURL(url);
    QVERIFY(second);
    QCOMPARE(second->filePath, entryPath("b-resolves-by-exec.desktop"));
    QVERIFY(!second->isOurs);
}

void LoginItemsManagerTest::urlsMatchByEqualityNotByFile()
{
    const QUrl url = makeBundle("GrabbitInstaller");
    const QUrl withoutSlash = QUrl::fromLocalFile(url.toLocalFile().chopped(1));
    const std::unique_ptr<LoginItemsManager> manager = LoginItemsManager::create();
    manager->addLoginItemWithURL(url, false);
    QVERIFY(!manager->hasLoginItemWithURL(withoutSlash));
    manager->removeLoginItemWithURL(withoutSlash);
    QVERIFY(manager->hasLoginItemWithURL(url));
    QVERIFY(!manager->hasLoginItemWithURL(QUrl()));
}

void LoginItemsManagerTest::otherProgramsEntriesStayByteForByte()
{
    const QUrl url = makeBundle("GrabbitInstaller");
    const QUrl otherCopy = makeBundle("Copy Of GrabbitInstaller");
    const QMap<QString, QByteArray> others = {
        {"browser.desktop", otherProgramsEntry("/usr/bin/browser %u")},
        {"broken.desktop", "not a desktop entry\n"},
        {"deleted-by-desktop.desktop", otherProgramsEntry(DesktopEntry::execValue(
                                           {url.toLocalFile() + "Contents/MacOS/GrabbitInstaller"})) +
                                           "Hidden=true\n"},
        {ourFileName, ourEntryFor(otherCopy)},
    };
    for (auto it = others.begin(); it != others.end(); ++it)
        writeFile(it.key(), it.value());
    const std::unique_ptr<LoginItemsManager> manager = LoginItemsManager::create();
    QVERIFY(!manager->hasLoginItemWithURL(url));
    manager->addLoginItemWithURL(url, false);
    manager->addLoginItemWithURL(url, true);
    QCOMPARE(manager->copyLoginItemWithURL(url)->filePath,
             entryPath("com.zephlabs.GrabbitInstaller-2.desktop"));
    manager->removeLoginItemWithURL(url);
    QVERIFY(!manager->hasLoginItemWithURL(url));
    QVERIFY(manager->hasLoginItemWithURL(otherCopy));
    for (auto it = others.begin(); it != others.end(); ++it)
        QCOMPARE(readFile(it.key()), it.value());
}

void LoginItemsManagerTest::brokenEntryOfOursIsReplaced()
{
    const QUrl url = makeBundle("GrabbitInstaller");
    writeFile(ourFileName,
              QByteArray("[Desktop Entry]\nX-Grabbit-BundleURL=") + url.toEncoded() + "\ngarbage\n");
    const std::unique_ptr<LoginItemsManager> manager = LoginItemsManager::create();
    QVERIFY(!manager->hasLoginItemWithURL(url));
    manager->addLoginItemWithURL(url, false);
    QCOMPARE(QDir(autostartPath()).entryList(QDir::Files), QStringList{ourFileName});
    QVERIFY(DesktopEntry::read(entryPath(ourFileName)));
    QVERIFY(manager->hasLoginItemWithURL(url));
}

void LoginItemsManagerTest::autostartFolderLocation_data()
{
    QTest::addColumn<QByteArray>("configHome");
    QTest::addColumn<bool>("usesConfigHome");
    QTest::newRow("absolute") << QByteArray("ABSOLUTE") << true;
    QTest::newRow("unset") << QByteArray() << false;
    QTest::newRow("empty") << QByteArray("") << false;
    QTest::newRow("relative") << QByteArray("relative/config") << false;
}

void LoginItemsManagerTest::autostartFolderLocation()
{
    QFETCH(QByteArray, configHome);
    QFETCH(bool, usesConfigHome);
    QTemporaryDir home;
    const QByteArray savedHome = qgetenv("HOME");
    qputenv("HOME", home.path().toUtf8());
    if (configHome.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", configHome == "ABSOLUTE" ? m_configHome->path().toUtf8() : configHome);
    const std::unique_ptr<LoginItemsManager> manager = LoginItemsManager::create();
    qputenv("HOME", savedHome);
    QVERIFY(manager);
    const QString expected = usesConfigHome ? autostartPath() : home.filePath(".config/autostart");
    QCOMPARE(manager->loginItemsFileList().path(), expected);
    manager->addLoginItemWithURL(makeBundle("GrabbitInstaller"), false);
    QVERIFY(QFile::exists(expected + '/' + ourFileName));
}

void LoginItemsManagerTest::unusableFolderGivesNoManager()
{
    QFile blocker(autostartPath());
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QVERIFY(!LoginItemsManager::create());
}

// Needs a file that cannot be deleted: a read-only folder, or for the superuser an immutable file.
void LoginItemsManagerTest::removalFailureIsLogged()
{
    const QUrl url = makeBundle("GrabbitInstaller");
    const std::unique_ptr<LoginItemsManager> manager = LoginItemsManager::create();
    manager->addLoginItemWithURL(url, false);
    const bool superuser = geteuid() == 0;
    const auto protect = [&](bool on) {
        if (!superuser)
            return QFile::setPermissions(autostartPath(),
                                         on ? QFile::ReadOwner | QFile::ExeOwner
                                            : QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
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
    QCOMPARE(m_logLines,
             QStringList{QStringLiteral("Error removing login item: %1").arg(superuser ? -EPERM : -EACCES)});
}

void LoginItemsManagerTest::everyChangePostsOnceOnALaterPass()
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

void LoginItemsManagerTest::writtenEntriesAreValid()
{
    const QString validator = QStandardPaths::findExecutable("desktop-file-validate");
    if (validator.isEmpty())
        QSKIP("desktop-file-validate (desktop-file-utils) is not installed");
    const std::unique_ptr<LoginItemsManager> manager = LoginItemsManager::create();
    manager->addLoginItemWithURL(makeBundle("Grabbit \"Installer\" 100%"), true);
    QProcess validate;
    validate.start(validator, {entryPath(ourFileName)});
    QVERIFY(validate.waitForFinished());
    const QByteArray output = validate.readAllStandardOutput() + validate.readAllStandardError();
    QVERIFY2(validate.exitCode() == 0 && !output.contains("error"), output.constData());
}

QTEST_GUILESS_MAIN(LoginItemsManagerTest)
#include "LoginItemsManagerTest.moc"
