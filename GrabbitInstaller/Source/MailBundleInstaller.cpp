// SPDX-License-Identifier: MIT
// The shared installer, its state and the locations every other operation works on.
#include "MailBundleInstaller.h"

#include "Bundle.h"
#include "FileManager.h"
#include "HomeDirectory.h"
#include "Localization.h"
#include "NotificationCenter.h"
#include "PropertyList.h"
#include "ZFVersionNumber.h"

#include <QDir>
#include <QStringDecoder>

#include <mutex>

namespace {

MailBundleInstaller* sharedInstance = nullptr;
bool creatingSharedInstaller = false;

// The version text is a few bytes; anything much larger is not a version.
constexpr qint64 maximumVersionTextLength = 64 * 1024;

const QString versionInfoResourceName = QStringLiteral("ZephMailMessageServiceEnabler-Version");
const QString bundleVersionKey = QStringLiteral("CFBundleVersion");

// Empty without a usable home, so that no location ever names a folder at the file system's root.
QString expandedStandardizedPath(const QString& pathBelowHome)
{
    const auto home = HomeDirectory::path();
    return home ? QDir::cleanPath(*home + QLatin1Char('/') + pathBelowHome) : QString();
}

} // namespace

const char* mailBundleStateName(MailBundleState state)
{
    switch (state) {
    case MailBundleStateNotInstalled:
        return "MailBundleStateNotInstalled";
    case MailBundleStateRequiresUpdateForOSChange:
        return "MailBundleStateRequiresUpdateForOSChange";
    case MailBundleStateRequiresUpdateForMailBundleChange:
        return "MailBundleStateRequiresUpdateForMailBundleChange";
    case MailBundleStateUpToDate:
        return "MailBundleStateUpToDate";
    }
    return "MailBundleStateUnknown";
}

QString MailBundleInstaller::infoPlistPathOfBundle(const QString& bundlePath)
{
    return bundlePath + QLatin1String("/Contents/Info.plist");
}

MailBundleInstaller* MailBundleInstaller::sharedInstaller()
{
    static std::once_flag once;
    std::call_once(once, [] {
        creatingSharedInstaller = true;
        sharedInstance = new MailBundleInstaller;
        sharedInstance->updateMailBundleState();
        creatingSharedInstaller = false;
    });
    return sharedInstance;
}

void MailBundleInstaller::setMailBundleState(MailBundleState state)
{
    if (state == m_bundleState)
        return;
    m_bundleState = state;
    // The first state is computed while the shared instance is made, and nobody has asked yet.
    if (creatingSharedInstaller)
        return;
    NotificationCenter::defaultCenter().postNotification(MailBundleInstallerBundleStateDidChangeNotification,
                                                         this);
}

std::optional<Error> MailBundleInstaller::homeDirectoryError()
{
    QString problem;
    if (HomeDirectory::path(&problem))
        return std::nullopt;
    return Error(MailBundleInstallerErrorDomain, MailBundleErrorHomeDirectoryUnusable,
                 {{GBLocalizedDescriptionKey, problem}});
}

void MailBundleInstaller::updateMailBundleState()
{
    setMailBundleState(currentMailBundleState());
}

MailBundleState MailBundleInstaller::currentMailBundleState() const
{
    const QString installedPath = mailBundleInstalledPath();
    if (installedPath.isEmpty())
        return MailBundleStateNotInstalled;
    FileManager& fileManager = FileManager::defaultManager();
    // One read of the copy's Info.plist serves both its version and its compatibility stamp; a
    // readable Info.plist shows the copy exists, so only a failed read needs the extra look.
    const InstalledInfo info = PropertyList::dictionaryWithContentsOfFile(
        infoPlistPathOfBundle(installedPath), {bundleVersionKey, supportedCompatibilityValuesKey});
    if (info || fileManager.fileExistsAtPath(installedPath)) {
        if (compatibilityValuesNeedUpdate(info))
            return MailBundleStateRequiresUpdateForOSChange;
        const auto installedVersion = versionOfInfo(info);
        if (!installedVersion)
            return MailBundleStateUpToDate;
        const auto packagedVersion = ZFVersionNumber::initWithVersionString(packagedVersionString());
        return installedVersion->compareToVersionNumber(packagedVersion) == ZFOrderedAscending
                   ? MailBundleStateRequiresUpdateForMailBundleChange
                   : MailBundleStateUpToDate;
    }
    const QStringList disabledCopies = disabledMailBundleInstalledPaths();
    if (!disabledCopies.isEmpty() && fileManager.fileExistsAtPath(disabledCopies.first()))
        return MailBundleStateRequiresUpdateForOSChange;
    return MailBundleStateNotInstalled;
}

