// SPDX-License-Identifier: MIT
#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

// User notifications, shown by the system on the application's behalf. A notification that the
// system cannot show is dropped with one log line; nothing else changes.
class UserNotificationCenter {
public:
    struct Notification {
        QString identifier; // made unique by scheduleNotification when empty
        QString title;
        QString informativeText;
        QString actionButtonTitle; // no action button when empty
        QDateTime deliveryDate;    // now when invalid or past
    };

    // Answers for the notifications of this center, on the main thread.
    class Delegate {
    public:
        virtual ~Delegate() = default;
        // Whether to show the notification while the application is the active one.
        virtual bool shouldPresentNotification(UserNotificationCenter& center,
                                               const Notification& notification) = 0;
        // The user clicked the notification or its action button.
        virtual void didActivateNotification(UserNotificationCenter& center,
                                             const Notification& notification) = 0;
    };

    virtual ~UserNotificationCenter() = default;

    // This system's center, created on first use; it goes with the application object.
    static UserNotificationCenter& defaultUserNotificationCenter();

    void setDelegate(Delegate* delegate) { m_delegate = delegate; }
    Delegate* delegate() const { return m_delegate; }

    virtual void scheduleNotification(Notification notification) = 0;
    virtual void removeDeliveredNotification(const Notification& notification) = 0;
    virtual void removeAllDeliveredNotifications() = 0;
    // The notifications that the system shows, in no particular order.
    virtual QList<Notification> deliveredNotifications() const = 0;

private:
    Delegate* m_delegate = nullptr;
};
