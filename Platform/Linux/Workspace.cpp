// SPDX-License-Identifier: MIT
#include "Workspace.h"

#include "ProcessRunningApplication.h"
#include "PropertyList.h"
#include "SystemRoot.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
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

// "*.app" under the system root's "Applications" and "System/Applications", then "~/Applications",
// matched on the CFBundleIdentifier of "Contents/Info.plist".
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

// The processes whose executable is the bundle's "Contents/MacOS/<CFBundleExecutable>".
std::vector<std::unique_ptr<RunningApplication>>
Workspace::runningApplicationsWithBundleIdentifier(const QString& bundleIdentifier)
{
    const auto bundlePath = urlForApplicationWithBundleIdentifier(bundleIdentifier);
    const auto executable = bundlePath ? bundleExecutablePath(*bundlePath) : std::nullopt;
    const QString wanted = executable ? QFileInfo(*executable).canonicalFilePath() : QString();
    if (wanted.isEmpty())
        return {};
    return ProcessRunningApplication::instancesOfExecutable(wanted);
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
    if (options & GBWorkspaceLaunchWithoutActivation)
        arguments << QStringLiteral("--without-activation");
    return spawnDetached(*executable, arguments);
}
