// SPDX-License-Identifier: MIT
#include "MailSandbox.h"

#include "ControlClient.h"
#include "PropertyList.h"

#include <plist/plist.h>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

extern char** environ;

namespace {

const char* const preferencesPath =
    "Library/Containers/com.apple.mail/Data/Library/Preferences/com.apple.mail.plist";

bool runScript(const std::vector<std::string>& arguments)
{
    std::string command = "'" MAKE_SANDBOX_SCRIPT "'";
    for (const auto& argument : arguments)
        command += " '" + argument + "'";
    return std::system(command.c_str()) == 0;
}

void writePlist(plist_t plist, const fs::path& path, bool binary)
{
    char* data = nullptr;
    uint32_t length = 0;
    if (binary)
        plist_to_bin(plist, &data, &length);
    else
        plist_to_xml(plist, &data, &length);
    std::ofstream(path, std::ios::binary).write(data, length);
    std::free(data);
    plist_free(plist);
}

std::string fileContents(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream contents;
    contents << file.rdbuf();
    return contents.str();
}

std::vector<std::string> mailEnvironment(const fs::path& home, const fs::path& root,
                                         const fs::path& temporary)
{
    std::vector<std::string> variables;
    for (char** variable = environ; *variable; ++variable) {
        std::string entry = *variable;
        if (!entry.starts_with("HOME=") && !entry.starts_with("GRABBIT_") && !entry.starts_with("TEMP="))
            variables.push_back(entry);
    }
    variables.push_back("HOME=" + home.string());
    variables.push_back("GRABBIT_SYSTEM_ROOT=" + root.string());
    // GNUstep registers its servers' ports under $TEMP: a private one gives this Mail a pasteboard
    // server of its own, which the sandbox can then kill without harming other tests.
    variables.push_back("TEMP=" + temporary.string());
    return variables;
}

} // namespace

MailSandbox::MailSandbox(const std::string& osVersion)
{
    std::error_code status;
    std::string templatePath = (fs::temp_directory_path(status) / "mail-stand-in-test-XXXXXX").string();
    if (mkdtemp(templatePath.data()) == nullptr)
        return;
    folder = templatePath;
    fs::create_directory(folder / "tmp");
    valid = runScript({"create", (folder / "sandbox").string(), "--os", osVersion, "--mail-executable",
                       MAIL_STAND_IN_EXECUTABLE});
    folder /= "sandbox";
    fs::create_directories(bundles());
}

MailSandbox::~MailSandbox()
{
    stopMail();
    killHelpers();
    if (!folder.empty())
        fs::remove_all(folder.parent_path());
}

fs::path MailSandbox::mailInfoPlist() const
{
    return root() / "Applications/Mail.app/Contents/Info.plist";
}

bool MailSandbox::updateOperatingSystem(const std::string& version)
{
    return runScript({"update-os", folder.string(), version});
}

void MailSandbox::writePreferences(bool enableBundles, long long compatibilityVersion)
{
    plist_t preferences = plist_new_dict();
    plist_dict_set_item(preferences, "NumberOfSnippetLines", plist_new_uint(2));
    plist_dict_set_item(preferences, "EnableBundles", plist_new_bool(enableBundles));
    plist_dict_set_item(preferences, "BundleCompatibilityVersion",
                        plist_new_uint(static_cast<uint64_t>(compatibilityVersion)));
    writePlist(preferences, home() / preferencesPath, true);
}

void MailSandbox::writePreferencesBytes(const std::string& bytes)
{
    std::ofstream(home() / preferencesPath, std::ios::binary) << bytes;
}

std::vector<std::string> MailSandbox::mailIdentifiers() const
{
    std::vector<std::string> identifiers;
    for (const auto& path :
         {mailInfoPlist(), root() / "System/Library/Frameworks/Message.framework/Resources/Info.plist"}) {
        auto info = PropertyList::dictionaryWithContentsOfFile(QString::fromStdString(path.string()));
        if (info && info->value(QStringLiteral("PluginCompatibilityUUID")).typeId() == QMetaType::QString)
            identifiers.push_back(
                info->value(QStringLiteral("PluginCompatibilityUUID")).toString().toStdString());
    }
    return identifiers;
}

