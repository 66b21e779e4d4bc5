// SPDX-License-Identifier: MIT
#include "FreedesktopNotificationCenter.h"

#include "Log.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QThread>
#include <QTimer>
#include <QUuid>

namespace {

constexpr char daemonService[] = "org.freedesktop.Notifications";
constexpr char daemonPath[] = "/org/freedesktop/Notifications";
constexpr char daemonInterface[] = "org.freedesktop.Notifications";
// A click on the notification's body, as opposed to one of its buttons.
constexpr char defaultActionKey[] = "default";
// The daemon keeps the notification until the user or the application removes it.
constexpr int neverExpires = 0;
// How long the daemon may take to show a notification, and to close one as the application ends.
constexpr int notifyTimeoutMilliseconds = 5000;
constexpr int closeAtQuitTimeoutMilliseconds = 1000;

} // namespace

FreedesktopNotificationCenter::FreedesktopNotificationCenter(QDBusConnection connection, QObject* parent)
    : QObject(parent), m_connection(std::move(connection))
{
    withdrawNotificationsAtQuit();
}

FreedesktopNotificationCenter::FreedesktopNotificationCenter(QObject* parent) : QObject(parent)
{
    withdrawNotificationsAtQuit();
}

FreedesktopNotificationCenter::~FreedesktopNotificationCenter() = default;

// On this system the default center is the desktop's notification daemon.
UserNotificationCenter& UserNotificationCenter::defaultUserNotificationCenter()
{
    static UserNotificationCenter* center = new FreedesktopNotificationCenter(qApp);
    return *center;
}

QDBusConnection& FreedesktopNotificationCenter::connection()
{
    if (!m_connection)
        m_connection = QDBusConnection::sessionBus();
    return *m_connection;
}

void FreedesktopNotificationCenter::scheduleNotification(Notification notification)
{
    if (notification.identifier.isEmpty())
        notification.identifier = QUuid::createUuid().toString(QUuid::WithoutBraces);
    const qint64 delay = notification.deliveryDate.isValid()
                             ? QDateTime::currentDateTimeUtc().msecsTo(notification.deliveryDate)
                             : 0;
    if (delay <= 0) {
        deliverNotification(notification);
        return;
    }
    QTimer::singleShot(delay, this, [this, notification] { deliverNotification(notification); });
}

void FreedesktopNotificationCenter::deliverNotification(const Notification& notification)
{
    const bool applicationIsActive = QGuiApplication::applicationState() == Qt::ApplicationActive;
    if (applicationIsActive && delegate() && !delegate()->shouldPresentNotification(*this, notification))
        return;
    if (!connection().isConnected()) {
        Log::write(QStringLiteral("Notification \"%1\" dropped: no session bus").arg(notification.title));
        return;
    }
    if (!connectDaemonSignals()) {
        Log::write(QStringLiteral("Notification \"%1\" dropped: cannot watch the notification daemon")
                       .arg(notification.title));
        return;
    }
    QStringList actions{QString::fromLatin1(defaultActionKey), QString()};
    if (!notification.actionButtonTitle.isEmpty())
        actions << actionKey << notification.actionButtonTitle;
    QDBusMessage call =
        QDBusMessage::createMethodCall(daemonService, daemonPath, daemonInterface, QStringLiteral("Notify"));
    call << QGuiApplication::applicationDisplayName() << uint(0) << QString() << notification.title
         << notification.informativeText << actions << QVariantMap() << neverExpires;
    // Asynchronous: a bus without a daemon must never hold up the application.
    auto* watcher =
        new QDBusPendingCallWatcher(connection().asyncCall(call, notifyTimeoutMilliseconds), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, notification](QDBusPendingCallWatcher* finished) {
                notificationCallFinished(finished, notification);
            });
}

void FreedesktopNotificationCenter::notificationCallFinished(QDBusPendingCallWatcher* watcher,
                                                             const Notification& notification)
{
    watcher->deleteLater();
    const QDBusPendingReply<uint> reply = *watcher;
    if (reply.isError()) {
        Log::write(QStringLiteral("Notification \"%1\" dropped: %2")
                       .arg(notification.title, reply.error().message()));
        return;
    }
    m_delivered.insert(reply.value(), notification);
}

