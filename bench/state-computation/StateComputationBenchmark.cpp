// SPDX-License-Identifier: MIT
// Times one state computation on a typical Mail folder and on Mail folders with many
// "Bundles (Disabled N)" folders, side by side, to show that the cost grows linearly.
#include "Bundle.h"
#include "MailBundleInstaller.h"
#include "PropertyList.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <sys/stat.h>
#include <vector>

namespace {

const QString mailIdentifier = QStringLiteral("21560BD9-A3CC-482E-9B99-95B7BF61EDC1");

void makePlugin(const QString& folder, const QVariantList& compatibilityValues)
{
    const QString contents = folder + QLatin1String("/ZephMailMessageServiceEnabler.mailbundle/Contents");
    QDir().mkpath(contents + QLatin1String("/MacOS"));
    PropertyList::writeToFile(
        QVariantMap{{QStringLiteral("CFBundleVersion"), QStringLiteral("1.4")},
                    {QStringLiteral("SupportedPluginCompatibilityUUIDs"), compatibilityValues}},
        contents + QLatin1String("/Info.plist"));
}

// A home folder and system root with Mail 10.12.6; `disabledFolders` disabled copies and, for the
// typical tree, an enabled copy.
void prepare(const QString& sandbox, int disabledFolders, bool enabledCopy)
{
    const QString home = sandbox + QLatin1String("/home");
    const QString mail = sandbox + QLatin1String("/root/Applications/Mail.app/Contents");
    QDir().mkpath(mail);
    QFile::copy(QStringLiteral(GRABBIT_TEST_DATA_DIR "/mail-info-plists/10.12.6-mail-16G1408-info.plist"),
                mail + QLatin1String("/Info.plist"));
    const QString resources = sandbox + QLatin1String("/Installer.app/Contents/Resources");
    QDir().mkpath(resources);
    QFile version(resources + QLatin1String("/ZephMailMessageServiceEnabler-Version.txt"));
    version.open(QIODevice::WriteOnly);
    version.write("1.4");
    if (enabledCopy)
        makePlugin(home + QLatin1String("/Library/Mail/Bundles"), {mailIdentifier});
    for (int index = 1; index <= disabledFolders; ++index)
        makePlugin(home + QStringLiteral("/Library/Mail/Bundles (Disabled %1)").arg(index), {});
    qputenv("HOME", QFile::encodeName(home));
    qputenv("GRABBIT_SYSTEM_ROOT", QFile::encodeName(sandbox + QLatin1String("/root")));
    Bundle::setMainBundlePath(sandbox + QLatin1String("/Installer.app"));
}

double processMicroseconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
}

// The fastest of several runs of updateMailBundleState, in processor time (user and system), so
// that other programs on a shared machine do not blur the comparison.
double fastestMicroseconds(int runs)
{
    MailBundleInstaller installer;
    std::vector<double> samples;
    for (int run = 0; run < runs; ++run) {
        const double start = processMicroseconds();
        installer.updateMailBundleState();
        samples.push_back(processMicroseconds() - start);
    }
    return *std::min_element(samples.begin(), samples.end());
}

// The least the system can do for the same question: list the Mail folder and stat each
// candidate copy, in plain C.
double fastestBareListingMicroseconds(const QString& mailFolder, int runs)
{
    const QByteArray folder = QFile::encodeName(mailFolder);
    double fastest = 1e300;
    for (int run = 0; run < runs; ++run) {
        const double start = processMicroseconds();
        DIR* listing = opendir(folder.constData());
        while (dirent* entry = readdir(listing)) {
            if (std::strncmp(entry->d_name, "Bundles (Disabled", 17) != 0)
                continue;
            char path[4096];
            std::snprintf(path, sizeof path, "%s/%s/ZephMailMessageServiceEnabler.mailbundle",
                          folder.constData(), entry->d_name);
            struct stat status;
            stat(path, &status);
        }
        closedir(listing);
        fastest = std::min(fastest, processMicroseconds() - start);
    }
    return fastest;
}

struct Measurement {
    double state;
    double bareListing;
};

Measurement measure(int disabledFolders, bool enabledCopy, int runs)
{
    QTemporaryDir sandbox;
    prepare(sandbox.path(), disabledFolders, enabledCopy);
    return {fastestMicroseconds(runs),
            fastestBareListingMicroseconds(sandbox.path() + QLatin1String("/home/Library/Mail"), runs)};
}

} // namespace

int main()
{
    const double typical = measure(2, true, 51).state;
    std::printf("state computation, typical tree (enabled copy, 2 disabled folders): %8.1f us\n", typical);
    std::printf("%-7s %12s %12s %14s %16s %18s\n", "folders", "state (us)", "per folder", "x typical tree",
                "bare listing (us)", "state / bare list");
    for (const int folders : {250, 500, 1000, 2000}) {
        const Measurement measurement = measure(folders, false, 21);
        std::printf("%-7d %12.1f %12.2f %14.1f %16.1f %18.2f\n", folders, measurement.state,
                    measurement.state / folders, measurement.state / typical, measurement.bareListing,
                    measurement.state / measurement.bareListing);
    }
    return 0;
}
