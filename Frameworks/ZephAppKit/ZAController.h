// SPDX-License-Identifier: MIT
#pragma once

#include "ZFNotificationOwner.h"

#include <QList>
#include <QObject>

#include <functional>

class ZARunningInstance;

// The application delegate's base: runs the application, loads its translations, answers reopen
// requests of later starts and routes user notifications to their owners.
class ZAController : public QObject, public virtual UserNotificationCenter::Delegate {
    Q_OBJECT

public:
    explicit ZAController(QObject* parent = nullptr);
    ~ZAController() override;

    // Hands over to an instance that runs already (answering 0), or loads the translations, runs
    // the event loop and calls applicationDidFinishLaunching once it turns.
    int runApplication();

    virtual void applicationDidFinishLaunching();
    // Called when the user starts the application again while it runs; the answer is whether
    // the base should do its own reopen handling, which here is none.
    virtual bool applicationShouldHandleReopen(bool hasVisibleWindows);
    virtual bool applicationShouldTerminateAfterLastWindowClosed();

    // Whether a request to end the application ends it now, never, or once the delegate answers
    // through replyToApplicationShouldTerminate (work that must finish first).
    enum class TerminateReply { Now, Cancel, Later };
    virtual TerminateReply applicationShouldTerminate();
    void replyToApplicationShouldTerminate(bool shouldTerminate);
    bool isTerminationPending() const { return m_terminationPending; }

    void addNotificationOwner(ZFNotificationOwner* owner);
    bool shouldPresentNotification(UserNotificationCenter& center,
                                   const UserNotificationCenter::Notification& notification) override;
    void didActivateNotification(UserNotificationCenter& center,
                                 const UserNotificationCenter::Notification& notification) override;

    // Ends the application once control returns to the event loop, as applicationShouldTerminate
    // allows.
    void terminate();
    // Tests end nothing: they count the requests instead.
    void setTerminationHandler(std::function<void()> handler) { m_terminationHandler = std::move(handler); }

    // Loads the application's own translations and Qt's for the user's language; English stays
    // when there are none.
    static void installTranslations();

private:
    ZFNotificationOwner* ownerOfNotification(const UserNotificationCenter::Notification& notification) const;

    QList<ZFNotificationOwner*> m_notificationOwners;
    std::function<void()> m_terminationHandler;
    ZARunningInstance* m_runningInstance = nullptr;
    bool m_terminationPending = false;
};
