// SPDX-License-Identifier: MIT
#pragma once

#include "ZAController.h"

#include <QPointer>
#include <QWidget>

#include <memory>

class InstallerViewController;

// The application's delegate: assembles the window around the installer view and decides, at
// launch, between a silent check at login and the ordinary start.
class AppController : public ZAController, public ZFNotificationOwner {
    Q_OBJECT

public:
    explicit AppController(QObject* parent = nullptr);
    ~AppController() override;

    QWidget* window() const { return m_window.get(); }
    InstallerViewController* installerViewController() const { return m_installerViewController; }
    bool hasBecomeForegroundProcess() const { return m_hasBecomeForegroundProcess; }

    void applicationDidFinishLaunching() override;
    bool applicationShouldHandleReopen(bool hasVisibleWindows) override;
    bool applicationShouldTerminateAfterLastWindowClosed() override;
    TerminateReply applicationShouldTerminate() override;

    void configureMainWindow();
    void performLoginItemLaunchActions();
    void performStandardLaunchActions();
    void becomeForegroundProcess();
    void orderFrontMainWindow();

    bool ownsNotification(const UserNotificationCenter::Notification& notification) override;
    bool shouldPresentNotification(UserNotificationCenter& center,
                                   const UserNotificationCenter::Notification& notification) override;
    void didActivateNotification(UserNotificationCenter& center,
                                 const UserNotificationCenter::Notification& notification) override;

    // The delay after which a login-time start asks for the user's attention.
    static constexpr double attentionRequestDelay = 5.0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void addMenuActions();
    void operationFinished(bool succeeded);

    bool m_hasBecomeForegroundProcess = false;
    std::unique_ptr<QWidget> m_window;
    InstallerViewController* m_installerViewController = nullptr;
};
