// SPDX-License-Identifier: MIT
#include "MailBundleDoctor.h"

#include "FileManager.h"
#include "HomeDirectory.h"
#include "Localization.h"
#include "MailBundleInstaller.h"
#include "PropertyList.h"
#include "Workspace.h"
#include "ZFVersionNumber.h"

#include <QDirIterator>
#include <QFileInfo>

namespace {

// What the window offers whenever the copy is stale or older; the command does the same from a shell.
QString updateFix()
{
    return localizedString("Click Update in Grabbit (or run “grabbitctl install”).");
}

QString quoted(const QString& text)
{
    return localizedString("“%1”").arg(text);
}

} // namespace

MailBundleDoctor::MailBundleDoctor(MailBundleInstaller& installer)
    : m_installer(installer), m_installedPath(installer.mailBundleInstalledPath()),
      m_installed(FileManager::defaultManager().fileExistsAtPath(m_installedPath)),
      m_installedInfo(m_installed ? PropertyList::dictionaryWithContentsOfFile(
                                        MailBundleInstaller::infoPlistPathOfBundle(m_installedPath))
                                  : std::nullopt),
      m_disabledCopies(installer.disabledMailBundleInstalledPaths())
{
}

QList<MailBundleDoctor::Finding> MailBundleDoctor::examine()
{
    QString problem;
    if (!HomeDirectory::path(&problem))
        return {{QStringLiteral("home-unusable"), problem,
                 localizedString("Set HOME to your home folder (or log out and back in), then run "
                                 "“grabbitctl doctor” again.")}};
    MailBundleDoctor doctor(*MailBundleInstaller::sharedInstaller());
    doctor.checkOperatingSystem();
    doctor.checkMail();
    doctor.checkCopies();
    doctor.checkCompatibilityStamp();
    doctor.checkVersion();
    doctor.checkPreferences();
    doctor.checkInstalledFiles();
    doctor.checkMailRestarted();
    return doctor.m_findings;
}

void MailBundleDoctor::checkOperatingSystem()
{
    if (!ZFVersionNumber::isOperatingSystemHighSierraOrLater())
        return;
    const bool anyCopy = m_installed || !m_disabledCopies.isEmpty();
    add("no-longer-needed",
        localizedString("This Mac runs macOS 10.13 or later, where Taskwell takes whole messages from Mail "
                        "without the Grabbit: the plug-in is no longer needed."),
        anyCopy ? localizedString("Click Remove in Grabbit (or run “grabbitctl remove”) and move Grabbit to "
                                  "the Trash. Nothing else listed here needs mending.")
                : localizedString("Move Grabbit to the Trash. Nothing else listed here needs mending."));
}

void MailBundleDoctor::checkMail()
{
    m_mailFound = Workspace::sharedWorkspace()
                      .urlForApplicationWithBundleIdentifier(MailBundleInstaller::mailBundleIdentifier)
                      .has_value();
    if (m_mailFound)
        return;
    add("mail-not-found",
        localizedString("Mail cannot be found: there is no Mail in the Applications folders."),
        localizedString("Put Mail back into the Applications folder (reinstalling macOS brings it back), "
                        "then run “grabbitctl doctor” again."));
}

void MailBundleDoctor::checkCopies()
{
    if (m_installed)
        return;
    if (m_disabledCopies.isEmpty()) {
        add("not-installed",
            localizedString("The Grabbit plug-in is not installed, so Mail has nothing to load."),
            localizedString("Click Install in Grabbit (or run “grabbitctl install”)."));
        return;
    }
    QStringList folders;
    for (const QString& copy : m_disabledCopies)
        folders << quoted(copy.section(QLatin1Char('/'), -2, -2));
    add("disabled-by-mail",
        localizedString("Mail has set the Grabbit plug-in aside in %1: it was not made ready for this "
                        "version of Mail, which usually happens after a Mail or macOS update.")
            .arg(folders.join(QStringLiteral(", "))),
        updateFix());
}

void MailBundleDoctor::checkCompatibilityStamp()
{
    // Without Mail nothing says what the copy should be ready for; an unreadable copy is damaged.
    if (!m_installedInfo || !m_mailFound || !m_installer.compatibilityValuesNeedUpdate(m_installedInfo))
        return;
    add("stale-for-mail",
        localizedString("The installed Grabbit plug-in is not made ready for this version of Mail (usually "
                        "after a Mail or macOS update), so Mail sets it aside instead of loading it."),
        updateFix());
}

