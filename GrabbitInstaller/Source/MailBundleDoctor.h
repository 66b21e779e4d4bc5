// SPDX-License-Identifier: MIT
#pragma once

#include "MailBundleInstaller.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

// Why Mail does not load the plug-in, told for someone who has never looked inside Mail: each
// finding says what is wrong and what mends it. It only reads: nothing is written, quit or started.
class MailBundleDoctor {
public:
    struct Finding {
        QString code;    // stable, for scripts and for the people who support users
        QString message; // what is wrong
        QString fix;     // the button or command that mends it
    };

    // Every finding that applies now, in a fixed order; none when Mail should load the plug-in. An
    // unusable home folder is then the only finding: everything else lies below it.
    static QList<Finding> examine();

private:
    explicit MailBundleDoctor(MailBundleInstaller& installer);

    void checkOperatingSystem();
    void checkMail();
    void checkCopies();
    void checkCompatibilityStamp();
    void checkVersion();
    void checkPreferences();
    void checkInstalledFiles();
    void checkMailRestarted();
    std::optional<QDateTime> installedCopyLastWritten() const;
    void add(const char* code, const QString& message, const QString& fix);

    MailBundleInstaller& m_installer;
    const QString m_installedPath;
    const bool m_installed;
    // The installed copy's Info.plist, read once; nothing when there is no copy or it cannot be read.
    const MailBundleInstaller::InstalledInfo m_installedInfo;
    const QStringList m_disabledCopies;
    bool m_mailFound = false;
    QList<Finding> m_findings;
};
