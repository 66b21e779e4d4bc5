// SPDX-License-Identifier: MIT
#include "EndToEndSandbox.h"

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

const char* const grabbitctlPath = GRABBIT_BUILD_DIR "/GrabbitInstaller.app/Contents/MacOS/grabbitctl";

std::string shellQuoted(const std::string& text)
{
    std::string quoted = "'";
    for (char character : text)
        quoted += character == '\'' ? std::string("'\\''") : std::string(1, character);
    return quoted + "'";
}

} // namespace

EndToEndSandbox::EndToEndSandbox(const std::string& osVersion) : mail(osVersion)
{
    if (!mail.isValid())
        return;
    // The same private temporary folder as the Mail the sandbox starts itself, so that every Mail
    // of this home meets the same pasteboard server.
    const std::map<std::string, std::optional<std::string>> wanted = {
        {"HOME", home().string()},
        {"GRABBIT_SYSTEM_ROOT", mail.root().string()},
        {"TMPDIR", (home().parent_path().parent_path() / "tmp").string()},
        // GNUstep finds its pasteboard server through TEMP: a Mail that the installer relaunches
        // inherits it from here and must not fall back to the shared /tmp.
        {"TEMP", (home().parent_path().parent_path() / "tmp").string()},
        {"XDG_CONFIG_HOME", (home() / ".config").string()},
        {"GRABBIT_MAIL_CONTROL_SOCKET", std::nullopt},
    };
    for (const auto& [name, value] : wanted) {
        const char* previous = std::getenv(name.c_str());
        previousEnvironment[name] = previous ? std::optional<std::string>(previous) : std::nullopt;
        if (value)
            setenv(name.c_str(), value->c_str(), 1);
        else
            unsetenv(name.c_str());
    }
}

EndToEndSandbox::~EndToEndSandbox()
{
    killAllMail();
    for (const auto& [name, value] : previousEnvironment) {
        if (value)
            setenv(name.c_str(), value->c_str(), 1);
        else
            unsetenv(name.c_str());
    }
}

fs::path EndToEndSandbox::installedPlugin() const
{
    return bundles() / "ZephMailMessageServiceEnabler.mailbundle";
}

fs::path EndToEndSandbox::preferences() const
{
    return home() / "Library/Containers/com.apple.mail/Data/Library/Preferences/com.apple.mail.plist";
}

std::set<pid_t> EndToEndSandbox::mailProcesses() const
{
    std::error_code status;
    const fs::path executable =
        fs::canonical(mail.root() / "Applications/Mail.app/Contents/MacOS/Mail", status);
    std::set<pid_t> processes;
    if (status)
        return processes;
    for (fs::directory_iterator entry("/proc", status), end; !status && entry != end;
         entry.increment(status)) {
        std::error_code unreadable;
        // A zombie has no executable any more: it has quit.
        if (fs::read_symlink(entry->path() / "exe", unreadable) == executable && !unreadable)
            processes.insert(std::atoi(entry->path().filename().c_str()));
    }
    return processes;
}

bool EndToEndSandbox::startMail()
{
    return mail.launch();
}

bool EndToEndSandbox::restartMail()
{
    return quitAllMail() && mail.launch();
}

bool EndToEndSandbox::waitForMailOtherThan(const std::set<pid_t>& previous, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        const auto running = mailProcesses();
        const bool fresh = std::any_of(running.begin(), running.end(),
                                       [&](pid_t process) { return !previous.contains(process); });
        if (fresh && mail.request("ping") == "pong")
            return true;
        std::this_thread::sleep_for(50ms);
    }
    return false;
}

EndToEndSandbox::CommandResult EndToEndSandbox::grabbitctl(const std::string& arguments) const
{
    // A file, not a pipe: the Mail that grabbitctl reopens inherits its output and outlives it.
    const fs::path output = home().parent_path() / "grabbitctl.out";
    const std::string command =
        shellQuoted(grabbitctlPath) + " " + arguments + " >" + shellQuoted(output.string()) + " 2>&1";
    const int status = std::system(command.c_str());
    std::ifstream file(output, std::ios::binary);
    std::ostringstream contents;
    contents << file.rdbuf();
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, contents.str()};
}

int EndToEndSandbox::installerState() const
{
    const auto result = grabbitctl("state");
    if (result.status != 0 || result.output.empty())
        return -1;
    return std::atoi(result.output.c_str());
}

bool EndToEndSandbox::quitAllMail()
{
    mail.sendTerminate();
    for (pid_t process : mailProcesses())
        kill(process, SIGTERM);
    mail.waitForExit(10s);
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (!mailProcesses().empty()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

void EndToEndSandbox::killAllMail() const
{
    for (pid_t process : mailProcesses())
        kill(process, SIGKILL);
}
