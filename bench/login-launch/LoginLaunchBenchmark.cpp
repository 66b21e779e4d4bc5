// SPDX-License-Identifier: MIT
// Times the installer's silent start at login (states 3, 0 and 2, where it ends without a window)
// against a login script that does what such tools do by hand, grabbitctl state and the smallest
// Qt programs: whole processes, each row once per round in turn, wall time and peak memory.
#include "PropertyList.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

constexpr int rounds = 41;
const QString pluginInfoPlist =
    QStringLiteral("/home/Library/Mail/Bundles/ZephMailMessageServiceEnabler.mailbundle/Contents/Info.plist");

struct Row {
    Row(std::string name, std::vector<std::string> command, QString sandbox)
        : name(std::move(name)), command(std::move(command)), sandbox(std::move(sandbox))
    {
    }
    std::string name;
    std::vector<std::string> command;
    QString sandbox; // the home folder and system root the row runs in
    std::vector<double> milliseconds;
    long peakKilobytes = 0;
};

// The environment of a login session in that sandbox, without a display or a session bus.
std::vector<std::string> environmentFor(const QString& sandbox)
{
    const std::vector<std::string> replaced{"HOME=",
                                            "GRABBIT_SYSTEM_ROOT=",
                                            "DISPLAY=",
                                            "DBUS_SESSION_BUS_ADDRESS=",
                                            "QT_QPA_PLATFORM=",
                                            "XDG_RUNTIME_DIR="};
    std::vector<std::string> environment;
    for (char** variable = environ; *variable; ++variable) {
        const std::string entry = *variable;
        if (std::none_of(replaced.begin(), replaced.end(),
                         [&](const std::string& name) { return entry.rfind(name, 0) == 0; }))
            environment.push_back(entry);
    }
    const std::string folder = QFile::encodeName(sandbox).toStdString();
    environment.push_back("HOME=" + folder + "/home");
    environment.push_back("GRABBIT_SYSTEM_ROOT=" + folder + "/root");
    environment.push_back("XDG_RUNTIME_DIR=" + folder + "/runtime");
    environment.push_back("QT_QPA_PLATFORM=offscreen");
    return environment;
}

