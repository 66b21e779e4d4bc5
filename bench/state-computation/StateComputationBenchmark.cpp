// SPDX-License-Identifier: MIT
// Times one state computation on a typical Mail folder against the bare reads of the files it
// reads, and on Mail folders with many "Bundles (Disabled N)" folders against the bare listing,
// side by side in one run.
//
//     state-computation-benchmark [--typical-only]   # the option leaves out the large trees (profiling)
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
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

const QString mailIdentifier = QStringLiteral("21560BD9-A3CC-482E-9B99-95B7BF61EDC1");
const QString pluginInfoPlist =
    QStringLiteral("ZephMailMessageServiceEnabler.mailbundle/Contents/Info.plist");

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
// typical tree, an enabled copy. Answers the files a state computation reads there.
QStringList prepare(const QString& sandbox, int disabledFolders, bool enabledCopy)
{
    const QString home = sandbox + QLatin1String("/home");
    const QString mailInfoPlist = sandbox + QLatin1String("/root/Applications/Mail.app/Contents/Info.plist");
    QDir().mkpath(QFileInfo(mailInfoPlist).path());
    QFile::copy(QStringLiteral(GRABBIT_TEST_DATA_DIR "/mail-info-plists/10.12.6-mail-16G1408-info.plist"),
                mailInfoPlist);
    const QString resources = sandbox + QLatin1String("/Installer.app/Contents/Resources");
    QDir().mkpath(resources);
    const QString versionText = resources + QLatin1String("/ZephMailMessageServiceEnabler-Version.txt");
    QFile version(versionText);
    version.open(QIODevice::WriteOnly);
    version.write("1.4");
    if (enabledCopy)
        makePlugin(home + QLatin1String("/Library/Mail/Bundles"), {mailIdentifier});
    for (int index = 1; index <= disabledFolders; ++index)
        makePlugin(home + QStringLiteral("/Library/Mail/Bundles (Disabled %1)").arg(index), {});
    qputenv("HOME", QFile::encodeName(home));
    qputenv("GRABBIT_SYSTEM_ROOT", QFile::encodeName(sandbox + QLatin1String("/root")));
    Bundle::setMainBundlePath(sandbox + QLatin1String("/Installer.app"));
    return {versionText, home + QLatin1String("/Library/Mail/Bundles/") + pluginInfoPlist, mailInfoPlist};
}

double processMicroseconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
}

// Processor time (user and system) of one call, so that other programs on a shared machine
// blur the comparison less than wall time would.
double microsecondsOf(const std::function<void()>& work)
{
    const double start = processMicroseconds();
    work();
    return processMicroseconds() - start;
}

// The least the system can do to read the same files: open, read to the end, close, in plain C.
void readFiles(const std::vector<QByteArray>& paths)
{
    static char buffer[64 * 1024];
    for (const QByteArray& path : paths) {
        const int descriptor = open(path.constData(), O_RDONLY | O_CLOEXEC);
        while (read(descriptor, buffer, sizeof buffer) > 0) {
        }
        close(descriptor);
    }
}

// The least the system can do for the disabled-folder question: list the Mail folder and stat
// each candidate copy.
void listDisabledCopies(const QByteArray& mailFolder)
{
    DIR* listing = opendir(mailFolder.constData());
    while (dirent* entry = readdir(listing)) {
        if (std::strncmp(entry->d_name, "Bundles (Disabled", 17) != 0)
            continue;
        char path[4096];
        std::snprintf(path, sizeof path, "%s/%s/ZephMailMessageServiceEnabler.mailbundle",
                      mailFolder.constData(), entry->d_name);
        struct stat status;
        stat(path, &status);
    }
    closedir(listing);
}

struct Spread {
    double min = 0;
    double median = 0;
    double max = 0;
};

Spread spreadOf(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    return {samples.front(), samples[samples.size() / 2], samples.back()};
}

// Runs the state computation and the bare work alternately, so that both see the same machine.
std::pair<Spread, Spread> sideBySide(int runs, const std::function<void()>& bareWork)
{
    MailBundleInstaller installer;
    std::vector<double> state;
    std::vector<double> bare;
    for (int run = 0; run < runs; ++run) {
        state.push_back(microsecondsOf([&] { installer.updateMailBundleState(); }));
        bare.push_back(microsecondsOf(bareWork));
    }
    return {spreadOf(state), spreadOf(bare)};
}

void printRow(const char* what, const Spread& spread)
{
    std::printf("%-34s %9.1f %9.1f %9.1f\n", what, spread.min, spread.median, spread.max);
}

Spread measureTypicalTree(int runs)
{
    QTemporaryDir sandbox;
    std::vector<QByteArray> files;
    for (const QString& path : prepare(sandbox.path(), 2, true))
        files.push_back(QFile::encodeName(path));
    const auto [state, bare] = sideBySide(runs, [&] { readFiles(files); });
    std::printf("typical tree (enabled copy, 2 disabled folders), %d runs, processor time in us\n", runs);
    std::printf("%-34s %9s %9s %9s\n", "", "min", "median", "max");
    printRow("state computation", state);
    printRow("bare reads of the 3 files it reads", bare);
    std::printf("%-34s %9.2f %9.2f\n\n", "state / bare reads", state.min / bare.min,
                state.median / bare.median);
    return state;
}

void measureLargeTrees(const Spread& typical)
{
    std::printf("%-7s %12s %12s %14s %17s %18s   (medians)\n", "folders", "state (us)", "per folder",
                "x typical tree", "bare listing (us)", "state / bare list");
    for (const int folders : {250, 500, 1000, 2000}) {
        QTemporaryDir sandbox;
        prepare(sandbox.path(), folders, false);
        const QByteArray mailFolder = QFile::encodeName(sandbox.path() + QLatin1String("/home/Library/Mail"));
        const auto [state, bare] = sideBySide(21, [&] { listDisabledCopies(mailFolder); });
        std::printf("%-7d %12.1f %12.2f %14.1f %17.1f %18.2f\n", folders, state.median,
                    state.median / folders, state.median / typical.median, bare.median,
                    state.median / bare.median);
    }
}

} // namespace

int main(int argc, char** argv)
{
    const bool typicalOnly = argc > 1 && std::strcmp(argv[1], "--typical-only") == 0;
    const Spread typical = measureTypicalTree(typicalOnly ? 21 : 201);
    if (!typicalOnly)
        measureLargeTrees(typical);
    return 0;
}
