// SPDX-License-Identifier: MIT
#pragma once

#include "FileManager.h"

#include <QHash>
#include <QList>
#include <QPair>

#include <cerrno>

// The real file manager, except that removing chosen paths or creating folders fails a given
// number of times (-1: always); root ignores permission bits, so tests fail them here. Each
// refusal carries its running number in its description, so a test can tell which one it got.
class InstallationFailingFileManager : public FileManager {
public:
    QHash<QString, int> removalFailures;
    int directoryCreationFailures = 0;
    int refusals = 0;
    QStringList removals;
    QList<QPair<QString, mode_t>> permissionChanges;

    bool removeItemAtPath(const QString& path, Error* error) override
    {
        removals.append(path);
        const auto failure = removalFailures.find(path);
        if (failure == removalFailures.end() || failure.value() == 0)
            return FileManager::removeItemAtPath(path, error);
        if (failure.value() > 0)
            --failure.value();
        return refuse(path, error);
    }

    bool createDirectoryAtPath(const QString& path, bool withIntermediateDirectories, Error* error) override
    {
        if (directoryCreationFailures == 0)
            return FileManager::createDirectoryAtPath(path, withIntermediateDirectories, error);
        if (directoryCreationFailures > 0)
            --directoryCreationFailures;
        return refuse(path, error);
    }

    int changePosixPermissions(const QString& path, mode_t mode) override
    {
        permissionChanges.append({path, mode});
        return FileManager::changePosixPermissions(path, mode);
    }

    static QString refusalDescription(int number) { return QStringLiteral("refusal %1").arg(number); }

private:
    bool refuse(const QString& path, Error* error)
    {
        ++refusals;
        if (error)
            *error =
                fileErrorFromErrno(EACCES, path, GBFileWriteNoPermissionError, refusalDescription(refusals));
        return false;
    }
};
