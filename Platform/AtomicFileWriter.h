// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>

struct stat;

// Replaces a file's contents all at once, so that a reader sees either the old file or the whole
// new one. The bytes go to a temporary file created exclusively beside the target (with the
// target's permissions and owner where it exists); every write, the flush to disk and the close
// are checked, and only then is the temporary file renamed over the target. A symbolic link at
// the path is replaced, never written through.
//
// On any failure the temporary file is removed, the target stays byte for byte as it was, and the
// answer is false with the system's reason in errorDescription.
class AtomicFileWriter {
public:
    static bool writeFile(const QString& path, const QByteArray& contents,
                          QString* errorDescription = nullptr);
    // The same for the entry `name` of an open folder, so that the folder is the one that was
    // opened whatever its path names meanwhile; `path` names the file in errorDescription.
    static bool writeFileInFolder(int folderDescriptor, const QByteArray& name, const QByteArray& contents,
                                  const QString& path, QString* errorDescription = nullptr);

private:
    AtomicFileWriter(int folder, QByteArray target) : m_folder(folder), m_target(std::move(target)) {}
    bool write(const QByteArray& contents, const QString& path, QString* errorDescription);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    bool createTemporaryFile(const struct stat* existing);
    bool writeAll(const QByteArray& contents);
    bool flushAndClose();
    bool renameOverTarget();
    void syncFolder() const;

    int m_folder;
    QByteArray m_target;
    QByteArray m_temporaryPath;
    int m_descriptor = -1;
};
