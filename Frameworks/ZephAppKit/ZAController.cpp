// SPDX-License-Identifier: MIT
#include "ZAController.h"

#include "Bundle.h"
#include "Localization.h"
#include "ZARunningInstance.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTimer>

ZAController::ZAController(QObject* parent) : QObject(parent)
{
    m_terminationHandler = [] {
        QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    };
}

ZAController::~ZAController()
{
    UserNotificationCenter& center = UserNotificationCenter::defaultUserNotificationCenter();
    if (center.delegate() == this)
        center.setDelegate(nullptr);
}

int ZAController::runApplication()
{
    m_runningInstance = new ZARunningInstance(this);
    if (m_runningInstance->tellRunningInstanceToReopen())
        return 0;
    installTranslations();
    m_runningInstance->listen();
    connect(m_runningInstance, &ZARunningInstance::reopenRequested, this,
            [this] { applicationShouldHandleReopen(QApplication::activeWindow() != nullptr); });
    QTimer::singleShot(0, this, &ZAController::applicationDidFinishLaunching);
    return QApplication::exec();
}

void ZAController::installTranslations()
{
    installLocalizedStrings(Bundle::mainBundle().resourcePath());
    installTranslation(QStringLiteral("qtbase"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}

void ZAController::applicationDidFinishLaunching()
{
    UserNotificationCenter::defaultUserNotificationCenter().setDelegate(this);
}

bool ZAController::applicationShouldHandleReopen(bool)
{
    return true;
}

bool ZAController::applicationShouldTerminateAfterLastWindowClosed()
{
    return false;
}

void ZAController::addNotificationOwner(ZFNotificationOwner* owner)
{
    if (owner && !m_notificationOwners.contains(owner))
        m_notificationOwners.append(owner);
}

ZFNotificationOwner*
ZAController::ownerOfNotification(const UserNotificationCenter::Notification& notification) const
{
    for (ZFNotificationOwner* owner : m_notificationOwners) {
        if (owner->ownsNotification(notification))
            return owner;
    }
    return nullptr;
}

bool ZAController::shouldPresentNotification(UserNotificationCenter& center,
                                             const UserNotificationCenter::Notification& notification)
{
    if (ZFNotificationOwner* owner = ownerOfNotification(notification))
        return owner->shouldPresentNotification(center, notification);
    return false;
}

void ZAController::didActivateNotification(UserNotificationCenter& center,
                                           const UserNotificationCenter::Notification& notification)
{
    if (ZFNotificationOwner* owner = ownerOfNotification(notification))
        owner->didActivateNotification(center, notification);
}

ZAController::TerminateReply ZAController::applicationShouldTerminate()
{
    return TerminateReply::Now;
}

void ZAController::terminate()
{
    if (m_terminationPending)
        return;
    switch (applicationShouldTerminate()) {
    case TerminateReply::Now:
        break;
    case TerminateReply::Cancel:
        return;
    case TerminateReply::Later:
        m_terminationPending = true;
        return;
    }
    if (m_terminationHandler)
        m_terminationHandler();
}

void ZAController::replyToApplicationShouldTerminate(bool shouldTerminate)
{
    if (!m_terminationPending)
        return;
    m_terminationPending = false;
    if (shouldTerminate && m_terminationHandler)
        m_terminationHandler();
}
