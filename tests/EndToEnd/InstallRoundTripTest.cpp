// SPDX-License-Identifier: MIT
// The whole product on a simulated Mac: the installer's window in this process, grabbitctl and
// the application as processes of their own, against the stand-in Mail with the real plug-in on
// the test's private X server, and a private bus with our own notification daemon.
#include "InstallerWindow.h"
#include "LineEscaping.h"
#include "SampleMessages.h"
#include "TestMac.h"
#include "UserNotificationTestBus.h"

#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <X11/Xlib.h>
#include <unistd.h>

namespace {

const QString pluginName = QStringLiteral("ZephMailMessageServiceEnabler.mailbundle");

// A Mail other than the earlier ones, opened in the background, has loaded the plug-in, and a
// Services request through it hands over the first and the third message in full and nothing of
// the second.
void expectPluginLoadedByAFreshMail(const TestMac& mac, const QList<qint64>& earlier)
{
    QVERIFY2(mac.waitForMail(earlier, 20000), "Mail was not opened again");
    const QString status = mac.askMail("status").value_or(QString());
    QVERIFY2(status.contains("launched-without-activation=yes\twindow-visible=no") &&
                 status.contains("bundles-loaded=" + pluginName),
             qPrintable(status));
    QCOMPARE(mac.askMail("select 0 2"), "ok 2 selected");
    const QString answer = mac.askMail("services").value_or(QString());
    QVERIFY2(answer.startsWith("text "), qPrintable(answer));
    const std::string text = LineEscaping::unescape(answer.mid(5).toStdString());
    const auto& messages = SampleMessages::all();
    QVERIFY(text.find(messages[0]) != std::string::npos && text.find(messages[2]) != std::string::npos);
    QVERIFY(text.find(messages[1]) == std::string::npos);
}

// Qt's hidden client-leader window bears the application's display name too: any window of that
// name that is viewable counts.
bool windowIsViewable(const QString& title)
{
    QProcess tree;
    tree.start("xwininfo", {"-root", "-tree"});
    if (!tree.waitForFinished(10000))
        return false;
    for (const QByteArray& line : tree.readAllStandardOutput().split('\n')) {
        if (!line.contains("\"" + title.toUtf8() + "\":"))
            continue;
        QProcess information;
        information.start("xwininfo", {"-id", QString::fromUtf8(line.trimmed().split(' ').value(0))});
        if (information.waitForFinished(10000) && information.readAllStandardOutput().contains("IsViewable"))
            return true;
    }
    return false;
}

// The installer as a process of its own on the test's X server and bus, in the Mac the test is in.
void startInstaller(QProcess& installer, const QString& busAddress, const QStringList& arguments = {})
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DBUS_SESSION_BUS_ADDRESS", busAddress);
    environment.insert("QT_QPA_PLATFORM", "xcb");
    installer.setProcessEnvironment(environment);
    installer.start(GRABBIT_BUILD_DIR "/GrabbitInstaller.app/Contents/MacOS/GrabbitInstaller", arguments);
}

bool xdotool(const QStringList& arguments)
{
    QProcess tool;
    tool.start("xdotool", arguments);
    return tool.waitForFinished(20000) && tool.exitCode() == 0;
}

// The processor time the process has used, in clock ticks (user and system, fields 14 and 15).
qint64 processorTime(qint64 pid)
{
    const QList<QByteArray> fields =
        TestMac::contents(QString("/proc/%1/stat").arg(pid)).split(')').last().split(' ');
    return fields.value(12).toLongLong() + fields.value(13).toLongLong();
}

// Whether a window asks the window manager to mark it as demanding attention in that time.
bool attentionRequested(Display* display, int milliseconds)
{
    const Atom state = XInternAtom(display, "_NET_WM_STATE", False);
    const Atom attention = XInternAtom(display, "_NET_WM_STATE_DEMANDS_ATTENTION", False);
    return QTest::qWaitFor(
        [&] {
            XEvent event;
            while (XPending(display)) {
                XNextEvent(display, &event);
                if (event.type == ClientMessage && event.xclient.message_type == state &&
                    event.xclient.data.l[0] == 1 && Atom(event.xclient.data.l[1]) == attention)
                    return true;
            }
            return false;
        },
        milliseconds);
}

} // namespace

class InstallRoundTripTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_configHome;
    UserNotificationTestBus m_bus;
    FakeNotificationDaemon m_notifications;

