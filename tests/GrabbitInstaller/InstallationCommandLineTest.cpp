// SPDX-License-Identifier: MIT
#include "FakeMailProcess.h"
#include "PropertyList.h"
#include "TestSandbox.h"

#include <QFileInfo>
#include <QProcess>
#include <QTest>

namespace {

const QString mail1012 = QStringLiteral("10.12.6-mail-16G1408-info.plist");

struct CommandResult {
    int exitStatus = -1;
    QString output;
    QString errors;
};

} // namespace

// grabbitctl as a script runs it: its own process, the sandbox's home and system root, the real
// unzip, chmod and defaults tool, and a fake Mail that is quit and started again around the work.
class InstallationCommandLineTest : public QObject {
    Q_OBJECT

private:
    CommandResult run(const TestSandbox& sandbox, const QString& command)
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), sandbox.homePath());
        environment.insert(QStringLiteral("GRABBIT_SYSTEM_ROOT"), sandbox.rootPath());
        environment.insert(QStringLiteral("GRABBIT_MAIN_BUNDLE"), sandbox.installerBundlePath());
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(GRABBITCTL), {command});
        if (!process.waitForFinished(60000))
            return {};
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

private slots:
    void initTestCase()
    {
        if (!QFileInfo(qEnvironmentVariable("GRABBIT_DEFAULTS_TOOL")).isExecutable())
            QSKIP("the defaults tool is not built");
    }

    void installStateAndRemoveDoTheWholeJob()
    {
        TestSandbox sandbox;
        sandbox.installMail(mail1012);
        sandbox.setSystemVersion(QStringLiteral("10.12.6"));
        sandbox.writeMailPreferences({{QStringLiteral("BundleCompatibilityVersion"), qint64(1)}});
        sandbox.setPackagedArchive(TestSandbox::builtArchivePath());
        sandbox.makePlugin(QStringLiteral("Bundles (Disabled)"), QStringLiteral("1.0"), std::nullopt);
        FakeMailProcess mail(sandbox.mailApplicationPath());
        mail.start();

        const CommandResult install = run(sandbox, QStringLiteral("install"));
        QCOMPARE(install.errors, QString());
        QCOMPARE(install.output, QString());
        QCOMPARE(install.exitStatus, 0);
        QVERIFY(mail.waitForStarts(2));
        QCOMPARE(mail.starts().last().arguments, QStringList{QStringLiteral("--without-activation")});
        const auto preferences = PropertyList::dictionaryWithContentsOfFile(sandbox.mailPreferencesPath());
        QVERIFY(preferences);
        QCOMPARE(preferences->value(QStringLiteral("BundleCompatibilityVersion")).toLongLong(), 3);
        QCOMPARE(preferences->value(QStringLiteral("EnableBundles")).toBool(), true);

        const CommandResult state = run(sandbox, QStringLiteral("state"));
        QCOMPARE(state.output, QStringLiteral("3 MailBundleStateUpToDate\n"));

        const CommandResult remove = run(sandbox, QStringLiteral("remove"));
        QCOMPARE(remove.errors, QString());
        QCOMPARE(remove.exitStatus, 0);
        QVERIFY(mail.waitForStarts(3));
        QVERIFY(!QFileInfo::exists(sandbox.mailDirectory() + QLatin1String("/Bundles")));
        QCOMPARE(run(sandbox, QStringLiteral("state")).output,
                 QStringLiteral("0 MailBundleStateNotInstalled\n"));
    }

    void aFailureIsOneLineOnStandardError()
    {
        TestSandbox sandbox;
        sandbox.installMail(mail1012);
        const QString earlier =
            sandbox.makePlugin(QStringLiteral("Bundles"), QStringLiteral("1.0"), std::nullopt);
        FakeMailProcess mail(sandbox.mailApplicationPath());
        const pid_t pid = mail.start();

        const CommandResult install = run(sandbox, QStringLiteral("install"));

        QCOMPARE(install.exitStatus, 1);
        QCOMPARE(install.output, QString());
        QCOMPARE(install.errors,
                 QStringLiteral("The Grabbit installer is damaged: its plug-in archive is missing.\n"));
        QVERIFY(mail.isRunning(pid));
        QVERIFY(QFileInfo::exists(earlier));
    }
};

QTEST_GUILESS_MAIN(InstallationCommandLineTest)
#include "InstallationCommandLineTest.moc"
