// SPDX-License-Identifier: MIT
// The shared installer, its state and the locations every other operation works on.
#include "MailBundleInstaller.h"

#include "Bundle.h"
#include "FileManager.h"
#include "Localization.h"
#include "NotificationCenter.h"
#include "PropertyList.h"
#include "ZFVersionNumber.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>

#include <mutex>

namespace {

MailBundleInstaller* sharedInstance = nullptr;
bool creatingSharedInstaller = false;

// The version text is a few bytes; anything much larger is not a version.
constexpr qint64 maximumVersionTextLength = 64 * 1024;

QString expandedStandardizedPath(const QString& pathBelowHome)
{
    return QDir::cleanPath(QDir::homePath() + QLatin1Char('/') + pathBelowHome);
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

void MailBundleInstaller::updateMailBundleState()
{
    const auto packagedVersion = ZFVersionNumber::initWithVersionString(packagedVersionString());
    const QString installedPath = mailBundleInstalledPath();
    FileManager& fileManager = FileManager::defaultManager();

    MailBundleState state = MailBundleStateNotInstalled;
    if (fileManager.fileExistsAtPath(installedPath)) {
        const auto installedVersion = bundleVersionAtPath(installedPath);
        if (mailBundleCompatibilityValuesNeedUpdate()) {
            state = MailBundleStateRequiresUpdateForOSChange;
        } else {
            const ZFComparisonResult order =
                installedVersion ? installedVersion->compareToVersionNumber(packagedVersion) : ZFOrderedSame;
            state = order == ZFOrderedAscending ? MailBundleStateRequiresUpdateForMailBundleChange
                                                : MailBundleStateUpToDate;
        }
    } else {
        const QStringList disabledCopies = disabledMailBundleInstalledPaths();
        if (!disabledCopies.isEmpty() && fileManager.fileExistsAtPath(disabledCopies.first()))
            state = MailBundleStateRequiresUpdateForOSChange;
    }
    setMailBundleState(state);
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
    return mailBundlesDirectory() + QLatin1Char('/') + mailBundleResourceName();
}

std::optional<QString> MailBundleInstaller::mailBundleZipArchiveResourcePath() const
{
    return Bundle::mainBundle().pathForResource(QStringLiteral("ZephMailMessageServiceEnabler"),
                                                QStringLiteral("zip"));
}

std::optional<QString> MailBundleInstaller::mailBundleVersionInfoResourcePath() const
{
    return Bundle::mainBundle().pathForResource(QStringLiteral("ZephMailMessageServiceEnabler-Version"),
                                                QStringLiteral("txt"));
}

QStringList MailBundleInstaller::disabledMailBundleInstalledPaths() const
{
    FileManager& fileManager = FileManager::defaultManager();
    const QString directory = mailDirectory();
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
    const auto info =
        PropertyList::dictionaryWithContentsOfFile(path + QLatin1String("/Contents/Info.plist"));
    if (!info)
        return std::nullopt;
    const QVariant version = info->value(QStringLiteral("CFBundleVersion"));
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
    if (!path)
        return std::nullopt;
    QFile file(*path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > maximumVersionTextLength)
        return std::nullopt;
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(file.readAll());
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
