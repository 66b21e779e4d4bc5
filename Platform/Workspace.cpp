// SPDX-License-Identifier: MIT
#include "Workspace.h"

#include "PropertyList.h"
#include "SystemRoot.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

Workspace*& installedWorkspace()
{
    static Workspace* workspace = nullptr;
    return workspace;
}

QStringList applicationFolders()
{
    return {SystemRoot::pathFor(QStringLiteral("/Applications")),
            SystemRoot::pathFor(QStringLiteral("/System/Applications")),
            QDir::homePath() + QLatin1String("/Applications")};
}

std::optional<QString> bundleExecutablePath(const QString& bundlePath)
{
    const auto info =
        PropertyList::dictionaryWithContentsOfFile(bundlePath + QLatin1String("/Contents/Info.plist"));
    if (!info)
        return std::nullopt;
    const QString executable = info->value(QStringLiteral("CFBundleExecutable")).toString();
    if (executable.isEmpty() || executable.contains(QLatin1Char('/')))
        return std::nullopt;
    return bundlePath + QLatin1String("/Contents/MacOS/") + executable;
}

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

// A process found through /proc. It counts as terminated once it is gone, a zombie, or its
// process id belongs to another process.
class ProcessRunningApplication : public RunningApplication {
public:
    ProcessRunningApplication(pid_t pid, unsigned long long startTime) : m_pid(pid), m_startTime(startTime) {}

    bool isTerminated() override
    {
        char state = '?';
        unsigned long long startTime = 0;
        if (!readProcessStatus(m_pid, state, startTime))
            return true;
        return state == 'Z' || state == 'X' || startTime != m_startTime;
    }

    bool terminate() override
    {
        // A process descriptor pins the process, so the request cannot reach a successor that
        // was given the same process id after Mail ended.
        const int processDescriptor = static_cast<int>(syscall(SYS_pidfd_open, m_pid, 0));
        if (processDescriptor < 0)
            return errno != ESRCH && !isTerminated() && kill(m_pid, SIGTERM) == 0;
        const bool delivered =
            !isTerminated() && syscall(SYS_pidfd_send_signal, processDescriptor, SIGTERM, nullptr, 0) == 0;
        close(processDescriptor);
        return delivered;
    }

    unsigned long long startTime() const { return m_startTime; }
    pid_t processIdentifier() const { return m_pid; }

private:
    pid_t m_pid;
    unsigned long long m_startTime;
};

// The application starts as from a fresh login: nothing blocked or ignored that this process
// blocks or ignores. Only async-signal-safe calls: it runs between fork and exec.
void resetSignalsForExec()
{
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    struct sigaction defaultAction {};
    defaultAction.sa_handler = SIG_DFL;
    for (int signalNumber = 1; signalNumber < NSIG; ++signalNumber)
        sigaction(signalNumber, &defaultAction, nullptr);
}

// Starts the program in a session of its own, detached from this process so that it is never
// left as a zombie child. Answers whether exec succeeded.
bool spawnDetached(const QString& program, const QStringList& arguments)
{
    std::vector<QByteArray> encoded{QFile::encodeName(program)};
    for (const QString& argument : arguments)
        encoded.push_back(argument.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& argument : encoded)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0)
        return false;
    const pid_t intermediate = fork();
    if (intermediate < 0) {
        close(report[0]);
        close(report[1]);
        return false;
    }
    if (intermediate == 0) {
        setsid();
        const pid_t application = fork();
        if (application == 0) {
            resetSignalsForExec();
            execve(argv[0], argv.data(), environ);
            const int failure = errno;
            [[maybe_unused]] ssize_t written = write(report[1], &failure, sizeof failure);
            _exit(127);
        }
        _exit(application < 0 ? 1 : 0);
    }
    close(report[1]);
    int status = 0;
    while (waitpid(intermediate, &status, 0) < 0 && errno == EINTR) {
    }
    int failure = 0;
    ssize_t received;
    do {
        received = read(report[0], &failure, sizeof failure);
    } while (received < 0 && errno == EINTR);
    close(report[0]);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 && received == 0;
}

} // namespace

Workspace& Workspace::sharedWorkspace()
{
    static Workspace realWorkspace;
    Workspace* workspace = installedWorkspace();
    return workspace ? *workspace : realWorkspace;
}

void Workspace::setSharedWorkspace(Workspace* workspace)
{
    installedWorkspace() = workspace;
}

std::optional<QString> Workspace::urlForApplicationWithBundleIdentifier(const QString& bundleIdentifier)
{
    for (const QString& folder : applicationFolders()) {
        const QStringList bundles = QDir(folder).entryList({QStringLiteral("*.app")}, QDir::Dirs, QDir::Name);
        for (const QString& name : bundles) {
            const QString bundlePath = folder + QLatin1Char('/') + name;
            const auto info = PropertyList::dictionaryWithContentsOfFile(
                bundlePath + QLatin1String("/Contents/Info.plist"));
            if (info && info->value(QStringLiteral("CFBundleIdentifier")).toString() == bundleIdentifier)
                return bundlePath;
        }
    }
    return std::nullopt;
}

std::vector<std::unique_ptr<RunningApplication>>
Workspace::runningApplicationsWithBundleIdentifier(const QString& bundleIdentifier)
{
    std::vector<std::unique_ptr<RunningApplication>> applications;
    const auto bundlePath = urlForApplicationWithBundleIdentifier(bundleIdentifier);
    if (!bundlePath)
        return applications;
    const auto executable = bundleExecutablePath(*bundlePath);
    if (!executable)
        return applications;
    const QString wanted = QFileInfo(*executable).canonicalFilePath();
    if (wanted.isEmpty())
        return applications;

    std::vector<std::unique_ptr<ProcessRunningApplication>> instances;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool isNumber = false;
        const pid_t pid = entry.toInt(&isNumber);
        if (!isNumber || processExecutable(pid) != wanted)
            continue;
        char state = '?';
        unsigned long long startTime = 0;
        if (readProcessStatus(pid, state, startTime))
            instances.push_back(std::make_unique<ProcessRunningApplication>(pid, startTime));
    }
    // Oldest first: process ids wrap around, start times do not.
    std::sort(instances.begin(), instances.end(), [](const auto& left, const auto& right) {
        if (left->startTime() != right->startTime())
            return left->startTime() < right->startTime();
        return left->processIdentifier() < right->processIdentifier();
    });
    for (auto& instance : instances)
        applications.push_back(std::move(instance));
    return applications;
}

bool Workspace::launchAppWithBundleIdentifier(const QString& bundleIdentifier, unsigned options)
{
    const auto bundlePath = urlForApplicationWithBundleIdentifier(bundleIdentifier);
    if (!bundlePath)
        return false;
    const auto executable = bundleExecutablePath(*bundlePath);
    if (!executable)
        return false;
    QStringList arguments;
    if (options & NSWorkspaceLaunchWithoutActivation)
        arguments << QStringLiteral("--without-activation");
    return spawnDetached(*executable, arguments);
}
