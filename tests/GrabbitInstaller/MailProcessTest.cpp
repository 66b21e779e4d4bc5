// SPDX-License-Identifier: MIT
#include "FakeMailProcess.h"
#include "FakeMailWorkspace.h"
#include "MailBundleInstaller.h"
#include "RunLoop.h"
#include "TestSandbox.h"

#include <QTest>

namespace {

constexpr double longestQuitWait = 15.0;

// A Mail that ends exactly when the engine's wait runs out.
class MailQuittingAtDeadline : public RunningApplication {
public:
    bool isTerminated() override
    {
        return m_quitRequested &&
               RunLoop::timeIntervalSinceReferenceDate() >= m_requestTime + longestQuitWait;
    }
    bool terminate() override
    {
        m_quitRequested = true;
        m_requestTime = RunLoop::timeIntervalSinceReferenceDate();
        return true;
    }

private:
    bool m_quitRequested = false;
    double m_requestTime = 0;
};

class DeadlineWorkspace : public Workspace {
public:
    std::vector<std::unique_ptr<RunningApplication>>
    runningApplicationsWithBundleIdentifier(const QString&) override
    {
        std::vector<std::unique_ptr<RunningApplication>> result;
        result.push_back(std::make_unique<MailQuittingAtDeadline>());
        return result;
    }
};

} // namespace

class MailProcessTest : public QObject {
    Q_OBJECT

private slots:
    void mailQuittingAfterADelayIsAwaited()
    {
        TestSandbox sandbox;
        sandbox.installMail(mail1012);
        FakeMailProcess mail(sandbox.mailApplicationPath());
        mail.setQuitDelay(2);
        const pid_t pid = mail.start();
        MailBundleInstaller installer;
        QVERIFY(installer.isMailRunning());

        const double requested = RunLoop::timeIntervalSinceReferenceDate();
        QVERIFY(installer.terminateMail());
        const double returned = RunLoop::timeIntervalSinceReferenceDate();

        QVERIFY(!mail.isRunning(pid));
        QVERIFY(!installer.isMailRunning());
        const double exited = mail.exitTime(pid);
        QVERIFY(exited >= requested + 2);
        QVERIFY(returned >= exited);
        // Well before the longest wait: the loop notices the exit instead of waiting it out.
        QVERIFY(returned - requested < longestQuitWait / 2);
    }

    void onlyTheFirstOfTwoInstancesIsAskedToQuit()
    {
        TestSandbox sandbox;
        sandbox.installMail(mail1012);
        FakeMailProcess mail(sandbox.mailApplicationPath());
        const pid_t first = mail.start();
        const pid_t second = mail.start();
        MailBundleInstaller installer;

        QVERIFY(installer.terminateMail());
        QVERIFY(!mail.isRunning(first));
        QVERIFY(mail.isRunning(second));
        QCOMPARE(mail.quitRequestCount(), 1);
        QVERIFY(installer.isMailRunning());
    }

    void quitAnswers_data()
    {
        QTest::addColumn<bool>("firstTerminated");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("running");
        QTest::addColumn<bool>("quit");
        QTest::addColumn<int>("quitRequests");

        using Answer = FakeMailWorkspace::QuitAnswer;
        QTest::newRow("first instance already ended") << true << int(Answer::Quits) << false << true << 0;
        QTest::newRow("request refused") << false << int(Answer::Refuses) << true << false << 1;
        QTest::newRow("quits at once") << false << int(Answer::Quits) << true << true << 1;
    }

    void quitAnswers()
    {
        QFETCH(bool, firstTerminated);
        QFETCH(int, answer);
        QFETCH(bool, running);
        QFETCH(bool, quit);
        QFETCH(int, quitRequests);
        FakeMailWorkspace workspace;
        const auto first = workspace.addInstance(static_cast<FakeMailWorkspace::QuitAnswer>(answer));
        first->terminated = firstTerminated;
        const auto second = workspace.addInstance();
        ScopedSharedWorkspace scopedWorkspace(&workspace);
        MailBundleInstaller installer;

        QCOMPARE(installer.isMailRunning(), running);
        QCOMPARE(installer.terminateMail(), quit);
        QCOMPARE(first->quitRequests, quitRequests);
        QCOMPARE(second->quitRequests, 0);
    }

    void mailEndingInTheLastSliceCountsAsQuit()
    {
        DeadlineWorkspace workspace;
        ScopedSharedWorkspace scopedWorkspace(&workspace);
        MailBundleInstaller installer;
        QVERIFY(installer.terminateMail());
    }

    void launchStartsMailWithoutActivation()
    {
        TestSandbox sandbox;
        MailBundleInstaller installer;
        QVERIFY(!installer.launchMail());

        sandbox.installMail(mail1012);
        FakeMailProcess mail(sandbox.mailApplicationPath());
        QVERIFY(installer.launchMail());
        QVERIFY(mail.waitForStarts(1));
        QCOMPARE(mail.starts().first().arguments, QStringList{QStringLiteral("--without-activation")});
        QVERIFY(installer.isMailRunning());
    }
};

QTEST_GUILESS_MAIN(MailProcessTest)
#include "MailProcessTest.moc"
