// SPDX-License-Identifier: MIT
// One installation with Mail not running, against the same work done by hand: the bare unzip of
// the same archive into an empty folder and the two defaults writes. Both run alternately in one
// simulated Mac; the medians and their ratio are printed.
#include "ChildProcessLauncher.h"
#include "MailBundleInstaller.h"
#include "TestMac.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int repetitions = 25;

// Preferences that need both writes, and no plug-in: every round starts from the same place.
void resetHome(const TestMac& mac)
{
    QDir(mac.home() + QLatin1String("/Library/Mail")).removeRecursively();
    TestMac::writePlist({{QStringLiteral("BundleCompatibilityVersion"), qint64(1)}}, mac.preferencesPath());
}

double timeInstallation()
{
    MailBundleInstaller& installer = *MailBundleInstaller::sharedInstaller();
    bool succeeded = false;
    QElapsedTimer timer;
    timer.start();
    installer.installMailBundle(
        [&](MailBundleInstaller*, const std::optional<Error>& error) { succeeded = !error; });
    const double seconds = timer.nsecsElapsed() / 1e9;
    if (!succeeded)
        qFatal("the installation failed");
    return seconds;
}

double timeByHand(const TestMac& mac)
{
    ChildProcessLauncher& launcher = ChildProcessLauncher::sharedLauncher();
    const QString target = mac.directory() + QLatin1String("/by-hand");
    QDir(target).removeRecursively();
    QDir().mkpath(target);
    const QString archive = mac.archive();
    QElapsedTimer timer;
    timer.start();
    int failures = launcher.launchAndWait(
        QStringLiteral("/usr/bin/unzip"),
        {QStringLiteral("-d"), target, QStringLiteral("-u"), QStringLiteral("-q"), archive});
    failures += launcher.launchAndWait(QStringLiteral("/usr/bin/defaults"),
                                       {QStringLiteral("write"), QStringLiteral("com.apple.mail"),
                                        QStringLiteral("BundleCompatibilityVersion"), QStringLiteral("-int"),
                                        QStringLiteral("3")});
    failures += launcher.launchAndWait(QStringLiteral("/usr/bin/defaults"),
                                       {QStringLiteral("write"), QStringLiteral("com.apple.mail"),
                                        QStringLiteral("EnableBundles"), QStringLiteral("-bool"),
                                        QStringLiteral("YES")});
    const double seconds = timer.nsecsElapsed() / 1e9;
    if (failures != 0)
        qFatal("the work by hand failed");
    return seconds;
}

struct Spread {
    double min;
    double median;
    double max;
};

Spread spreadOf(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return {values.front(), values[values.size() / 2], values.back()};
}

void printRow(const char* what, const Spread& spread)
{
    std::printf("%-40s %8.2f %8.2f %8.2f\n", what, spread.min * 1e3, spread.median * 1e3, spread.max * 1e3);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    TestMac mac;

    std::vector<double> installations;
    std::vector<double> byHand;
    for (int round = 0; round < repetitions; ++round) {
        resetHome(mac);
        installations.push_back(timeInstallation());
        resetHome(mac);
        byHand.push_back(timeByHand(mac));
    }
    const Spread installation = spreadOf(installations);
    const Spread manual = spreadOf(byHand);
    // Each round's own ratio: both halves of a round see the same load on a shared machine.
    std::vector<double> ratios;
    for (std::size_t round = 0; round < installations.size(); ++round)
        ratios.push_back(installations[round] / byHand[round]);
    const Spread ratio = spreadOf(ratios);
    std::printf("%d rounds, wall time in ms%*s min   median      max\n", repetitions, 16, "");
    printRow("install, Mail not running", installation);
    printRow("unzip + two defaults writes by hand", manual);
    std::printf("%-40s %8.2f %8.2f %8.2f (target at most 1.15 at the median)\n",
                "install / by hand, per round", ratio.min, ratio.median, ratio.max);
    std::printf("%-40s %17.2f\n", "median install / median by hand", installation.median / manual.median);
    return 0;
}
