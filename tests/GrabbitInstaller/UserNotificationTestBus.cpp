// SPDX-License-Identifier: MIT
#include "UserNotificationTestBus.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QFile>

namespace {

constexpr char daemonPath[] = "/org/freedesktop/Notifications";
constexpr char daemonName[] = "org.freedesktop.Notifications";
constexpr char daemonConnectionName[] = "fake-notification-daemon";

QByteArray configuration(const QString& socketFolder)
{
    return QByteArrayLiteral(
               "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
               " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
               "<busconfig>\n"
               "  <type>session</type>\n"
               "  <listen>unix:tmpdir=") +
           socketFolder.toUtf8() +
           QByteArrayLiteral("</listen>\n"
                             "  <auth>EXTERNAL</auth>\n"
                             "  <policy context=\"default\">\n"
                             "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
                             "    <allow eavesdrop=\"true\"/>\n"
                             "    <allow own=\"*\"/>\n"
                             "  </policy>\n"
                             "</busconfig>\n");
}

} // namespace

void FakeNotificationDaemon::invokeAction(uint identifier, const QString& actionKey)
{
    QDBusMessage signal = QDBusMessage::createSignal(daemonPath, daemonName, QStringLiteral("ActionInvoked"));
    signal << identifier << actionKey;
    QDBusConnection(daemonConnectionName).send(signal);
}

uint FakeNotificationDaemon::Notify(const QString&, uint, const QString&, const QString& summary,
                                    const QString& body, const QStringList& actions, const QVariantMap&, int)
{
    shown.append(Shown{m_nextIdentifier, summary, body, actions});
    return m_nextIdentifier++;
}

void FakeNotificationDaemon::CloseNotification(uint identifier)
{
    closed.append(identifier);
}

QStringList FakeNotificationDaemon::GetCapabilities()
{
    return {QStringLiteral("actions"), QStringLiteral("body")};
}

UserNotificationTestBus::UserNotificationTestBus()
{
    const QString configurationPath = m_folder.filePath(QStringLiteral("bus.conf"));
    QFile file(configurationPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(configuration(m_folder.path())) < 0)
        return;
    file.close();
    m_process.start(QStringLiteral("dbus-daemon"),
                    {QStringLiteral("--config-file=") + configurationPath, QStringLiteral("--nofork"),
                     QStringLiteral("--print-address")});
    if (!m_process.waitForStarted() || !m_process.waitForReadyRead(10000))
        return;
    m_address = QString::fromUtf8(m_process.readLine()).trimmed();
}

UserNotificationTestBus::~UserNotificationTestBus()
{
    for (const QString& name : m_connectionNames)
        QDBusConnection::disconnectFromBus(name);
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.kill();
    m_process.waitForFinished();
}

QDBusConnection UserNotificationTestBus::connect(const QString& connectionName)
{
    m_connectionNames.append(connectionName);
    return QDBusConnection::connectToBus(m_address, connectionName);
}

bool UserNotificationTestBus::startDaemon(FakeNotificationDaemon* daemon)
{
    QDBusConnection connection = connect(QString::fromLatin1(daemonConnectionName));
    return connection.isConnected() &&
           connection.registerObject(daemonPath, daemon, QDBusConnection::ExportAllSlots) &&
           connection.registerService(daemonName);
}
