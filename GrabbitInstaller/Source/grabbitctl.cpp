// SPDX-License-Identifier: MIT
// grabbitctl: the installer's engine without a window, for scripted deployment and for checking
// the plug-in's situation from the outside.
#include "MailBundleInstaller.h"

#include "Bundle.h"
#include "Localization.h"
#include "MailBundleDoctor.h"
#include "PropertyList.h"
#include "ZFVersionNumber.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <cstdio>

namespace {

constexpr int usageExitStatus = 2;

void printLine(FILE* stream, const QString& line)
{
    std::fprintf(stream, "%s\n", line.toUtf8().constData());
}

int usage()
{
    printLine(stderr,
              QStringLiteral("usage: grabbitctl state [--json] | doctor [--json] | install | remove"));
    return usageExitStatus;
}

// Without a usable home folder the engine has nothing to work on: one line that says why, and the
// status of bad usage, since the caller's environment is what needs mending.
bool reportUnusableHome()
{
    const auto error = MailBundleInstaller::homeDirectoryError();
    if (error)
        printLine(stderr, error->localizedDescription());
    return bool(error);
}

QJsonValue stringOrNull(const std::optional<QString>& string)
{
    return string ? QJsonValue(*string) : QJsonValue(QJsonValue::Null);
}

QJsonValue jsonFromPropertyListValue(const QVariant& value)
{
    if (value.metaType().id() == QMetaType::QByteArray)
        return QString::fromLatin1(value.toByteArray().toBase64());
    return QJsonValue::fromVariant(value);
}

QJsonObject stateDescription(MailBundleInstaller& installer)
{
    const MailBundleState state = installer.mailBundleState();
    const QString installedPath = installer.mailBundleInstalledPath();
    // One read, so that the version and the stamp printed describe the same file.
    const auto installedInfo =
        PropertyList::dictionaryWithContentsOfFile(MailBundleInstaller::infoPlistPathOfBundle(installedPath));
    const auto installedVersion = MailBundleInstaller::versionOfInfo(installedInfo);

    QJsonArray expected;
    for (const QVariant& value : installer.expectedMailBundleCompatibilityValues())
        expected.append(jsonFromPropertyListValue(value));
    QJsonValue installedValues = QJsonValue::Null;
    if (installedInfo && installedInfo->contains(MailBundleInstaller::supportedCompatibilityValuesKey))
        installedValues = jsonFromPropertyListValue(
            installedInfo->value(MailBundleInstaller::supportedCompatibilityValuesKey));

    return QJsonObject{
        {QStringLiteral("state"), static_cast<qint64>(state)},
        {QStringLiteral("name"), QString::fromLatin1(mailBundleStateName(state))},
        {QStringLiteral("installed"), installer.isMailBundleInstalled()},
        {QStringLiteral("installedPath"), installedPath},
        {QStringLiteral("installedVersion"),
         stringOrNull(installedVersion ? std::optional(installedVersion->versionString()) : std::nullopt)},
        {QStringLiteral("packagedVersion"), stringOrNull(installer.packagedVersionString())},
        {QStringLiteral("expectedCompatibilityUUIDs"), expected},
        {QStringLiteral("installedCompatibilityUUIDs"), installedValues},
        {QStringLiteral("disabledCopies"),
         QJsonArray::fromStringList(installer.disabledMailBundleInstalledPaths())},
    };
}

int printState(bool asJson)
{
    if (reportUnusableHome())
        return usageExitStatus;
    MailBundleInstaller& installer = *MailBundleInstaller::sharedInstaller();
    if (asJson) {
        printLine(stdout, QString::fromUtf8(
                              QJsonDocument(stateDescription(installer)).toJson(QJsonDocument::Compact)));
        return 0;
    }
    const MailBundleState state = installer.mailBundleState();
    printLine(stdout, QStringLiteral("%1 %2")
                          .arg(static_cast<qint64>(state))
                          .arg(QString::fromLatin1(mailBundleStateName(state))));
    return 0;
}

// The findings are sentences for people, so they come in the user's language where the bundle has it.
int printDiagnosis(bool asJson)
{
    installLocalizedStrings(Bundle::mainBundle().resourcePath());
    const QList<MailBundleDoctor::Finding> findings = MailBundleDoctor::examine();
    const int status = findings.isEmpty() ? 0 : 1;
    if (asJson) {
        // Written by hand so that the keys keep the documented order ("ok" first); QJsonObject sorts them.
        const auto quoted = [](const QString& text) {
            const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
            return QString::fromUtf8(array.mid(1, array.size() - 2));
        };
        QStringList list;
        for (const MailBundleDoctor::Finding& finding : findings)
            list << QStringLiteral("{\"code\":%1,\"message\":%2,\"fix\":%3}")
                        .arg(quoted(finding.code), quoted(finding.message), quoted(finding.fix));
        printLine(stdout, QStringLiteral("{\"ok\":%1,\"findings\":[%2]}")
                              .arg(findings.isEmpty() ? QStringLiteral("true") : QStringLiteral("false"),
                                   list.join(QLatin1Char(','))));
        return status;
    }
    if (findings.isEmpty())
        printLine(stdout, localizedString("Mail should load the Grabbit plug-in: nothing is in its way."));
    for (const MailBundleDoctor::Finding& finding : findings)
        printLine(stdout, QString(finding.message + QLatin1Char(' ') + finding.fix)
                              .replace(QLatin1Char('\n'), QLatin1Char(' ')));
    return status;
}

// Runs an install or a removal as the window does, recomputing the state afterwards; only a
// failure is printed.
int runOperation(void (MailBundleInstaller::*operation)(MailBundleInstaller::Completion))
{
    if (reportUnusableHome())
        return usageExitStatus;
    MailBundleInstaller& installer = *MailBundleInstaller::sharedInstaller();
    std::optional<Error> failure;
    const MailBundleInstaller::Completion recordOutcome = [&failure](MailBundleInstaller*,
                                                                     const std::optional<Error>& error) {
        failure = error;
    };
    (installer.*operation)(recordOutcome);
    installer.updateMailBundleState();
    if (!failure)
        return 0;
    printLine(stderr, failure->localizedDescription().replace(QLatin1Char('\n'), QLatin1Char(' ')));
    return 1;
}

// A command that prints for people, or as JSON with "--json"; any other option is bad usage.
int runPrinting(int (*print)(bool asJson), const QStringList& options)
{
    if (options.isEmpty())
        return print(false);
    if (options == QStringList{QStringLiteral("--json")})
        return print(true);
    return usage();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments().mid(1);
    if (arguments.isEmpty())
        return usage();
    const QString command = arguments.first();
    const QStringList options = arguments.mid(1);
    if (command == QLatin1String("doctor"))
        return runPrinting(printDiagnosis, options);
    if (command == QLatin1String("state"))
        return runPrinting(printState, options);
    if (!options.isEmpty())
        return usage();
    if (command == QLatin1String("install"))
        return runOperation(&MailBundleInstaller::installMailBundle);
    if (command == QLatin1String("remove"))
        return runOperation(&MailBundleInstaller::removeMailBundle);
    return usage();
}