QString MailBundleInstaller::mailBundleResourceName() const
{
    return QStringLiteral("ZephMailMessageServiceEnabler.mailbundle");
}

QString MailBundleInstaller::mailDirectory() const
{
    return expandedStandardizedPath(QStringLiteral("Library/Mail/"));
}

QString MailBundleInstaller::mailBundlesDirectory() const
{
    return expandedStandardizedPath(QStringLiteral("Library/Mail/Bundles"));
}

QString MailBundleInstaller::mailBundleInstalledPath() const
{
    const QString bundlesFolder = mailBundlesDirectory();
    return bundlesFolder.isEmpty() ? QString() : bundlesFolder + QLatin1Char('/') + mailBundleResourceName();
}

std::optional<QString> MailBundleInstaller::mailBundleZipArchiveResourcePath() const
{
    return Bundle::mainBundle().pathForResource(QStringLiteral("ZephMailMessageServiceEnabler"),
                                                QStringLiteral("zip"));
}

std::optional<QString> MailBundleInstaller::mailBundleVersionInfoResourcePath() const
{
    return Bundle::mainBundle().pathForResource(versionInfoResourceName, QStringLiteral("txt"));
}

QStringList MailBundleInstaller::disabledMailBundleInstalledPaths() const
{
    FileManager& fileManager = FileManager::defaultManager();
    const QString directory = mailDirectory();
    if (directory.isEmpty())
        return {};
    const auto entries = fileManager.contentsOfDirectoryAtPath(directory, nullptr);
    if (!entries)
        return {};
    QStringList paths;
    for (const QString& name : *entries) {
        if (!name.startsWith(disabledBundlesFolderPrefix, Qt::CaseSensitive))
            continue;
        const QString path =
            directory + QLatin1Char('/') + name + QLatin1Char('/') + mailBundleResourceName();
        if (fileManager.fileExistsAtPath(path))
            paths.append(path);
    }
    return paths;
}

std::optional<ZFVersionNumber> MailBundleInstaller::bundleVersionAtPath(const QString& path) const
{
    return versionOfInfo(
        PropertyList::dictionaryWithContentsOfFile(infoPlistPathOfBundle(path), {bundleVersionKey}));
}

std::optional<ZFVersionNumber> MailBundleInstaller::versionOfInfo(const InstalledInfo& info)
{
    if (!info)
        return std::nullopt;
    const QVariant version = info->value(bundleVersionKey);
    // A number written where a string belongs still names a version; anything else does not.
    switch (version.metaType().id()) {
    case QMetaType::QString:
    case QMetaType::LongLong:
    case QMetaType::Double:
        return ZFVersionNumber::initWithVersionString(version.toString());
    default:
        return std::nullopt;
    }
}

std::optional<QString> MailBundleInstaller::packagedVersionString() const
{
    const auto path = mailBundleVersionInfoResourcePath();
    // A file that goes between the look and the read fails the read, and is missing alike.
    const auto contents =
        path ? FileManager::defaultManager().contentsAtPath(*path, maximumVersionTextLength + 1)
             : std::nullopt;
    if (!contents || contents->size() > maximumVersionTextLength)
        return std::nullopt;
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(*contents);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

Error MailBundleInstaller::mailFailedToQuitError() const
{
    return Error(MailBundleInstallerErrorDomain, MailBundleErrorMailFailedToQuit,
                 {{GBLocalizedDescriptionKey,
                   localizedString("Mail failed to Quit. Please quit Mail manually and try again.")}});
}
