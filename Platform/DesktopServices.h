// SPDX-License-Identifier: MIT
#pragma once

#include <QList>
#include <QUrl>

#include <optional>

// What the window asks of the desktop: open a web page, show files in the file manager, and tell
// which volume a file lives on. Tests replace the shared instance to record calls and fake volumes.
class DesktopServices {
public:
    virtual ~DesktopServices() = default;

    // This system's services, unless a replacement is installed.
    static DesktopServices& sharedServices();
    // nullptr restores this system's services. The caller keeps ownership.
    static void setSharedServices(DesktopServices* services);

    // Opens the URL with the desktop's handler; false when there is none or it failed.
    virtual bool openURL(const QUrl& url) = 0;

    // Shows the files selected in the file manager, or opens the folder of the first one when no
    // file manager answers. Returns at once; a failure is logged.
    virtual void activateFileViewerSelectingURLs(const QList<QUrl>& urls) = 0;

    // An identifier of the volume that holds the file, equal for files on the same volume, or
    // nothing when it cannot be read.
    virtual std::optional<quint64> volumeIdentifierForURL(const QUrl& url) = 0;
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
