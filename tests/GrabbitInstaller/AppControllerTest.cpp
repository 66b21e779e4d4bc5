// SPDX-License-Identifier: MIT
#include "AppController.h"
#include "InstallerViewController.h"
#include "InterfaceTestDesktopServices.h"
#include "InterfaceTestSandbox.h"
#include "MailBundleInstaller.h"
#include "TestSandbox.h"
#include "UserNotificationTestBus.h"

#include <QApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

namespace {

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
    prepareInterfaceSandbox(sandbox, state);
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

void AppControllerTest::reopenRemovesTheNotificationsAndShowsTheWindow()
{
    TestSandbox sandbox;
    prepareInterfaceSandbox(sandbox, MailBundleStateRequiresUpdateForOSChange);
    Controller app;
    app.controller.configureMainWindow();
    app.controller.performLoginItemLaunchActions();
    QTRY_COMPARE(UserNotificationCenter::defaultUserNotificationCenter().deliveredNotifications().size(), 1);
    QVERIFY(app.controller.hasBecomeForegroundProcess());
    QCOMPARE(m_daemon.shown.last().body, QStringLiteral("Taskwell Grabbit needs to be updated."));
    const uint shownIdentifier = m_daemon.shown.last().identifier;
    app.controller.window()->hide();

    QVERIFY(!app.controller.applicationShouldHandleReopen(false));

    QWidget* window = app.controller.window();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    const QRect available = window->screen()->availableGeometry();
    QVERIFY(qAbs(window->frameGeometry().center().x() - available.center().x()) <= 1);
    QTRY_VERIFY(m_daemon.closed.contains(shownIdentifier));
    QCOMPARE(app.terminations, 0);
}

void AppControllerTest::closingTheWindowEndsTheApplication()
{
    TestSandbox sandbox;
    prepareInterfaceSandbox(sandbox, MailBundleStateUpToDate);
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
