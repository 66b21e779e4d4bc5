// SPDX-License-Identifier: MIT
// How long terminateMail takes to notice that Mail has gone: the fake Mail records the moment it
// exits, 200 to 250 ms after the quit request (spread over one wait slice), and the benchmark
// the moment terminateMail returns. Printed: the median and the largest delay, and the median against one
// wait slice.
#include "MailBundleInstaller.h"
#include "RunLoop.h"
#include "Workspace.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int repetitions = 20;
constexpr double waitSlice = 0.05;

QString installFakeMail(const QTemporaryDir& folder)
{
    const QString root = folder.path() + QLatin1String("/root");
    const QString contents = root + QLatin1String("/Applications/Mail.app/Contents");
    QDir().mkpath(contents + QLatin1String("/MacOS"));
    qputenv("HOME", QFile::encodeName(folder.path()));
    qputenv("GRABBIT_SYSTEM_ROOT", QFile::encodeName(root));
    const QString executable = contents + QLatin1String("/MacOS/Mail");
    if (!QFile::copy(
            QStringLiteral(GRABBIT_TEST_DATA_DIR "/mail-info-plists/10.12.6-mail-16G1408-info.plist"),
            contents + QLatin1String("/Info.plist")) ||
        !QFile::copy(QStringLiteral(FAKE_MAIL_EXECUTABLE), executable))
        qFatal("cannot install the fake Mail");
    return executable;
}

QStringList journal(const QString& executable)
{
    QFile file(executable + QLatin1String(".journal"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

int countEntries(const QString& executable, const QString& event)
{
    const QStringList lines = journal(executable);
    return int(std::count_if(lines.begin(), lines.end(),
                             [&](const QString& line) { return line.startsWith(event + QLatin1Char(' ')); }));
}

double lastExitTime(const QString& executable)
{
    const QStringList lines = journal(executable);
    for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
        if (line->startsWith(QLatin1String("exited ")))
            return line->section(QLatin1Char(' '), 2, 2).toDouble();
    }
    return -1;
}

// Exits at different points of a wait slice, so that the delays are not all in phase with it.
void setQuitDelay(const QString& executable, int round)
{
    const double delay = 0.2 + (round % 10) * waitSlice / 10;
    QFile behaviour(executable + QLatin1String(".on-quit"));
    if (!behaviour.open(QIODevice::WriteOnly) ||
        behaviour.write(QByteArray("after ") + QByteArray::number(delay)) < 0)
        qFatal("cannot configure the fake Mail");
}

double measureOnce(MailBundleInstaller& installer, const QString& executable, int round)
{
    setQuitDelay(executable, round);
    if (!Workspace::sharedWorkspace().launchAppWithBundleIdentifier(QStringLiteral("com.apple.mail"), 0))
        qFatal("cannot start the fake Mail");
    while (countEntries(executable, QStringLiteral("started")) <= round)
        QThread::msleep(2);
    if (!installer.terminateMail())
        qFatal("the fake Mail did not quit");
    const double returned = RunLoop::timeIntervalSinceReferenceDate();
    return returned - lastExitTime(executable);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    QTemporaryDir folder;
    const QString executable = installFakeMail(folder);
    MailBundleInstaller installer;

    std::vector<double> delays;
    for (int round = 0; round < repetitions; ++round)
        delays.push_back(measureOnce(installer, executable, round));
    std::sort(delays.begin(), delays.end());
    const double median = delays[delays.size() / 2];
    std::printf(
        "delay from Mail's exit to terminateMail's return over %d quits: median %.1f ms, largest %.1f ms "
        "(target at most 60 ms)\n",
        repetitions, median * 1e3, delays.back() * 1e3);
    std::printf("median delay / one wait slice of %.0f ms: %.2f\n", waitSlice * 1e3, median / waitSlice);
    return 0;
}
