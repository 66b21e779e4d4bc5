// SPDX-License-Identifier: MIT
#pragma once

#include "Error.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>

#include <cstdint>
#include <functional>
#include <optional>

class ZFVersionNumber;

enum MailBundleState : std::int64_t {
    MailBundleStateNotInstalled = 0,
    MailBundleStateRequiresUpdateForOSChange = 1,
    MailBundleStateRequiresUpdateForMailBundleChange = 2,
    MailBundleStateUpToDate = 3,
};

// The name of a state, as the command line and the logs spell it.
const char* mailBundleStateName(MailBundleState state);

inline constexpr char MailBundleInstallerBundleStateDidChangeNotification[] =
    "MailBundleInstallerBundleStateDidChangeNotification";
inline constexpr char MailBundleInstallerErrorDomain[] = "MailBundleErrorDomain";

enum MailBundleErrorCode : qint64 {
    MailBundleErrorUnableToUpdateMailPreferences = 1000,
    MailBundleErrorMailFailedToQuit = 1001,
    // The installer's own resources are incomplete; nothing was touched.
    MailBundleErrorInstallerDamaged = 1002,
    // unzip exited with a non-zero status or could not be run.
    MailBundleErrorExtractionFailed = 1003,
    // The user's home folder is unset or unusable; nothing was read or touched.
    MailBundleErrorHomeDirectoryUnusable = 1004,
};

// The one object through which the installer knows and changes the Mail plug-in's situation:
// its state, its locations, Mail's preferences and compatibility stamp, Mail's process, and the
// installation and removal of the plug-in.
class MailBundleInstaller {
public:
    // Called exactly once per install or removal, on the calling thread, before the call returns;
    // no error means success.
    using Completion = std::function<void(MailBundleInstaller* installer, const std::optional<Error>& error)>;
    // What a missing completion is replaced with.
    static inline const Completion doNothing = [](MailBundleInstaller*, const std::optional<Error>&) {
    };

    // Mail's bundle identifier, which is also the domain of its preferences.
    static inline const QString mailBundleIdentifier = QStringLiteral("com.apple.mail");
    // The folders beside "Bundles" into which Mail sets aside the plug-ins it cannot load begin so.
    static inline const QString disabledBundlesFolderPrefix = QStringLiteral("Bundles (Disabled");
    // The key of an Info.plist under which the plug-in lists the Mail versions it is ready for.
    static inline const QString supportedCompatibilityValuesKey =
        QStringLiteral("SupportedPluginCompatibilityUUIDs");

    // Where a bundle (an application, a plug-in; absolute or relative) keeps its Info.plist.
    static QString infoPlistPathOfBundle(const QString& bundlePath);

    MailBundleInstaller() = default;
    MailBundleInstaller(const MailBundleInstaller&) = delete;
    MailBundleInstaller& operator=(const MailBundleInstaller&) = delete;

    // The one instance; the first call creates it and computes its state without announcing it.
    static MailBundleInstaller* sharedInstaller();

    // Why the engine cannot work for this user (the home folder that holds Mail's plug-ins and
    // preferences is unset or unusable), or nothing when it can. Every operation asks first and
    // fails with this error before it reads or touches anything; the state is then
    // MailBundleStateNotInstalled and every location is empty.
    static std::optional<Error> homeDirectoryError();

    // State.
    void updateMailBundleState();
    MailBundleState mailBundleState() const { return m_bundleState; }
    bool isMailBundleInstalled() const { return m_bundleState != MailBundleStateNotInstalled; }
    MailBundleState bundleState() const { return m_bundleState; }
    void setBundleState(MailBundleState state) { m_bundleState = state; }

    // Locations, computed afresh at every call; empty without a usable home folder.
    QString mailBundleResourceName() const;
    QString mailDirectory() const;
    QString mailBundlesDirectory() const;
    QString mailBundleInstalledPath() const;
    std::optional<QString> mailBundleZipArchiveResourcePath() const;
    std::optional<QString> mailBundleVersionInfoResourcePath() const;
    QStringList disabledMailBundleInstalledPaths() const;

    std::optional<ZFVersionNumber> bundleVersionAtPath(const QString& path) const;
    // The version text of the carried plug-in, as read from the resource.
    std::optional<QString> packagedVersionString() const;

    // Mail's preferences and the compatibility stamp.
    QString mailPreferencesPath() const;
    // Mail's preferences, read afresh; nothing when the file is missing, unreadable or not a
    // dictionary, and then `problem` holds the line that says so.
    std::optional<QVariantMap> mailPreferences(QString* problem = nullptr) const;
    bool updateMailPreferences(Error* error);
    // What an install changes in Mail's preferences, decided here for the install and the doctor
    // alike: a compatibility version that admits only older plug-ins, and plug-ins switched off.
    static bool bundleCompatibilityVersionNeedsRaising(const QVariantMap& preferences);
    static bool bundlesEnabled(const QVariantMap& preferences);
    Error unableToUpdateMailPreferencesError() const;
    bool setValue(const QStringList& values, const QString& forMailPreferenceKey);
    bool updateMailBundleCompatibilityValues(Error* error);
    bool mailBundleCompatibilityValuesNeedUpdate();
    // Mail's PluginCompatibilityUUID, then the Message framework's, ending at the first missing one.
    QVariantList expectedMailBundleCompatibilityValues() const;

    // Mail's process.
    bool isMailRunning();
    // When the Mail that isMailRunning looks at started; nothing when it does not run or the
    // system cannot tell.
    std::optional<QDateTime> runningMailLaunchDate();
    bool terminateMail();
    bool launchMail();

    // Installation.
    void installMailBundle(Completion completion);
    bool primitiveInstallMailBundle(const Completion& completion);
    bool installMailBundleInUserHomeDirectory(Error* error);

    // Removal.
    void removeMailBundle(Completion completion);
    bool removeMailBundleRestartingMail(bool restartMail, Completion completion);
    bool removeMailBundleAtPath(const QString& path, Error* error);
    void autoRepairMailBundlesDirectoryForRemoval(bool forRemoval);

    // The installed copy's Info.plist, read once by whoever needs several answers from it, so that the
    // answers cannot contradict each other; nothing when it is missing or unreadable.
    using InstalledInfo = std::optional<QVariantMap>;
    static std::optional<ZFVersionNumber> versionOfInfo(const InstalledInfo& info);
    bool compatibilityValuesNeedUpdate(const InstalledInfo& info) const;

private:
    MailBundleState currentMailBundleState() const;
    void setMailBundleState(MailBundleState state);
    Error mailFailedToQuitError() const;

    MailBundleState m_bundleState = MailBundleStateNotInstalled;
};
