// SPDX-License-Identifier: MIT
#include "TestSandbox.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

namespace {

struct Outcome {
    int exitCode = -1;
    QString output;
    QString errors;
};

// Runs the built grabbitctl in the sandbox; it reads its resources from the real application bundle.
Outcome runGrabbitctl(const TestSandbox& sandbox, const QStringList& arguments)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), sandbox.homePath());
    environment.insert(QStringLiteral("GRABBIT_SYSTEM_ROOT"), sandbox.rootPath());
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(GRABBIT_BUILD_DIR) +
                      QLatin1String("/GrabbitInstaller.app/Contents/MacOS/grabbitctl"),
                  arguments);
    process.waitForFinished(60000);
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
};

void GrabbitctlTest::printsTheStateOnOneLine()
{
    TestSandbox sandbox;
    sandbox.installMail(QStringLiteral("10.12.6-mail-16G1408-info.plist"));
    QCOMPARE(runGrabbitctl(sandbox, {QStringLiteral("state")}).output,
             QStringLiteral("0 MailBundleStateNotInstalled\n"));
    sandbox.makePlugin(QStringLiteral("Bundles"), QStringLiteral("1.0"),
                       QVariantList{QStringLiteral("21560BD9-A3CC-482E-9B99-95B7BF61EDC1")});
    const Outcome outcome = runGrabbitctl(sandbox, {QStringLiteral("state")});
    QCOMPARE(outcome.exitCode, 0);
    QCOMPARE(outcome.output, QStringLiteral("2 MailBundleStateRequiresUpdateForMailBundleChange\n"));
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
    const Outcome outcome = runGrabbitctl(sandbox, {QStringLiteral("state"), QStringLiteral("--json")});
    QCOMPARE(outcome.exitCode, 0);
    const QJsonObject state = QJsonDocument::fromJson(outcome.output.toUtf8()).object();
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
    const Outcome outcome = runGrabbitctl(sandbox, arguments);
    QVERIFY(outcome.exitCode != 0);
    QVERIFY(outcome.output.isEmpty());
    QCOMPARE(outcome.errors.count(QLatin1Char('\n')), 1);
}

QTEST_GUILESS_MAIN(GrabbitctlTest)
#include "GrabbitctlTest.moc"
