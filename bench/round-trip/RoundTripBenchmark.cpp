// SPDX-License-Identifier: MIT
// The whole round trip of an update with Mail running, on a sandboxed Mac with the stand-in Mail
// and the real plug-in: the engine's steps in the order installMailBundle runs them, each timed,
// then Mail reopened until the plug-in answers a Services request. Each phase's median is printed
// with its share of the round trip; the whole installMailBundle call is timed in the same run, so
// that the sum of the phases can be checked against it.
#include "MailBundleInstaller.h"
#include "TestMac.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>

#include <algorithm>
#include <array>
#include <cstdio>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

namespace {

constexpr int rounds = 7;

enum Phase { QuitWait, Removal, Extraction, Preferences, Stamping, Relaunch, phaseCount };
constexpr std::array<const char*, phaseCount> phaseNames = {
    "quit wait", "removal", "extraction", "preferences", "stamping", "relaunch until the plug-in answers"};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

[[noreturn]] void fail(const char* what)
{
    std::fprintf(stderr, "round-trip-benchmark: %s\n", what);
    std::exit(1);
}

void require(bool condition, const char* what)
{
    if (!condition)
        fail(what);
}

// Waits until the freshly opened Mail has loaded the plug-in and it hands over the selection.
void waitUntilThePluginAnswers(const TestMac& mac, const QList<qint64>& previous)
{
    require(mac.waitForMail(previous, 30000), "Mail was not reopened");
    for (int attempt = 0; attempt < 300; ++attempt) {
        if (mac.askMail("select 0 2") == QStringLiteral("ok 2 selected") &&
            mac.askMail("services").value_or(QString()).startsWith("text "))
            return;
        std::this_thread::sleep_for(10ms);
    }
    fail("the plug-in never answered a Services request");
}

// A private X server for the stand-in Mail's window and plug-in, unless DISPLAY names one.
void startXServer(QProcess& server)
{
    if (!qEnvironmentVariableIsEmpty("DISPLAY"))
        return;
    // Xvfb picks a free display and writes its number to standard output.
    server.start("Xvfb", {"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "1280x800x24"});
    require(server.waitForReadyRead(15000), "Xvfb did not start");
    qputenv("DISPLAY", ":" + server.readLine().trimmed());
}

class Stopwatch {
public:
    Stopwatch() { timer.start(); }
    double lap()
    {
        const double seconds = timer.nsecsElapsed() / 1e9;
        timer.restart();
        return seconds;
    }

private:
    QElapsedTimer timer;
};

std::array<double, phaseCount> timePhases(const TestMac& mac)
{
    MailBundleInstaller& installer = *MailBundleInstaller::sharedInstaller();
    const auto previous = mac.mailProcesses();
    std::array<double, phaseCount> seconds{};
    Error error;
    bool removed = true;
    Stopwatch stopwatch;
    require(installer.terminateMail(), "Mail did not quit");
    seconds[QuitWait] = stopwatch.lap();
    installer.removeMailBundleRestartingMail(
        false, [&](MailBundleInstaller*, const std::optional<Error>& failure) { removed = !failure; });
    seconds[Removal] = stopwatch.lap();
    require(removed && installer.installMailBundleInUserHomeDirectory(&error), "the extraction failed");
    seconds[Extraction] = stopwatch.lap();
    require(installer.updateMailPreferences(&error), "the preferences were not updated");
    seconds[Preferences] = stopwatch.lap();
    require(installer.updateMailBundleCompatibilityValues(&error), "the stamping failed");
    seconds[Stamping] = stopwatch.lap();
    require(installer.launchMail(), "Mail could not be reopened");
    waitUntilThePluginAnswers(mac, previous);
    seconds[Relaunch] = stopwatch.lap();
    return seconds;
}

double timeWholeRoundTrip(const TestMac& mac)
{
    const auto previous = mac.mailProcesses();
    bool succeeded = false;
    Stopwatch stopwatch;
    MailBundleInstaller::sharedInstaller()->installMailBundle(
        [&](MailBundleInstaller*, const std::optional<Error>& error) { succeeded = !error; });
    require(succeeded, "installMailBundle failed");
    waitUntilThePluginAnswers(mac, previous);
    return stopwatch.lap();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    QProcess xServer;
    startXServer(xServer);
    {
        TestMac mac;
        require(TestMac::grabbitctl({"install"}).status == 0, "the first install failed");
        require(mac.startMail(), "Mail did not start");

        std::array<std::vector<double>, phaseCount> phases;
        std::vector<double> wholes;
        for (int round = 0; round < rounds; ++round) {
            const auto seconds = timePhases(mac);
            for (int phase = 0; phase < phaseCount; ++phase)
                phases[phase].push_back(seconds[phase]);
            wholes.push_back(timeWholeRoundTrip(mac));
        }

        std::array<double, phaseCount> medians{};
        double sum = 0;
        for (int phase = 0; phase < phaseCount; ++phase) {
            medians[phase] = median(phases[phase]);
            sum += medians[phase];
        }
        const int slowest = int(std::max_element(medians.begin(), medians.end()) - medians.begin());
        std::printf("update with Mail running, %d rounds, medians:\n", rounds);
        for (int phase = 0; phase < phaseCount; ++phase)
            std::printf("  %-36s %9.2f ms  %5.1f %% of the round trip\n", phaseNames[phase],
                        medians[phase] * 1e3, 100 * medians[phase] / sum);
        std::printf(
            "sum of the phases: %.2f ms; installMailBundle and relaunch as one: %.2f ms (ratio %.2f)\n",
            sum * 1e3, median(wholes) * 1e3, sum / median(wholes));
        std::printf("slowest phase: %s, %.1f times the rest together\n", phaseNames[slowest],
                    medians[slowest] / (sum - medians[slowest]));
    }
    xServer.terminate();
    xServer.waitForFinished();
    return 0;
}
