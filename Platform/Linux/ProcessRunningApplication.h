// SPDX-License-Identifier: MIT
#pragma once

#include "Workspace.h"

#include <QByteArray>

#include <memory>
#include <sys/types.h>
#include <vector>

// A process found through /proc. It counts as terminated once it is gone, a zombie, or its
// process id belongs to another process.
class ProcessRunningApplication : public RunningApplication {
public:
    ProcessRunningApplication(pid_t pid, unsigned long long startTime) : m_pid(pid), m_startTime(startTime) {}

    // The processes whose executable is that file (a resolved path, as the system's bytes), oldest
    // first.
    static std::vector<std::unique_ptr<RunningApplication>>
    instancesOfExecutable(const QByteArray& executable);

    bool isTerminated() override;
    bool terminate() override;
    std::optional<QDateTime> launchDate() override;

private:
    pid_t m_pid;
    unsigned long long m_startTime;
};
