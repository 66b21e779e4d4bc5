// SPDX-License-Identifier: MIT
#pragma once

#include "SimulatedMac.h"

#include <QTemporaryDir>
#include <QVariantMap>

#include <optional>

// A simulated Mac that the test process enters: while it lives, HOME, GRABBIT_SYSTEM_ROOT, TEMP and
// the main bundle (an installer bundle holding the build's plug-in archive, version text and
// helpers) are the Mac's, so the engine here, grabbitctl and every Mail the installer starts see
// the same Mac. Whatever the outcome, every process started from it ends and it is removed.
class TestMac : private QTemporaryDir, public SimulatedMac {
public:
    explicit TestMac(const QString& osVersion = QString::fromLatin1(defaultOperatingSystem));
    ~TestMac();

    QString archive() const
    {
        return directory() + "/GrabbitInstaller.app/Contents/Resources/ZephMailMessageServiceEnabler.zip";
    }
    QString bundlesFolder(const QString& name = "Bundles") const { return home() + "/Library/Mail/" + name; }
    QString pluginPath(const QString& folder = "Bundles") const
    {
        return bundlesFolder(folder) + "/ZephMailMessageServiceEnabler.mailbundle";
    }
    // A copy of the plug-in in that folder with that CFBundleVersion and compatibility list (no list
    // at all when there is none); answers its path.
    QString makePlugin(const QString& folder, const QVariant& version,
                       const std::optional<QVariantList>& stamp) const;
    // The plug-in in that MailBundleState (stamped for another Mail, older or newer than the
    // packaged one, or absent), with the engine told.
    void putPlugin(int state) const;

    struct Result {
        int status = -1;
        QString output;
        QString errors;
    };
    // The build's grabbitctl run as a script runs it, on the Mac the process is in.
    static Result grabbitctl(const QStringList& arguments);

    static QVariantMap plist(const QString& path);
    static void writePlist(const QVariantMap& values, const QString& path);
    static void writeFile(const QString& path, const QByteArray& contents);
    static QByteArray contents(const QString& path);
    // Whether anything is at the path, a dangling link included.
    static bool exists(const QString& path);

private:
    QList<QPair<const char*, std::optional<QByteArray>>> m_environment;
};
