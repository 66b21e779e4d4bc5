// SPDX-License-Identifier: MIT
#pragma once

#include "DesktopServices.h"

#include <QHash>
#include <QList>
#include <QUrl>

// Desktop services that open nothing: they record the requests and answer volumes from a table.
// Every path lies on volume 1 unless the table says otherwise; a missing volume reads as failed.
class InterfaceTestDesktopServices : public DesktopServices {
public:
    QList<QUrl> openedURLs;
    QList<QList<QUrl>> revealed;
    bool canOpenURLs = true;
    QHash<QString, std::optional<quint64>> volumes;

    bool openURL(const QUrl& url) override
    {
        openedURLs.append(url);
        return canOpenURLs;
    }

    void activateFileViewerSelectingURLs(const QList<QUrl>& urls) override { revealed.append(urls); }

    std::optional<quint64> volumeIdentifierForURL(const QUrl& url) override
    {
        return volumes.value(url.toLocalFile(), quint64(1));
    }
};
