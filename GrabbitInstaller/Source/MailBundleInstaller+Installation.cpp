// SPDX-License-Identifier: MIT
// Installing or updating the plug-in: Mail quit around the work, earlier copies replaced by the
// carried archive, plug-in loading switched on and the fresh copy stamped for this Mail.
#include "MailBundleInstaller.h"

#include "ChildProcessLauncher.h"
#include "FileManager.h"
#include "Localization.h"

namespace {

Error installerDamagedError()
{
    return Error(MailBundleInstallerErrorDomain, MailBundleErrorInstallerDamaged,
                 {{GBLocalizedDescriptionKey,
                   localizedString("The Grabbit installer is damaged: its plug-in archive is missing.")}});
}

Error extractionFailedError(const QString& reason)
{
    return Error(
        MailBundleInstallerErrorDomain, MailBundleErrorExtractionFailed,
        {{GBLocalizedDescriptionKey, localizedString("The plug-in couldn’t be unpacked: %1.").arg(reason)}});
}

void setError(Error* slot, const Error& error)
{
    if (slot)
        *slot = error;
}

// Without a usable home every location is empty: nothing is quit, read or touched.
bool reportUnusableHome(MailBundleInstaller* installer, const MailBundleInstaller::Completion& completion)
{
    const auto error = MailBundleInstaller::homeDirectoryError();
    if (error)
        completion(installer, *error);
    return bool(error);
}

// A broken installer must fail before anything is quit or removed, so the user keeps the copy
// they have.
bool reportMissingArchive(MailBundleInstaller* installer, const MailBundleInstaller::Completion& completion)
{
    if (installer->mailBundleZipArchiveResourcePath())
        return false;
    completion(installer, installerDamagedError());
    return true;
}

// unzip's exit status says why in a few cases; a folder we may not write in shows only as a
// generic error, so the folder is asked.
QString extractionFailureReason(int status, const QString& bundlesFolder)
{
    constexpr int diskFull = 50;
    constexpr int highestGenericError = 3;
    if (status == diskFull)
        return localizedString("the disk is full");
    if (status >= 1 && status <= highestGenericError &&
        !FileManager::defaultManager().isWritableFileAtPath(bundlesFolder))
        return localizedString("you don’t have permission to write in the folder “%1”")
            .arg(bundlesFolder.mid(bundlesFolder.lastIndexOf(QLatin1Char('/')) + 1));
    return localizedString("unzip exited with status %1").arg(status);
}

bool extractArchive(const QString& bundlesFolder, const std::optional<QString>& archivePath, Error* error)
{
    if (!archivePath) {
        setError(error, installerDamagedError());
        return false;
    }
    try {
        const int status = ChildProcessLauncher::sharedLauncher().launchAndWait(
            QStringLiteral("/usr/bin/unzip"),
            {QStringLiteral("-d"), bundlesFolder, QStringLiteral("-u"), QStringLiteral("-q"), *archivePath});
        if (status == 0)
            return true;
        setError(error, extractionFailedError(extractionFailureReason(status, bundlesFolder)));
    } catch (const std::exception& exception) {
        setError(error, extractionFailedError(QString::fromUtf8(exception.what())));
    }
    return false;
}

bool extractionAttempt(const MailBundleInstaller& installer, Error* error)
{
    const QString bundlesFolder = installer.mailBundlesDirectory();
    return FileManager::defaultManager().createDirectoryAtPath(bundlesFolder, true, error) &&
           extractArchive(bundlesFolder, installer.mailBundleZipArchiveResourcePath(), error);
}

// unzip writes through links it finds on disk, and a failed attempt can leave the archive's own
// links behind: the retry starts from no copy at all.
bool removeLeftoverOfFailedAttempt(const QString& installedPath, Error* error)
{
    FileManager& fileManager = FileManager::defaultManager();
    if (!fileManager.itemExistsAtPath(installedPath))
        return true;
    return fileManager.removeItemAtPath(installedPath, error);
}

} // namespace

void MailBundleInstaller::installMailBundle(Completion completion)
{
    if (!completion)
        completion = doNothing;
    if (reportUnusableHome(this, completion) || reportMissingArchive(this, completion))
        return;
    const bool mailWasRunning = isMailRunning();
    if (mailWasRunning && !terminateMail()) {
        completion(this, mailFailedToQuitError());
        return;
    }
    if (!primitiveInstallMailBundle(completion))
        return;
    if (mailWasRunning)
        launchMail();
    completion(this, std::nullopt);
}

bool MailBundleInstaller::primitiveInstallMailBundle(const Completion& completion)
{
    const Completion report = completion ? completion : doNothing;
    if (reportUnusableHome(this, report) || reportMissingArchive(this, report))
        return false;
    if (!removeMailBundleRestartingMail(false, report))
        return false;
    Error error;
    if (!installMailBundleInUserHomeDirectory(&error) || !updateMailPreferences(&error) ||
        !updateMailBundleCompatibilityValues(&error)) {
        report(this, error);
        return false;
    }
    return true;
}

bool MailBundleInstaller::installMailBundleInUserHomeDirectory(Error* error)
{
    if (const auto homeError = homeDirectoryError()) {
        setError(error, *homeError);
        return false;
    }
    if (extractionAttempt(*this, error))
        return true;
    autoRepairMailBundlesDirectoryForRemoval(false);
    return removeLeftoverOfFailedAttempt(mailBundleInstalledPath(), error) && extractionAttempt(*this, error);
}
