// SPDX-License-Identifier: MIT
#include "DesktopServices.h"

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

DesktopServices::DesktopServices(QDBusConnection connection) : m_connection(std::move(connection)) {}

DesktopServices& DesktopServices::sharedServices()
{
    if (overriddenServices)
        return *overriddenServices;
    static DesktopServices services;
    return services;
}

void DesktopServices::setSharedServices(DesktopServices* services)
{
    overriddenServices = services;
}

bool DesktopServices::openURL(const QUrl& url)
{
    if (!url.isValid())
        return false;
    return QDesktopServices::openUrl(url);
}

void DesktopServices::activateFileViewerSelectingURLs(const QList<QUrl>& urls)
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

void DesktopServices::openContainingFolder(const QUrl& url)
{
    const QString path = url.toLocalFile();
    const QString folder = QFileInfo(path.endsWith(QLatin1Char('/')) ? path.chopped(1) : path).absolutePath();
    if (openURL(QUrl::fromLocalFile(folder)))
        return;
    Log::write(QStringLiteral("Unable to show %1: no file manager answered").arg(path));
}

std::optional<quint64> DesktopServices::volumeIdentifierForURL(const QUrl& url)
{
    if (!url.isLocalFile())
        return std::nullopt;
    struct stat status {};
    if (stat(QFile::encodeName(url.toLocalFile()).constData(), &status) != 0)
        return std::nullopt;
    return static_cast<quint64>(status.st_dev);
}
