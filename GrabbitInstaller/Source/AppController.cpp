// SPDX-License-Identifier: MIT
#include "AppController.h"

#include "InstallerViewController.h"
#include "Localization.h"
#include "Log.h"
#include "MailBundleInstaller.h"
#include "NSProcessInfo-Extensions.h"
#include "ProcessType.h"
#include "ZFAfterDelayPerformBlock.h"

#include <QAction>
#include <QApplication>
#include <QGridLayout>
#include <QScreen>

AppController::AppController(QObject* parent) : ZAController(parent), m_window(std::make_unique<QWidget>())
{
    // An installer's one window keeps its size: it can be moved, minimized and closed, no more.
    m_window->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                             Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                             Qt::WindowCloseButtonHint);
    m_window->installEventFilter(this);
    addMenuActions();
}

AppController::~AppController()
{
    m_window->removeEventFilter(this);
}

void AppController::applicationDidFinishLaunching()
{
    ZAController::applicationDidFinishLaunching();
    addNotificationOwner(this);
    configureMainWindow();
    if (ProcessInfo::wasLaunchedAtLogin()) {
        performLoginItemLaunchActions();
        return;
    }
    performStandardLaunchActions();
}

// The application menu's commands, reached by their keys from the window: Quit (Ctrl+Q, Command-Q
// on macOS) and Help (F1, the help key on macOS).
void AppController::addMenuActions()
{
    auto* quit = new QAction(m_window.get());
    quit->setShortcut(QKeySequence::Quit);
    connect(quit, &QAction::triggered, this, &AppController::terminate);
    auto* help = new QAction(m_window.get());
    help->setShortcut(QKeySequence::HelpContents);
    connect(help, &QAction::triggered, this, [this] {
        if (m_installerViewController)
            m_installerViewController->showHelp();
    });
    m_window->addActions({quit, help});
}

void AppController::configureMainWindow()
{
    // Alerts, sheets and notifications show the application's name: the same as the window's.
    QGuiApplication::setApplicationDisplayName(localizedString("Taskwell Grabbit"));
    m_window->setWindowTitle(QGuiApplication::applicationDisplayName());
    m_installerViewController = new InstallerViewController(this);
    connect(m_installerViewController, &InstallerViewController::terminateRequested, this,
            &AppController::terminate);
    connect(m_installerViewController, &InstallerViewController::operationFinished, this,
            &AppController::operationFinished);
    auto* layout = new QGridLayout(m_window.get());
    layout->setContentsMargins(0, 0, 0, 0);
    // The window takes the view's size and keeps it.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(m_installerViewController->view(), 0, 0);
}

void AppController::performLoginItemLaunchActions()
{
    if (MailBundleInstaller::sharedInstaller()->mailBundleState() !=
        MailBundleStateRequiresUpdateForOSChange) {
        terminate();
        return;
    }
    UserNotificationCenter::Notification notification;
    notification.title = localizedString("Update Grabbit");
    notification.informativeText = localizedString("Taskwell Grabbit needs to be updated.");
    notification.actionButtonTitle = localizedString("Update");
    notification.deliveryDate = QDateTime::currentDateTimeUtc();
    UserNotificationCenter& center = UserNotificationCenter::defaultUserNotificationCenter();
    center.setDelegate(this);
    center.scheduleNotification(notification);
    performStandardLaunchActions();
    QPointer<QWidget> window(m_window.get());
    ZFAfterDelayPerformBlock(
        [window] {
            if (!window)
                return;
            // Zero: the request lasts until the user turns to the window.
            QApplication::alert(window, 0);
            // An idle application sends its window-system requests only with the next event;
            // the request must reach the window manager now.
            QGuiApplication::sync();
        },
        attentionRequestDelay);
}

void AppController::performStandardLaunchActions()
{
    // The user wants the window back: an end waiting for the work to finish is called off.
    replyToApplicationShouldTerminate(false);
    becomeForegroundProcess();
    orderFrontMainWindow();
    m_installerViewController->performStandardLaunchActions();
    m_installerViewController->presentHomeDirectoryError();
}

void AppController::becomeForegroundProcess()
{
    if (m_hasBecomeForegroundProcess)
        return;
    m_hasBecomeForegroundProcess = true;
    const int status = ProcessType::transformToForegroundApplication(*m_window);
    if (status != 0)
        Log::write(QStringLiteral("TransformProcessType failed with status %1").arg(status));
    m_window->activateWindow();
}

void AppController::orderFrontMainWindow()
{
    m_window->adjustSize();
    if (QScreen* screen = m_window->screen()) {
        QRect frame = m_window->frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        m_window->move(frame.topLeft());
    }
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

bool AppController::applicationShouldHandleReopen(bool)
{
    UserNotificationCenter::defaultUserNotificationCenter().removeAllDeliveredNotifications();
    performStandardLaunchActions();
    return false;
}

bool AppController::applicationShouldTerminateAfterLastWindowClosed()
{
    return true;
}

// Work that has started finishes before the application ends; the window goes at once.
ZAController::TerminateReply AppController::applicationShouldTerminate()
{
    if (!m_installerViewController || !m_installerViewController->isPerformingOperation())
        return TerminateReply::Now;
    m_window->hide();
    return TerminateReply::Later;
}

// A failure the user did not see must not pass silently: the window comes back with the error.
void AppController::operationFinished(bool succeeded)
{
    if (!isTerminationPending())
        return;
    replyToApplicationShouldTerminate(succeeded);
    if (!succeeded)
        orderFrontMainWindow();
}

bool AppController::ownsNotification(const UserNotificationCenter::Notification&)
{
    return true;
}

bool AppController::shouldPresentNotification(UserNotificationCenter&,
                                              const UserNotificationCenter::Notification&)
{
    return true;
}

void AppController::didActivateNotification(UserNotificationCenter& center,
                                            const UserNotificationCenter::Notification& notification)
{
    center.removeDeliveredNotification(notification);
    performStandardLaunchActions();
}

bool AppController::eventFilter(QObject* watched, QEvent* event)
{
    // The main window is the application's only window: closing it is closing the last one.
    if (watched == m_window.get() && event->type() == QEvent::Close &&
        applicationShouldTerminateAfterLastWindowClosed())
        terminate();
    return ZAController::eventFilter(watched, event);
}
