// SPDX-License-Identifier: MIT
#include "Workspace.h"

#include "FileManager.h"
#include "FileSystemRepresentation.h"
#include "HomeDirectory.h"
#include "ProcessRunningApplication.h"
#include "PropertyList.h"
#include "SystemRoot.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <sys/stat.h>
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

// The bundles of a folder as the file manager names them: "*.app", hidden ones left out, in
// name order. Whether each is a bundle shows when its Info.plist is read.
QStringList applicationBundleNames(const QString& folder)
{
    auto names = FileManager::defaultManager().contentsOfDirectoryAtPath(folder, nullptr);
    if (!names)
        return {};
    names->removeIf([](const QString& name) {
        return name.startsWith(QLatin1Char('.')) || !name.endsWith(QLatin1String(".app"));
    });
    std::sort(names->begin(), names->end());
    return *names;
}

// The identifier and executable name of an application bundle as last read from its Info.plist,
// kept while that file is the same one (device, inode, size, modification and change times), as Launch
// Services keeps its registrations: a lookup lists the folders afresh but reads only bundles that changed.
struct RegisteredBundle {
    dev_t device;
    ino_t inode;
    off_t size;
    timespec modified;
    timespec changed;
    QString identifier;
    QString executable;

    bool describes(const struct stat& status) const
    {
        return device == status.st_dev && inode == status.st_ino && size == status.st_size &&
               modified.tv_sec == status.st_mtim.tv_sec && modified.tv_nsec == status.st_mtim.tv_nsec &&
               changed.tv_sec == status.st_ctim.tv_sec && changed.tv_nsec == status.st_ctim.tv_nsec;
    }
};

RegisteredBundle registeredBundle(const QString& bundlePath)
{
    static std::mutex registryMutex;
    static std::map<QString, RegisteredBundle> registry;
    const QString infoPath = bundlePath + QLatin1String("/Contents/Info.plist");
    struct stat status {};
    if (stat(FileSystemRepresentation::fromPath(infoPath).constData(), &status) != 0)
        return {};
    {
        std::lock_guard lock(registryMutex);
        const auto registered = registry.find(infoPath);
        if (registered != registry.end() && registered->second.describes(status))
            return registered->second;
    }
    const QString identifierKey = QStringLiteral("CFBundleIdentifier");
    const QString executableKey = QStringLiteral("CFBundleExecutable");
    // Read after the stat: a file replaced in between is read again next time.
    const auto info = PropertyList::dictionaryWithContentsOfFile(infoPath, {identifierKey, executableKey});
    const RegisteredBundle bundle{status.st_dev,
                                  status.st_ino,
                                  status.st_size,
                                  status.st_mtim,
                                  status.st_ctim,
                                  info ? info->value(identifierKey).toString() : QString(),
                                  info ? info->value(executableKey).toString() : QString()};
    std::lock_guard lock(registryMutex);
    registry.insert_or_assign(infoPath, bundle);
    return bundle;
}

std::optional<QString> bundleExecutablePath(const QString& bundlePath)
{
    const QString executable = registeredBundle(bundlePath).executable;
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

// Closes every descriptor from `first` on except `kept`. Only async-signal-safe calls.
void closeDescriptorsFrom(int first, int kept, int highestDescriptor)
{
    const bool belowKept = kept <= first || close_range(unsigned(first), unsigned(kept - 1), 0) == 0;
    if (belowKept && close_range(unsigned(std::max(first, kept + 1)), ~0U, 0) == 0)
        return;
    for (int descriptor = first; descriptor <= highestDescriptor; ++descriptor) {
        if (descriptor != kept)
            close(descriptor);
    }
}

// The application gets no descriptor of ours: its standard streams are /dev/null (so a caller
// that reads our output is not kept waiting until the user quits it) and nothing else is open.
// `report` is kept until exec closes it. Only async-signal-safe calls.
void detachDescriptors(int& report, int highestDescriptor)
{
    report = fcntl(report, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    const int null = open("/dev/null", O_RDWR);
    for (int stream : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO})
        dup2(null, stream);
    closeDescriptorsFrom(STDERR_FILENO + 1, report, highestDescriptor);
}

// Starts the program in a session of its own, detached from this process so that it is never
// left as a zombie child. Answers whether exec succeeded.
bool spawnDetached(const QString& program, const QStringList& arguments)
{
    std::vector<QByteArray> encoded{FileSystemRepresentation::fromPath(program)};
    for (const QString& argument : arguments)
        encoded.push_back(FileSystemRepresentation::fromPath(argument));
    const int highestDescriptor = int(std::min<long>(sysconf(_SC_OPEN_MAX), 1 << 16));
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
            detachDescriptors(report[1], highestDescriptor);
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
    const auto bundleInFolder = [&bundleIdentifier](const QString& folder) -> std::optional<QString> {
        for (const QString& name : applicationBundleNames(folder)) {
            const QString bundlePath = folder + QLatin1Char('/') + name;
            if (registeredBundle(bundlePath).identifier == bundleIdentifier)
                return bundlePath;
        }
        return std::nullopt;
    };
    // The home folder is looked up only when the system's folders do not have the application.
    for (const char* folder : {"/Applications", "/System/Applications"}) {
        if (auto found = bundleInFolder(SystemRoot::pathFor(QLatin1String(folder))))
            return found;
    }
    const auto home = HomeDirectory::path();
    return home ? bundleInFolder(*home + QLatin1String("/Applications")) : std::nullopt;
}

// The processes whose executable is the bundle's "Contents/MacOS/<CFBundleExecutable>".
std::vector<std::unique_ptr<RunningApplication>>
Workspace::runningApplicationsWithBundleIdentifier(const QString& bundleIdentifier)
{
    const auto bundlePath = urlForApplicationWithBundleIdentifier(bundleIdentifier);
    const auto executable = bundlePath ? bundleExecutablePath(*bundlePath) : std::nullopt;
    if (!executable)
        return {};
    // Resolved as bytes: Qt's own resolution would re-encode a name that is not UTF-8 differently
    // from what the process table holds.
    char resolved[PATH_MAX];
    if (!realpath(FileSystemRepresentation::fromPath(*executable).constData(), resolved))
        return {};
    return ProcessRunningApplication::instancesOfExecutable(QByteArray(resolved));
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
