// SPDX-License-Identifier: MIT
#include "FileManager.h"

#include "AtomicFileWriter.h"
#include "FileDescriptor.h"
#include "FileSystemRepresentation.h"

#include <QDir>

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

QByteArray encoded(const QString& path)
{
    return FileSystemRepresentation::fromPath(path);
}

// The folder part and the last component of a path, by its last separator.
QString parentOf(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return QStringLiteral(".");
    return slash == 0 ? QStringLiteral("/") : path.left(slash);
}

QString lastComponentOf(const QString& path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

QString quotedName(const QString& path)
{
    return QStringLiteral("“%1”").arg(lastComponentOf(path));
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
    case EDQUOT:
        return GBFileWriteOutOfSpaceError;
    default:
        return GBFileWriteUnknownError;
    }
}

void setError(Error* slot, const Error& error)
{
    if (slot)
        *slot = error;
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

Error notAFolderError(int errorNumber, const QString& path)
{
    return fileErrorFromErrno(errorNumber, path, GBFileWriteUnknownError,
                              QStringLiteral("The folder %1 couldn’t be created because something that "
                                             "is not a folder is in its place.")
                                  .arg(quotedName(path)));
}

Error insideFolderError(int errorNumber, const QString& path, qint64 code)
{
    const QString description =
        errorNumber == ELOOP
            ? QStringLiteral("The file %1 was not used because it is reached through a symbolic link.")
                  .arg(quotedName(path))
        : code == GBFileReadUnknownError
            ? QStringLiteral("The file %1 couldn’t be opened.").arg(quotedName(path))
            : QStringLiteral("The file %1 couldn’t be saved.").arg(quotedName(path));
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
    // readdir answers nullptr both at the end and on an error; only errno tells them apart.
    errno = 0;
    while (dirent* entry = readdir(listing)) {
        const QByteArrayView entryName(entry->d_name);
        if (entryName == "." || entryName == "..")
            continue;
        failure = removeEntry(folder, entry->d_name);
        if (failure != 0)
            break;
        errno = 0;
    }
    if (failure == 0)
        failure = errno;
    closedir(listing);
    if (failure != 0)
        return failure;
    return unlinkat(parent, name, AT_REMOVEDIR) == 0 ? 0 : errno;
}

// Appends at most maximumLength bytes from an open file to contents; false (errno set) on a read
// error.
bool readFromDescriptor(int descriptor, qint64 maximumLength, QByteArray& contents)
{
    // A regular file is read at once, and one byte more to see its end; anything else in chunks.
    struct stat status {};
    qsizetype chunk = 64 * 1024;
    const bool regular = fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode);
    if (regular)
        chunk = qsizetype(std::min<qint64>(status.st_size, maximumLength)) + 1;
    while (contents.size() < maximumLength) {
        const qsizetype start = contents.size();
        const qsizetype wanted = std::min<qint64>(chunk, maximumLength - start);
        contents.resize(start + wanted);
        const ssize_t count = read(descriptor, contents.data() + start, size_t(wanted));
        if (count < 0 && errno == EINTR) {
            contents.resize(start);
            continue;
        }
        if (count < 0)
            return false;
        contents.resize(start + count);
        // A regular file that gave all its size and not the byte beyond is at its end: no
        // further read needed to see it.
        if (count == 0 || (regular && count < wanted && contents.size() >= status.st_size))
            break;
    }
    return true;
}

