// SPDX-License-Identifier: MIT
#pragma once

#include "LoginItemsList.h"

#include <QObject>
#include <QUrl>

#include <memory>
#include <optional>

inline constexpr char LoginItemsDidChangeNotification[] = "LoginItemsDidChangeNotification";

// The installer's one place for the user's login items: it finds items by the URL they resolve to,
// adds and removes the installer's own, and turns the list's changes into a notification.
class LoginItemsManager : public QObject {
    Q_OBJECT

public:
    // Registers for the list's changes until the manager goes.
    explicit LoginItemsManager(std::unique_ptr<LoginItemsList> list);
    ~LoginItemsManager() override;

    // The one manager, created on first use; nullptr for the whole process when the system's list
    // cannot be had, which callers treat as "no login item".
    static LoginItemsManager* sharedManager();
    // A manager over the current user's list, or nullptr when there is none.
    static std::unique_ptr<LoginItemsManager> create();

    bool hasLoginItemWithURL(const QUrl& url) const;
    // Adds an item at the end of the list, or only sets the hidden flag of the existing one.
    void addLoginItemWithURL(const QUrl& url, bool hide);
    // Removes the first item that resolves to the URL; a failure is logged and the item stays.
    void removeLoginItemWithURL(const QUrl& url);

    LoginItemsList& loginItemsFileList() const { return *m_list; }
    // The first item in list order that resolves to exactly this URL: URL equality, not the same
    // file reached another way.
    std::optional<LoginItemsList::Item> copyLoginItemWithURL(const QUrl& url) const;

    // Each call posts LoginItemsDidChangeNotification once, on a later pass of the event loop.
    void sharedFileListChanged();
    void delayedPostLoginItemsDidChangeNotification();

private:
    std::unique_ptr<LoginItemsList> m_list;
};
