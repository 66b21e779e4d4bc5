// SPDX-License-Identifier: MIT
#include "InstallerViewController.h"

#include "Bundle.h"
#include "DesktopServices.h"
#include "FontWithNameOrSystemFont.h"
#include "HomeDirectory.h"
#include "Localization.h"
#include "Log.h"
#include "LoginItemsManager.h"
#include "MailBundleInstaller.h"
#include "MainOperationQueue.h"
#include "NotificationCenter.h"
#include "ZFVersionNumber.h"
#include "ui_InstallerView.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>

namespace {

void setTextColor(QWidget* widget, const QColor& color)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    widget->setPalette(palette);
}

} // namespace

InstallerViewController::InstallerViewController(QObject* parent) : QObject(parent)
{
    NotificationCenter::defaultCenter().addObserver(
        this, MailBundleInstallerBundleStateDidChangeNotification, nullptr,
        [this](const Notification&) { mailBundleInstallerBundleStateDidChange(); });
}

InstallerViewController::~InstallerViewController()
{
    NotificationCenter::defaultCenter().removeObserver(this);
    if (m_view && !m_view->parent())
        delete m_view;
}

QFont InstallerViewController::titleFont()
{
    return fontWithNameOrSystemFont(QStringLiteral("Corbelline-Thin"), 46.0);
}

QFont InstallerViewController::messageFont()
{
    return fontWithNameOrSystemFont(QStringLiteral("Corbelline-Regular"), 15.0);
}

QWidget* InstallerViewController::view()
{
    if (m_view)
        return m_view;
    m_ui = std::make_unique<Ui::InstallerView>();
    m_view = new QWidget;
    m_ui->setupUi(m_view);
    connect(m_ui->installMailBundleButton, &QPushButton::clicked, this,
            &InstallerViewController::installMailBundle);
    connect(m_ui->removeMailButtonBundle, &QPushButton::clicked, this,
            &InstallerViewController::removeMailBundle);
    awakeFromNib();
    return m_view;
}

void InstallerViewController::awakeFromNib()
{
    m_ui->titleTextField->setFont(titleFont());
    setTextColor(m_ui->titleTextField, QColor::fromRgbF(0.6f, 0.337f, 0.863f, 1.0f));
    m_ui->messageTextField->setFont(messageFont());
    setTextColor(m_ui->messageTextField, QColor::fromRgbF(0.0f, 0.0f, 0.0f, 0.4f));
    updateInterfaceForCurrentBundleState();
    // The overlay joins the cell of the content, so that it covers the whole view at any size.
    auto* overlayLayout = m_ui->overlayLayout;
    if (overlayLayout->indexOf(m_ui->progressView) >= 0)
        return;
    overlayLayout->addWidget(m_ui->progressView, 0, 0);
    hideProgressView();
}

void InstallerViewController::mailBundleInstallerBundleStateDidChange()
{
    if (m_ui)
        updateInterfaceForCurrentBundleState();
}

void InstallerViewController::updateInterfaceForCurrentBundleState()
{
    MailBundleInstaller* installer = MailBundleInstaller::sharedInstaller();
    switch (installer->mailBundleState()) {
    case MailBundleStateNotInstalled:
        updateInterfaceForMailBundleStateNotInstalled();
        break;
    case MailBundleStateRequiresUpdateForOSChange:
        updateInterfaceForMailBundleStateRequiresUpdateForOSChange();
        break;
    case MailBundleStateRequiresUpdateForMailBundleChange:
        updateInterfaceForMailBundleStateRequiresUpdateForMailBundleChange();
        break;
    case MailBundleStateUpToDate:
        updateInterfaceForMailMailBundleStateUpToDate();
        break;
    }
    m_ui->removeMailButtonBundle->setTitle(localizedString("Remove"));
    m_ui->removeMailButtonBundle->setSubtitle(
        localizedString("Mail will need to be quit and reopened for the Grabbit to be uninstalled."));
    // Without a usable home folder there is nothing either button could work on.
    const bool usableHome = HomeDirectory::path().has_value();
    if (!usableHome)
        m_ui->installMailBundleButton->setEnabled(false);
    m_ui->removeMailButtonBundle->setEnabled(usableHome && installer->isMailBundleInstalled());
}

