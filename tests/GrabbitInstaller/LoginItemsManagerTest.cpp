// SPDX-License-Identifier: MIT
#include "LoginItemsManager.h"
#include "AutostartLoginItemsList.h"
#include "DesktopEntry.h"
#include "NotificationCenter.h"
#include "TestMac.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

const QString ourName = "com.zephlabs.GrabbitInstaller.desktop";

QByteArray entryFor(const QUrl& url)
{
    return "[Desktop Entry]\nX-Grabbit-BundleURL=" + url.toEncoded() + "\n";
}

} // namespace

// The login items on this system, as the manager and the XDG autostart list that it talks to keep
// them: the real list serves, in a folder of the test's own.
class LoginItemsManagerTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_home;

    QString entryPath(const QString& name) const { return m_home->filePath("autostart/" + name); }
    QUrl app(const QString& name) const { return QUrl::fromLocalFile(m_home->filePath(name + ".app/")); }
    void write(const QString& name, const QByteArray& data) const
    {
        TestMac::writeFile(entryPath(name), data);
    }
    QByteArray read(const QString& name) const { return TestMac::contents(entryPath(name)); }

private slots:
    void init()
    {
        m_home = std::make_unique<QTemporaryDir>();
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home->path()));
    }

    // What an entry starts at login: the bundle of ours it names, or the bundle whose executable
    // its Exec runs; nothing for deleted or malformed entries.
    void entriesResolveToTheBundleTheyStart()
    {
        const QByteArray group = "# comment\n[Desktop Entry]\nName[de]=x\n";
        const QByteArray exec = "Exec=/G.app/Contents/MacOS/G\n";
        const QList<std::pair<QByteArray, QString>> cases = {
            {group + "Exec = \"/A B/\\\\$G.app/Contents/MacOS/G\" %u\n", "/A B/$G.app/"},
            {group + exec + "Hidden=true\n", {}},
            {group + "Exec=/usr/bin/G\n", {}},
            {group + "Exec=\"/G.app/Contents/MacOS/G\n", {}},
            {exec + group, {}},
            {group + exec + "Name\n", {}},
            {group + exec + exec, {}},
            {group + exec + "Comment=\xff\n", {}}};
        for (const auto& [entry, bundle] : cases) {
            write("entry.desktop", entry);
            const QList<LoginItemsList::Item> items = AutostartLoginItemsList::create()->snapshot();
            QCOMPARE(items.value(0).url.value_or(QUrl()),
                     bundle.isNull() ? QUrl() : QUrl::fromLocalFile(bundle));
        }
    }

    // Only the first entry in list order whose URL equals the bundle's is flagged or removed, and
    // only our own entries are ever written: others stay byte for byte, a broken one is replaced,
    // an edited one keeps the edits. Ours start the bundle's executable marked as a login start.
    void theFirstItemOfTheURLIsTheOneChanged()
    {
        const QUrl url = app("Apps $HOME/Grabbit \"Installer\" 100%"), otherCopy("file:///G.app/");
        const QString executable = url.toLocalFile() + "Contents/MacOS/Grabbit \"Installer\" 100%";
        const QByteArray others =
            "[Desktop Entry]\nExec=" + DesktopEntry::execValue({executable}).toUtf8() + "\n";
        const QByteArray withoutSlash = entryFor(QUrl::fromLocalFile(url.toLocalFile().chopped(1)));
        const QString brokenOfOurs = "com.zephlabs.GrabbitInstaller-2.desktop";
        write("a.desktop", others);
        write("b.desktop", entryFor(url));
        write("c.desktop", withoutSlash);
        write(ourName, entryFor(otherCopy));
        write(brokenOfOurs, "broken\n");
        const std::unique_ptr<LoginItemsManager> manager = LoginItemsManager::create();
        manager->addLoginItemWithURL(url, true);
        QCOMPARE(read("a.desktop") + read("b.desktop"), others + entryFor(url));
        manager->removeLoginItemWithURL(url);
        manager->addLoginItemWithURL(url, true);
        QCOMPARE(read("a.desktop") + read("b.desktop"), entryFor(url) + "X-Grabbit-Hidden=true\n");
        manager->removeLoginItemWithURL(url);
        manager->addLoginItemWithURL(url, false);
        QCOMPARE(read("c.desktop") + read(ourName), withoutSlash + entryFor(otherCopy));
        const std::optional<DesktopEntry> entry = DesktopEntry::read(entryPath(brokenOfOurs));
        QCOMPARE(DesktopEntry::execArguments(entry->value("Desktop Entry", "Exec")),
                 (QStringList{executable, "--launched-at-login"}));
        write(brokenOfOurs, read(brokenOfOurs) + "# mine\nX-Mine = a\\sb\n");
        const QByteArray edited = read(brokenOfOurs);
        manager->addLoginItemWithURL(url, true);
        QCOMPARE(read(brokenOfOurs), QByteArray(edited).replace("Hidden=false", "Hidden=true"));
    }

    // Each change callback posts once on a later pass; the folder is watched before it exists too.
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
        manager->addLoginItemWithURL(app("G"), false);
        QTRY_VERIFY(posts > 3);
        const int afterCreation = posts;
        write("other.desktop", "[Desktop Entry]\n");
        QTRY_VERIFY(posts > afterCreation);
        NotificationCenter::defaultCenter().removeObserver(this);
    }
};

QTEST_GUILESS_MAIN(LoginItemsManagerTest)
#include "LoginItemsManagerTest.moc"