fs::path MailSandbox::installPlugin(const std::string& name, const std::string& key,
                                    const std::vector<std::string>& identifiers,
                                    const std::optional<fs::path>& executableSource)
{
    fs::path bundle = bundles() / (name + ".mailbundle");
    fs::create_directories(bundle / "Contents" / "MacOS");
    plist_t info = plist_new_dict();
    plist_dict_set_item(info, "CFBundleExecutable", plist_new_string(name.c_str()));
    plist_dict_set_item(info, "CFBundleIdentifier", plist_new_string(("org.example." + name).c_str()));
    plist_t list = plist_new_array();
    for (const auto& identifier : identifiers)
        plist_array_append_item(list, plist_new_string(identifier.c_str()));
    plist_dict_set_item(info, key.c_str(), list);
    writePlist(info, bundle / "Contents" / "Info.plist", false);
    if (executableSource)
        fs::copy_file(*executableSource, bundle / "Contents" / "MacOS" / name);
    return bundle;
}

bool MailSandbox::pluginMarkerExists() const
{
    return fs::exists(home() / "test-plugin-loaded");
}

bool MailSandbox::launch(const std::vector<std::string>& arguments)
{
    std::string executable = (root() / "Applications/Mail.app/Contents/MacOS/Mail").string();
    std::string logPath = (folder / "mail.log").string();
    auto variables = mailEnvironment(home(), root(), folder.parent_path() / "tmp");
    std::vector<char*> environment;
    for (auto& variable : variables)
        environment.push_back(variable.data());
    environment.push_back(nullptr);
    std::vector<std::string> words = {executable};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    mail = fork();
    if (mail == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        setpgid(0, 0);
        int log = open(logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        dup2(log, STDOUT_FILENO);
        dup2(log, STDERR_FILENO);
        execve(executable.c_str(), argv.data(), environment.data());
        _exit(127);
    }
    for (int attempt = 0; attempt < 300; ++attempt) {
        if (request("ping") == "pong")
            return true;
        if (waitForExit(std::chrono::milliseconds(50)))
            return false;
    }
    return false;
}

std::optional<std::string> MailSandbox::request(const std::string& line)
{
    ControlClient client((home() / ".mail-stand-in.sock").string());
    return client.request(line);
}

std::string MailSandbox::status(const std::string& field)
{
    std::istringstream fields(request("status").value_or(""));
    for (std::string entry; std::getline(fields, entry, '\t');) {
        if (entry.starts_with(field + "="))
            return entry.substr(field.size() + 1);
    }
    return "<no " + field + ">";
}

void MailSandbox::sendTerminate() const
{
    if (mail > 0)
        kill(mail, SIGTERM);
}

std::optional<int> MailSandbox::waitForExit(std::chrono::milliseconds timeout)
{
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (mail > 0) {
        int status = 0;
        if (waitpid(mail, &status, WNOHANG) == mail) {
            mail = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        if (std::chrono::steady_clock::now() >= deadline)
            return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return std::nullopt;
}

std::string MailSandbox::log() const
{
    return fileContents(folder / "mail.log");
}

void MailSandbox::stopMail()
{
    if (mail <= 0)
        return;
    kill(-mail, SIGKILL);
    waitpid(mail, nullptr, 0);
    mail = -1;
}

// GNUstep starts its pasteboard and notification servers detached; they are ours when they run
// with this sandbox's home.
void MailSandbox::killHelpers() const
{
    std::string homeEntry = "HOME=" + home().string();
    std::error_code status;
    for (fs::directory_iterator entry("/proc", status), end; !status && entry != end;
         entry.increment(status)) {
        std::string command = fileContents(entry->path() / "comm");
        if (command != "gpbs\n" && command != "gdnc\n")
            continue;
        std::string environment = fileContents(entry->path() / "environ");
        if (environment.find(homeEntry + '\0') == std::string::npos)
            continue;
        pid_t helper = std::atoi(entry->path().filename().c_str());
        if (helper > 0)
            kill(helper, SIGKILL);
    }
}