bool FreedesktopNotificationCenter::connectDaemonSignals()
{
    if (m_signalsConnected)
        return true;
    const bool actions =
        connection().connect(daemonService, daemonPath, daemonInterface, QStringLiteral("ActionInvoked"),
                             this, SLOT(actionInvoked(uint, QString)));
    const bool closings =
        connection().connect(daemonService, daemonPath, daemonInterface, QStringLiteral("NotificationClosed"),
                             this, SLOT(notificationClosed(uint, uint)));
    m_signalsConnected = actions && closings;
    return m_signalsConnected;
}

void FreedesktopNotificationCenter::actionInvoked(uint daemonIdentifier, const QString& invokedKey)
{
    const auto found = m_delivered.constFind(daemonIdentifier);
    if (found == m_delivered.constEnd())
        return;
    if (invokedKey != actionKey && invokedKey != QLatin1String(defaultActionKey))
        return;
    const Notification notification = found.value();
    if (Delegate* delegate = this->delegate())
        delegate->didActivateNotification(*this, notification);
}

void FreedesktopNotificationCenter::notificationClosed(uint daemonIdentifier, uint)
{
    m_delivered.remove(daemonIdentifier);
}

void FreedesktopNotificationCenter::removeDeliveredNotification(const Notification& notification)
{
    for (auto it = m_delivered.begin(); it != m_delivered.end(); ++it) {
        if (it.value().identifier != notification.identifier)
            continue;
        const uint daemonIdentifier = it.key();
        m_delivered.erase(it);
        closeNotification(daemonIdentifier);
        return;
    }
}

void FreedesktopNotificationCenter::removeAllDeliveredNotifications()
{
    closeAllDeliveredNotifications(CloseTiming::Queued);
}

void FreedesktopNotificationCenter::closeAllDeliveredNotifications(CloseTiming timing)
{
    const QList<uint> daemonIdentifiers = m_delivered.keys();
    m_delivered.clear();
    for (uint daemonIdentifier : daemonIdentifiers)
        closeNotification(daemonIdentifier, timing);
}

// The daemon keeps a notification until it is closed: one that outlived the application would offer
// a click that nothing answers any more.
void FreedesktopNotificationCenter::withdrawNotificationsAtQuit()
{
    if (QCoreApplication* application = QCoreApplication::instance())
        connect(application, &QCoreApplication::aboutToQuit, this,
                &FreedesktopNotificationCenter::withdrawDeliveredNotifications);
}

void FreedesktopNotificationCenter::withdrawDeliveredNotifications()
{
    // A notification on its way to the daemon is waited for, so that it can be closed too, but no
    // longer than a close may take: a daemon that does not answer must not hold up the end. The
    // bus's own thread takes the answer in, so polling sees it without running the event loop.
    const QDeadlineTimer deadline(closeAtQuitTimeoutMilliseconds);
    for (QDBusPendingCallWatcher* watcher : findChildren<QDBusPendingCallWatcher*>()) {
        while (!watcher->isFinished() && !deadline.hasExpired())
            QThread::msleep(5);
        // Already answered: this only delivers the answer, so that its notification is recorded.
        if (watcher->isFinished())
            watcher->waitForFinished();
    }
    closeAllDeliveredNotifications(CloseTiming::BeforeReturning);
}

void FreedesktopNotificationCenter::closeNotification(uint daemonIdentifier, CloseTiming timing)
{
    QDBusMessage call = QDBusMessage::createMethodCall(daemonService, daemonPath, daemonInterface,
                                                       QStringLiteral("CloseNotification"));
    call << daemonIdentifier;
    // The daemon's answer changes nothing here: the notification is no longer ours either way. As
    // the application ends, the call must have left before the process does.
    if (timing == CloseTiming::BeforeReturning)
        connection().call(call, QDBus::Block, closeAtQuitTimeoutMilliseconds);
    else
        connection().asyncCall(call);
}