void InstallerViewController::updateInterfaceForMailBundleStateNotInstalled()
{
    updateInterface(
        localizedString("Install the Grabbit"),
        localizedString(
            "The Taskwell Grabbit Deluxe allows Taskwell to clip complete messages directly from Mail."),
        localizedString("Install"),
        localizedString("Mail will need to be quit and reopened for the Grabbit to begin working."),
        isMailBundleSupported());
}

void InstallerViewController::updateInterfaceForMailBundleStateRequiresUpdateForOSChange()
{
    updateInterface(
        localizedString("Update the Grabbit"),
        localizedString(
            "A new version of Mail has been installed on your system. The Taskwell Grabbit needs to be "
            "updated in order to keep working with it. The Taskwell Grabbit Deluxe allows Taskwell to "
            "clip complete messages directly from Mail."),
        localizedString("Update"),
        localizedString("Mail will need to be quit and reopened for the Grabbit to keep working."),
        isMailBundleSupported());
}

void InstallerViewController::updateInterfaceForMailBundleStateRequiresUpdateForMailBundleChange()
{
    updateInterface(
        localizedString("Update the Grabbit"),
        localizedString(
            "A new version of the Taskwell Grabbit is ready to be installed. The Taskwell Grabbit Deluxe "
            "allows Taskwell to clip complete messages directly from Mail."),
        localizedString("Update"),
        localizedString("Mail will need to be quit and reopened for the Grabbit to keep working."),
        isMailBundleSupported());
}

void InstallerViewController::updateInterfaceForMailMailBundleStateUpToDate()
{
    updateInterface(
        localizedString("Grabbit Installed"),
        localizedString(
            "The Taskwell Grabbit Deluxe allows Taskwell to clip complete messages directly from Mail."),
        localizedString("Update"), localizedString("The Grabbit is up to date."), false);
}

void InstallerViewController::updateInterface(const QString& title, const QString& message,
                                              const QString& installTitle, const QString& installSubtitle,
                                              bool installEnabled)
{
    m_ui->titleTextField->setText(title);
    m_ui->messageTextField->setText(message);
    m_ui->installMailBundleButton->setTitle(installTitle);
    m_ui->installMailBundleButton->setSubtitle(installSubtitle);
    m_ui->installMailBundleButton->setEnabled(installEnabled);
}

bool InstallerViewController::isMailBundleSupported() const
{
    return !ZFVersionNumber::isOperatingSystemHighSierraOrLater();
}

void InstallerViewController::showProgresssView()
{
    m_ui->progressView->setHidden(false);
    m_ui->progressView->raise();
    m_ui->progressIndicator->startAnimation();
}

void InstallerViewController::hideProgressView()
{
    m_ui->progressView->setHidden(true);
    m_ui->progressIndicator->stopAnimation();
}

void InstallerViewController::installMailBundle()
{
    if (!isMailBundleSupported()) {
        QApplication::beep();
        return;
    }
    runBehindProgressView(&MailBundleInstaller::installMailBundle,
                          &InstallerViewController::installationDidFinish);
}

void InstallerViewController::runBehindProgressView(
    void (MailBundleInstaller::*operation)(MailBundleInstaller::Completion), FinishHandler finished)
{
    showProgresssView();
    m_isPerformingOperation = true;
    QPointer<InstallerViewController> controller(this);
    MainOperationQueue::mainQueue().addOperationWithBlock([controller, operation, finished] {
        if (!controller)
            return;
        (MailBundleInstaller::sharedInstaller()->*operation)(
            [controller, finished](MailBundleInstaller* installer, const std::optional<Error>& error) {
                if (controller)
                    (controller.data()->*finished)(installer, error);
            });
    });
}

