// SPDX-License-Identifier: MIT
#pragma once

#include "AutostartFolder.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QUrl>

#include <memory>

inline constexpr char LoginItemsDidChangeNotification[] = "LoginItemsDidChangeNotification";
// The argument our own login item starts the installer with; its presence means "launched at login".
inline constexpr char LoginItemsLaunchedAtLoginArgument[] = "--launched-at-login";

// The user's login items, kept as XDG autostart entries. An entry stands for the application
// bundle it resolves to; the installer adds, finds and removes its own by its bundle URL.
// Entries of other programs are read, never rewritten.
class LoginItemsManager : public QObject {
    Q_OBJECT

public:
    // One autostart entry that resolved to a URL.
    struct LoginItem {
        QString filePath;
        QUrl url;
        // Written by us; only such entries are ever rewritten.
        bool isOurs = false;
    };

    // The one manager, created on first use; nullptr for the whole process when the autostart
    // folder cannot be used, which callers treat as "no login item".
    static LoginItemsManager* sharedManager();
    // A manager over the current user's autostart folder, or nullptr when it cannot be used.
    static std::unique_ptr<LoginItemsManager> create();

    bool hasLoginItemWithURL(const QUrl& url) const;
    // Adds an entry that starts the bundle at login, or only sets the hide flag of the existing one.
    void addLoginItemWithURL(const QUrl& url, bool hide);
    // Deletes the first entry that resolves to the URL; a failure is logged and the entry stays.
    void removeLoginItemWithURL(const QUrl& url);

    const AutostartFolder& loginItemsFileList() const { return m_folder; }
    // The first entry in file-name order that resolves exactly (URL equality) to the URL.
    std::unique_ptr<LoginItem> copyLoginItemWithURL(const QUrl& url) const;

    // Each call posts LoginItemsDidChangeNotification once, on a later pass of the event loop.
    void sharedFileListChanged();
    void delayedPostLoginItemsDidChangeNotification();

private:
    explicit LoginItemsManager(AutostartFolder folder);

    void watchedPathChanged(const QString& path);
    void updateWatchedPaths();
    QString fileNameForNewEntry() const;
    void writeEntry(const QString& filePath, const QUrl& url, bool hide) const;
    void setHidden(const LoginItem& item, bool hide) const;

    AutostartFolder m_folder;
    QFileSystemWatcher m_watcher;
};
