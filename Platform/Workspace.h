// SPDX-License-Identifier: MIT
#pragma once

#include <QDateTime>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

// One running instance of an application.
class RunningApplication {
public:
    virtual ~RunningApplication() = default;
    virtual bool isTerminated() = 0;
    // An ordinary quit request, never a forced kill; false when it could not be delivered.
    virtual bool terminate() = 0;
    // When the instance started (NSRunningApplication's launchDate); nothing when the system cannot
    // tell. Never earlier than the real start, so a file written before it is older than the process.
    virtual std::optional<QDateTime> launchDate() { return std::nullopt; }
};

// Launch option: start the application without bringing it to the front (AppKit's
// NSWorkspaceLaunchWithoutActivation, whose value it has).
inline constexpr unsigned GBWorkspaceLaunchWithoutActivation = 512;

// Finding, launching and watching applications.
class Workspace {
public:
    virtual ~Workspace() = default;

    static Workspace& sharedWorkspace();
    // nullptr restores the real workspace. The caller keeps ownership.
    static void setSharedWorkspace(Workspace* workspace);

    // The bundle path of the application with that identifier, as the system finds it.
    virtual std::optional<QString> urlForApplicationWithBundleIdentifier(const QString& bundleIdentifier);

    // Running instances of that application, possibly none.
    virtual std::vector<std::unique_ptr<RunningApplication>>
    runningApplicationsWithBundleIdentifier(const QString& bundleIdentifier);

    // Starts the application detached; true when it was found and started.
    virtual bool launchAppWithBundleIdentifier(const QString& bundleIdentifier, unsigned options);
};

class ScopedSharedWorkspace {
public:
    explicit ScopedSharedWorkspace(Workspace* workspace) { Workspace::setSharedWorkspace(workspace); }
    ~ScopedSharedWorkspace() { Workspace::setSharedWorkspace(nullptr); }
    ScopedSharedWorkspace(const ScopedSharedWorkspace&) = delete;
    ScopedSharedWorkspace& operator=(const ScopedSharedWorkspace&) = delete;
};
