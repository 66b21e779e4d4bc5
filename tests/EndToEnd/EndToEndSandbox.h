// SPDX-License-Identifier: MIT
#pragma once

#include "MailSandbox.h"

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <sys/types.h>
#include <vector>

// A sandboxed Mac with the stand-in Mail, entered by the test process itself: while it lives,
// HOME, GRABBIT_SYSTEM_ROOT and TMPDIR point into it, so the engine in this process, grabbitctl and
// every Mail that the installer relaunches see the same Mac. Whatever the outcome, every Mail
// running from its root is killed before the sandbox goes.
class EndToEndSandbox {
public:
    explicit EndToEndSandbox(const std::string& osVersion = "10.12.6");
    ~EndToEndSandbox();
    EndToEndSandbox(const EndToEndSandbox&) = delete;
    EndToEndSandbox& operator=(const EndToEndSandbox&) = delete;

    struct CommandResult {
        int status;
        std::string output;
    };

    bool isValid() const { return mail.isValid(); }
    MailSandbox& mailSandbox() { return mail; }
    std::filesystem::path home() const { return mail.home(); }
    std::filesystem::path bundles() const { return mail.bundles(); }
    std::filesystem::path installedPlugin() const;
    std::filesystem::path preferences() const;

    // Every living process whose executable is this sandbox's Mail.
    std::set<pid_t> mailProcesses() const;
    // Starts Mail as after a login and waits until it answers.
    bool startMail();
    // Quits every Mail of the sandbox with SIGTERM, as the user would, and starts it again.
    bool restartMail();
    // Waits until a Mail other than the given ones answers on the control channel.
    bool waitForMailOtherThan(const std::set<pid_t>& previous, std::chrono::milliseconds timeout);
    std::string mailStatus(const std::string& field) { return mail.status(field); }
    std::optional<std::string> mailRequest(const std::string& line) { return mail.request(line); }

    // The installer's command-line tool run in this sandbox; its standard output and error together.
    CommandResult grabbitctl(const std::string& arguments) const;
    // The state number grabbitctl prints, -1 when it fails.
    int installerState() const;

    // The stand-in Mail's messages gathered from every Mail this sandbox started itself.
    std::string mailLog() const { return mail.log(); }

private:
    bool quitAllMail();
    void killAllMail() const;

    MailSandbox mail;
    std::map<std::string, std::optional<std::string>> previousEnvironment;
};
