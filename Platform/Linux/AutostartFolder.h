// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The folder of the user's XDG autostart entries: the desktop starts every entry in it at login.
class AutostartFolder {
public:
    explicit AutostartFolder(QString path) : m_path(std::move(path)) {}

    // "$XDG_CONFIG_HOME/autostart" when XDG_CONFIG_HOME is set and absolute, else
    // "~/.config/autostart"; nothing when the user has no home folder.
    static std::optional<AutostartFolder> userFolder();

    const QString& path() const { return m_path; }
    QString filePath(const QString& fileName) const { return m_path + QLatin1Char('/') + fileName; }

    // Usable when it is a folder or does not exist yet (it is created on the first write).
    bool isUsable() const;
    bool exists() const;
    bool create() const;
    // The "*.desktop" file names, in a stable order: by file name, byte for byte.
    QStringList entryFileNames() const;

private:
    QString m_path;
};
