// SPDX-License-Identifier: MIT
#pragma once

#include "FileManager.h"

#include <QHash>
#include <QList>
#include <QPair>

#include <cerrno>

// The engine's file manager while it lives: the real one, except that removing chosen paths or
// creating folders fails the given number of times (-1: always), since root ignores permission
// bits. Refusal n says "refusal n", so a test can tell which one it got.
class FailingFileManager : public FileManager {
public:
    QHash<QString, int> removalFailures;
    int creationFailures = 0;
    int refusals = 0;
    QList<QPair<QString, mode_t>> permissionChanges;

    bool removeItemAtPath(const QString& path, Error* error) override
    {
        int& failures = removalFailures[path];
        return failures == 0 ? FileManager::removeItemAtPath(path, error) : refuse(failures, path, error);
    }

    bool createDirectoryAtPath(const QString& path, bool intermediate, Error* error) override
    {
        return creationFailures == 0 ? FileManager::createDirectoryAtPath(path, intermediate, error)
                                     : refuse(creationFailures, path, error);
    }

    int changePosixPermissions(const QString& path, mode_t mode) override
    {
        permissionChanges.append({path, mode});
        return FileManager::changePosixPermissions(path, mode);
    }

    static QString refusal(int number) { return QStringLiteral("refusal %1").arg(number); }

private:
    bool refuse(int& failures, const QString& path, Error* error)
    {
        failures -= failures > 0 ? 1 : 0;
        if (error)
            *error = fileErrorFromErrno(EACCES, path, GBFileWriteNoPermissionError, refusal(++refusals));
        return false;
    }

    ScopedDefaultFileManager m_scope{this};
};
