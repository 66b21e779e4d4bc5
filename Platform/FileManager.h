// SPDX-License-Identifier: MIT
#pragma once

#include "Error.h"

#include <QByteArray>
#include <QStringList>

#include <optional>
#include <sys/types.h>

// The file operations of the engine, with the results of Foundation's file manager. Tests replace
// the default manager to produce failures that root cannot get from permission bits.
class FileManager {
public:
    virtual ~FileManager() = default;

    static FileManager& defaultManager();
    // nullptr restores the real file manager. The caller keeps ownership.
    static void setDefaultManager(FileManager* manager);

    // True when anything exists at the path, following symbolic links; false for an empty path.
    virtual bool fileExistsAtPath(const QString& path);
    // The names of the folder's direct entries, hidden ones included, in no defined order.
    virtual std::optional<QStringList> contentsOfDirectoryAtPath(const QString& path, Error* error);
    // Removes a file, a symbolic link (never what it points to) or a whole folder tree.
    virtual bool removeItemAtPath(const QString& path, Error* error);
    // True when the folder exists afterwards, also when it existed before.
    virtual bool createDirectoryAtPath(const QString& path, bool withIntermediateDirectories, Error* error);
    // The file's bytes, at most maximumLength of them, or nothing when it cannot be read.
    virtual std::optional<QByteArray> contentsAtPath(const QString& path, qint64 maximumLength);
    // The C library's chmod on that one path; the result is the call's.
    virtual int changePosixPermissions(const QString& path, mode_t mode);
};

// Installs a file manager for the lifetime of the object.
class ScopedDefaultFileManager {
public:
    explicit ScopedDefaultFileManager(FileManager* manager) { FileManager::setDefaultManager(manager); }
    ~ScopedDefaultFileManager() { FileManager::setDefaultManager(nullptr); }
    ScopedDefaultFileManager(const ScopedDefaultFileManager&) = delete;
    ScopedDefaultFileManager& operator=(const ScopedDefaultFileManager&) = delete;
};
