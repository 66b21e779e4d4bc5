// SPDX-License-Identifier: MIT
#include "AppController.h"
#include "InstallerViewController.h"
#include "InterfaceTestDesktopServices.h"
#include "InterfaceTestScreenshot.h"
#include "MailBundleInstaller.h"
#include "TestSandbox.h"
#include "UserNotificationTestBus.h"

#include <QApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString mail1012 = QStringLiteral("10.12.6-mail-16G1408-info.plist");

void prepare(TestSandbox& sandbox, int state)
{
    sandbox.installMail(mail1012);
    sandbox.setSystemVersion(QStringLiteral("10.12.6"));
    const QVariantList currentStamp{QStringLiteral("21560BD9-A3CC-482E-9B99-95B7BF61EDC1")};
    const QVariantList staleStamp{QStringLiteral("3335F782-01E2-4DF1-9E61-F81314124212")};
    if (state == MailBundleStateRequiresUpdateForOSChange)
        sandbox.makePlugin(QStringLiteral("Bundles"), QStringLiteral("1.4"), staleStamp);
    if (state == MailBundleStateRequiresUpdateForMailBundleChange)
        sandbox.makePlugin(QStringLiteral("Bundles"), QStringLiteral("1.3"), currentStamp);
    if (state == MailBundleStateUpToDate)
        sandbox.makePlugin(QStringLiteral("Bundles"), QStringLiteral("1.4"), currentStamp);
    MailBundleInstaller::sharedInstaller()->updateMailBundleState();
}

// An application controller whose termination is only counted.
struct Controller {
    AppController controller;
    int terminations = 0;
    Controller()
    {
        controller.setTerminationHandler([this] { ++terminations; });
    }
};

} // namespace

class AppControllerTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void loginLaunchEndsSilentlyUnlessMailChanged_data();
    void loginLaunchEndsSilentlyUnlessMailChanged();
    void loginLaunchAfterAnOSChangeNotifiesAndShowsTheWindow();
    void reopenRemovesTheNotificationsAndShowsTheWindow();
    void closingTheWindowEndsTheApplication();

private:
    QTemporaryDir m_configHome;
    InterfaceTestDesktopServices m_desktop;
    std::unique_ptr<ScopedSharedDesktopServices> m_scopedDesktop;
    std::unique_ptr<UserNotificationTestBus> m_bus;
    FakeNotificationDaemon m_daemon;
};

void AppControllerTest::initTestCase()
{
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_configHome.path()));
    m_scopedDesktop = std::make_unique<ScopedSharedDesktopServices>(&m_desktop);
    // The default notification center meets our daemon on the session bus it finds first.
    m_bus = std::make_unique<UserNotificationTestBus>();
    QVERIFY(m_bus->isRunning());
    QVERIFY(m_bus->startDaemon(&m_daemon));
    qputenv("DBUS_SESSION_BUS_ADDRESS", m_bus->address().toUtf8());
}

void AppControllerTest::loginLaunchEndsSilentlyUnlessMailChanged_data()
{
    QTest::addColumn<int>("state");
    QTest::newRow("not installed") << int(MailBundleStateNotInstalled);
    QTest::newRow("newer plug-in packaged") << int(MailBundleStateRequiresUpdateForMailBundleChange);
    QTest::newRow("up to date") << int(MailBundleStateUpToDate);
}

void AppControllerTest::loginLaunchEndsSilentlyUnlessMailChanged()
{
    QFETCH(int, state);
    TestSandbox sandbox;
    prepare(sandbox, state);
    const qsizetype notificationsBefore = m_daemon.shown.size();
    Controller app;

    app.controller.configureMainWindow();
    app.controller.performLoginItemLaunchActions();
    QTest::qWait(200);

    QCOMPARE(app.terminations, 1);
    QVERIFY(!app.controller.window()->isVisible());
    QVERIFY(!app.controller.window()->testAttribute(Qt::WA_WState_Created));
    QVERIFY(!app.controller.hasBecomeForegroundProcess());
    QCOMPARE(m_daemon.shown.size(), notificationsBefore);
}

void AppControllerTest::loginLaunchAfterAnOSChangeNotifiesAndShowsTheWindow()
{
    TestSandbox sandbox;
    prepare(sandbox, MailBundleStateRequiresUpdateForOSChange);
    const qsizetype notificationsBefore = m_daemon.shown.size();
    Controller app;

    app.controller.configureMainWindow();
    app.controller.performLoginItemLaunchActions();

    QCOMPARE(app.terminations, 0);
    QVERIFY(app.controller.hasBecomeForegroundProcess());
    QWidget* window = app.controller.window();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    const QRect available = window->screen()->availableGeometry();
    QVERIFY(qAbs(window->frameGeometry().center().x() - available.center().x()) <= 1);
    QTRY_COMPARE(m_daemon.shown.size(), notificationsBefore + 1);
    const FakeNotificationDaemon::Shown shown = m_daemon.shown.last();
    QCOMPARE(shown.summary, QStringLiteral("Update Grabbit"));
    QCOMPARE(shown.body, QStringLiteral("Taskwell Grabbit needs to be updated."));
    saveScreenshot(QStringLiteral("login-launch-after-os-change"), window);

    // The user hid the window, then clicks the notification's button.
    window->hide();
    QTRY_COMPARE(UserNotificationCenter::defaultUserNotificationCenter().deliveredNotifications().size(), 1);
    m_daemon.invokeAction(shown.identifier, QStringLiteral("Update"));
    QTRY_VERIFY(window->isVisible());
    QTRY_VERIFY(m_daemon.closed.contains(shown.identifier));
    QVERIFY(UserNotificationCenter::defaultUserNotificationCenter().deliveredNotifications().isEmpty());
}

void AppControllerTest::reopenRemovesTheNotificationsAndShowsTheWindow()
{
    TestSandbox sandbox;
    prepare(sandbox, MailBundleStateRequiresUpdateForOSChange);
    Controller app;
    app.controller.configureMainWindow();
    app.controller.performLoginItemLaunchActions();
    QTRY_COMPARE(UserNotificationCenter::defaultUserNotificationCenter().deliveredNotifications().size(), 1);
    const uint shownIdentifier = m_daemon.shown.last().identifier;
    app.controller.window()->hide();

    QVERIFY(!app.controller.applicationShouldHandleReopen(false));

    QVERIFY(app.controller.window()->isVisible());
    QTRY_VERIFY(m_daemon.closed.contains(shownIdentifier));
    QCOMPARE(app.terminations, 0);
}

void AppControllerTest::closingTheWindowEndsTheApplication()
{
    TestSandbox sandbox;
    prepare(sandbox, MailBundleStateUpToDate);
    Controller app;
    app.controller.configureMainWindow();
    app.controller.performStandardLaunchActions();
    QVERIFY(QTest::qWaitForWindowExposed(app.controller.window()));
    QCOMPARE(app.terminations, 0);

    app.controller.window()->close();

    QCOMPARE(app.terminations, 1);
}

QTEST_MAIN(AppControllerTest)
#include "AppControllerTest.moc"
