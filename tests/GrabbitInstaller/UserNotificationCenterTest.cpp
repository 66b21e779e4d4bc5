// SPDX-License-Identifier: MIT
#include "FreedesktopNotificationCenter.h"
#include "Log.h"
#include "UserNotificationTestBus.h"

#include <QTest>

namespace {

class RecordingDelegate : public UserNotificationCenter::Delegate {
public:
    QStringList activated;
    bool shouldPresentNotification(UserNotificationCenter&,
                                   const UserNotificationCenter::Notification&) override
    {
        return true;
    }
    void didActivateNotification(UserNotificationCenter&,
                                 const UserNotificationCenter::Notification& notification) override
    {
        activated.append(notification.identifier);
    }
};

UserNotificationCenter::Notification updateNotification()
{
    UserNotificationCenter::Notification notification;
    notification.identifier = QStringLiteral("update");
    notification.title = QStringLiteral("Update Grabbit");
    notification.informativeText = QStringLiteral("Taskwell Grabbit needs to be updated.");
    notification.actionButtonTitle = QStringLiteral("Aktualisieren");
    return notification;
}

} // namespace

class UserNotificationCenterTest : public QObject {
    Q_OBJECT

private slots:
    void theDaemonShowsItAndReportsClicks()
    {
        UserNotificationTestBus bus;
        QVERIFY(bus.isRunning());
        FakeNotificationDaemon daemon;
        QVERIFY(bus.startDaemon(&daemon));
        FreedesktopNotificationCenter center(bus.connect(QStringLiteral("center")));
        RecordingDelegate delegate;
        center.setDelegate(&delegate);

        center.scheduleNotification(updateNotification());

        QTRY_COMPARE(center.deliveredNotifications().size(), 1);
        QCOMPARE(daemon.shown.size(), 1);
        const FakeNotificationDaemon::Shown shown = daemon.shown.first();
        QCOMPARE(shown.summary, QStringLiteral("Update Grabbit"));
        QCOMPARE(shown.body, QStringLiteral("Taskwell Grabbit needs to be updated."));
        // The action's key stays "Update" whatever the button's translated label.
        QCOMPARE(shown.actions, (QStringList{QStringLiteral("default"), QString(), QStringLiteral("Update"),
                                             QStringLiteral("Aktualisieren")}));

        daemon.invokeAction(shown.identifier, QStringLiteral("dismissed"));
        daemon.invokeAction(shown.identifier + 1, QStringLiteral("Update"));
        daemon.invokeAction(shown.identifier, QStringLiteral("Update"));
        daemon.invokeAction(shown.identifier, QStringLiteral("default"));
        QTRY_COMPARE(delegate.activated, (QStringList{QStringLiteral("update"), QStringLiteral("update")}));

        center.removeDeliveredNotification(updateNotification());
        QVERIFY(center.deliveredNotifications().isEmpty());
        QTRY_COMPARE(daemon.closed, QList<uint>{shown.identifier});
    }

    void withoutDaemonOrBusTheNotificationIsDroppedWithOneLogLine_data()
    {
        QTest::addColumn<bool>("busRuns");
        QTest::newRow("no daemon on the bus") << true;
        QTest::newRow("no bus") << false;
    }

    void withoutDaemonOrBusTheNotificationIsDroppedWithOneLogLine()
    {
        QFETCH(bool, busRuns);
        UserNotificationTestBus bus;
        QVERIFY(bus.isRunning());
        QStringList lines;
        const Log::Sink previous = Log::setSink([&lines](const QString& line) { lines << line; });
        {
            FreedesktopNotificationCenter center(busRuns
                                                     ? bus.connect(QStringLiteral("center"))
                                                     : QDBusConnection(QStringLiteral("no such connection")));

            center.scheduleNotification(updateNotification());

            QTRY_COMPARE(lines.size(), 1);
            QTest::qWait(100);
            QVERIFY(center.deliveredNotifications().isEmpty());
        }
        Log::setSink(previous);
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines.first().startsWith(QStringLiteral("Notification \"Update Grabbit\" dropped: ")),
                 qPrintable(lines.first()));
    }
};

QTEST_MAIN(UserNotificationCenterTest)
#include "UserNotificationCenterTest.moc"
