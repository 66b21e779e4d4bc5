// SPDX-License-Identifier: MIT
#pragma once

#include <QDBusConnection>
#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QString>

#include <optional>

class QDBusPendingCallWatcher;

// User notifications shown by the desktop's notification daemon (org.freedesktop.Notifications).
// Without a bus or a daemon a notification is dropped with one log line; nothing else changes.
class UserNotificationCenter : public QObject {
    Q_OBJECT

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

    // The daemon is reached over that bus.
    explicit UserNotificationCenter(QDBusConnection connection, QObject* parent = nullptr);
    // Over the session bus, connected on the first delivery: a start that never notifies never
    // touches the bus.
    explicit UserNotificationCenter(QObject* parent = nullptr);
    ~UserNotificationCenter() override;

    static UserNotificationCenter& defaultUserNotificationCenter();

    void setDelegate(Delegate* delegate) { m_delegate = delegate; }
    Delegate* delegate() const { return m_delegate; }

    void scheduleNotification(Notification notification);
    void removeDeliveredNotification(const Notification& notification);
    void removeAllDeliveredNotifications();
    // The notifications that the daemon shows, in no particular order.
    QList<Notification> deliveredNotifications() const { return m_delivered.values(); }

    // The action key of the action button, as the daemon reports it when clicked.
    static inline const QString actionKey = QStringLiteral("Update");

signals:
    // The daemon accepted the notification.
    void notificationDelivered(const QString& identifier);

private slots:
    void actionInvoked(uint daemonIdentifier, const QString& actionKey);
    void notificationClosed(uint daemonIdentifier, uint reason);

private:
    void deliverNotification(const Notification& notification);
    void notificationCallFinished(QDBusPendingCallWatcher* watcher, const Notification& notification);
    void closeNotification(uint daemonIdentifier);
    bool connectDaemonSignals();
    QDBusConnection& connection();

    std::optional<QDBusConnection> m_connection;
    Delegate* m_delegate = nullptr;
    bool m_signalsConnected = false;
    QHash<uint, Notification> m_delivered;
};
