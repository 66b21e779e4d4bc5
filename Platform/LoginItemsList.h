// SPDX-License-Identifier: MIT
#pragma once

#include <QList>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

// The user's login items as the system keeps them: an ordered list whose items each resolve to
// the URL of what they open at login and carry a hidden flag.
class LoginItemsList {
public:
    // One item of a snapshot.
    struct Item {
        // How the list tells its items apart; meaningful only to the list that made the snapshot.
        QString reference;
        // What the item opens at login; nothing when it does not resolve.
        std::optional<QUrl> url;
        bool hidden = false;
    };

    virtual ~LoginItemsList() = default;

    // The current user's list on this system, or nullptr when it cannot be had.
    static std::unique_ptr<LoginItemsList> createUserLoginItemsList();

    // The items in list order.
    virtual QList<Item> snapshot() const = 0;
    // Adds an item for the URL at the end of the list, with its hidden property; false when
    // nothing was added.
    virtual bool insertItemLast(const QUrl& url, bool hidden) = 0;
    // False when the property could not be set.
    virtual bool setHidden(const Item& item, bool hidden) = 0;
    // 0 when the item is gone, else the system's status.
    virtual int removeItem(const Item& item) = 0;
    // Called on the main thread after each change of the list, whoever made it; an empty callback
    // unregisters.
    virtual void setChangeCallback(std::function<void()> callback) = 0;
};