void MailBundleDoctor::checkVersion()
{
    if (!m_installedInfo)
        return;
    const auto installed = MailBundleInstaller::versionOfInfo(m_installedInfo);
    const auto packaged = ZFVersionNumber::initWithVersionString(m_installer.packagedVersionString());
    // Any version is newer than a missing one, so an older copy implies both versions exist.
    if (!installed || !packaged || installed->compareToVersionNumber(packaged) != ZFOrderedAscending)
        return;
    add("older-than-installer",
        localizedString(
            "The installed Grabbit plug-in (version %1) is older than the one this Grabbit brings "
            "(version %2).")
            .arg(installed->versionString().trimmed(), packaged->versionString().trimmed()),
        updateFix());
}

void MailBundleDoctor::checkPreferences()
{
    const auto preferences = m_installer.mailPreferences();
    if (!preferences) {
        add("preferences-unreadable",
            localizedString(
                "Mail’s preferences (the file %1) are missing or cannot be read, so plug-ins cannot be "
                "switched on in them.")
                .arg(quoted(m_installer.mailPreferencesPath())),
            localizedString(
                "Open Mail once and quit it, so that it writes its preferences. Then run “grabbitctl "
                "install”."));
        return;
    }
    if (!MailBundleInstaller::bundlesEnabled(*preferences))
        add("bundles-disabled", localizedString("Loading plug-ins is switched off in Mail’s preferences."),
            localizedString("Run “grabbitctl install”: it switches plug-ins on and reopens Mail."));
    if (MailBundleInstaller::bundleCompatibilityVersionNeedsRaising(*preferences))
        add("bundle-compatibility-version",
            localizedString("Mail’s preferences accept only plug-ins of an older kind, not the Grabbit."),
            localizedString("Run “grabbitctl install”: it lets Mail accept the Grabbit and reopens Mail."));
}

void MailBundleDoctor::checkInstalledFiles()
{
    if (!m_installed)
        return;
    const QString fix =
        localizedString("Run “grabbitctl install” to put a fresh copy in place (Mail is quit and reopened).");
    if (!m_installedInfo) {
        add("copy-damaged",
            localizedString(
                "The installed Grabbit plug-in is damaged: its description (Info.plist) cannot be read."),
            fix);
        return;
    }
    const QVariant executable = m_installedInfo->value(QStringLiteral("CFBundleExecutable"));
    const bool named = executable.metaType().id() == QMetaType::QString && !executable.toString().isEmpty() &&
                       !executable.toString().contains(QLatin1Char('/'));
    // One byte tells readable from not; Mail would load the file whole.
    if (named && FileManager::defaultManager().contentsAtPath(
                     m_installedPath + QLatin1String("/Contents/MacOS/") + executable.toString(), 1))
        return;
    add("copy-damaged",
        localizedString(
            "The installed Grabbit plug-in is damaged: its program file is missing or cannot be read."),
        fix);
}

void MailBundleDoctor::checkMailRestarted()
{
    if (!m_installed)
        return;
    const auto launched = m_installer.runningMailLaunchDate();
    const auto written = installedCopyLastWritten();
    if (!launched || !written || *written <= *launched)
        return;
    add("mail-not-restarted",
        localizedString(
            "Mail has been running since before the Grabbit plug-in was last installed or changed, "
            "so it has not loaded it yet."),
        localizedString("Quit Mail and open it again."));
}

// The latest change of the copy's contents or of any file's status in it: a copy put in place with
// its old modification times kept (as copying in the Finder does) is still newer than Mail.
std::optional<QDateTime> MailBundleDoctor::installedCopyLastWritten() const
{
    std::optional<QDateTime> latest;
    const auto consider = [&latest](const QFileInfo& file) {
        for (const QDateTime& time : {file.lastModified(), file.metadataChangeTime()})
            if (time.isValid() && (!latest || time > *latest))
                latest = time;
    };
    consider(QFileInfo(m_installedPath));
    QDirIterator entries(m_installedPath,
                         QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                         QDirIterator::Subdirectories);
    while (entries.hasNext()) {
        entries.next();
        consider(entries.fileInfo());
    }
    return latest;
}

void MailBundleDoctor::add(const char* code, const QString& message, const QString& fix)
{
    m_findings.append({QString::fromLatin1(code), message, fix});
}
