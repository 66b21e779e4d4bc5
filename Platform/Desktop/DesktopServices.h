// SPDX-License-Identifier: MIT
#pragma once

#include <QDBusConnection>
#include <QList>
#include <QUrl>

#include <optional>

// What the window asks of the desktop: open a web page, show files in the file manager, and tell
// which volume a file lives on. Tests replace the shared instance to record calls and fake volumes.
class DesktopServices {
public:
    // The file-manager request goes over that bus; by default the session bus.
    explicit DesktopServices(QDBusConnection connection = QDBusConnection::sessionBus());
    virtual ~DesktopServices() = default;

    static DesktopServices& sharedServices();
    // nullptr restores the real services. The caller keeps ownership.
    static void setSharedServices(DesktopServices* services);

    // Opens the URL with the desktop's handler; false when there is none or it failed.
    virtual bool openURL(const QUrl& url);

    // Shows the files selected in the file manager, or opens the folder of the first one when no
    // file manager answers. Returns at once; a failure is logged.
    virtual void activateFileViewerSelectingURLs(const QList<QUrl>& urls);

    // The device that holds the file (st_dev of stat), or nothing when it cannot be read.
    virtual std::optional<quint64> volumeIdentifierForURL(const QUrl& url);

private:
    void openContainingFolder(const QUrl& url);

    QDBusConnection m_connection;
};

class ScopedSharedDesktopServices {
public:
    explicit ScopedSharedDesktopServices(DesktopServices* services)
    {
        DesktopServices::setSharedServices(services);
    }
    ~ScopedSharedDesktopServices() { DesktopServices::setSharedServices(nullptr); }
    ScopedSharedDesktopServices(const ScopedSharedDesktopServices&) = delete;
    ScopedSharedDesktopServices& operator=(const ScopedSharedDesktopServices&) = delete;
};
