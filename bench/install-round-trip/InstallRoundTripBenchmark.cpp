// SPDX-License-Identifier: MIT
// One installation with Mail not running, against the same work done by hand: the bare unzip of
// the same archive into an empty folder and the two defaults writes. Both run alternately in one
// sandbox; the medians and their ratio are printed.
#include "Bundle.h"
#include "ChildProcessLauncher.h"
#include "MailBundleInstaller.h"
#include "PropertyList.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int repetitions = 25;

struct Sandbox {
    QTemporaryDir folder;
    QString home() const { return folder.path() + QLatin1String("/home"); }
    QString preferences() const
    {
        return home() +
               QLatin1String(
                   "/Library/Containers/com.apple.mail/Data/Library/Preferences/com.apple.mail.plist");
    }
    QString installer() const { return folder.path() + QLatin1String("/GrabbitInstaller.app"); }
};

bool prepare(const Sandbox& sandbox)
{
    const QString root = sandbox.folder.path() + QLatin1String("/root");
    const QString mailContents = root + QLatin1String("/Applications/Mail.app/Contents");
    const QString resources = sandbox.installer() + QLatin1String("/Contents/Resources");
    QDir().mkpath(mailContents + QLatin1String("/MacOS"));
    QDir().mkpath(resources);
    QDir().mkpath(sandbox.home());
    qputenv("HOME", QFile::encodeName(sandbox.home()));
    qputenv("GRABBIT_SYSTEM_ROOT", QFile::encodeName(root));
    qputenv("GRABBIT_DEFAULTS_TOOL", GRABBIT_DEFAULTS_TOOL);
    Bundle::setMainBundlePath(sandbox.installer());
    return QFile::copy(
               QStringLiteral(GRABBIT_TEST_DATA_DIR "/mail-info-plists/10.12.6-mail-16G1408-info.plist"),
               mailContents + QLatin1String("/Info.plist")) &&
           QFile::copy(QStringLiteral(GRABBIT_PLUGIN_ARCHIVE),
                       resources + QLatin1String("/ZephMailMessageServiceEnabler.zip"));
}

// Preferences that need both writes, and no plug-in: every round starts from the same place.
void resetHome(const Sandbox& sandbox)
{
    QDir(sandbox.home() + QLatin1String("/Library/Mail")).removeRecursively();
    QDir().mkpath(QFileInfo(sandbox.preferences()).path());
    PropertyList::writeToFile(QVariantMap{{QStringLiteral("BundleCompatibilityVersion"), qint64(1)}},
                              sandbox.preferences(), PropertyListFormat::Binary);
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

double timeByHand(const Sandbox& sandbox)
{
    ChildProcessLauncher& launcher = ChildProcessLauncher::sharedLauncher();
    const QString target = sandbox.folder.path() + QLatin1String("/by-hand");
    QDir(target).removeRecursively();
    QDir().mkpath(target);
    const QString archive =
        sandbox.installer() + QLatin1String("/Contents/Resources/ZephMailMessageServiceEnabler.zip");
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
    Sandbox sandbox;
    if (!sandbox.folder.isValid() || !prepare(sandbox))
        qFatal("cannot build the sandbox");

    std::vector<double> installations;
    std::vector<double> byHand;
    for (int round = 0; round < repetitions; ++round) {
        resetHome(sandbox);
        installations.push_back(timeInstallation());
        resetHome(sandbox);
        byHand.push_back(timeByHand(sandbox));
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
