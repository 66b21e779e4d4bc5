// SPDX-License-Identifier: MIT
#include "FakeMailProcess.h"
#include "PropertyList.h"
#include "TestSandbox.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

namespace {

struct CommandResult {
    int exitStatus = -1;
    QString output;
    QString errors;
};

// grabbitctl as a script runs it: its own process, the sandbox's home and system root, the real
// unzip, chmod and defaults tool; the sandbox's installer bundle unless it is to find its own.
CommandResult runGrabbitctl(const TestSandbox& sandbox, const QStringList& arguments,
                            bool sandboxBundle = true)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), sandbox.homePath());
    environment.insert(QStringLiteral("GRABBIT_SYSTEM_ROOT"), sandbox.rootPath());
    if (sandboxBundle)
        environment.insert(QStringLiteral("GRABBIT_MAIN_BUNDLE"), sandbox.installerBundlePath());
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(GRABBITCTL), arguments);
    if (!process.waitForFinished(60000))
        return {};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

} // namespace

class GrabbitctlTest : public QObject {
    Q_OBJECT

private slots:
    void printsTheStateOnOneLine();
    void describesTheSituationAsJson();
    void refusesBadUsage_data();
    void refusesBadUsage();
    void installStateAndRemoveDoTheWholeJob();
    void aFailureIsOneLineOnStandardError();
};

void GrabbitctlTest::printsTheStateOnOneLine()
{
    TestSandbox sandbox;
    sandbox.installMail(mail1012);
    QCOMPARE(runGrabbitctl(sandbox, {QStringLiteral("state")}).output,
             QStringLiteral("0 MailBundleStateNotInstalled\n"));
    sandbox.makePlugin(QStringLiteral("Bundles"), QStringLiteral("1.0"),
                       QVariantList{QStringLiteral("21560BD9-A3CC-482E-9B99-95B7BF61EDC1")});
    const CommandResult result = runGrabbitctl(sandbox, {QStringLiteral("state")});
    QCOMPARE(result.exitStatus, 0);
    QCOMPARE(result.output, QStringLiteral("2 MailBundleStateRequiresUpdateForMailBundleChange\n"));
}

void GrabbitctlTest::describesTheSituationAsJson()
{
    TestSandbox sandbox;
    sandbox.installMail(QStringLiteral("10.8.5-mail-12f23-info.plist"),
                        QStringLiteral("10.8.5-message-12f23-info.plist"));
    const QString installed =
        sandbox.makePlugin(QStringLiteral("Bundles"), QStringLiteral("9.0"),
                           QVariantList{QStringLiteral("2B98D2DD-000B-4521-83EB-7BFCB9B161C8")});
    const QString disabled =
        sandbox.makePlugin(QStringLiteral("Bundles (Disabled)"), QStringLiteral("1.0"), {});
    const CommandResult result =
        runGrabbitctl(sandbox, {QStringLiteral("state"), QStringLiteral("--json")}, false);
    QCOMPARE(result.exitStatus, 0);
    const QJsonObject state = QJsonDocument::fromJson(result.output.toUtf8()).object();
    QCOMPARE(state.value(QStringLiteral("state")).toInt(), 1);
    QCOMPARE(state.value(QStringLiteral("name")).toString(),
             QStringLiteral("MailBundleStateRequiresUpdateForOSChange"));
    QCOMPARE(state.value(QStringLiteral("installed")).toBool(), true);
    QCOMPARE(state.value(QStringLiteral("installedPath")).toString(), installed);
    QCOMPARE(state.value(QStringLiteral("installedVersion")).toString(), QStringLiteral("9.0"));
    QVERIFY(!state.value(QStringLiteral("packagedVersion")).toString().isEmpty());
    QCOMPARE(state.value(QStringLiteral("expectedCompatibilityUUIDs")).toVariant().toStringList(),
             (QStringList{"2B98D2DD-000B-4521-83EB-7BFCB9B161C8", "DAFFB2B4-77BC-4C25-8CE1-2405E652D54B"}));
    QCOMPARE(state.value(QStringLiteral("installedCompatibilityUUIDs")).toVariant().toStringList(),
             QStringList{"2B98D2DD-000B-4521-83EB-7BFCB9B161C8"});
    QCOMPARE(state.value(QStringLiteral("disabledCopies")).toVariant().toStringList(), QStringList{disabled});
}

