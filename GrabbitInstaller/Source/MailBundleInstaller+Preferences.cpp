// SPDX-License-Identifier: MIT
// Mail's preferences (plug-in loading) and the plug-in's compatibility stamp.
#include "MailBundleInstaller.h"

#include "ChildProcessLauncher.h"
#include "FileManager.h"
#include "Localization.h"
#include "Log.h"
#include "PropertyList.h"
#include "SystemRoot.h"
#include "Workspace.h"
#include "ZBRecordBacktrace.h"
#include "ZFDictionaryAccessors.h"

#include <QDir>

namespace {

const QString pluginCompatibilityKey = QStringLiteral("PluginCompatibilityUUID");
const QString supportedCompatibilityKey = QStringLiteral("SupportedPluginCompatibilityUUIDs");
const QString supported1012CompatibilityKey = QStringLiteral("Supported10.12PluginCompatibilityUUIDs");

std::optional<QVariant> compatibilityValueOfInfoPlist(const QString& infoPlistPath)
{
    const auto info = PropertyList::dictionaryWithContentsOfFile(infoPlistPath);
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

QString MailBundleInstaller::mailPreferencesPath() const
{
    return QDir::homePath() +
           QStringLiteral("/Library/Containers/com.apple.mail/Data/Library/Preferences/com.apple.mail.plist");
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

    if (intForKey(values, QStringLiteral("BundleCompatibilityVersion"), -1) <= 2) {
        if (!setValue({QStringLiteral("-int"), QStringLiteral("3")},
                      QStringLiteral("BundleCompatibilityVersion"))) {
            if (error)
                *error = unableToUpdateMailPreferencesError();
            return false;
        }
    }
    if (boolForKey(values, QStringLiteral("EnableBundles")))
        return true;
    if (setValue({QStringLiteral("-bool"), QStringLiteral("YES")}, QStringLiteral("EnableBundles")))
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
    const auto mailValue = compatibilityValueOfInfoPlist(*mailPath + QLatin1String("/Contents/Info.plist"));
    if (!mailValue)
        return values;
    values.append(*mailValue);
    const auto messageValue = compatibilityValueOfInfoPlist(SystemRoot::pathFor(
        QStringLiteral("/System/Library/Frameworks/Message.framework/Resources/Info.plist")));
    if (messageValue)
        values.append(*messageValue);
    return values;
}

bool MailBundleInstaller::updateMailBundleCompatibilityValues(Error* error)
{
    const QString infoPlistPath = mailBundleInstalledPath() + QLatin1String("/Contents/Info.plist");
    auto info = PropertyList::dictionaryWithContentsOfFile(infoPlistPath);
    bool written = false;
    if (info) {
        const QVariantList expected = expectedMailBundleCompatibilityValues();
        info->insert(supported1012CompatibilityKey, expected);
        info->insert(supportedCompatibilityKey, expected);
        written = PropertyList::writeToFile(*info, infoPlistPath, PropertyListFormat::XML);
    }
    if (!written && error)
        *error = Error(GBCocoaErrorDomain, GBFileWriteUnknownError, {{GBFilePathErrorKey, infoPlistPath}});
    return written;
}

bool MailBundleInstaller::mailBundleCompatibilityValuesNeedUpdate()
{
    if (!FileManager::defaultManager().fileExistsAtPath(mailBundleInstalledPath())) {
        ZBRecordBacktrace("NOTREACHED", 2);
        return true;
    }
    const auto info = PropertyList::dictionaryWithContentsOfFile(mailBundleInstalledPath() +
                                                                 QLatin1String("/Contents/Info.plist"));
    if (!info)
        return true;
    const QVariant installed = objectForKey(*info, supportedCompatibilityKey, QVariantList{});
    return installed != QVariant(expectedMailBundleCompatibilityValues());
}