// Runs the command to its end; its rusage gives the peak resident size of it and its children.
// Answers the exit status, or -1.
int runOnce(Row& row)
{
    std::vector<std::string> environment = environmentFor(row.sandbox);
    std::vector<char*> envp;
    for (std::string& entry : environment)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    std::vector<char*> argv;
    for (std::string& argument : row.command)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int failure = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (failure != 0)
        return -1;
    int status = 0;
    struct rusage usage {};
    if (wait4(pid, &status, 0, &usage) != pid)
        return -1;
    row.milliseconds.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    row.peakKilobytes = std::max(row.peakKilobytes, usage.ru_maxrss);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Mail 10.12.6 with its container preferences, not yet told to load plug-ins.
bool makeFolders(const QString& sandbox)
{
    const QString mailContents = sandbox + QLatin1String("/root/Applications/Mail.app/Contents");
    const QString preferences =
        sandbox + QLatin1String("/home/Library/Containers/com.apple.mail/Data/Library/Preferences");
    if (!QDir().mkpath(preferences) || !QDir().mkpath(mailContents) ||
        !QDir().mkpath(sandbox + QLatin1String("/runtime")))
        return false;
    QFile::setPermissions(sandbox + QLatin1String("/runtime"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return PropertyList::writeToFile(QVariantMap{}, preferences + QLatin1String("/com.apple.mail.plist"),
                                     PropertyListFormat::Binary) &&
           QFile::copy(
               QStringLiteral(GRABBIT_TEST_DATA_DIR "/mail-info-plists/10.12.6-mail-16G1408-info.plist"),
               mailContents + QLatin1String("/Info.plist"));
}

// A Mac with Mail 10.12.6 in the given state: 0 nothing installed, 3 installed by grabbitctl, 2
// installed and then made older than the installer's copy.
bool prepareSandbox(const QString& sandbox, int state)
{
    if (!makeFolders(sandbox))
        return false;
    if (state == 0)
        return true;
    Row install("install", {GRABBITCTL_EXECUTABLE, "install"}, sandbox);
    if (runOnce(install) != 0)
        return false;
    if (state == 3)
        return true;
    auto info = PropertyList::dictionaryWithContentsOfFile(sandbox + pluginInfoPlist);
    if (!info)
        return false;
    (*info)[QStringLiteral("CFBundleVersion")] = QStringLiteral("0.1");
    return PropertyList::writeToFile(*info, sandbox + pluginInfoPlist, PropertyListFormat::XML);
}

// The script: two `defaults read` of Mail's keys and one grep of Mail's identifier in the plug-in.
QString writeLoginScript(const QString& sandbox)
{
    const auto mailInfo = PropertyList::dictionaryWithContentsOfFile(
        sandbox + QLatin1String("/root/Applications/Mail.app/Contents/Info.plist"));
    const QString identifier =
        mailInfo ? mailInfo->value(QStringLiteral("PluginCompatibilityUUID")).toString() : QString();
    const QString path = sandbox + QLatin1String("/login-check.sh");
    QFile script(path);
    if (identifier.isEmpty() || !script.open(QIODevice::WriteOnly))
        return {};
    script.write(QStringLiteral("defaults='%1'\n"
                                "\"$defaults\" read com.apple.mail EnableBundles\n"
                                "\"$defaults\" read com.apple.mail BundleCompatibilityVersion\n"
                                "grep -q '%2' \"$HOME/Library/Mail/Bundles/"
                                "ZephMailMessageServiceEnabler.mailbundle/Contents/Info.plist\"\n")
                     .arg(QStringLiteral(DEFAULTS_EXECUTABLE), identifier)
                     .toUtf8());
    return script.flush() ? path : QString();
}

void printRow(const Row& row)
{
    std::vector<double> sorted = row.milliseconds;
    std::sort(sorted.begin(), sorted.end());
    std::printf("| %s | %.1f | %.1f | %.1f | %.1f |\n", row.name.c_str(), sorted.front(), median(sorted),
                sorted.back(), row.peakKilobytes / 1024.0);
}

} // namespace

int main()
{
    QTemporaryDir folder;
    const QString upToDate = folder.filePath(QStringLiteral("state-3"));
    const QString notInstalled = folder.filePath(QStringLiteral("state-0"));
    const QString newerPackaged = folder.filePath(QStringLiteral("state-2"));
    if (!folder.isValid() || !prepareSandbox(upToDate, 3) || !prepareSandbox(notInstalled, 0) ||
        !prepareSandbox(newerPackaged, 2)) {
        std::fprintf(stderr, "the sandboxes could not be prepared\n");
        return 1;
    }
    const QString script = writeLoginScript(upToDate);
    if (script.isEmpty()) {
        std::fprintf(stderr, "the login script could not be written\n");
        return 1;
    }
    const std::vector<std::string> loginStart{GRABBIT_INSTALLER_EXECUTABLE, "--launched-at-login"};
    std::vector<Row> rows{
        {"silent login check, state 3 (up to date)", loginStart, upToDate},
        {"silent login check, state 0 (not installed)", loginStart, notInstalled},
        {"silent login check, state 2 (newer plug-in packaged)", loginStart, newerPackaged},
        {"login script: 2 × `defaults read`, 1 × `grep`",
         {"/bin/sh", QFile::encodeName(script).toStdString()},
         upToDate},
        {"`grabbitctl state`", {GRABBITCTL_EXECUTABLE, "state"}, upToDate},
        {"Qt Core program that only starts", {MINIMAL_CORE_PROGRAM}, upToDate},
        {"Qt Widgets program that starts and quits", {MINIMAL_WIDGETS_PROGRAM}, upToDate},
    };
    // The first round warms the file cache and is not counted.
    for (int round = 0; round <= rounds; ++round) {
        for (Row& row : rows) {
            if (runOnce(row) != 0) {
                std::fprintf(stderr, "failed: %s\n", row.name.c_str());
                return 1;
            }
            if (round == 0)
                row.milliseconds.clear();
        }
    }
    std::printf("%d rounds, each row once per round in turn; whole processes, wall time\n\n", rounds);
    std::printf("| what | min (ms) | median (ms) | max (ms) | peak memory (MiB) |\n|---|---|---|---|---|\n");
    for (const Row& row : rows)
        printRow(row);
    const double scriptMedian = median(rows[3].milliseconds);
    const double controlPeak = static_cast<double>(rows[4].peakKilobytes);
    std::printf("\n| silent login check | ÷ script's median time (target ≤ 0.6) | ÷ grabbitctl state's peak "
                "memory (target ≤ 1.2) |\n|---|---|---|\n");
    for (int index = 0; index < 3; ++index)
        std::printf("| %s | %.2f | %.2f |\n", rows[index].name.c_str(),
                    median(rows[index].milliseconds) / scriptMedian, rows[index].peakKilobytes / controlPeak);
    return 0;
}
