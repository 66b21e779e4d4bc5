// SPDX-License-Identifier: MIT
#include "AtomicFileWriter.h"

#include "FileSystemRepresentation.h"

#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int maximumNameAttempts = 100;

// The target's name and a random suffix, in the target's folder.
QByteArray temporaryPathBeside(const QByteArray& target)
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QByteArray path = target + '.';
    for (int index = 0; index < 6; ++index)
        path += letters[QRandomGenerator::global()->bounded(int(sizeof letters - 1))];
    return path;
}

bool fail(QString* errorDescription, const QString& step, const QString& path)
{
    if (errorDescription)
        *errorDescription = step.arg(path, QString::fromLocal8Bit(std::strerror(errno)));
    return false;
}

} // namespace

bool AtomicFileWriter::writeFile(const QString& path, const QByteArray& contents, QString* errorDescription)
{
    AtomicFileWriter writer(AT_FDCWD, FileSystemRepresentation::fromPath(path));
    return writer.write(contents, path, errorDescription);
}

bool AtomicFileWriter::writeFileInFolder(int folderDescriptor, const QByteArray& name,
                                         const QByteArray& contents, const QString& path,
                                         QString* errorDescription)
{
    AtomicFileWriter writer(folderDescriptor, name);
    return writer.write(contents, path, errorDescription);
}

bool AtomicFileWriter::write(const QByteArray& contents, const QString& path, QString* errorDescription)
{
    struct stat existing {};
    const bool replacesRegularFile =
        fstatat(m_folder, m_target.constData(), &existing, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISREG(existing.st_mode);
    if (!createTemporaryFile(replacesRegularFile ? &existing : nullptr))
        return fail(errorDescription, QStringLiteral("cannot create a temporary file beside %1: %2"), path);
    if (!writeAll(contents))
        return fail(errorDescription, QStringLiteral("cannot write %1: %2"), path);
    if (!flushAndClose())
        return fail(errorDescription, QStringLiteral("cannot write %1 to disk: %2"), path);
    if (!renameOverTarget())
        return fail(errorDescription, QStringLiteral("cannot replace %1: %2"), path);
    syncFolder();
    return true;
}

AtomicFileWriter::~AtomicFileWriter()
{
    // The caller reads the reason of a failure from errno after the temporary file is gone.
    const int failure = errno;
    if (m_descriptor >= 0)
        close(m_descriptor);
    if (!m_temporaryPath.isEmpty())
        unlinkat(m_folder, m_temporaryPath.constData(), 0);
    errno = failure;
}

bool AtomicFileWriter::createTemporaryFile(const struct stat* existing)
{
    // Until it has the target's permissions, a file that replaces another is readable by us alone.
    const mode_t mode = existing ? 0600 : 0666;
    for (int attempt = 0; attempt < maximumNameAttempts && m_descriptor < 0; ++attempt) {
        const QByteArray candidate = temporaryPathBeside(m_target);
        m_descriptor = openat(m_folder, candidate.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (m_descriptor >= 0)
            m_temporaryPath = candidate;
        else if (errno != EEXIST)
            return false;
    }
    if (m_descriptor < 0 || !existing)
        return m_descriptor >= 0;
    if (existing->st_uid != geteuid() || existing->st_gid != getegid()) {
        if (fchown(m_descriptor, existing->st_uid, existing->st_gid) != 0) {
            // Only root may give a file away; anyone else writes a file of their own, as any editor does.
        }
    }
    return fchmod(m_descriptor, existing->st_mode & 07777) == 0;
}

bool AtomicFileWriter::writeAll(const QByteArray& contents)
{
    const char* next = contents.constData();
    qsizetype remaining = contents.size();
    while (remaining > 0) {
        const ssize_t written = ::write(m_descriptor, next, size_t(remaining));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            if (written == 0)
                errno = EIO;
            return false;
        }
        next += written;
        remaining -= written;
    }
    return true;
}

bool AtomicFileWriter::flushAndClose()
{
    if (fsync(m_descriptor) != 0)
        return false;
    const int result = close(m_descriptor);
    m_descriptor = -1;
    return result == 0;
}

bool AtomicFileWriter::renameOverTarget()
{
    if (renameat(m_folder, m_temporaryPath.constData(), m_folder, m_target.constData()) != 0)
        return false;
    m_temporaryPath.clear();
    return true;
}

// Makes the rename itself durable. Some file systems cannot sync a folder; the new contents are
// in place either way, so this step cannot fail the write.
void AtomicFileWriter::syncFolder() const
{
    if (m_folder != AT_FDCWD) {
        fsync(m_folder);
        return;
    }
    const qsizetype slash = m_target.lastIndexOf('/');
    const QByteArray folder = slash < 0    ? QByteArray(".")
                              : slash == 0 ? QByteArray("/")
                                           : m_target.left(slash);
    const int descriptor = open(folder.constData(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return;
    fsync(descriptor);
    close(descriptor);
}
