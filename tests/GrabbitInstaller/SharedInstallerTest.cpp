// SPDX-License-Identifier: MIT
// Runs in a process of its own: the shared installer is made once per process.
#include "MailBundleInstaller.h"
#include "NotificationCenter.h"
#include "TestSandbox.h"

#include <QTest>

class SharedInstallerTest : public QObject {
    Q_OBJECT

private slots:
    void firstStateIsComputedSilentlyThenChangesAreAnnounced();
};

void SharedInstallerTest::firstStateIsComputedSilentlyThenChangesAreAnnounced()
{
    TestSandbox sandbox;
    sandbox.installMail(QStringLiteral("10.12.6-mail-16G1408-info.plist"));
    sandbox.makePlugin(QStringLiteral("Bundles (Disabled)"), QStringLiteral("1.4"), QVariantList{});
    int announcements = 0;
    NotificationCenter::defaultCenter().addObserver(this, MailBundleInstallerBundleStateDidChangeNotification,
                                                    nullptr, [&](const Notification&) { ++announcements; });

    MailBundleInstaller* installer = MailBundleInstaller::sharedInstaller();
    QCOMPARE(installer->mailBundleState(), MailBundleStateRequiresUpdateForOSChange);
    QCOMPARE(announcements, 0);
    QCOMPARE(MailBundleInstaller::sharedInstaller(), installer);

    QDir(sandbox.mailDirectory()).removeRecursively();
    installer->updateMailBundleState();
    QCOMPARE(installer->mailBundleState(), MailBundleStateNotInstalled);
    QCOMPARE(announcements, 1);
    NotificationCenter::defaultCenter().removeObserver(this);
}

QTEST_GUILESS_MAIN(SharedInstallerTest)
#include "SharedInstallerTest.moc"
