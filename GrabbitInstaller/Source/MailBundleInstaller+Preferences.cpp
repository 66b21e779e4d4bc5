// SPDX-License-Identifier: MIT
// Mail's preferences (plug-in loading) and the plug-in's compatibility stamp.
#include "MailBundleInstaller.h"

#include "ChildProcessLauncher.h"
#include "FileManager.h"
#include "HomeDirectory.h"
#include "Localization.h"
#include "Log.h"
#include "PropertyList.h"
#include "SystemRoot.h"
#include "Workspace.h"
#include "ZBRecordBacktrace.h"
#include "ZFDictionaryAccessors.h"

#include <cerrno>

namespace {

const QString bundleCompatibilityVersionKey = QStringLiteral("BundleCompatibilityVersion");
const QString enableBundlesKey = QStringLiteral("EnableBundles");
const QString pluginCompatibilityKey = QStringLiteral("PluginCompatibilityUUID");
const QString supported1012CompatibilityKey = QStringLiteral("Supported10.12PluginCompatibilityUUIDs");

// The stamp's error as Foundation's file writing gives it; when the Info.plist is reached through
// a symbolic link the file manager's error, which says so, goes to the user instead.
Error stampingError(const QString& infoPlistPath, const Error& fileManagerError)
{
    const QVariantMap underlying = fileManagerError.userInfo().value(GBUnderlyingErrorKey).toMap();
    if (underlying.value(QStringLiteral("code")).toInt() == ELOOP)
        return fileManagerError;
    return Error(GBCocoaErrorDomain, GBFileWriteUnknownError, {{GBFilePathErrorKey, infoPlistPath}});
}

std::optional<QVariant> compatibilityValueOfInfoPlist(const QString& infoPlistPath)
{
    const auto info = PropertyList::dictionaryWithContentsOfFile(infoPlistPath, {pluginCompatibilityKey});
    if (!info || !info->contains(pluginCompatibilityKey))
        return std::nullopt;
    return info->value(pluginCompatibilityKey);
}

} // namespace

Error MailBundleInstaller::unableToUpdateMailPreferencesError() const
{
    return Error(MailBundleInstallerErrorDomain, MailBundleErrorUnableToUpdateMailPreferences,
                 {{GBLocalizedDescriptionKey, localizedString("Unable to update Mail preferences.")}});
}

// Empty without a usable home: then there is no preferences file to read or write.
QString MailBundleInstaller::mailPreferencesPath() const
{
    const auto home = HomeDirectory::path();
    return home ? *home +
                      QStringLiteral(
                          "/Library/Containers/com.apple.mail/Data/Library/Preferences/com.apple.mail.plist")
                : QString();
}

std::optional<QVariantMap> MailBundleInstaller::mailPreferences(QString* problem) const
{
    FileManager& fileManager = FileManager::defaultManager();
    const QString path = mailPreferencesPath();
    auto fail = [&](const QString& message) -> std::optional<QVariantMap> {
        if (problem)
            *problem = message.arg(path);
        return std::nullopt;
    };

    if (!fileManager.fileExistsAtPath(path))
        return fail(QStringLiteral("No file exists at path: %1"));
    // One byte beyond the cap lets the parser tell an oversized file from one that just fits.
    const auto contents = fileManager.contentsAtPath(path, PropertyList::maximumInputSize + 1);
    if (!contents)
        return fail(QStringLiteral("Couldn't read file at path: %1"));
    const auto preferences = PropertyList::fromData(*contents);
    if (!preferences || preferences->metaType().id() != QMetaType::QVariantMap)
        return fail(QStringLiteral("Contents of file appear to be wrong format at path: %1"));
    return preferences->toMap();
}

bool MailBundleInstaller::bundleCompatibilityVersionNeedsRaising(const QVariantMap& preferences)
{
    return intForKey(preferences, bundleCompatibilityVersionKey, -1) <= 2;
}

bool MailBundleInstaller::bundlesEnabled(const QVariantMap& preferences)
{
    return boolForKey(preferences, enableBundlesKey);
}

bool MailBundleInstaller::updateMailPreferences(Error* error)
{
    QString problem;
    const auto preferences = mailPreferences(&problem);
    if (!preferences) {
        Log::write(problem);
        if (error)
            *error = unableToUpdateMailPreferencesError();
        return false;
    }
    const QVariantMap& values = *preferences;

    if (bundleCompatibilityVersionNeedsRaising(values)) {
        if (!setValue({QStringLiteral("-int"), QStringLiteral("3")}, bundleCompatibilityVersionKey)) {
            if (error)
                *error = unableToUpdateMailPreferencesError();
            return false;
        }
    }
    if (bundlesEnabled(values))
        return true;
    if (setValue({QStringLiteral("-bool"), QStringLiteral("YES")}, enableBundlesKey))
        return true;
    if (error)
        *error = unableToUpdateMailPreferencesError();
    return false;
}

