// SPDX-License-Identifier: MIT
#include "ZARunningInstance.h"

#include "HomeDirectory.h"
#include "Log.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

namespace {

constexpr char reopenRequest[] = "reopen\n";
constexpr int connectTimeoutMilliseconds = 1000;

} // namespace

ZARunningInstance::ZARunningInstance(QObject* parent) : QObject(parent) {}

ZARunningInstance::~ZARunningInstance() = default;

QString ZARunningInstance::serverName()
{
    // The home folder joins the user id so that sandboxed homes (tests, demos) run apart.
    const QByteArray home =
        QCryptographicHash::hash(HomeDirectory::path().value_or(QString()).toUtf8(), QCryptographicHash::Sha1)
            .toHex();
    return QStringLiteral("%1-%2-%3")
        .arg(QCoreApplication::applicationName())
        .arg(getuid())
        .arg(QString::fromLatin1(home.left(12)));
}

bool ZARunningInstance::tellRunningInstanceToReopen()
{
    QLocalSocket socket;
    socket.connectToServer(serverName());
    if (!socket.waitForConnected(connectTimeoutMilliseconds))
        return false;
    socket.write(reopenRequest);
    if (!socket.waitForBytesWritten(connectTimeoutMilliseconds))
        return false;
    socket.disconnectFromServer();
    return true;
}

bool ZARunningInstance::listen()
{
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &ZARunningInstance::readRequest);
    if (m_server->listen(serverName()))
        return true;
    // A socket left behind by an instance that crashed: nobody answered on it a moment ago.
    QLocalServer::removeServer(serverName());
    if (m_server->listen(serverName()))
        return true;
    Log::write(QStringLiteral("Unable to listen for reopen requests: %1").arg(m_server->errorString()));
    return false;
}

void ZARunningInstance::readRequest()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readLines(socket); });
        // The request may have arrived together with the connection.
        readLines(socket);
    }
}

void ZARunningInstance::readLines(QLocalSocket* socket)
{
    while (socket->canReadLine()) {
        if (socket->readLine() == reopenRequest)
            emit reopenRequested();
    }
}
