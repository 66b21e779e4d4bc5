// SPDX-License-Identifier: MIT
#include "AutostartLoginItemsList.h"

#include "Bundle.h"
#include "DesktopEntry.h"
#include "PropertyList.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
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

std::optional<QUrl> resolvedURLOfFile(const QString& filePath)
{
    const std::optional<DesktopEntry> entry = DesktopEntry::read(filePath);
    return entry ? resolvedURL(*entry) : std::nullopt;
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
    entry.setValue(
        mainGroup, QStringLiteral("Exec"),
        DesktopEntry::execValue({bundle.executablePath(), AutostartLoginItemsList::launchedAtLoginArgument}));
    entry.setValue(mainGroup, QStringLiteral("Terminal"), QStringLiteral("false"));
    entry.setValue(mainGroup, QStringLiteral("X-GNOME-Autostart-enabled"), QStringLiteral("true"));
    entry.setValue(mainGroup, bundleURLKey, url.toString(QUrl::FullyEncoded));
    entry.setValue(mainGroup, hiddenKey, booleanValue(hide));
    return entry;
}

} // namespace

// On this system the user's login items are the XDG autostart entries.
std::unique_ptr<LoginItemsList> LoginItemsList::createUserLoginItemsList()
{
    return AutostartLoginItemsList::create();
}

AutostartLoginItemsList::AutostartLoginItemsList(AutostartFolder folder) : m_folder(std::move(folder))
{
    QObject::connect(&m_watcher, &QFileSystemWatcher::directoryChanged, &m_watcher,
                     [this](const QString& path) { watchedPathChanged(path); });
    updateWatchedPaths();
}

std::unique_ptr<AutostartLoginItemsList> AutostartLoginItemsList::create()
{
    const std::optional<AutostartFolder> folder = AutostartFolder::userFolder();
    if (!folder || !folder->isUsable())
        return nullptr;
    return std::make_unique<AutostartLoginItemsList>(*folder);
}

QList<LoginItemsList::Item> AutostartLoginItemsList::snapshot() const
{
    QList<Item> items;
    for (const QString& fileName : m_folder.entryFileNames()) {
        const QString filePath = m_folder.filePath(fileName);
        const std::optional<DesktopEntry> entry = DesktopEntry::read(filePath);
        items.append(Item{filePath, entry ? resolvedURL(*entry) : std::nullopt,
                          entry && entry->value(mainGroup, hiddenKey) == booleanValue(true)});
    }
    return items;
}

bool AutostartLoginItemsList::insertItemLast(const QUrl& url, bool hidden)
{
    if (!url.isLocalFile() || !m_folder.create())
        return false;
    return entryForBundle(url, hidden).write(m_folder.filePath(fileNameForNewEntry()));
}

bool AutostartLoginItemsList::setHidden(const Item& item, bool hidden)
{
    if (!isEntryOfFolder(item.reference))
        return false;
    std::optional<DesktopEntry> entry = DesktopEntry::read(item.reference);
    if (!entry || !entry->contains(mainGroup, bundleURLKey))
        return false;
    if (entry->value(mainGroup, hiddenKey) == booleanValue(hidden))
        return true;
    entry->setValue(mainGroup, hiddenKey, booleanValue(hidden));
    return entry->write(item.reference);
}

int AutostartLoginItemsList::removeItem(const Item& item)
{
    if (!isEntryOfFolder(item.reference))
        return -ENOENT;
    return ::unlink(QFile::encodeName(item.reference).constData()) == 0 ? 0 : -errno;
}

void AutostartLoginItemsList::setChangeCallback(std::function<void()> callback)
{
    m_changeCallback = std::move(callback);
}

void AutostartLoginItemsList::watchedPathChanged(const QString& path)
{
    const bool folderAppeared = m_folder.exists() && !m_watcher.directories().contains(m_folder.path());
    updateWatchedPaths();
    if ((path == m_folder.path() || folderAppeared) && m_changeCallback)
        m_changeCallback();
}

void AutostartLoginItemsList::updateWatchedPaths()
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

// A reference from another list, or one made up, never reaches a file outside the folder.
bool AutostartLoginItemsList::isEntryOfFolder(const QString& filePath) const
{
    return QFileInfo(filePath).path() == m_folder.path();
}

// Our usual name, or "-2", "-3"... when another program's entry holds it. A file of ours that
// stands for no login item (unreadable, malformed, resolving to nothing) is replaced.
QString AutostartLoginItemsList::fileNameForNewEntry() const
{
    for (int number = 1;; ++number) {
        const QString fileName =
            ourFileNameStem + (number == 1 ? QString() : QStringLiteral("-%1").arg(number)) + ".desktop";
        const QString filePath = m_folder.filePath(fileName);
        if (!QFileInfo::exists(filePath) || !resolvedURLOfFile(filePath))
            return fileName;
    }
}
