// SPDX-License-Identifier: MIT
// Times the installer's silent start at login (states 3, 0 and 2, where it ends without a window)
// against a login script that does what such tools do by hand, grabbitctl state and the smallest
// Qt programs: whole processes, each row once per round in turn, wall time and peak memory as
// measure-process reports them.
#include "PropertyList.h"
#include "SimulatedMac.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int rounds = 41;
const QString pluginInfoPlist =
    QStringLiteral("/home/Library/Mail/Bundles/ZephMailMessageServiceEnabler.mailbundle/Contents/Info.plist");

struct Row {
    Row(std::string name, QStringList command, QString sandbox)
        : name(std::move(name)), command(std::move(command)), sandbox(std::move(sandbox))
    {
    }
    std::string name;
    QStringList command;
    QString sandbox; // the home folder and system root the row runs in
    std::vector<double> milliseconds;
    long peakKilobytes = 0;
};

// The environment of a login session on that simulated Mac, without a display or a session bus.
QProcessEnvironment environmentFor(const QString& sandbox)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    for (const QString& variable : SimulatedMac(sandbox).environment())
        environment.insert(variable.section(QLatin1Char('='), 0, 0), variable.section(QLatin1Char('='), 1));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), sandbox + QLatin1String("/runtime"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return environment;
}

// Runs the command to its end through measure-process, which reports its time and peak memory
// (of it and its children). Answers the exit status, or -1.
int runOnce(Row& row)
{
    QProcess process;
    process.setProcessEnvironment(environmentFor(row.sandbox));
    process.start(QStringLiteral(MEASURE_PROCESS), row.command);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return -1;
    const QStringList figures = QString::fromLatin1(process.readAllStandardOutput()).split(QLatin1Char(' '));
    if (figures.size() != 3)
        return -1;
    row.milliseconds.push_back(figures[0].toDouble());
    row.peakKilobytes = std::max(row.peakKilobytes, figures[1].toLong());
    return figures[2].toInt();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// A simulated Mac in the given state: 0 nothing installed, 3 installed by grabbitctl, 2 installed
// and then made older than the installer's copy.
bool prepareSandbox(const QString& sandbox, int state)
{
    SimulatedMac mac(sandbox);
    if (!mac.create(QString::fromLatin1(SimulatedMac::defaultOperatingSystem),
                    QStringLiteral(MAIL_STAND_IN_EXECUTABLE)) ||
        !QDir().mkpath(sandbox + QLatin1String("/runtime")) ||
        !QFile::setPermissions(sandbox + QLatin1String("/runtime"),
                               QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
        return false;
    if (state == 0)
        return true;
    Row install("install", {QStringLiteral(GRABBITCTL_EXECUTABLE), QStringLiteral("install")}, sandbox);
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
    const QString path = sandbox + QLatin1String("/login-check.sh");
    QFile script(path);
    if (!script.open(QIODevice::WriteOnly))
        return {};
    script.write(QStringLiteral("defaults='%1'\n"
                                "\"$defaults\" read com.apple.mail EnableBundles\n"
                                "\"$defaults\" read com.apple.mail BundleCompatibilityVersion\n"
                                "grep -q '%2' \"$HOME/Library/Mail/Bundles/"
                                "ZephMailMessageServiceEnabler.mailbundle/Contents/Info.plist\"\n")
                     .arg(QStringLiteral(DEFAULTS_EXECUTABLE),
                          SimulatedMac(sandbox).compatibilityIdentifiers().value(0))
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
    const QStringList loginStart{QStringLiteral(GRABBIT_INSTALLER_EXECUTABLE),
                                 QStringLiteral("--launched-at-login")};
    std::vector<Row> rows{
        {"silent login check, state 3 (up to date)", loginStart, upToDate},
        {"silent login check, state 0 (not installed)", loginStart, notInstalled},
        {"silent login check, state 2 (newer plug-in packaged)", loginStart, newerPackaged},
        {"login script: 2 × `defaults read`, 1 × `grep`", {QStringLiteral("/bin/sh"), script}, upToDate},
        {"`grabbitctl state`", {QStringLiteral(GRABBITCTL_EXECUTABLE), QStringLiteral("state")}, upToDate},
        {"Qt Core program that only starts", {QStringLiteral(MINIMAL_CORE_PROGRAM)}, upToDate},
        {"Qt Widgets program that starts and quits", {QStringLiteral(MINIMAL_WIDGETS_PROGRAM)}, upToDate},
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
