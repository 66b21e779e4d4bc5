// SPDX-License-Identifier: MIT
#include "ProcessRunningApplication.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <ctime>
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

QString processExecutable(pid_t pid)
{
    QString target = QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(pid));
    if (target.endsWith(QLatin1String(" (deleted)")))
        target.chop(10);
    return target;
}

struct Instance {
    pid_t pid;
    unsigned long long startTime;
};

} // namespace

std::vector<std::unique_ptr<RunningApplication>>
ProcessRunningApplication::instancesOfExecutable(const QString& executable)
{
    std::vector<Instance> instances;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool isNumber = false;
        const pid_t pid = entry.toInt(&isNumber);
        if (!isNumber || processExecutable(pid) != executable)
            continue;
        char state = '?';
        unsigned long long startTime = 0;
        if (readProcessStatus(pid, state, startTime))
            instances.push_back({pid, startTime});
    }
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
