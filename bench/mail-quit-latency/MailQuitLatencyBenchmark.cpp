// SPDX-License-Identifier: MIT
// How long terminateMail takes to notice that Mail has gone: the stand-in Mail quits 200 to 250 ms
// after the quit request (spread over one wait slice), a thread watching its process descriptor
// records the moment it ends, and the benchmark the moment terminateMail returns. Printed: the
// median and the largest delay, and the median against one wait slice.
#include "MailBundleInstaller.h"
#include "TestMac.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <future>
#include <poll.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int repetitions = 20;
constexpr double waitSlice = 0.05;

// The moment the process ends, seen through a process descriptor.
std::future<Clock::time_point> endOf(qint64 pid)
{
    const int descriptor = static_cast<int>(syscall(SYS_pidfd_open, pid_t(pid), 0));
    if (descriptor < 0)
        qFatal("cannot watch the stand-in Mail");
    return std::async(std::launch::async, [descriptor] {
        pollfd ended{descriptor, POLLIN, 0};
        while (poll(&ended, 1, -1) != 1) {
        }
        close(descriptor);
        return Clock::now();
    });
}

double measureOnce(const TestMac& mac, MailBundleInstaller& installer, int round)
{
    // Exits at different points of a wait slice, so that the delays are not all in phase with it.
    const double delay = 0.2 + (round % 10) * waitSlice / 10;
    const qint64 mail = mac.startMail({}, {QStringLiteral("GRABBIT_MAIL_QUIT=%1").arg(delay)});
    if (mail == 0)
        qFatal("the stand-in Mail did not start");
    auto ended = endOf(mail);
    if (!installer.terminateMail())
        qFatal("the stand-in Mail did not quit");
    const Clock::time_point returned = Clock::now();
    return std::chrono::duration<double>(returned - ended.get()).count();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    // Mail without a window: only its process matters here.
    qunsetenv("DISPLAY");
    TestMac mac;
    MailBundleInstaller installer;
    std::vector<double> delays;
    for (int round = 0; round < repetitions; ++round)
        delays.push_back(measureOnce(mac, installer, round));
    std::sort(delays.begin(), delays.end());
    const double median = delays[delays.size() / 2];
    std::printf(
        "delay from Mail's exit to terminateMail's return over %d quits: median %.1f ms, largest %.1f ms "
        "(target at most 60 ms)\n",
        repetitions, median * 1e3, delays.back() * 1e3);
    std::printf("median delay / one wait slice of %.0f ms: %.2f\n", waitSlice * 1e3, median / waitSlice);
    return 0;
}
