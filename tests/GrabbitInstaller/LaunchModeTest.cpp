// SPDX-License-Identifier: MIT
#include "NSProcessInfo-Extensions.h"
#include "TestSandbox.h"
#include "ZARunningInstance.h"

#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QTest>

namespace {

const QString executable = QStringLiteral(GRABBIT_INSTALLER_EXECUTABLE);
const QString loginArgument = QStringLiteral("--launched-at-login");

// The installer started in the sandbox's home and system root, without a screen.
void startInstaller(QProcess& process, const TestSandbox& sandbox, const QStringList& arguments)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), sandbox.homePath());
    environment.insert(QStringLiteral("GRABBIT_SYSTEM_ROOT"), sandbox.rootPath());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(executable, arguments);
}

bool runningInstanceAnswers()
{
    QLocalSocket socket;
    socket.connectToServer(ZARunningInstance::serverName());
    return socket.waitForConnected(100);
}

} // namespace

class LaunchModeTest : public QObject {
    Q_OBJECT

private slots:
    void theAutostartArgumentStandsForTheLoginWindow_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("atLogin");
        QTest::newRow("autostart entry") << QStringList{executable, loginArgument} << true;
        QTest::newRow("among other arguments") << QStringList{executable, "-psn_0_1", loginArgument} << true;
        QTest::newRow("plain start") << QStringList{executable} << false;
        QTest::newRow("as the program's name") << QStringList{loginArgument} << false;
        QTest::newRow("a look-alike") << QStringList{executable, "--launched-at-login=1"} << false;
    }

    void theAutostartArgumentStandsForTheLoginWindow()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, atLogin);

        QCOMPARE(ProcessInfo::wasLaunchedAtLogin(arguments), atLogin);
        QCOMPARE(ProcessInfo::processLauncherBundleIdentifier(arguments).has_value(), atLogin);
    }

    void aSecondStartHandsOverToTheRunningInstance()
    {
        TestSandbox sandbox;
        QCoreApplication::setApplicationName(QStringLiteral("GrabbitInstaller"));
        QProcess first;
        startInstaller(first, sandbox, {});
        QVERIFY(first.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(runningInstanceAnswers(), 20000);

        QProcess second;
        startInstaller(second, sandbox, {});

        QVERIFY(second.waitForFinished(20000));
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(first.state(), QProcess::Running);
        first.terminate();
        QVERIFY(first.waitForFinished(20000));
        // Ended by a signal, the instance could not take its socket away.
        QLocalServer::removeServer(ZARunningInstance::serverName());
    }
};

QTEST_MAIN(LaunchModeTest)
#include "LaunchModeTest.moc"
