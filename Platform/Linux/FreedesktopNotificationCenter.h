// SPDX-License-Identifier: MIT
#pragma once

#include "UserNotificationCenter.h"

#include <QDBusConnection>
#include <QHash>
#include <QObject>

#include <optional>

class QDBusPendingCallWatcher;

// User notifications shown by the desktop's notification daemon (org.freedesktop.Notifications).
// Without a bus or a daemon a notification is dropped with one log line. The notifications still
// shown are withdrawn when the application ends.
class FreedesktopNotificationCenter : public QObject, public UserNotificationCenter {
    Q_OBJECT

public:
    // The daemon is reached over that bus.
    explicit FreedesktopNotificationCenter(QDBusConnection connection, QObject* parent = nullptr);
    // Over the session bus, connected on the first delivery: a start that never notifies never
    // touches the bus.
    explicit FreedesktopNotificationCenter(QObject* parent = nullptr);
    ~FreedesktopNotificationCenter() override;

    void scheduleNotification(Notification notification) override;
    void removeDeliveredNotification(const Notification& notification) override;
    void removeAllDeliveredNotifications() override;
    QList<Notification> deliveredNotifications() const override { return m_delivered.values(); }

    // The action key of the action button, as the daemon reports it when clicked.
    static inline const QString actionKey = QStringLiteral("Update");

private slots:
    void actionInvoked(uint daemonIdentifier, const QString& actionKey);
    void notificationClosed(uint daemonIdentifier, uint reason);

private:
    void deliverNotification(const Notification& notification);
    void notificationCallFinished(QDBusPendingCallWatcher* watcher, const Notification& notification);
    void withdrawNotificationsAtQuit();
    void withdrawDeliveredNotifications();
    enum class CloseTiming { Queued, BeforeReturning };
    void closeNotification(uint daemonIdentifier, CloseTiming timing = CloseTiming::Queued);
    void closeAllDeliveredNotifications(CloseTiming timing);
    bool connectDaemonSignals();
    QDBusConnection& connection();

    std::optional<QDBusConnection> m_connection;
    bool m_signalsConnected = false;
    QHash<uint, Notification> m_delivered;
};
