// SPDX-License-Identifier: MIT
#pragma once

#include "Error.h"

#include <QByteArray>
#include <QStringList>

#include <optional>
#include <sys/types.h>

// The file operations of the engine, with the results of Foundation's file manager. Tests replace
// the default manager to produce failures that root cannot get from permission bits.
//
// Paths are taken and given in FileSystemRepresentation's form, so a name that is not UTF-8 reaches
// the system exactly as a directory listing gave it.
class FileManager {
public:
    virtual ~FileManager() = default;

    static FileManager& defaultManager();
    // nullptr restores the real file manager. The caller keeps ownership.
    static void setDefaultManager(FileManager* manager);

    // The real file system's bytes of the file, at most maximumLength of them, whatever manager is
    // installed; nothing with errno set on failure, and *opened false when the open itself failed.
    static std::optional<QByteArray> readFileAtPath(const QString& path, qint64 maximumLength,
                                                    bool* opened = nullptr);
    // The real file system's answer to isSymbolicLinkAtPath, whatever manager is installed.
    static bool pathIsSymbolicLink(const QString& path);

    // True when anything exists at the path, following symbolic links; false for an empty path.
    virtual bool fileExistsAtPath(const QString& path);
    // True when the path itself is a symbolic link, whether or not it points anywhere.
    virtual bool isSymbolicLinkAtPath(const QString& path);
    // Anything at the path, a dangling symbolic link included; through the two tests above, so a
    // replaced manager answers for both.
    bool itemExistsAtPath(const QString& path)
    {
        return fileExistsAtPath(path) || isSymbolicLinkAtPath(path);
    }
    // True when this process may write at the path (access(2) with W_OK); false for an empty path.
    virtual bool isWritableFileAtPath(const QString& path);
    // The names of the folder's direct entries, hidden ones included, in no defined order.
    virtual std::optional<QStringList> contentsOfDirectoryAtPath(const QString& path, Error* error);
    // Removes a file, a symbolic link (never what it points to) or a whole folder tree.
    virtual bool removeItemAtPath(const QString& path, Error* error);
    // True when a folder, or a link to one, is at the path afterwards, also when it was there before.
    virtual bool createDirectoryAtPath(const QString& path, bool withIntermediateDirectories, Error* error);
    // The file's bytes, at most maximumLength of them, or nothing when it cannot be read.
    virtual std::optional<QByteArray> contentsAtPath(const QString& path, qint64 maximumLength);
    // The C library's chmod on that one path; the result is the call's.
    virtual int changePosixPermissions(const QString& path, mode_t mode);

    // The regular file at relativePath inside folder, reached without following any symbolic link
    // below folder (folder itself may be one): read at most maximumLength bytes of it, or replace it
    // whole (AtomicFileWriter). A link on the way fails with the POSIX error ELOOP underneath.
    virtual std::optional<QByteArray> contentsOfFileInsideFolder(const QString& folder,
                                                                 const QString& relativePath,
                                                                 qint64 maximumLength, Error* error);
    virtual bool replaceFileInsideFolder(const QString& folder, const QString& relativePath,
                                         const QByteArray& contents, Error* error);
};

// Installs a file manager for the lifetime of the object.
class ScopedDefaultFileManager {
public:
    explicit ScopedDefaultFileManager(FileManager* manager) { FileManager::setDefaultManager(manager); }
    ~ScopedDefaultFileManager() { FileManager::setDefaultManager(nullptr); }
    ScopedDefaultFileManager(const ScopedDefaultFileManager&) = delete;
    ScopedDefaultFileManager& operator=(const ScopedDefaultFileManager&) = delete;
};
