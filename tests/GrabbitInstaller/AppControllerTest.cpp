// SPDX-License-Identifier: MIT
// The application's launch modes: at login it shows itself only after an OS change.
#include "AppController.h"
#include "MailBundleInstaller.h"
#include "NSProcessInfo-Extensions.h"
#include "TestMac.h"
#include "UserNotificationTestBus.h"

#include <QScreen>
#include <QTest>
#include <QTimer>

class AppControllerTest : public QObject {
    Q_OBJECT

    UserNotificationTestBus m_bus;
    FakeNotificationDaemon m_daemon;
    int m_terminations = 0;

    // A login-time launch on a Mac whose plug-in is in that state.
    void launchAtLogin(AppController& app, const TestMac& mac, int state)
    {
        mac.putPlugin(state);
        app.setTerminationHandler([this] { ++m_terminations; });
        app.configureMainWindow();
        app.performLoginItemLaunchActions();
    }

private slots:
    void initTestCase()
    {
        // The notification center meets our daemon on the session bus it finds first.
        QVERIFY(m_bus.isRunning() && m_bus.startDaemon(&m_daemon));
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_bus.address().toUtf8());
    }

    void onlyTheAutostartArgumentMeansALoginLaunch_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("atLogin");
        QTest::newRow("the autostart entry's")
            << QStringList{"Grabbit", "-psn_0_1", "--launched-at-login"} << true;
        QTest::newRow("a plain start") << QStringList{"Grabbit"} << false;
        QTest::newRow("as the program's name") << QStringList{"--launched-at-login"} << false;
        QTest::newRow("a look-alike") << QStringList{"Grabbit", "--launched-at-login=1"} << false;
    }

    void onlyTheAutostartArgumentMeansALoginLaunch()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, atLogin);
        QCOMPARE(ProcessInfo::wasLaunchedAtLogin(arguments), atLogin);
    }

    void aLoginLaunchEndsUnseenUnlessMailChanged()
    {
        for (const int state :
             {MailBundleStateNotInstalled, MailBundleStateRequiresUpdateForMailBundleChange}) {
            TestMac mac;
            AppController app;
            launchAtLogin(app, mac, state);
            QTest::qWait(200);
            QCOMPARE(std::exchange(m_terminations, 0), 1);
            QVERIFY(!app.window()->testAttribute(Qt::WA_WState_Created));
            QVERIFY(m_daemon.shown.isEmpty());
        }
    }

    void afterAnOSChangeItNotifiesAndAReopenBringsTheWindowCentred()
    {
        TestMac mac;
        AppController app;
        launchAtLogin(app, mac, MailBundleStateRequiresUpdateForOSChange);
        QTRY_COMPARE(UserNotificationCenter::defaultUserNotificationCenter().deliveredNotifications().size(),
                     1);
        // The desktop names the application as its window does, not after the executable.
        QCOMPARE(m_daemon.shown.first().application, "Taskwell Grabbit");
        QCOMPARE(m_daemon.shown.first().body, "Taskwell Grabbit needs to be updated.");
        QVERIFY(app.window()->isVisible());
        // An installer's one window keeps its size.
        QVERIFY(app.window()->minimumSize() == app.window()->maximumSize() &&
                !(app.window()->windowFlags() & Qt::WindowMaximizeButtonHint));
        app.window()->hide();

        QVERIFY(!app.applicationShouldHandleReopen(false));

        QVERIFY(QTest::qWaitForWindowExposed(app.window()));
        const QRect available = app.window()->screen()->availableGeometry();
        QVERIFY(qAbs(app.window()->frameGeometry().center().x() - available.center().x()) <= 1);
        QTRY_VERIFY(m_daemon.closed.contains(m_daemon.shown.first().identifier));
        QCOMPARE(m_terminations, 0);
        app.window()->close();
        QCOMPARE(m_terminations, 1);
    }

    // A notification left on screen after the end would offer a click that nothing answers.
    void theNotificationIsWithdrawnWhenTheApplicationEnds()
    {
        TestMac mac;
        AppController app;
        launchAtLogin(app, mac, MailBundleStateRequiresUpdateForOSChange);
        QTRY_VERIFY(
            !UserNotificationCenter::defaultUserNotificationCenter().deliveredNotifications().isEmpty());
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        QCoreApplication::exec();
        QTRY_VERIFY(m_daemon.closed.contains(m_daemon.shown.last().identifier));
    }
};

QTEST_MAIN(AppControllerTest)
#include "AppControllerTest.moc"
