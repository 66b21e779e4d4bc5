// SPDX-License-Identifier: MIT
#include "ProcessRunningApplication.h"

#include <QFile>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// Field 3 (state) and field 22 (start time) of /proc/<pid>/stat.
bool readProcessStatus(pid_t pid, char& state, unsigned long long& startTime)
{
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray contents = file.readAll();
    // The command name may hold spaces and parentheses: the fields start after the last ')'.
    const qsizetype end = contents.lastIndexOf(')');
    if (end < 0)
        return false;
    const QList<QByteArray> fields = contents.mid(end + 2).split(' ');
    if (fields.size() < 20)
        return false;
    state = fields.at(0).isEmpty() ? '?' : fields.at(0).at(0);
    startTime = fields.at(19).toULongLong();
    return true;
}

// What /proc/<pid>/exe names, as bytes; a deleted executable keeps its path without the mark.
QByteArray processExecutable(const char* pid)
{
    char link[64];
    std::snprintf(link, sizeof link, "/proc/%s/exe", pid);
    char target[PATH_MAX];
    const ssize_t length = readlink(link, target, sizeof target);
    if (length <= 0 || length == ssize_t(sizeof target))
        return {};
    QByteArray executable(target, length);
    if (executable.endsWith(" (deleted)"))
        executable.chop(10);
    return executable;
}

struct Instance {
    pid_t pid;
    unsigned long long startTime;
};

} // namespace

std::vector<std::unique_ptr<RunningApplication>>
ProcessRunningApplication::instancesOfExecutable(const QByteArray& wanted)
{
    // One readlink per process: this runs before every install and removal, with hundreds of
    // processes on a desktop.
    std::vector<Instance> instances;
    DIR* processes = opendir("/proc");
    while (dirent* entry = processes ? readdir(processes) : nullptr) {
        const char* name = entry->d_name;
        if (!std::all_of(name, name + std::strlen(name),
                         [](char character) { return std::isdigit(uchar(character)); }) ||
            processExecutable(name) != wanted)
            continue;
        const pid_t pid = pid_t(std::strtol(name, nullptr, 10));
        char state = '?';
        unsigned long long startTime = 0;
        if (readProcessStatus(pid, state, startTime))
            instances.push_back({pid, startTime});
    }
    if (processes)
        closedir(processes);
    // Oldest first: process ids wrap around, start times do not.
    std::sort(instances.begin(), instances.end(), [](const Instance& left, const Instance& right) {
        if (left.startTime != right.startTime)
            return left.startTime < right.startTime;
        return left.pid < right.pid;
    });
    std::vector<std::unique_ptr<RunningApplication>> applications;
    for (const Instance& instance : instances)
        applications.push_back(std::make_unique<ProcessRunningApplication>(instance.pid, instance.startTime));
    return applications;
}

bool ProcessRunningApplication::isTerminated()
{
    char state = '?';
    unsigned long long startTime = 0;
    if (!readProcessStatus(m_pid, state, startTime))
        return true;
    return state == 'Z' || state == 'X' || startTime != m_startTime;
}

bool ProcessRunningApplication::terminate()
{
    // A process descriptor pins the process, so the request cannot reach a successor that was given
    // the same process id after Mail ended.
    const int processDescriptor = static_cast<int>(syscall(SYS_pidfd_open, m_pid, 0));
    if (processDescriptor < 0)
        return errno != ESRCH && !isTerminated() && kill(m_pid, SIGTERM) == 0;
    const bool delivered =
        !isTerminated() && syscall(SYS_pidfd_send_signal, processDescriptor, SIGTERM, nullptr, 0) == 0;
    close(processDescriptor);
    return delivered;
}

std::optional<QDateTime> ProcessRunningApplication::launchDate()
{
    // The start time counts clock ticks since boot (the boot clock, which goes on in suspend). The end
    // of that tick is taken: a copy written just before Mail started must never look newer than Mail.
    const long ticksPerSecond = sysconf(_SC_CLK_TCK);
    timespec sinceBoot{};
    timespec now{};
    if (ticksPerSecond <= 0 || clock_gettime(CLOCK_BOOTTIME, &sinceBoot) != 0 ||
        clock_gettime(CLOCK_REALTIME, &now) != 0)
        return std::nullopt;
    const auto nanoseconds = [](const timespec& time) {
        return static_cast<long double>(time.tv_sec) * 1e9L + static_cast<long double>(time.tv_nsec);
    };
    const long double startedSinceBoot =
        static_cast<long double>(m_startTime + 1) * 1e9L / static_cast<long double>(ticksPerSecond);
    const long double startedSinceEpoch = nanoseconds(now) - (nanoseconds(sinceBoot) - startedSinceBoot);
    return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(std::ceil(startedSinceEpoch / 1e6L)), Qt::UTC);
}
