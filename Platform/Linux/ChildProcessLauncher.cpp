// SPDX-License-Identifier: MIT
#include "ChildProcessLauncher.h"

#include "Bundle.h"
#include "FileDescriptor.h"
#include "FileManager.h"
#include "FileSystemRepresentation.h"
#include "Log.h"
#include "RunLoop.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/mman.h>
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
    const FileDescriptor processDescriptor(static_cast<int>(syscall(SYS_pidfd_open, child, 0)));
    std::unique_ptr<QSocketNotifier> notifier;
    QTimer poll;
    if (processDescriptor.get() >= 0) {
        notifier = std::make_unique<QSocketNotifier>(processDescriptor.get(), QSocketNotifier::Read);
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

// What a child writes is kept here and goes to the log once it has ended, never to the terminal
// of whoever started us.
constexpr qint64 largestLoggedOutput = 64 * 1024;

int createOutputFile()
{
    const int descriptor = memfd_create("child output", MFD_CLOEXEC);
    return descriptor >= 0 ? descriptor : open("/dev/null", O_WRONLY | O_CLOEXEC);
}

void logOutput(int descriptor, const QString& launchPath)
{
    QByteArray output(largestLoggedOutput, Qt::Uninitialized);
    const ssize_t count = pread(descriptor, output.data(), size_t(output.size()), 0);
    output.resize(count > 0 ? count : 0);
    const QString program = launchPath.mid(launchPath.lastIndexOf(QLatin1Char('/')) + 1);
    for (const QByteArray& line : output.split('\n')) {
        if (!line.trimmed().isEmpty())
            Log::write(QStringLiteral("%1: %2").arg(program, QString::fromUtf8(line.trimmed())));
    }
}

// Standard input from /dev/null, so that no child ever waits for an answer on our terminal;
// standard output and error into `output`; no other descriptor of ours.
int addStreams(posix_spawn_file_actions_t& actions, int output)
{
    for (const int failure :
         {posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0),
          posix_spawn_file_actions_adddup2(&actions, output, STDOUT_FILENO),
          posix_spawn_file_actions_adddup2(&actions, output, STDERR_FILENO),
          posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1)}) {
        if (failure != 0)
            return failure;
    }
    return 0;
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

// "/usr/bin/defaults" runs our own defaults tool, "/bin/chmod -R -N DIR" runs "setfacl -R -P -b DIR";
// every other program runs as named. Like macOS's chmod -R, neither follows a symbolic link named on
// its command line: such a link is left alone, and "chmod -R +w LINK" has nothing to do.
bool ChildProcessLauncher::translateForThisSystem(QString& launchPath, QStringList& arguments)
{
    if (launchPath == QLatin1String("/usr/bin/defaults")) {
        // The defaults tool that ships with GNUstep is unrelated: run our own.
        const QString configured = qEnvironmentVariable("GRABBIT_DEFAULTS_TOOL");
        launchPath = configured.isEmpty()
                         ? Bundle::mainBundle().bundlePath() + QLatin1String("/Contents/Helpers/defaults")
                         : configured;
        return true;
    }
    if (launchPath != QLatin1String("/bin/chmod") || arguments.size() != 3 ||
        arguments.at(0) != QLatin1String("-R"))
        return true;
    if (arguments.at(1) == QLatin1String("-N")) {
        // macOS strips access-control lists with chmod -N; Linux does it with setfacl -b.
        launchPath = setfaclPath();
        arguments =
            QStringList{QStringLiteral("-R"), QStringLiteral("-P"), QStringLiteral("-b"), arguments.at(2)};
        return true;
    }
    // GNU chmod follows a link named on its command line, into whatever it points to.
    return !FileManager::pathIsSymbolicLink(arguments.at(2));
}

int ChildProcessLauncher::launchAndWait(const QString& requestedLaunchPath,
                                        const QStringList& requestedArguments)
{
    QString launchPath = requestedLaunchPath;
    QStringList arguments = requestedArguments;
    if (!translateForThisSystem(launchPath, arguments))
        return 0;

    const QByteArray encodedPath = FileSystemRepresentation::fromPath(launchPath);
    std::vector<QByteArray> encodedArguments;
    encodedArguments.push_back(encodedPath);
    for (const QString& argument : arguments)
        encodedArguments.push_back(FileSystemRepresentation::fromPath(argument));
    std::vector<char*> argv;
    for (QByteArray& argument : encodedArguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    const int output = createOutputFile();
    posix_spawn_file_actions_t actions;
    int failure = posix_spawn_file_actions_init(&actions);
    pid_t child = 0;
    if (failure == 0) {
        failure = addStreams(actions, output);
        if (failure == 0)
            failure = posix_spawn(&child, encodedPath.constData(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
    }
    if (failure != 0) {
        close(output);
        throw ChildProcessException("launch path not accessible: " + launchPath.toStdString() + " (" +
                                    std::strerror(failure) + ")");
    }

    QCoreApplication* application = QCoreApplication::instance();
    const bool onEventLoopThread = application && QThread::currentThread() == application->thread();
    try {
        const int status = onEventLoopThread ? waitWithEventLoop(child) : waitBlocking(child);
        logOutput(output, launchPath);
        close(output);
        return status;
    } catch (...) {
        close(output);
        throw;
    }
}
