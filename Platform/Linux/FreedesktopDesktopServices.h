// SPDX-License-Identifier: MIT
#pragma once

#include "DesktopServices.h"

#include <QDBusConnection>

// The desktop services of a freedesktop.org desktop: web pages through the desktop's URL handler,
// files shown through org.freedesktop.FileManager1, volumes as the device id of stat().
class FreedesktopDesktopServices : public DesktopServices {
public:
    // The file-manager request goes over that bus; by default the session bus.
    explicit FreedesktopDesktopServices(QDBusConnection connection = QDBusConnection::sessionBus());

    bool openURL(const QUrl& url) override;
    void activateFileViewerSelectingURLs(const QList<QUrl>& urls) override;
    // The device that holds the file (st_dev of stat).
    std::optional<quint64> volumeIdentifierForURL(const QUrl& url) override;

private:
    void openContainingFolder(const QUrl& url);

    QDBusConnection m_connection;
};
