// SPDX-License-Identifier: MIT
#pragma once

#include "AutostartFolder.h"
#include "LoginItemsList.h"

#include <QFileSystemWatcher>

// The user's login items as XDG autostart entries, in file-name order; an item's reference is its
// entry's file path. An entry resolves to the application bundle it starts; entries of other
// programs are read, never rewritten.
class AutostartLoginItemsList : public LoginItemsList {
public:
    // The argument our own entries start the installer with, which tells it that the login
    // started it: no desktop marks such a start on its own.
    static constexpr char launchedAtLoginArgument[] = "--launched-at-login";

    explicit AutostartLoginItemsList(AutostartFolder folder);

    // Over the current user's autostart folder; nullptr when it cannot be used.
    static std::unique_ptr<AutostartLoginItemsList> create();

    QList<Item> snapshot() const override;
    // Writes an entry of ours, named after the installer, that starts the bundle's executable.
    bool insertItemLast(const QUrl& url, bool hidden) override;
    // Only our own entries carry the flag; others are left as they are.
    bool setHidden(const Item& item, bool hidden) override;
    // Deletes the entry's file: 0, or the negated errno of the failure.
    int removeItem(const Item& item) override;
    // Watches the folder, or before it exists its nearest existing ancestor to see it appear.
    void setChangeCallback(std::function<void()> callback) override;

private:
    void watchedPathChanged(const QString& path);
    void updateWatchedPaths();
    bool isEntryOfFolder(const QString& filePath) const;
    QString fileNameForNewEntry() const;

    AutostartFolder m_folder;
    QFileSystemWatcher m_watcher;
    std::function<void()> m_changeCallback;
};
