// SPDX-License-Identifier: MIT
#include "CapturedLog.h"
#include "FreedesktopNotificationCenter.h"
#include "UserNotificationTestBus.h"

#include <QTest>

namespace {

using Notification = UserNotificationCenter::Notification;

class RecordingDelegate : public UserNotificationCenter::Delegate {
public:
    QStringList activated;
    bool shouldPresentNotification(UserNotificationCenter&, const Notification&) override { return true; }
    void didActivateNotification(UserNotificationCenter&, const Notification& notification) override
    {
        activated.append(notification.identifier);
    }
};

const Notification notification{"update", "Update Grabbit", "Body", "Aktualisieren", {}};

} // namespace

class UserNotificationCenterTest : public QObject {
    Q_OBJECT

private slots:
    // A click on the body or on the action button, whatever its label, reaches the delegate; other
    // actions and other notifications do not. (Showing and closing are proven end to end.)
    void theDaemonShowsItAndClicksReachTheDelegate()
    {
        UserNotificationTestBus bus;
        FakeNotificationDaemon daemon;
        QVERIFY(bus.startDaemon(&daemon));
        FreedesktopNotificationCenter center(bus.connect("center"));
        RecordingDelegate delegate;
        center.setDelegate(&delegate);
        center.scheduleNotification(notification);
        QTRY_COMPARE(center.deliveredNotifications().size(), 1);
        const FakeNotificationDaemon::Shown shown = daemon.shown.value(0);
        QCOMPARE(shown.actions, (QStringList{"default", QString(), "Update", "Aktualisieren"}));
        for (const char* key : {"dismissed", "Update", "default"})
            daemon.invokeAction(shown.identifier, key);
        daemon.invokeAction(shown.identifier + 1, "Update");
        QTRY_COMPARE(delegate.activated, (QStringList{"update", "update"}));
    }

    void withoutDaemonOrBusTheNotificationIsDroppedWithOneLogLine()
    {
        UserNotificationTestBus bus;
        for (const QDBusConnection& connection : {bus.connect("center"), QDBusConnection("no bus")}) {
            CapturedLog log;
            FreedesktopNotificationCenter center(connection);
            center.scheduleNotification(notification);
            QTRY_COMPARE(log.lines.size(), 1);
            QTest::qWait(100);
            QCOMPARE(log.lines.size(), 1);
            QVERIFY(log.lines.first().startsWith("Notification \"Update Grabbit\" dropped: "));
            QVERIFY(center.deliveredNotifications().isEmpty());
        }
    }
};

QTEST_MAIN(UserNotificationCenterTest)
#include "UserNotificationCenterTest.moc"
