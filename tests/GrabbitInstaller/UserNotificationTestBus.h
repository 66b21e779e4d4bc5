// SPDX-License-Identifier: MIT
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariantMap>

// A notification daemon of our own, answering org.freedesktop.Notifications on a test's bus and
// recording what it was asked.
class FakeNotificationDaemon : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Shown {
        uint identifier;
        QString summary;
        QString body;
        QStringList actions;
    };

    QList<Shown> shown;
    QList<uint> closed;

    // Emits ActionInvoked as the daemon does when the user clicks.
    void invokeAction(uint identifier, const QString& actionKey);

public slots:
    uint Notify(const QString& applicationName, uint replacesIdentifier, const QString& icon,
                const QString& summary, const QString& body, const QStringList& actions,
                const QVariantMap& hints, int timeout);
    void CloseNotification(uint identifier);
    QStringList GetCapabilities();

private:
    uint m_nextIdentifier = 1;
};

// A private dbus-daemon with a minimal configuration (no service activation, so nothing installed
// on the machine is started), killed when the object goes.
class UserNotificationTestBus {
public:
    UserNotificationTestBus();
    ~UserNotificationTestBus();
    UserNotificationTestBus(const UserNotificationTestBus&) = delete;
    UserNotificationTestBus& operator=(const UserNotificationTestBus&) = delete;

    bool isRunning() const { return !m_address.isEmpty(); }
    const QString& address() const { return m_address; }
    // A new connection to the bus under the given name.
    QDBusConnection connect(const QString& connectionName);
    // Puts a fake daemon on the bus, on a connection of its own.
    bool startDaemon(FakeNotificationDaemon* daemon);

private:
    QTemporaryDir m_folder;
    QProcess m_process;
    QString m_address;
    QStringList m_connectionNames;
};