bool InstallerViewController::operationDidFinish(MailBundleInstaller* installer,
                                                 const std::optional<Error>& error)
{
    hideProgressView();
    m_isPerformingOperation = false;
    installer->updateMailBundleState();
    emit operationFinished(!error);
    if (error)
        presentError(*error);
    return !error;
}

void InstallerViewController::installationDidFinish(MailBundleInstaller* installer,
                                                    const std::optional<Error>& error)
{
    if (!operationDidFinish(installer, error))
        return;
    // A window the user has closed meanwhile gets no offer: the application is ending.
    if (view()->window()->isVisible() && shouldOfferToInstallLoginItem())
        offerToInstallLoginItem();
}

void InstallerViewController::removeMailBundle()
{
    runBehindProgressView(&MailBundleInstaller::removeMailBundle, &InstallerViewController::removalDidFinish);
}

void InstallerViewController::removalDidFinish(MailBundleInstaller* installer,
                                               const std::optional<Error>& error)
{
    if (!operationDidFinish(installer, error))
        return;
    LoginItemsManager* loginItems = LoginItemsManager::sharedManager();
    if (loginItems && loginItems->hasLoginItemWithURL(installerBundleURL()))
        loginItems->removeLoginItemWithURL(installerBundleURL());
}

QMessageBox* InstallerViewController::makeSheet(const QString& objectName, const QString& messageText,
                                                const QString& informativeText)
{
    auto* sheet = new QMessageBox(view()->window());
    sheet->setObjectName(objectName);
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    sheet->setWindowModality(Qt::WindowModal);
    sheet->setText(messageText);
    sheet->setInformativeText(informativeText);
    return sheet;
}

void InstallerViewController::presentError(const Error& error)
{
    presentWarning(QStringLiteral("errorAlert"), error.localizedDescription());
}

void InstallerViewController::presentWarning(const QString& objectName, const QString& text)
{
    QMessageBox* sheet = makeSheet(objectName, text, QString());
    sheet->setIcon(QMessageBox::Warning);
    sheet->setStandardButtons(QMessageBox::Ok);
    sheet->open();
}

void InstallerViewController::presentHomeDirectoryError()
{
    const auto error = MailBundleInstaller::homeDirectoryError();
    if (!error || view()->window()->findChild<QMessageBox*>(QStringLiteral("homeDirectoryAlert")))
        return;
    presentWarning(QStringLiteral("homeDirectoryAlert"), error->localizedDescription());
}

bool InstallerViewController::shouldOfferToInstallLoginItem() const
{
    const QUrl bundleURL = installerBundleURL();
    LoginItemsManager* loginItems = LoginItemsManager::sharedManager();
    if (loginItems && loginItems->hasLoginItemWithURL(bundleURL))
        return false;
    DesktopServices& desktop = DesktopServices::sharedServices();
    const std::optional<quint64> startupVolume =
        desktop.volumeIdentifierForURL(QUrl::fromLocalFile(QStringLiteral("/")));
    if (!startupVolume)
        return false;
    const std::optional<QString> home = HomeDirectory::path();
    const std::optional<quint64> homeVolume =
        home ? desktop.volumeIdentifierForURL(QUrl::fromLocalFile(*home)) : std::nullopt;
    if (!homeVolume)
        return false;
    const std::optional<quint64> installerVolume = desktop.volumeIdentifierForURL(bundleURL);
    if (!installerVolume)
        return false;
    return *installerVolume == *startupVolume || *installerVolume == *homeVolume;
}

void InstallerViewController::offerToInstallLoginItem()
{
    QMessageBox* sheet = makeSheet(
        QStringLiteral("loginItemOffer"), localizedString("Would you like to add the Login Item?"),
        localizedString(
            "Each time you log in, this checks to make sure Grabbit will work with your version of OS "
            "X.\n\nIf you do not add it, Grabbit will stop working after an OS X update."));
    QPushButton* addButton = sheet->addButton(localizedString("Add"), QMessageBox::AcceptRole);
    sheet->addButton(localizedString("Don’t Add"), QMessageBox::RejectRole);
    sheet->setDefaultButton(addButton);
    connect(sheet, &QMessageBox::buttonClicked, this, [addButton](QAbstractButton* clicked) {
        if (clicked != addButton)
            return;
        LoginItemsManager* loginItems = LoginItemsManager::sharedManager();
        if (loginItems && !loginItems->hasLoginItemWithURL(installerBundleURL()))
            loginItems->addLoginItemWithURL(installerBundleURL(), false);
    });
    sheet->open();
}