void GrabbitctlTest::refusesBadUsage_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("nothing") << QStringList{};
    QTest::newRow("unknown command") << QStringList{"status"};
    QTest::newRow("unknown option") << QStringList{"state", "--yaml"};
}

void GrabbitctlTest::refusesBadUsage()
{
    QFETCH(QStringList, arguments);
    TestSandbox sandbox;
    const CommandResult result = runGrabbitctl(sandbox, arguments);
    QVERIFY(result.exitStatus != 0);
    QVERIFY(result.output.isEmpty());
    QCOMPARE(result.errors.count(QLatin1Char('\n')), 1);
}

// A fake Mail is quit and started again around the work.
void GrabbitctlTest::installStateAndRemoveDoTheWholeJob()
{
    if (!QFileInfo(qEnvironmentVariable("GRABBIT_DEFAULTS_TOOL")).isExecutable())
        QSKIP("the defaults tool is not built");
    TestSandbox sandbox;
    sandbox.installMail(mail1012);
    sandbox.setSystemVersion(QStringLiteral("10.12.6"));
    sandbox.writeMailPreferences({{QStringLiteral("BundleCompatibilityVersion"), qint64(1)}});
    sandbox.setPackagedArchive(TestSandbox::builtArchivePath());
    sandbox.makePlugin(QStringLiteral("Bundles (Disabled)"), QStringLiteral("1.0"), std::nullopt);
    FakeMailProcess mail(sandbox.mailApplicationPath());
    mail.start();

    const CommandResult install = runGrabbitctl(sandbox, {QStringLiteral("install")});
    QCOMPARE(install.errors, QString());
    QCOMPARE(install.output, QString());
    QCOMPARE(install.exitStatus, 0);
    QVERIFY(mail.waitForStarts(2));
    QCOMPARE(mail.starts().last().arguments, QStringList{QStringLiteral("--without-activation")});
    const auto preferences = PropertyList::dictionaryWithContentsOfFile(sandbox.mailPreferencesPath());
    QVERIFY(preferences);
    QCOMPARE(preferences->value(QStringLiteral("BundleCompatibilityVersion")).toLongLong(), 3);
    QCOMPARE(preferences->value(QStringLiteral("EnableBundles")).toBool(), true);
    QCOMPARE(runGrabbitctl(sandbox, {QStringLiteral("state")}).output,
             QStringLiteral("3 MailBundleStateUpToDate\n"));

    const CommandResult remove = runGrabbitctl(sandbox, {QStringLiteral("remove")});
    QCOMPARE(remove.errors, QString());
    QCOMPARE(remove.exitStatus, 0);
    QVERIFY(mail.waitForStarts(3));
    QVERIFY(!QFileInfo::exists(sandbox.mailDirectory() + QLatin1String("/Bundles")));
    QCOMPARE(runGrabbitctl(sandbox, {QStringLiteral("state")}).output,
             QStringLiteral("0 MailBundleStateNotInstalled\n"));
}

void GrabbitctlTest::aFailureIsOneLineOnStandardError()
{
    TestSandbox sandbox;
    sandbox.installMail(mail1012);
    const QString earlier =
        sandbox.makePlugin(QStringLiteral("Bundles"), QStringLiteral("1.0"), std::nullopt);
    FakeMailProcess mail(sandbox.mailApplicationPath());
    const pid_t pid = mail.start();

    const CommandResult install = runGrabbitctl(sandbox, {QStringLiteral("install")});

    QCOMPARE(install.exitStatus, 1);
    QCOMPARE(install.output, QString());
    QCOMPARE(install.errors,
             QStringLiteral("The Grabbit installer is damaged: its plug-in archive is missing.\n"));
    QVERIFY(mail.isRunning(pid));
    QVERIFY(QFileInfo::exists(earlier));
}

QTEST_GUILESS_MAIN(GrabbitctlTest)
#include "GrabbitctlTest.moc"
