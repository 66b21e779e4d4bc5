// SPDX-License-Identifier: MIT
#pragma once

#include "Error.h"
#include "MailBundleInstaller.h"

#include <QFont>
#include <QObject>
#include <QPointer>
#include <QUrl>

#include <memory>

class QMessageBox;
class QWidget;

namespace Ui {
class InstallerView;
}

// Everything inside the installer's window: the plug-in's state in words, the install and remove
// buttons, the progress overlay, and the alerts around them.
class InstallerViewController : public QObject {
    Q_OBJECT

public:
    // The product's support page, opened by the help actions.
    static constexpr char supportPageAddress[] = "https://www.zephlabs.com/taskwell/grabbit/support/";

    explicit InstallerViewController(QObject* parent = nullptr);
    ~InstallerViewController() override;

    static QFont titleFont();
    static QFont messageFont();

    // Loads the interface on first use and fills it from the plug-in's state. The view belongs to
    // whichever window takes it.
    QWidget* view();

    // On the first call only: the High Sierra alert, where the system needs it.
    void performStandardLaunchActions();
    // Without a usable home folder the engine cannot work: a sheet says why, one at a time however
    // often the window is brought up.
    void presentHomeDirectoryError();
    bool hasShownHighSierraAlert() const { return m_hasShownHighSierraAlert; }
    // True from an install or removal action until its completion has run.
    bool isPerformingOperation() const { return m_isPerformingOperation; }

    void installMailBundle();
    void removeMailBundle();
    void showHelp();

    bool isMailBundleSupported() const;
    bool shouldOfferToInstallLoginItem() const;

signals:
    // The user chose to end the application.
    void terminateRequested();
    // An install or removal has ended, the overlay is gone and the state recomputed; an error is
    // presented right after.
    void operationFinished(bool succeeded);

private:
    void awakeFromNib();
    void mailBundleInstallerBundleStateDidChange();
    void updateInterfaceForCurrentBundleState();
    void updateInterfaceForMailBundleStateNotInstalled();
    void updateInterfaceForMailBundleStateRequiresUpdateForOSChange();
    void updateInterfaceForMailBundleStateRequiresUpdateForMailBundleChange();
    void updateInterfaceForMailMailBundleStateUpToDate();
    void updateInterface(const QString& title, const QString& message, const QString& installTitle,
                         const QString& installSubtitle, bool installEnabled);

    void showProgresssView();
    void hideProgressView();

    // Hides the overlay, recomputes the state and presents an error; answers whether the work succeeded.
    bool operationDidFinish(MailBundleInstaller* installer, const std::optional<Error>& error);
    void installationDidFinish(MailBundleInstaller* installer, const std::optional<Error>& error);
    void removalDidFinish(MailBundleInstaller* installer, const std::optional<Error>& error);
    // Shows the overlay, then runs the engine's operation as one block of the main operation queue
    // and hands its outcome to `finished`.
    using FinishHandler = void (InstallerViewController::*)(MailBundleInstaller*,
                                                            const std::optional<Error>&);
    void runBehindProgressView(void (MailBundleInstaller::*operation)(MailBundleInstaller::Completion),
                               FinishHandler finished);
    void presentError(const Error& error);
    // A warning sheet with the text and an OK button.
    void presentWarning(const QString& objectName, const QString& text);
    void offerToInstallLoginItem();
    void showHighSierraAlert();
    void uninstallAndShowInFinder();
    void removeLoginItemRevealInstallerAndTerminate();

    QMessageBox* makeSheet(const QString& objectName, const QString& messageText,
                           const QString& informativeText);
    static QUrl installerBundleURL();

    std::unique_ptr<Ui::InstallerView> m_ui;
    QPointer<QWidget> m_view;
    bool m_hasShownHighSierraAlert = false;
    bool m_isPerformingOperation = false;
};