void InstallerViewController::performStandardLaunchActions()
{
    if (m_hasShownHighSierraAlert)
        return;
    m_hasShownHighSierraAlert = true;
    if (!ZFVersionNumber::isOperatingSystemHighSierraOrLater())
        return;
    showHighSierraAlert();
}

void InstallerViewController::showHighSierraAlert()
{
    QMessageBox* sheet = makeSheet(
        QStringLiteral("highSierraAlert"), localizedString("The Taskwell Grabbit is no longer required."),
        localizedString("Taskwell clips from Mail on macOS High Sierra without the Grabbit. If you’d "
                        "like, we’ll automatically uninstall it and then show this updater app in "
                        "Finder so that you can move it to the Trash.\n"));
    QPushButton* uninstallButton =
        sheet->addButton(localizedString("Uninstall and Show in Finder"), QMessageBox::AcceptRole);
    // Not the reject role: the message box would make it the Escape button, and only "Quit" itself
    // or Ctrl+Q may end the application. With no Escape button, Escape does nothing.
    QPushButton* quitButton = sheet->addButton(localizedString("Quit"), QMessageBox::ActionRole);
    // Qt's Ctrl is the Command key on macOS, so this is Command-Q there. A shortcut of the button
    // itself would let the message box answer a plain "q" as well.
    auto* quitShortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), sheet);
    connect(quitShortcut, &QShortcut::activated, quitButton, &QAbstractButton::click);
    QPushButton* helpButton = sheet->addButton(localizedString("Help"), QMessageBox::HelpRole);
    // The help page opens beside the alert, which stays up: the button must not answer it.
    disconnect(helpButton, &QAbstractButton::clicked, nullptr, nullptr);
    connect(helpButton, &QAbstractButton::clicked, this, &InstallerViewController::showHelp);
    sheet->setDefaultButton(uninstallButton);
    connect(sheet, &QMessageBox::buttonClicked, this,
            [this, uninstallButton, quitButton](QAbstractButton* clicked) {
                if (clicked == quitButton)
                    emit terminateRequested();
                else if (clicked == uninstallButton)
                    uninstallAndShowInFinder();
            });
    sheet->open();
}

void InstallerViewController::uninstallAndShowInFinder()
{
    MailBundleInstaller* installer = MailBundleInstaller::sharedInstaller();
    if (!installer->isMailBundleInstalled()) {
        removeLoginItemRevealInstallerAndTerminate();
        return;
    }
    // Whatever the removal reports, the installer is done on this system.
    installer->removeMailBundle([this](MailBundleInstaller*, const std::optional<Error>&) {
        removeLoginItemRevealInstallerAndTerminate();
    });
}

void InstallerViewController::removeLoginItemRevealInstallerAndTerminate()
{
    if (LoginItemsManager* loginItems = LoginItemsManager::sharedManager())
        loginItems->removeLoginItemWithURL(installerBundleURL());
    DesktopServices::sharedServices().activateFileViewerSelectingURLs({installerBundleURL()});
    emit terminateRequested();
}

void InstallerViewController::showHelp()
{
    if (DesktopServices::sharedServices().openURL(QUrl(QString::fromLatin1(supportPageAddress))))
        return;
    Log::write(
        QStringLiteral("Unable to open the support page %1").arg(QString::fromLatin1(supportPageAddress)));
    QApplication::beep();
}

QUrl InstallerViewController::installerBundleURL()
{
    return Bundle::mainBundle().bundleURL();
}