bool MailBundleInstaller::setValue(const QStringList& values, const QString& forMailPreferenceKey)
{
    const QStringList arguments =
        QStringList{QStringLiteral("write"), mailBundleIdentifier, forMailPreferenceKey} + values;
    try {
        const int status = ChildProcessLauncher::sharedLauncher().launchAndWait(
            QStringLiteral("/usr/bin/defaults"), arguments);
        if (status != 0) {
            Log::write(QStringLiteral("defaults exited with: %1").arg(status));
            return false;
        }
        return true;
    } catch (const std::exception& exception) {
        Log::write(QStringLiteral("Exception raised while executing defaults: %1")
                       .arg(QString::fromUtf8(exception.what())));
    } catch (...) {
        Log::write(QStringLiteral("Exception raised while executing defaults: %1")
                       .arg(QStringLiteral("unknown exception")));
    }
    return false;
}

QVariantList MailBundleInstaller::expectedMailBundleCompatibilityValues() const
{
    QVariantList values;
    const auto mailPath =
        Workspace::sharedWorkspace().urlForApplicationWithBundleIdentifier(mailBundleIdentifier);
    if (!mailPath)
        return values;
    const auto mailValue = compatibilityValueOfInfoPlist(infoPlistPathOfBundle(*mailPath));
    if (!mailValue)
        return values;
    values.append(*mailValue);
    const auto messageValue = compatibilityValueOfInfoPlist(SystemRoot::pathFor(
        QStringLiteral("/System/Library/Frameworks/Message.framework/Resources/Info.plist")));
    if (messageValue)
        values.append(*messageValue);
    return values;
}

// The stamp is read from and written to the regular file inside the copy, reached without
// following a link: an archive whose bundle links elsewhere must not have us rewrite that file.
bool MailBundleInstaller::updateMailBundleCompatibilityValues(Error* error)
{
    if (const auto homeError = homeDirectoryError()) {
        if (error)
            *error = *homeError;
        return false;
    }
    FileManager& fileManager = FileManager::defaultManager();
    const QString bundlesFolder = mailBundlesDirectory();
    const QString insideFolder = infoPlistPathOfBundle(mailBundleResourceName());
    const QString infoPlistPath = bundlesFolder + QLatin1Char('/') + insideFolder;
    Error failure;
    const auto contents = fileManager.contentsOfFileInsideFolder(
        bundlesFolder, insideFolder, PropertyList::maximumInputSize + 1, &failure);
    const auto value = contents ? PropertyList::fromData(*contents) : std::nullopt;
    bool written = false;
    if (value && value->typeId() == QMetaType::QVariantMap) {
        QVariantMap info = value->toMap();
        const QVariantList expected = expectedMailBundleCompatibilityValues();
        info.insert(supported1012CompatibilityKey, expected);
        info.insert(supportedCompatibilityValuesKey, expected);
        const QByteArray data = PropertyList::toData(info, PropertyListFormat::XML);
        written = !data.isEmpty() &&
                  fileManager.replaceFileInsideFolder(bundlesFolder, insideFolder, data, &failure);
    }
    if (!written && error)
        *error = stampingError(infoPlistPath, failure);
    return written;
}

bool MailBundleInstaller::mailBundleCompatibilityValuesNeedUpdate()
{
    const QString installedPath = mailBundleInstalledPath();
    if (!FileManager::defaultManager().fileExistsAtPath(installedPath)) {
        ZBRecordBacktrace("NOTREACHED", 2);
        return true;
    }
    return compatibilityValuesNeedUpdate(PropertyList::dictionaryWithContentsOfFile(
        infoPlistPathOfBundle(installedPath), {supportedCompatibilityValuesKey}));
}

bool MailBundleInstaller::compatibilityValuesNeedUpdate(const InstalledInfo& info) const
{
    if (!info)
        return true;
    // Compared as the platform compares objects: the number 5 never equals the string "5".
    const QVariant installed = objectForKey(*info, supportedCompatibilityValuesKey, QVariantList{});
    return !PropertyList::isEqual(installed, expectedMailBundleCompatibilityValues());
}
