// SPDX-License-Identifier: MIT
// make-sandbox: makes a simulated Mac for the stand-in Mail, updates its OS, ends its processes.
#include "SimulatedMac.h"

#include <QCoreApplication>

#include <cstdio>

namespace {

int usage()
{
    std::fputs("usage: make-sandbox create DIR [--os VERSION] --mail-executable PATH\n"
               "       make-sandbox update-os DIR VERSION\n"
               "       make-sandbox stop DIR\n",
               stderr);
    return 2;
}

int outcome(bool succeeded, const QString& error)
{
    if (succeeded)
        return 0;
    std::fprintf(stderr, "make-sandbox: %s\n", qPrintable(error));
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments().mid(1);
    if (arguments.size() < 2)
        return usage();
    const QString command = arguments.at(0);
    SimulatedMac mac(arguments.at(1));
    QString error;
    if (command == QLatin1String("update-os") && arguments.size() == 3)
        return outcome(mac.updateOperatingSystem(arguments.at(2), &error), error);
    if (command == QLatin1String("stop") && arguments.size() == 2) {
        mac.stopProcesses();
        return 0;
    }
    if (command != QLatin1String("create"))
        return usage();
    QString version = QString::fromLatin1(SimulatedMac::defaultOperatingSystem);
    QString executable;
    for (qsizetype index = 2; index < arguments.size(); index += 2) {
        if (index + 1 >= arguments.size())
            return usage();
        if (arguments.at(index) == QLatin1String("--os"))
            version = arguments.at(index + 1);
        else if (arguments.at(index) == QLatin1String("--mail-executable"))
            executable = arguments.at(index + 1);
        else
            return usage();
    }
    if (executable.isEmpty())
        return usage();
    return outcome(mac.create(version, executable, &error), error);
}
