// SPDX-License-Identifier: MIT
#pragma once

#include "DesktopServices.h"

#include <QHash>
#include <QList>
#include <QUrl>

// The shared desktop services while it lives: opens and reveals nothing but records the requests,
// and answers volumes from a table; every path lies on volume 1 unless the table says otherwise,
// and a missing volume reads as failed.
class TestDesktopServices : public DesktopServices {
public:
    QList<QUrl> opened;
    QList<QList<QUrl>> revealed;
    QHash<QString, std::optional<quint64>> volumes;

    bool openURL(const QUrl& url) override
    {
        opened.append(url);
        return true;
    }
    void activateFileViewerSelectingURLs(const QList<QUrl>& urls) override { revealed.append(urls); }
    std::optional<quint64> volumeIdentifierForURL(const QUrl& url) override
    {
        return volumes.value(url.toLocalFile(), quint64(1));
    }

private:
    ScopedSharedDesktopServices m_scope{this};
};
