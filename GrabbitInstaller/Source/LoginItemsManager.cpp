// SPDX-License-Identifier: MIT
#include "LoginItemsManager.h"

#include "Bundle.h"
#include "DesktopEntry.h"
#include "Log.h"
#include "NotificationCenter.h"
#include "PropertyList.h"

#include <QDir>
#include <QFileInfo>
#include <QTimer>

#include <cerrno>
#include <mutex>
#include <optional>

#include <unistd.h>

namespace {

const QString mainGroup = QString::fromLatin1(DesktopEntry::mainGroup);
const QString ourFileNameStem = QStringLiteral("com.zephlabs.GrabbitInstaller");
// Our entries name the bundle they stand for, so that they resolve without guessing from Exec.
const QString bundleURLKey = QStringLiteral("X-Grabbit-BundleURL");
// The hide flag of a login item. The standard "Hidden" key means "deleted" to the desktop, which
// would switch the item off, so the flag lives in a key of our own and the entry stays enabled.
const QString hiddenKey = QStringLiteral("X-Grabbit-Hidden");

QString booleanValue(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

// The bundle ("X.app/") whose "Contents/MacOS" holds the entry's program, when it does.
std::optional<QUrl> bundleURLOfExec(const DesktopEntry& entry)
{
    const std::optional<QStringList> arguments =
        DesktopEntry::execArguments(entry.value(mainGroup, QStringLiteral("Exec")));
    if (!arguments || arguments->isEmpty() || !QDir::isAbsolutePath(arguments->first()))
        return std::nullopt;
    const QString program = QDir::cleanPath(arguments->first());
    const QLatin1String executablesFolder(".app/Contents/MacOS/");
    const qsizetype marker = program.lastIndexOf(executablesFolder);
    if (marker < 0 || program.indexOf(u'/', marker + executablesFolder.size()) >= 0)
        return std::nullopt;
    return QUrl::fromLocalFile(program.left(marker) + QLatin1String(".app/"));
}

// What the entry starts at login; nothing for entries the desktop treats as deleted.
std::optional<QUrl> resolvedURL(const DesktopEntry& entry)
{
    if (entry.value(mainGroup, QStringLiteral("Hidden")) == QLatin1String("true"))
        return std::nullopt;
    if (entry.contains(mainGroup, bundleURLKey)) {
        const QUrl url(entry.value(mainGroup, bundleURLKey), QUrl::StrictMode);
        return url.isValid() ? std::optional<QUrl>(url) : std::nullopt;
    }
    return bundleURLOfExec(entry);
}

std::optional<LoginItemsManager::LoginItem> loginItemAt(const QString& filePath)
{
    const std::optional<DesktopEntry> entry = DesktopEntry::read(filePath);
    if (!entry)
        return std::nullopt;
    const std::optional<QUrl> url = resolvedURL(*entry);
    if (!url)
        return std::nullopt;
    return LoginItemsManager::LoginItem{filePath, *url, entry->contains(mainGroup, bundleURLKey)};
}

DesktopEntry entryForBundle(const QUrl& url, bool hide)
{
    const Bundle bundle(url.toLocalFile());
    const std::optional<QVariantMap> info = PropertyList::dictionaryWithContentsOfFile(
        bundle.bundlePath() + QLatin1String("/Contents/Info.plist"));
    QString name = info ? info->value(QStringLiteral("CFBundleName")).toString() : QString();
    if (name.isEmpty())
        name = QFileInfo(bundle.bundlePath()).completeBaseName();
    DesktopEntry entry;
    entry.setValue(mainGroup, QStringLiteral("Type"), QStringLiteral("Application"));
    entry.setValue(mainGroup, QStringLiteral("Name"), name);
    entry.setValue(mainGroup, QStringLiteral("Exec"),
                   DesktopEntry::execValue({bundle.executablePath(), LoginItemsLaunchedAtLoginArgument}));
    entry.setValue(mainGroup, QStringLiteral("Terminal"), QStringLiteral("false"));
    entry.setValue(mainGroup, QStringLiteral("X-GNOME-Autostart-enabled"), QStringLiteral("true"));
    entry.setValue(mainGroup, bundleURLKey, url.toString(QUrl::FullyEncoded));
    entry.setValue(mainGroup, hiddenKey, booleanValue(hide));
    return entry;
}

} // namespace

LoginItemsManager::LoginItemsManager(AutostartFolder folder) : m_folder(std::move(folder))
{
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &LoginItemsManager::watchedPathChanged);
    updateWatchedPaths();
}

