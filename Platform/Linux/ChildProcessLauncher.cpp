// SPDX-License-Identifier: MIT
#include "ChildProcessLauncher.h"

#include "Bundle.h"
#include "RunLoop.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

ChildProcessLauncher*& installedLauncher()
{
    static ChildProcessLauncher* launcher = nullptr;
    return launcher;
}

int exitStatusFromWaitStatus(int waitStatus)
{
    if (WIFEXITED(waitStatus))
        return WEXITSTATUS(waitStatus);
    if (WIFSIGNALED(waitStatus))
        return 128 + WTERMSIG(waitStatus);
    return -1;
}

// Reaps the child if it has ended; answers whether it has.
bool reapIfEnded(pid_t child, int& exitStatus)
{
    int waitStatus = 0;
    pid_t result;
    do {
        result = waitpid(child, &waitStatus, WNOHANG);
    } while (result < 0 && errno == EINTR);
    if (result == 0)
        return false;
    if (result < 0)
        throw ChildProcessException("Failed to wait for the child process: " +
                                    std::string(std::strerror(errno)));
    exitStatus = exitStatusFromWaitStatus(waitStatus);
    return true;
}

int waitBlocking(pid_t child)
{
    int waitStatus = 0;
    while (waitpid(child, &waitStatus, 0) < 0) {
        if (errno != EINTR)
            throw ChildProcessException("Failed to wait for the child process: " +
                                        std::string(std::strerror(errno)));
    }
    return exitStatusFromWaitStatus(waitStatus);
}

// Waits with the thread's event loop running, so that windows keep painting and spinners turn. The
// wait sleeps until the child's descriptor (or a poll) wakes it, also while the application quits.
int waitWithEventLoop(pid_t child)
{
    int exitStatus = -1;
    if (reapIfEnded(child, exitStatus))
        return exitStatus;
    const struct ProcessDescriptor {
        int value;
        ~ProcessDescriptor()
        {
            if (value >= 0)
                close(value);
        }
    } processDescriptor{static_cast<int>(syscall(SYS_pidfd_open, child, 0))};
    std::unique_ptr<QSocketNotifier> notifier;
    QTimer poll;
    if (processDescriptor.value >= 0) {
        notifier = std::make_unique<QSocketNotifier>(processDescriptor.value, QSocketNotifier::Read);
    } else {
        // Kernels without process descriptors: look again every few milliseconds.
        poll.start(5);
    }
    bool ended = false;
    RunLoop::runUntil([&] { return ended || (ended = reapIfEnded(child, exitStatus)); });
    return exitStatus;
}

QString setfaclPath()
{
    for (const char* candidate : {"/usr/bin/setfacl", "/bin/setfacl"}) {
        if (QFileInfo(QString::fromLatin1(candidate)).isExecutable())
            return QString::fromLatin1(candidate);
    }
    return QStringLiteral("/usr/bin/setfacl");
}

} // namespace

ChildProcessLauncher& ChildProcessLauncher::sharedLauncher()
{
    static ChildProcessLauncher realLauncher;
    ChildProcessLauncher* launcher = installedLauncher();
    return launcher ? *launcher : realLauncher;
}

void ChildProcessLauncher::setSharedLauncher(ChildProcessLauncher* launcher)
{
    installedLauncher() = launcher;
}

// "/usr/bin/defaults" runs our own defaults tool, "/bin/chmod -R -N DIR" runs "setfacl -R -b DIR";
// every other program runs as named.
void ChildProcessLauncher::translateForThisSystem(QString& launchPath, QStringList& arguments)
{
    if (launchPath == QLatin1String("/usr/bin/defaults")) {
        // The defaults tool that ships with GNUstep is unrelated: run our own.
        const QString configured = qEnvironmentVariable("GRABBIT_DEFAULTS_TOOL");
        launchPath = configured.isEmpty()
                         ? Bundle::mainBundle().bundlePath() + QLatin1String("/Contents/Helpers/defaults")
                         : configured;
        return;
    }
    if (launchPath == QLatin1String("/bin/chmod") && arguments.size() >= 2 &&
        arguments.at(0) == QLatin1String("-R") && arguments.at(1) == QLatin1String("-N")) {
        // macOS strips access-control lists with chmod -N; Linux does it with setfacl -b.
        launchPath = setfaclPath();
        arguments[1] = QStringLiteral("-b");
    }
}

int ChildProcessLauncher::launchAndWait(const QString& requestedLaunchPath,
                                        const QStringList& requestedArguments)
{
    QString launchPath = requestedLaunchPath;
    QStringList arguments = requestedArguments;
    translateForThisSystem(launchPath, arguments);

    const QByteArray encodedPath = QFile::encodeName(launchPath);
    std::vector<QByteArray> encodedArguments;
    encodedArguments.push_back(encodedPath);
    for (const QString& argument : arguments)
        encodedArguments.push_back(argument.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& argument : encodedArguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    pid_t child = 0;
    const int failure = posix_spawn(&child, encodedPath.constData(), nullptr, nullptr, argv.data(), environ);
    if (failure != 0)
        throw ChildProcessException("launch path not accessible: " + launchPath.toStdString() + " (" +
                                    std::strerror(failure) + ")");

    QCoreApplication* application = QCoreApplication::instance();
    if (application && QThread::currentThread() == application->thread())
        return waitWithEventLoop(child);
    return waitBlocking(child);
}
