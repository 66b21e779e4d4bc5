// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

// A simulated Mac made by make-sandbox.sh in a temporary folder, and the stand-in Mail running in
// it. Whatever the test's outcome, the destructor kills Mail's process group and the pasteboard
// and notification servers that Mail started for this home, then removes the folder.
class MailSandbox {
public:
    explicit MailSandbox(const std::string& osVersion = "10.12.6");
    ~MailSandbox();
    MailSandbox(const MailSandbox&) = delete;
    MailSandbox& operator=(const MailSandbox&) = delete;

    bool isValid() const { return valid; }
    std::filesystem::path home() const { return folder / "home"; }
    std::filesystem::path root() const { return folder / "root"; }
    std::filesystem::path bundles() const { return home() / "Library" / "Mail" / "Bundles"; }
    std::filesystem::path mailInfoPlist() const;

    bool updateOperatingSystem(const std::string& version);
    void writePreferences(bool enableBundles, long long compatibilityVersion);
    void writePreferencesBytes(const std::string& bytes);

    // Mail's PluginCompatibilityUUID, then the Message framework's where there is one.
    std::vector<std::string> mailIdentifiers() const;

    // A bundle whose executable is a copy of executableSource (none: no executable at all) and whose
    // Info.plist lists identifiers under key.
    std::filesystem::path installPlugin(const std::string& name, const std::string& key,
                                        const std::vector<std::string>& identifiers,
                                        const std::optional<std::filesystem::path>& executableSource);
    bool pluginMarkerExists() const;

    // Starts Mail and waits until its control channel answers; false when it never does.
    bool launch(const std::vector<std::string>& arguments = {});
    std::optional<std::string> request(const std::string& line);
    std::string status(const std::string& field);
    void sendTerminate() const;
    // Mail's exit status once it has ended within the timeout.
    std::optional<int> waitForExit(std::chrono::milliseconds timeout);
    std::string log() const;

private:
    void stopMail();
    void killHelpers() const;

    std::filesystem::path folder;
    bool valid = false;
    pid_t mail = -1;
};