LoginItemsManager* LoginItemsManager::sharedManager()
{
    // Lives until the process ends, as the desktop's own list would.
    static LoginItemsManager* sharedManager = nullptr;
    static std::once_flag once;
    std::call_once(once, [] { sharedManager = create().release(); });
    return sharedManager;
}

std::unique_ptr<LoginItemsManager> LoginItemsManager::create()
{
    const std::optional<AutostartFolder> folder = AutostartFolder::userFolder();
    if (!folder || !folder->isUsable())
        return nullptr;
    return std::unique_ptr<LoginItemsManager>(new LoginItemsManager(*folder));
}

bool LoginItemsManager::hasLoginItemWithURL(const QUrl& url) const
{
    return copyLoginItemWithURL(url) != nullptr;
}

void LoginItemsManager::addLoginItemWithURL(const QUrl& url, bool hide)
{
    if (const std::unique_ptr<LoginItem> item = copyLoginItemWithURL(url)) {
        setHidden(*item, hide);
        return;
    }
    if (!url.isLocalFile() || !m_folder.create())
        return;
    writeEntry(m_folder.filePath(fileNameForNewEntry()), url, hide);
}

void LoginItemsManager::removeLoginItemWithURL(const QUrl& url)
{
    const std::unique_ptr<LoginItem> item = copyLoginItemWithURL(url);
    if (!item)
        return;
    const int status = ::unlink(QFile::encodeName(item->filePath).constData()) == 0 ? 0 : -errno;
    if (status != 0)
        Log::write(QStringLiteral("Error removing login item: %1").arg(status));
}

std::unique_ptr<LoginItemsManager::LoginItem> LoginItemsManager::copyLoginItemWithURL(const QUrl& url) const
{
    if (url.isEmpty())
        return nullptr;
    for (const QString& fileName : m_folder.entryFileNames()) {
        std::optional<LoginItem> item = loginItemAt(m_folder.filePath(fileName));
        if (item && url == item->url)
            return std::make_unique<LoginItem>(std::move(*item));
    }
    return nullptr;
}

void LoginItemsManager::sharedFileListChanged()
{
    QTimer::singleShot(0, this, &LoginItemsManager::delayedPostLoginItemsDidChangeNotification);
}

void LoginItemsManager::delayedPostLoginItemsDidChangeNotification()
{
    NotificationCenter::defaultCenter().postNotification(QString::fromLatin1(LoginItemsDidChangeNotification),
                                                         this);
}

void LoginItemsManager::watchedPathChanged(const QString& path)
{
    const bool folderAppeared = m_folder.exists() && !m_watcher.directories().contains(m_folder.path());
    updateWatchedPaths();
    if (path == m_folder.path() || folderAppeared)
        sharedFileListChanged();
}

// The folder itself once it exists; before that its nearest existing ancestor, to see it appear.
void LoginItemsManager::updateWatchedPaths()
{
    QString wanted = m_folder.path();
    while (!QFileInfo(wanted).isDir() && wanted != QDir::rootPath())
        wanted = QFileInfo(wanted).path();
    const QStringList watched = m_watcher.directories();
    for (const QString& path : watched) {
        if (path != wanted)
            m_watcher.removePath(path);
    }
    if (!watched.contains(wanted))
        m_watcher.addPath(wanted);
}

// Our usual name, or "-2", "-3"... when another program's entry holds it. A file of ours that
// stands for no login item (unreadable, malformed, resolving to nothing) is replaced.
QString LoginItemsManager::fileNameForNewEntry() const
{
    for (int number = 1;; ++number) {
        const QString fileName =
            ourFileNameStem + (number == 1 ? QString() : QStringLiteral("-%1").arg(number)) + ".desktop";
        const QString filePath = m_folder.filePath(fileName);
        if (!QFileInfo::exists(filePath) || !loginItemAt(filePath))
            return fileName;
    }
}

void LoginItemsManager::writeEntry(const QString& filePath, const QUrl& url, bool hide) const
{
    entryForBundle(url, hide).write(filePath);
}

void LoginItemsManager::setHidden(const LoginItem& item, bool hide) const
{
    if (!item.isOurs)
        return;
    std::optional<DesktopEntry> entry = DesktopEntry::read(item.filePath);
    if (!entry || entry->value(mainGroup, hiddenKey) == booleanValue(hide))
        return;
    entry->setValue(mainGroup, hiddenKey, booleanValue(hide));
    entry->write(item.filePath);
}
