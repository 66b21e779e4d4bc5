// SPDX-License-Identifier: MIT
#include "FileManager.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

FileManager*& installedManager()
{
    static FileManager* manager = nullptr;
    return manager;
}

QString quotedName(const QString& path)
{
    return QStringLiteral("“%1”").arg(QFileInfo(path).fileName());
}

qint64 writeErrorCode(int errorNumber)
{
    switch (errorNumber) {
    case EACCES:
    case EPERM:
    case EROFS:
        return GBFileWriteNoPermissionError;
    case ENOENT:
        return GBFileNoSuchFileError;
    case ENOSPC:
        return GBFileWriteOutOfSpaceError;
    default:
        return GBFileWriteUnknownError;
    }
}

Error removalError(int errorNumber, const QString& path)
{
    const qint64 code = writeErrorCode(errorNumber);
    const QString description =
        code == GBFileWriteNoPermissionError
            ? QStringLiteral("%1 couldn’t be removed because you don’t have permission to access it.")
                  .arg(quotedName(path))
            : QStringLiteral("%1 couldn’t be removed.").arg(quotedName(path));
    return fileErrorFromErrno(errorNumber, path, code, description);
}

// Removes the entry `name` of the open folder `parent` without ever following a symbolic link:
// a link is removed as a link, and folders are opened with O_NOFOLLOW.
int removeEntry(int parent, const char* name)
{
    struct stat status;
    if (fstatat(parent, name, &status, AT_SYMLINK_NOFOLLOW) != 0)
        return errno;
    if (!S_ISDIR(status.st_mode))
        return unlinkat(parent, name, 0) == 0 ? 0 : errno;

    const int folder = openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folder < 0)
        return errno;
    DIR* listing = fdopendir(folder);
    if (!listing) {
        const int failure = errno;
        close(folder);
        return failure;
    }
    int failure = 0;
    while (dirent* entry = readdir(listing)) {
        const QByteArray entryName(entry->d_name);
        if (entryName == "." || entryName == "..")
            continue;
        failure = removeEntry(folder, entry->d_name);
        if (failure != 0)
            break;
    }
    closedir(listing);
    if (failure != 0)
        return failure;
    return unlinkat(parent, name, AT_REMOVEDIR) == 0 ? 0 : errno;
}

} // namespace

FileManager& FileManager::defaultManager()
{
    static FileManager realManager;
    FileManager* manager = installedManager();
    return manager ? *manager : realManager;
}

void FileManager::setDefaultManager(FileManager* manager)
{
    installedManager() = manager;
}

bool FileManager::fileExistsAtPath(const QString& path)
{
    if (path.isEmpty())
        return false;
    struct stat status;
    return stat(QFile::encodeName(path).constData(), &status) == 0;
}

std::optional<QStringList> FileManager::contentsOfDirectoryAtPath(const QString& path, Error* error)
{
    DIR* listing = opendir(QFile::encodeName(path).constData());
    if (!listing) {
        const int failure = errno;
        if (error) {
            const bool missing = failure == ENOENT || failure == ENOTDIR;
            *error = fileErrorFromErrno(
                failure, path, missing ? GBFileNoSuchFileError : GBFileReadNoPermissionError,
                missing ? QStringLiteral("The folder %1 doesn’t exist.").arg(quotedName(path))
                        : QStringLiteral("The folder %1 couldn’t be opened.").arg(quotedName(path)));
        }
        return std::nullopt;
    }
    QStringList names;
    while (dirent* entry = readdir(listing)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            names.append(QFile::decodeName(name));
    }
    closedir(listing);
    return names;
}

bool FileManager::removeItemAtPath(const QString& path, Error* error)
{
    const QFileInfo info(path);
    const QByteArray parentPath = QFile::encodeName(info.absolutePath());
    const int parent = open(parentPath.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    int failure = parent < 0 ? errno : removeEntry(parent, QFile::encodeName(info.fileName()).constData());
    if (parent >= 0)
        close(parent);
    if (failure == 0)
        return true;
    if (error)
        *error = removalError(failure, path);
    return false;
}

bool FileManager::createDirectoryAtPath(const QString& path, bool withIntermediateDirectories, Error* error)
{
    const QString cleanPath = QDir::cleanPath(path);
    QStringList missing;
    QString current = cleanPath;
    struct stat status;
    while (stat(QFile::encodeName(current).constData(), &status) != 0) {
        missing.prepend(current);
        const QString parent = QFileInfo(current).path();
        if (parent == current)
            break;
        current = parent;
    }
    if (missing.isEmpty()) {
        if (S_ISDIR(status.st_mode))
            return true;
        if (error)
            *error =
                fileErrorFromErrno(EEXIST, path, GBFileWriteUnknownError,
                                   QStringLiteral("The file %1 couldn’t be saved because a file with the "
                                                  "same name already exists.")
                                       .arg(quotedName(path)));
        return false;
    }
    if (!withIntermediateDirectories && missing.size() > 1)
        missing = {missing.last()};
    for (const QString& folder : missing) {
        if (mkdir(QFile::encodeName(folder).constData(), 0777) != 0 && errno != EEXIST) {
            const int failure = errno;
            if (error)
                *error =
                    fileErrorFromErrno(failure, folder, writeErrorCode(failure),
                                       QStringLiteral("You don’t have permission to save the file %1 in the "
                                                      "folder %2.")
                                           .arg(quotedName(folder), quotedName(QFileInfo(folder).path())));
            return false;
        }
    }
    return true;
}

std::optional<QByteArray> FileManager::contentsAtPath(const QString& path, qint64 maximumLength)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray contents = file.read(maximumLength);
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return contents;
}

int FileManager::changePosixPermissions(const QString& path, mode_t mode)
{
    return chmod(QFile::encodeName(path).constData(), mode);
}
