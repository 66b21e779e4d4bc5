// SPDX-License-Identifier: MIT
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <sys/types.h>

// The fake Mail program installed as a test Mail.app's executable, and what its journal says.
// Every instance still running when this object goes is killed, so that none outlives its test.
class FakeMailProcess {
public:
    struct Start {
        pid_t pid = 0;
        QStringList arguments;
    };

    // Copies the built program into the bundle as Contents/MacOS/<executableName>.
    FakeMailProcess(const QString& mailApplicationPath,
                    const QString& executableName = QStringLiteral("Mail"));
    ~FakeMailProcess();
    FakeMailProcess(const FakeMailProcess&) = delete;
    FakeMailProcess& operator=(const FakeMailProcess&) = delete;

    QString executablePath() const { return m_executablePath; }
    // Every instance then quits that many seconds after the request instead of at once.
    void setQuitDelay(double seconds);

    // Starts one instance detached and returns once it is ready for quit requests.
    pid_t start();
    // Waits (running the event loop) until the journal holds that many starts; false on timeout.
    bool waitForStarts(int count, int timeoutMilliseconds = 10000);

    QList<Start> starts() const;
    int quitRequestCount() const;
    // When that instance recorded its exit, in seconds since 2001-01-01; negative when it has not.
    double exitTime(pid_t pid) const;
    bool isRunning(pid_t pid) const;

private:
    QStringList journalLines() const;
    void killRemainingInstances();

    QString m_executablePath;
};
