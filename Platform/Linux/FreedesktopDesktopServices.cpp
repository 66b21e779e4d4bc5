// SPDX-License-Identifier: MIT
#include "FreedesktopDesktopServices.h"

#include "Log.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QFileInfo>

#include <sys/stat.h>

namespace {

DesktopServices* overriddenServices = nullptr;

constexpr char fileManagerService[] = "org.freedesktop.FileManager1";
constexpr char fileManagerPath[] = "/org/freedesktop/FileManager1";

} // namespace

// On this system the shared services are the freedesktop.org ones.
DesktopServices& DesktopServices::sharedServices()
{
    if (overriddenServices)
        return *overriddenServices;
    static FreedesktopDesktopServices services;
    return services;
}

void DesktopServices::setSharedServices(DesktopServices* services)
{
    overriddenServices = services;
}

FreedesktopDesktopServices::FreedesktopDesktopServices(QDBusConnection connection)
    : m_connection(std::move(connection))
{
}

bool FreedesktopDesktopServices::openURL(const QUrl& url)
{
    if (!url.isValid())
        return false;
    return QDesktopServices::openUrl(url);
}

void FreedesktopDesktopServices::activateFileViewerSelectingURLs(const QList<QUrl>& urls)
{
    if (urls.isEmpty())
        return;
    if (!m_connection.isConnected()) {
        openContainingFolder(urls.first());
        return;
    }
    QStringList uris;
    for (const QUrl& url : urls)
        uris.append(url.toString(QUrl::StripTrailingSlash));
    QDBusMessage call = QDBusMessage::createMethodCall(fileManagerService, fileManagerPath,
                                                       fileManagerService, QStringLiteral("ShowItems"));
    call << uris << QString();
    // Asynchronous, so that a file manager that is slow to start never stalls the window.
    auto* watcher = new QDBusPendingCallWatcher(m_connection.asyncCall(call));
    const QUrl first = urls.first();
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [this, first](QDBusPendingCallWatcher* finished) {
                         finished->deleteLater();
                         if (finished->isError())
                             openContainingFolder(first);
                     });
}

void FreedesktopDesktopServices::openContainingFolder(const QUrl& url)
{
    const QString path = url.toLocalFile();
    const QString folder = QFileInfo(path.endsWith(QLatin1Char('/')) ? path.chopped(1) : path).absolutePath();
    if (openURL(QUrl::fromLocalFile(folder)))
        return;
    Log::write(QStringLiteral("Unable to show %1: no file manager answered").arg(path));
}

std::optional<quint64> FreedesktopDesktopServices::volumeIdentifierForURL(const QUrl& url)
{
    if (!url.isLocalFile())
        return std::nullopt;
    struct stat status {};
    if (stat(QFile::encodeName(url.toLocalFile()).constData(), &status) != 0)
        return std::nullopt;
    return static_cast<quint64>(status.st_dev);
}
