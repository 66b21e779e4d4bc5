// SPDX-License-Identifier: MIT
#pragma once

#include "ChildProcessLauncher.h"

#include <QHash>
#include <QList>

// Records every child process and runs it for real, unless the test scripted the outcome of that
// program's next run. "/usr/bin/defaults" is answered with 0 instead of run: what it writes has
// tests of its own, and here only its command lines matter.
class InstallationRecordingLauncher : public ChildProcessLauncher {
public:
    // A scripted outcome that stands for a program that cannot be started.
    static constexpr int cannotStart = -1;

    QList<QStringList> commands;
    QHash<QString, QList<int>> scriptedOutcomes;

    int launchAndWait(const QString& launchPath, const QStringList& arguments) override
    {
        commands.append(QStringList{launchPath} + arguments);
        QList<int>& script = scriptedOutcomes[launchPath];
        if (!script.isEmpty()) {
            const int outcome = script.takeFirst();
            if (outcome == cannotStart)
                throw ChildProcessException("launch path not accessible: " + launchPath.toStdString());
            return outcome;
        }
        if (launchPath == QLatin1String("/usr/bin/defaults"))
            return 0;
        return ChildProcessLauncher::launchAndWait(launchPath, arguments);
    }

    QList<QStringList> commandsOf(const QString& launchPath) const
    {
        QList<QStringList> result;
        for (const QStringList& command : commands) {
            if (command.first() == launchPath)
                result.append(command);
        }
        return result;
    }

    QStringList programs() const
    {
        QStringList result;
        for (const QStringList& command : commands)
            result.append(command.first());
        return result;
    }
};
