// SPDX-License-Identifier: MIT
#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
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
        QString application, summary, body;
        QStringList actions;
    };

    QList<Shown> shown;
    QList<uint> closed;

    // Emits ActionInvoked as the daemon does when the user clicks.
    void invokeAction(uint identifier, const QString& actionKey)
    {
        QDBusMessage signal = QDBusMessage::createSignal(path, name, "ActionInvoked");
        QDBusConnection(name).send(signal << identifier << actionKey);
    }

    static constexpr char path[] = "/org/freedesktop/Notifications";
    static constexpr char name[] = "org.freedesktop.Notifications";

public slots:
    uint Notify(const QString& application, uint, const QString&, const QString& summary, const QString& body,
                const QStringList& actions, const QVariantMap&, int)
    {
        shown.append(
            {shown.isEmpty() ? 1 : shown.last().identifier + 1, application, summary, body, actions});
        return shown.last().identifier;
    }
    void CloseNotification(uint identifier) { closed.append(identifier); }
};

// A private dbus-daemon with a minimal configuration (no service activation, so nothing installed
// on the machine is started), killed when the object goes.
class UserNotificationTestBus {
public:
    UserNotificationTestBus()
    {
        QFile file(m_folder.filePath("bus.conf"));
        const QByteArray configuration =
            "<busconfig><type>session</type><listen>unix:tmpdir=" + m_folder.path().toUtf8() +
            "</listen><auth>EXTERNAL</auth><policy context=\"default\"><allow send_destination=\"*\" "
            "eavesdrop=\"true\"/><allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n";
        if (!file.open(QIODevice::WriteOnly) || file.write(configuration) != configuration.size() ||
            !file.flush())
            return;
        m_process.start("dbus-daemon", {"--config-file=" + file.fileName(), "--nofork", "--print-address"});
        if (m_process.waitForStarted() && m_process.waitForReadyRead(10000))
            m_address = QString::fromUtf8(m_process.readLine()).trimmed();
    }
    ~UserNotificationTestBus()
    {
        for (const QString& name : m_connectionNames)
            QDBusConnection::disconnectFromBus(name);
        m_process.kill();
        m_process.waitForFinished();
    }

    bool isRunning() const { return !m_address.isEmpty(); }
    const QString& address() const { return m_address; }
    // A new connection to the bus under the given name.
    QDBusConnection connect(const QString& connectionName)
    {
        m_connectionNames.append(connectionName);
        return QDBusConnection::connectToBus(m_address, connectionName);
    }
    // Puts the daemon on the bus, on a connection of its own named after its service.
    bool startDaemon(FakeNotificationDaemon* daemon)
    {
        QDBusConnection connection = connect(FakeNotificationDaemon::name);
        return connection.isConnected() &&
               connection.registerObject(FakeNotificationDaemon::path, daemon,
                                         QDBusConnection::ExportAllSlots) &&
               connection.registerService(FakeNotificationDaemon::name);
    }

private:
    QTemporaryDir m_folder;
    QProcess m_process;
    QString m_address;
    QStringList m_connectionNames;
};
