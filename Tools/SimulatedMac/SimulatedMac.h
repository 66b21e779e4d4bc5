// SPDX-License-Identifier: MIT
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// A sandboxed Mac for the stand-in Mail: DIR/root (the system root: Mail.app with Apple's real
// Info.plist of one macOS version and the stand-in Mail as its executable, SystemVersion.plist,
// the Message framework where that version has one), DIR/home (Mail's fresh container
// preferences and an empty Mail folder) and DIR/environment, HOME, GRABBIT_SYSTEM_ROOT and TEMP
// for `source`. The tests, the benchmarks, the demo and make-sandbox all make it here.
class SimulatedMac {
public:
    static constexpr char defaultOperatingSystem[] = "10.12.6";

    explicit SimulatedMac(const QString& directory);

    // Makes the sandbox in the directory, which must not hold one yet.
    bool create(const QString& osVersion, const QString& mailExecutable, QString* error = nullptr);
    // Replaces Mail's Info.plist, SystemVersion.plist and the Message framework's Info.plist with
    // those of another version, as an OS update does; Mail must be restarted to notice.
    bool updateOperatingSystem(const QString& osVersion, QString* error = nullptr);

    QString directory() const { return m_directory; }
    QString root() const { return m_directory + QStringLiteral("/root"); }
    QString home() const { return m_directory + QStringLiteral("/home"); }
    QString temporaryFolder() const { return m_directory + QStringLiteral("/tmp"); }
    QString mailApplication() const { return root() + QStringLiteral("/Applications/Mail.app"); }
    QString mailExecutable() const;
    QString preferencesPath() const;
    QString controlSocket() const;
    // Mail's PluginCompatibilityUUID, then the Message framework's where this OS has one.
    QStringList compatibilityIdentifiers() const;
    // HOME, GRABBIT_SYSTEM_ROOT and TEMP of this Mac, as NAME=VALUE.
    QStringList environment() const;

    // Starts the stand-in Mail with this Mac's environment on top of the caller's, its output
    // appended to DIR/mail.log, and waits until its control socket answers. The process id, or 0.
    qint64 startMail(const QStringList& arguments = {}, const QStringList& extraEnvironment = {}) const;
    // The answer of the running Mail's control socket (GRABBIT_MAIL_CONTROL_SOCKET aside), or none.
    std::optional<QString> askMail(const QString& request) const;
    // Waits until a Mail other than those answers on the control socket: its process id, or 0.
    qint64 waitForMail(const QList<qint64>& ignored, int milliseconds) const;
    // Every living process whose executable is this Mac's Mail, in the order they started.
    QList<qint64> mailProcesses() const;
    // Ends every process started from the root and the GNUstep servers started for the home:
    // a quit request first, then a kill for whatever is left a second later.
    void stopProcesses() const;

private:
    bool installOperatingSystem(const QString& osVersion, QString* error) const;

    QString m_directory;
};