private slots:
    void initTestCase()
    {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_configHome.path()));
        qputenv("LC_ALL", "C.UTF-8");
        QVERIFY(!qEnvironmentVariableIsEmpty("DISPLAY") && m_bus.startDaemon(&m_notifications));
    }

    void aFirstInstallThroughTheWindowWithMailRunning()
    {
        TestMac mac;
        QVERIFY(mac.startMail() && mac.askMail("status").value_or("").contains("window-visible=yes"));
        const QList<qint64> earlier = mac.mailProcesses();
        InstallerWindow window;

        window.click("installMailBundleButton");
        QVERIFY(window.waitUntilIdle());

        QMessageBox* offer = InstallerWindow::sheet("loginItemOffer");
        QVERIFY(offer);
        QVERIFY(InstallerWindow::answer(offer, QString::fromUtf8("Don’t Add")));
        QCOMPARE(window.part<QLabel>("titleTextField")->text(), "Grabbit Installed");
        expectPluginLoadedByAFreshMail(mac, earlier);
        QCOMPARE(TestMac::grabbitctl({"state"}).output, "3 MailBundleStateUpToDate\n");
    }

    void anOSUpdateIsNoticedAtLoginUpdatedAndRemoved()
    {
        TestMac mac("10.12.2");
        QCOMPARE(TestMac::grabbitctl({"install"}).status, 0);
        QVERIFY(mac.updateOperatingSystem("10.12.6"));
        QVERIFY(mac.startMail());
        QVERIFY(mac.askMail("status").value_or("").contains("bundles-moved=" + pluginName +
                                                            ":Bundles (Disabled)"));
        QCOMPARE(mac.askMail("services"), "no-requestor");
        QCOMPARE(TestMac::grabbitctl({"state"}).output, "1 MailBundleStateRequiresUpdateForOSChange\n");
        {
            Display* display = XOpenDisplay(nullptr);
            XSelectInput(display, DefaultRootWindow(display), StructureNotifyMask);
            QProcess installer, secondStart;
            startInstaller(installer, m_bus.address(), {"--launched-at-login"});
            QTRY_VERIFY_WITH_TIMEOUT(!m_notifications.shown.isEmpty(), 30000);
            // Left alone and not active, the window asks for attention after a while.
            QTRY_VERIFY_WITH_TIMEOUT(windowIsViewable("Taskwell Grabbit"), 10000);
            XSetInputFocus(display, PointerRoot, RevertToPointerRoot, CurrentTime);
            QVERIFY(attentionRequested(display, 10000));
            XCloseDisplay(display);
            const FakeNotificationDaemon::Shown shown = m_notifications.shown.takeLast();
            QCOMPARE(shown.summary, "Update Grabbit");
            QCOMPARE(shown.actions.value(3), "Update");
            m_notifications.invokeAction(shown.identifier, shown.actions.value(2));
            QTRY_VERIFY_WITH_TIMEOUT(m_notifications.closed.contains(shown.identifier), 10000);
            QTRY_VERIFY_WITH_TIMEOUT(windowIsViewable("Taskwell Grabbit"), 10000);
            // A second start hands over to the running installer and ends.
            startInstaller(secondStart, m_bus.address());
            QVERIFY(secondStart.waitForFinished(20000) && secondStart.exitCode() == 0);
            QCOMPARE(installer.state(), QProcess::Running);
            installer.kill();
        }
        const QList<qint64> earlier = mac.mailProcesses();
        const TestMac::Result update = TestMac::grabbitctl({"install"});
        QVERIFY2(update.status == 0, qPrintable(update.errors));
        expectPluginLoadedByAFreshMail(mac, earlier);
        QVERIFY(!QDir(mac.bundlesFolder("Bundles (Disabled)")).exists());
    }

    // Quit while the installer waits for Mail to quit: the install ends as it would have, without
    // spinning meanwhile, and then the application.
    void anEndAskedForDuringTheWorkComesAfterItWithoutSpinning()
    {
        TestMac mac;
        QVERIFY(mac.startMail({}, {"GRABBIT_MAIL_QUIT=4"}));
        QProcess installer;
        startInstaller(installer, m_bus.address());
        QVERIFY(xdotool({"search", "--sync", "--onlyvisible", "--name", "^Taskwell Grabbit$"}));
        QTest::qWait(500);
        QVERIFY(xdotool({"key", "space"}));
        QTest::qWait(500);
        QVERIFY(xdotool({"key", "ctrl+q"}));
        const qint64 before = processorTime(installer.processId());
        QTest::qWait(2000);
        QCOMPARE(installer.state(), QProcess::Running);
        QVERIFY2(processorTime(installer.processId()) - before < sysconf(_SC_CLK_TCK) / 4,
                 "the installer spins while Mail quits");
        QVERIFY(installer.waitForFinished(30000) && installer.exitCode() == 0);
        QCOMPARE(TestMac::grabbitctl({"state"}).output, "3 MailBundleStateUpToDate\n");
    }
};

QTEST_MAIN(InstallRoundTripTest)
#include "InstallRoundTripTest.moc"
