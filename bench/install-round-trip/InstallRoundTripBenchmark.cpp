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

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
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
    const double installation = median(installations);
    const double manual = median(byHand);
    std::printf("install, Mail not running: median %.2f ms over %d rounds\n", installation * 1e3,
                repetitions);
    std::printf("unzip + two defaults writes by hand: median %.2f ms\n", manual * 1e3);
    std::printf("ratio install / by hand: %.2f (target at most 1.2)\n", installation / manual);
    return 0;
}
