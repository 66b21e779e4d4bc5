// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>

#include <stdexcept>

// Raised when a child process cannot be started or waited for: the platform's exception around
// child processes, which every caller catches and counts as a failed step.
class ChildProcessException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Starts system tools as child processes: a launch path and an argument list, no shell, the
// environment and working folder inherited. A child reads nothing (standard input is /dev/null),
// gets none of our other descriptors, and what it writes goes to the log once it has ended.
class ChildProcessLauncher {
public:
    virtual ~ChildProcessLauncher() = default;

    static ChildProcessLauncher& sharedLauncher();
    // nullptr restores the real launcher. The caller keeps ownership.
    static void setSharedLauncher(ChildProcessLauncher* launcher);

    // Starts the program and waits without a time limit until it exits; answers its exit status
    // (128 + the signal number when a signal ended it). While it waits on the thread of a running
    // Qt event loop, that loop keeps processing events so that windows keep painting.
    // Throws ChildProcessException when the child cannot be started.
    virtual int launchAndWait(const QString& launchPath, const QStringList& arguments);

    // The program and argument list that do the work of the given macOS tool on this system;
    // false when the tool would do nothing here (launchAndWait then answers 0 without a child).
    // On macOS every tool runs as named.
    static bool translateForThisSystem(QString& launchPath, QStringList& arguments);
};

class ScopedSharedChildProcessLauncher {
public:
    explicit ScopedSharedChildProcessLauncher(ChildProcessLauncher* launcher)
    {
        ChildProcessLauncher::setSharedLauncher(launcher);
    }
    ~ScopedSharedChildProcessLauncher() { ChildProcessLauncher::setSharedLauncher(nullptr); }
    ScopedSharedChildProcessLauncher(const ScopedSharedChildProcessLauncher&) = delete;
    ScopedSharedChildProcessLauncher& operator=(const ScopedSharedChildProcessLauncher&) = delete;
};
