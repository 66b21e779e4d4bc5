// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

// One running instance of the application per user: a later start hands a reopen request to the
// instance that runs already and ends.
class ZARunningInstance : public QObject {
    Q_OBJECT

public:
    explicit ZARunningInstance(QObject* parent = nullptr);
    ~ZARunningInstance() override;

    // The per-user name under which the running instance listens.
    static QString serverName();

    // True when another instance runs and received the reopen request.
    bool tellRunningInstanceToReopen();
    // Starts answering later starts; false (and logged) when that is impossible.
    bool listen();

signals:
    void reopenRequested();

private:
    void readRequest();
    void readLines(QLocalSocket* socket);

    QLocalServer* m_server = nullptr;
};
