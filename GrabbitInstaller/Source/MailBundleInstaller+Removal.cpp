// SPDX-License-Identifier: MIT
// Taking every copy of the plug-in off the machine, and the permission repair that a failed
// removal or extraction gets before its one retry.
#include "MailBundleInstaller.h"

#include "ChildProcessLauncher.h"
#include "FileManager.h"
#include "Log.h"
#include "ZFVersionNumber.h"

#include <sys/stat.h>

namespace {

const QString ignorableEntryName = QStringLiteral(".DS_Store");
constexpr mode_t ownerOnlyMode = 0700;

QString enclosingFolderOf(const QString& path)
{
    return path.left(path.lastIndexOf(QLatin1Char('/')));
}

bool holdsNothingWorthKeeping(const QStringList& entries)
{
    return entries.isEmpty() || entries == QStringList{ignorableEntryName};
}

QString errorLogDescription(const Error& error)
{
    QString description = QStringLiteral("Error Domain=%1 Code=%2 \"%3\"")
                              .arg(error.domain())
                              .arg(error.code())
                              .arg(error.localizedDescription());
    const QString path = error.userInfo().value(GBFilePathErrorKey).toString();
    if (!path.isEmpty())
        description += QStringLiteral(" UserInfo={NSFilePath=%1}").arg(path);
    return description;
}

// The folder that held a copy goes with it when nothing else lives there. A "Bundles (Disabled…"
// folder that is a symbolic link is listed through the link and, when emptied, only the link goes.
void removeEnclosingDirectoryIfEmptied(const QString& copyPath)
{
    FileManager& fileManager = FileManager::defaultManager();
    const QString enclosing = enclosingFolderOf(copyPath);
    const auto entries = fileManager.contentsOfDirectoryAtPath(enclosing, nullptr);
    if (!entries || !holdsNothingWorthKeeping(*entries))
        return;
    Error error;
    if (!fileManager.removeItemAtPath(enclosing, &error))
        Log::write(QStringLiteral("Error removing bundle's enclosing directory: %1")
                       .arg(errorLogDescription(error)));
}

void runChmod(const QStringList& arguments)
{
    ChildProcessLauncher::sharedLauncher().launchAndWait(QStringLiteral("/bin/chmod"), arguments);
}

void makeCopiesWritable(const QString& installedPath, const QStringList& disabledPaths)
{
    FileManager& fileManager = FileManager::defaultManager();
    if (fileManager.fileExistsAtPath(installedPath))
        runChmod({QStringLiteral("-R"), QStringLiteral("+w"), installedPath});
    for (const QString& path : disabledPaths) {
        if (fileManager.fileExistsAtPath(path))
            runChmod({QStringLiteral("-R"), QStringLiteral("+w"), path});
    }
}

void logRepairException(const QString& description)
{
    Log::write(QStringLiteral("Exception caught in %1: %2")
                   .arg(QStringLiteral("-[MailBundleInstaller autoRepairMailBundlesDirectoryForRemoval:]"),
                        description));
}

} // namespace

void MailBundleInstaller::removeMailBundle(Completion completion)
{
    if (!completion)
        completion = doNothing;
    // From High Sierra on the plug-in is not loaded any more, so Mail can keep running.
    const bool restartMail = !ZFVersionNumber::isOperatingSystemHighSierraOrLater();
    if (removeMailBundleRestartingMail(restartMail, completion))
        completion(this, std::nullopt);
}

bool MailBundleInstaller::removeMailBundleRestartingMail(bool restartMail, Completion completion)
{
    if (!completion)
        completion = doNothing;
    if (const auto homeError = homeDirectoryError()) {
        completion(this, *homeError);
        return false;
    }
    // Looking for Mail lists every process: only done when Mail is to be restarted.
    const bool handleMail = restartMail && isMailRunning();
    if (handleMail && !terminateMail()) {
        completion(this, mailFailedToQuitError());
        return false;
    }

    const QStringList copies = QStringList{mailBundleInstalledPath()} + disabledMailBundleInstalledPaths();
    for (const QString& path : copies) {
        // A dangling link counts: a stale link where the copy belongs would block the extraction
        // that follows.
        if (!FileManager::defaultManager().itemExistsAtPath(path))
            continue;
        Error error;
        // Our copy by its exact name, also inside a folder that a link leads to; never the link.
        if (!removeMailBundleAtPath(path, &error)) {
            completion(this, error);
            return false;
        }
        removeEnclosingDirectoryIfEmptied(path);
    }

    if (handleMail)
        launchMail();
    return true;
}

bool MailBundleInstaller::removeMailBundleAtPath(const QString& path, Error* error)
{
    FileManager& fileManager = FileManager::defaultManager();
    if (fileManager.removeItemAtPath(path, error))
        return true;
    autoRepairMailBundlesDirectoryForRemoval(true);
    return fileManager.removeItemAtPath(path, error);
}

void MailBundleInstaller::autoRepairMailBundlesDirectoryForRemoval(bool forRemoval)
{
    if (homeDirectoryError())
        return;
    const QString mailFolder = mailDirectory();
    const QString bundlesFolder = mailBundlesDirectory();
    const QString installedPath = mailBundleInstalledPath();
    const QStringList disabledPaths = disabledMailBundleInstalledPaths();
    FileManager& fileManager = FileManager::defaultManager();
    try {
        fileManager.changePosixPermissions(mailFolder, ownerOnlyMode);
        // A bundles folder that links elsewhere is left alone: the repair never follows a link out of
        // the Mail folder.
        if (!fileManager.isSymbolicLinkAtPath(bundlesFolder))
            fileManager.changePosixPermissions(bundlesFolder, ownerOnlyMode);
        runChmod({QStringLiteral("-R"), QStringLiteral("-N"), bundlesFolder});
        if (forRemoval)
            makeCopiesWritable(installedPath, disabledPaths);
    } catch (const std::exception& exception) {
        logRepairException(QString::fromUtf8(exception.what()));
    } catch (...) {
        logRepairException(QStringLiteral("unknown exception"));
    }
}
