// SPDX-License-Identifier: MIT
#pragma once

#include "ChildProcessLauncher.h"

#include <QHash>
#include <QList>

// The engine's child-process launcher while it lives: records every command line and runs it
// for real, unless the test scripted the outcome of that program's next runs.
class RecordingLauncher : public ChildProcessLauncher {
public:
    // A scripted outcome that stands for a program that cannot be started.
    static constexpr int cannotStart = -1;

    QList<QStringList> commands;
    QHash<QString, QList<int>> outcomes;

    int launchAndWait(const QString& launchPath, const QStringList& arguments) override
    {
        commands.append(QStringList{launchPath} + arguments);
        if (outcomes.value(launchPath).isEmpty())
            return ChildProcessLauncher::launchAndWait(launchPath, arguments);
        const int outcome = outcomes[launchPath].takeFirst();
        if (outcome == cannotStart)
            throw ChildProcessException("launch path not accessible: " + launchPath.toStdString());
        return outcome;
    }

    QList<QStringList> commandsOf(const QString& launchPath) const
    {
        QList<QStringList> found;
        for (const QStringList& command : commands)
            if (command.first() == launchPath)
                found.append(command);
        return found;
    }

private:
    ScopedSharedChildProcessLauncher m_scope{this};
};
