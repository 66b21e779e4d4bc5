// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <optional>

// Apple's real Info.plists of Mail (and of the Message framework, up to 10.8) for many macOS
// versions, filed as "<version>-[Mm]ail-<build>-[Ii]nfo.plist" in one folder.
class MailInfoPlists {
public:
    // One macOS release as the folder has it.
    struct Release {
        QString mailInfoPlist;
        // Empty when the folder holds no Message framework Info.plist for the release.
        QString messageInfoPlist;
        // "10.9", not "10.9.0", as macOS writes it.
        QString productVersion;
        // Upper-case build letter ("12F23"); empty when the file names none.
        QString build;
    };

    // The folder the build was configured with, unless GRABBIT_MAIL_INFO_PLISTS names another.
    static QString defaultFolder();

    explicit MailInfoPlists(QString folder) : m_folder(std::move(folder)) {}

    // The release of that version ("10.9" finds "10.9.0"), the last build when several are filed.
    std::optional<Release> release(const QString& version, QString* error) const;

private:
    QString m_folder;
};
