// SPDX-License-Identifier: MIT
// Times the installer's silent start at login (the plug-in needs no update for an OS change, so it
// ends without a window) against a Qt Widgets program that only starts and quits, alternating the
// two in one run, and reports the installer's peak memory.
#include "TestMac.h"

#include <QDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

constexpr int rounds = 30;

struct Run {
    double seconds = 0;
    long peakKilobytes = 0;
    int status = -1;
};

// Starts the program and waits for it; its own rusage gives the peak resident size.
Run runOnce(const std::string& program, const std::vector<std::string>& arguments)
{
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    Run run;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0)
        return run;
    int status = 0;
    struct rusage usage {};
    if (wait4(pid, &status, 0, &usage) != pid)
        return run;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.peakKilobytes = usage.ru_maxrss;
    run.status = status;
    return run;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main()
{
    // A Mac without the plug-in: the login start ends silently.
    TestMac mac;
    const QString runtime = mac.directory() + QStringLiteral("/runtime");
    if (!QDir().mkpath(runtime))
        return 1;
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    setenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime).constData(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    unsetenv("DBUS_SESSION_BUS_ADDRESS");

    const std::string installer = GRABBIT_INSTALLER_EXECUTABLE;
    const std::string minimal = MINIMAL_WIDGETS_PROGRAM;
    std::vector<double> installerTimes, minimalTimes;
    long installerPeak = 0, minimalPeak = 0;
    // One warm-up each, so that neither pays for a cold file cache.
    runOnce(installer, {"--launched-at-login"});
    runOnce(minimal, {});
    for (int round = 0; round < rounds; ++round) {
        const Run silent = runOnce(installer, {"--launched-at-login"});
        const Run yardstick = runOnce(minimal, {});
        if (silent.status != 0 || yardstick.status != 0) {
            std::fprintf(stderr, "a run failed: installer status %d, minimal program status %d\n",
                         silent.status, yardstick.status);
            return 1;
        }
        installerTimes.push_back(silent.seconds);
        minimalTimes.push_back(yardstick.seconds);
        installerPeak = std::max(installerPeak, silent.peakKilobytes);
        minimalPeak = std::max(minimalPeak, yardstick.peakKilobytes);
    }
    const double installerMedian = median(installerTimes);
    const double minimalMedian = median(minimalTimes);
    std::printf("silent login start: median %.1f ms over %d runs\n", installerMedian * 1000, rounds);
    std::printf("minimal Qt Widgets program: median %.1f ms over %d runs\n", minimalMedian * 1000, rounds);
    std::printf("ratio (silent login start / minimal program): %.2f (target at most 1.30)\n",
                installerMedian / minimalMedian);
    std::printf("peak memory: installer %ld KiB, minimal program %ld KiB, ratio %.2f\n", installerPeak,
                minimalPeak, double(installerPeak) / double(minimalPeak));
    return 0;
}