// Opens `folder` and then each folder of relativePath but its last component with O_NOFOLLOW, so
// that `holder` is the folder that holds that component inside `folder`. Answers the last
// component, or nothing with errno set.
std::optional<QByteArray> openHolderInsideFolder(const QString& folder, const QString& relativePath,
                                                 FileDescriptor& holder)
{
    holder.reset(open(encoded(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (holder.get() < 0)
        return std::nullopt;
    const QStringList components = relativePath.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (components.isEmpty()) {
        errno = EINVAL;
        return std::nullopt;
    }
    for (qsizetype index = 0; index + 1 < components.size(); ++index) {
        const int next = openat(holder.get(), encoded(components.at(index)).constData(),
                                O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (next < 0)
            return std::nullopt;
        holder.reset(next);
    }
    return encoded(components.last());
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
    return stat(encoded(path).constData(), &status) == 0;
}

bool FileManager::isSymbolicLinkAtPath(const QString& path)
{
    return pathIsSymbolicLink(path);
}

bool FileManager::pathIsSymbolicLink(const QString& path)
{
    struct stat status;
    return !path.isEmpty() && lstat(encoded(path).constData(), &status) == 0 && S_ISLNK(status.st_mode);
}

bool FileManager::isWritableFileAtPath(const QString& path)
{
    return !path.isEmpty() && access(encoded(path).constData(), W_OK) == 0;
}

std::optional<QStringList> FileManager::contentsOfDirectoryAtPath(const QString& path, Error* error)
{
    DIR* listing = opendir(encoded(path).constData());
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
    // readdir answers nullptr both at the end and on an error: a listing cut short is no listing.
    errno = 0;
    while (dirent* entry = readdir(listing)) {
        const QByteArrayView name(entry->d_name);
        if (name != "." && name != "..")
            names.append(FileSystemRepresentation::toPath(name));
        errno = 0;
    }
    const int failure = errno;
    closedir(listing);
    if (failure != 0) {
        setError(error, fileErrorFromErrno(
                            failure, path, GBFileReadUnknownError,
                            QStringLiteral("The folder %1 couldn’t be opened.").arg(quotedName(path))));
        return std::nullopt;
    }
    return names;
}

bool FileManager::removeItemAtPath(const QString& path, Error* error)
{
    const int parent = open(encoded(parentOf(path)).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const int failure = parent < 0 ? errno : removeEntry(parent, encoded(lastComponentOf(path)).constData());
    if (parent >= 0)
        close(parent);
    if (failure == 0)
        return true;
    setError(error, removalError(failure, path));
    return false;
}

bool FileManager::createDirectoryAtPath(const QString& path, bool withIntermediateDirectories, Error* error)
{
    const QString cleanPath = QDir::cleanPath(path);
    QStringList missing;
    QString current = cleanPath;
    struct stat status;
    // lstat: a dangling link is something in the folder's place, not a missing folder.
    while (lstat(encoded(current).constData(), &status) != 0 && errno == ENOENT) {
        missing.prepend(current);
        const QString parent = parentOf(current);
        if (parent == current)
            break;
        current = parent;
    }
    if (!withIntermediateDirectories && missing.size() > 1)
        missing = {missing.last()};
    for (const QString& folder : missing) {
        if (mkdir(encoded(folder).constData(), 0777) != 0 && errno != EEXIST) {
            const int failure = errno;
            setError(error, fileErrorFromErrno(failure, folder, writeErrorCode(failure),
                                               QStringLiteral("You don’t have permission to save the file %1 "
                                                              "in the folder %2.")
                                                   .arg(quotedName(folder), quotedName(parentOf(folder)))));
            return false;
        }
    }
    // Only a folder, or a link to one, counts: anything else in its place is reported, so that
    // the caller never goes on into a folder that is not there.
    if (stat(encoded(cleanPath).constData(), &status) != 0) {
        setError(error, notAFolderError(errno, cleanPath));
        return false;
    }
    if (!S_ISDIR(status.st_mode)) {
        setError(error, fileErrorFromErrno(EEXIST, cleanPath, GBFileWriteUnknownError,
                                           QStringLiteral("The file %1 couldn’t be saved because a file with "
                                                          "the same name already exists.")
                                               .arg(quotedName(cleanPath))));
        return false;
    }
    return true;
}

std::optional<QByteArray> FileManager::readFileAtPath(const QString& path, qint64 maximumLength, bool* opened)
{
    // Not blocking: a named pipe in a file's place reads as empty instead of waiting for a writer.
    FileDescriptor file(open(encoded(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (opened)
        *opened = file.get() >= 0;
    QByteArray contents;
    if (file.get() < 0 || !readFromDescriptor(file.get(), maximumLength, contents)) {
        const int failure = errno;
        file.reset(-1);
        errno = failure;
        return std::nullopt;
    }
    return contents;
}

std::optional<QByteArray> FileManager::contentsAtPath(const QString& path, qint64 maximumLength)
{
    return readFileAtPath(path, maximumLength);
}

int FileManager::changePosixPermissions(const QString& path, mode_t mode)
{
    return chmod(encoded(path).constData(), mode);
}

std::optional<QByteArray> FileManager::contentsOfFileInsideFolder(const QString& folder,
                                                                  const QString& relativePath,
                                                                  qint64 maximumLength, Error* error)
{
    const QString path = folder + QLatin1Char('/') + relativePath;
    FileDescriptor holder;
    const auto name = openHolderInsideFolder(folder, relativePath, holder);
    FileDescriptor file(
        name ? openat(holder.get(), name->constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC) : -1);
    struct stat status {};
    if (file.get() >= 0 && fstat(file.get(), &status) == 0 && !S_ISREG(status.st_mode))
        errno = EINVAL;
    QByteArray contents;
    if (file.get() < 0 || !S_ISREG(status.st_mode) ||
        !readFromDescriptor(file.get(), maximumLength, contents)) {
        setError(error, insideFolderError(errno, path, GBFileReadUnknownError));
        return std::nullopt;
    }
    return contents;
}

bool FileManager::replaceFileInsideFolder(const QString& folder, const QString& relativePath,
                                          const QByteArray& contents, Error* error)
{
    const QString path = folder + QLatin1Char('/') + relativePath;
    FileDescriptor holder;
    const auto name = openHolderInsideFolder(folder, relativePath, holder);
    struct stat status {};
    if (name && fstatat(holder.get(), name->constData(), &status, AT_SYMLINK_NOFOLLOW) == 0 &&
        !S_ISREG(status.st_mode))
        errno = S_ISLNK(status.st_mode) ? ELOOP : EINVAL;
    if (!name || (status.st_mode != 0 && !S_ISREG(status.st_mode))) {
        setError(error, insideFolderError(errno, path, GBFileWriteUnknownError));
        return false;
    }
    QString description;
    if (AtomicFileWriter::writeFileInFolder(holder.get(), *name, contents, path, &description))
        return true;
    const int failure = errno;
    setError(error, fileErrorFromErrno(failure, path, writeErrorCode(failure), description));
    return false;
}
