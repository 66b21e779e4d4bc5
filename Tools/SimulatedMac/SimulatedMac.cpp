// SPDX-License-Identifier: MIT
#include "SimulatedMac.h"

#include "ControlClient.h"
#include "MailInfoPlists.h"
#include "PropertyList.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QThread>

#include <algorithm>
#include <csignal>

namespace {

const QString messageInfoPlist =
    QStringLiteral("/System/Library/Frameworks/Message.framework/Resources/Info.plist");
const QString systemVersionPlist = QStringLiteral("/System/Library/CoreServices/SystemVersion.plist");

bool fail(QString* error, const QString& message)
{
    if (error)
        *error = message;
    return false;
}

bool writeFile(const QString& path, const QByteArray& contents, QString* error)
{
    QSaveFile file(path);
    if (QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly) &&
        file.write(contents) == contents.size() && file.commit())
        return true;
    return fail(error, QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
}

bool copyFile(const QString& source, const QString& target, QString* error)
{
    QFile input(source);
    if (!input.open(QIODevice::ReadOnly))
        return fail(error, QStringLiteral("cannot read %1: %2").arg(source, input.errorString()));
    return writeFile(target, input.readAll(), error) && QFile::setPermissions(target, input.permissions());
}

bool writePlist(const QVariantMap& values, const QString& path, PropertyListFormat format, QString* error)
{
    return (QDir().mkpath(QFileInfo(path).path()) && PropertyList::writeToFile(values, path, format)) ||
           fail(error, QStringLiteral("cannot write %1").arg(path));
}

QByteArray shellQuoted(const QString& text)
{
    return "'" + QFile::encodeName(text).replace("'", "'\\''") + "'";
}

QByteArray procFile(qint64 pid, const char* name)
{
    QFile file(QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(name)));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString executableOf(qint64 pid)
{
    return QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(pid));
}

QList<qint64> processes()
{
    QList<qint64> found;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool isNumber = false;
        const qint64 pid = entry.toLongLong(&isNumber);
        if (isNumber)
            found << pid;
    }
    return found;
}

// Field 22 of /proc/<pid>/stat; the command name before it may hold spaces.
qulonglong startTimeOf(qint64 pid)
{
    const QByteArray status = procFile(pid, "stat");
    return status.mid(status.lastIndexOf(')') + 2).split(' ').value(19).toULongLong();
}

std::optional<QString> askSocket(const QString& socket, const QString& request)
{
    const auto answer = ControlClient(QFile::encodeName(socket).toStdString())
                            .request(request.toStdString(), std::chrono::seconds(10));
    return answer ? std::optional(QString::fromStdString(*answer)) : std::nullopt;
}

} // namespace

SimulatedMac::SimulatedMac(const QString& directory) : m_directory(QFileInfo(directory).absoluteFilePath()) {}

QString SimulatedMac::mailExecutable() const
{
    const auto info = PropertyList::dictionaryWithContentsOfFile(mailApplication() +
                                                                 QStringLiteral("/Contents/Info.plist"));
    const QString name = info ? info->value(QStringLiteral("CFBundleExecutable")).toString() : QString();
    return mailApplication() + QStringLiteral("/Contents/MacOS/") +
           (name.isEmpty() ? QStringLiteral("Mail") : name);
}

QString SimulatedMac::controlSocket() const
{
    return home() + QStringLiteral("/.mail-stand-in.sock");
}

QString SimulatedMac::preferencesPath() const
{
    return home() +
           QStringLiteral("/Library/Containers/com.apple.mail/Data/Library/Preferences/com.apple.mail.plist");
}

QStringList SimulatedMac::compatibilityIdentifiers() const
{
    QStringList identifiers;
    for (const QString& info :
         {mailApplication() + QStringLiteral("/Contents/Info.plist"), root() + messageInfoPlist}) {
        const auto values = PropertyList::dictionaryWithContentsOfFile(info);
        if (values && values->contains(QStringLiteral("PluginCompatibilityUUID")))
            identifiers << values->value(QStringLiteral("PluginCompatibilityUUID")).toString();
    }
    return identifiers;
}

QStringList SimulatedMac::environment() const
{
    return {QStringLiteral("HOME=") + home(), QStringLiteral("GRABBIT_SYSTEM_ROOT=") + root(),
            QStringLiteral("TEMP=") + temporaryFolder()};
}

bool SimulatedMac::create(const QString& osVersion, const QString& mailExecutablePath, QString* error)
{
    if (!QFileInfo(mailExecutablePath).isExecutable() || !QFileInfo(mailExecutablePath).isFile())
        return fail(error, QStringLiteral("no stand-in Mail executable at %1").arg(mailExecutablePath));
    if (QFileInfo::exists(root()) || QFileInfo::exists(home()))
        return fail(error, QStringLiteral("%1 already holds a sandbox").arg(m_directory));
    if (!installOperatingSystem(osVersion, error))
        return false;
    // A copy, not a link: Mail's process is recognised by the resolved path of its executable.
    if (!copyFile(mailExecutablePath, mailExecutable(), error))
        return false;
    // The preferences of a Mail that has run once: ordinary keys, plug-ins not yet switched on.
    const QVariantMap preferences{{QStringLiteral("ConversationViewSortDescending"), true},
                                  {QStringLiteral("MailUserNotificationScope"), qint64(0)},
                                  {QStringLiteral("NumberOfSnippetLines"), qint64(2)}};
    if (!QDir().mkpath(home() + QStringLiteral("/Library/Mail")) || !QDir().mkpath(temporaryFolder()))
        return fail(error, QStringLiteral("cannot make the folders of %1").arg(m_directory));
    if (!writePlist(preferences, preferencesPath(), PropertyListFormat::Binary, error))
        return false;
    QByteArray environmentFile;
    for (const QString& variable : environment()) {
        const qsizetype equals = variable.indexOf(QLatin1Char('='));
        environmentFile +=
            variable.left(equals).toLatin1() + "=" + shellQuoted(variable.mid(equals + 1)) + "\n";
    }
    return writeFile(m_directory + QStringLiteral("/environment"),
                     environmentFile + "export HOME GRABBIT_SYSTEM_ROOT TEMP\n", error);
}

bool SimulatedMac::updateOperatingSystem(const QString& osVersion, QString* error)
{
    if (!QFileInfo(mailApplication() + QStringLiteral("/Contents/Info.plist")).isFile())
        return fail(error, QStringLiteral("%1 holds no sandbox").arg(m_directory));
    return installOperatingSystem(osVersion, error);
}

bool SimulatedMac::installOperatingSystem(const QString& osVersion, QString* error) const
{
    const auto release = MailInfoPlists(MailInfoPlists::defaultFolder()).release(osVersion, error);
    if (!release ||
        !copyFile(release->mailInfoPlist, mailApplication() + QStringLiteral("/Contents/Info.plist"), error))
        return false;
    const QString message = root() + messageInfoPlist;
    if (!release->messageInfoPlist.isEmpty()) {
        if (!copyFile(release->messageInfoPlist, message, error))
            return false;
    } else if (QFile::exists(message) && !QFile::remove(message)) {
        return fail(error, QStringLiteral("cannot remove %1").arg(message));
    }
    QVariantMap systemVersion{{QStringLiteral("ProductCopyright"), QStringLiteral("1983-2018 Apple Inc.")},
                              {QStringLiteral("ProductName"), QStringLiteral("Mac OS X")},
                              {QStringLiteral("ProductUserVisibleVersion"), release->productVersion},
                              {QStringLiteral("ProductVersion"), release->productVersion}};
    if (!release->build.isEmpty())
        systemVersion.insert(QStringLiteral("ProductBuildVersion"), release->build);
    return writePlist(systemVersion, root() + systemVersionPlist, PropertyListFormat::XML, error);
}

qint64 SimulatedMac::startMail(const QStringList& arguments, const QStringList& extraEnvironment) const
{
    QProcess mail;
    QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
    for (const QString& variable : environment() + extraEnvironment)
        variables.insert(variable.section(QLatin1Char('='), 0, 0), variable.section(QLatin1Char('='), 1));
    mail.setProcessEnvironment(variables);
    mail.setProgram(mailExecutable());
    mail.setArguments(arguments);
    mail.setStandardInputFile(QProcess::nullDevice());
    mail.setStandardOutputFile(m_directory + QStringLiteral("/mail.log"), QIODevice::Append);
    mail.setStandardErrorFile(m_directory + QStringLiteral("/mail.log"), QIODevice::Append);
    qint64 pid = 0;
    if (!mail.startDetached(&pid))
        return 0;
    const QString socket = variables.value(QStringLiteral("GRABBIT_MAIL_CONTROL_SOCKET"), controlSocket());
    const QString ready = QStringLiteral("pid=%1\t").arg(pid);
    for (QDeadlineTimer deadline(30000); !deadline.hasExpired() && !executableOf(pid).isEmpty();
         QThread::msleep(20)) {
        if (askSocket(socket, QStringLiteral("status")).value_or(QString()).startsWith(ready))
            return pid;
    }
    return 0;
}

std::optional<QString> SimulatedMac::askMail(const QString& request) const
{
    return askSocket(controlSocket(), request);
}

qint64 SimulatedMac::waitForMail(const QList<qint64>& ignored, int milliseconds) const
{
    for (QDeadlineTimer deadline(milliseconds); !deadline.hasExpired(); QThread::msleep(20)) {
        const QString status = askMail(QStringLiteral("status")).value_or(QString());
        const qint64 pid = status.section(QLatin1Char('\t'), 0, 0).section(QLatin1Char('='), 1).toLongLong();
        if (pid != 0 && !ignored.contains(pid))
            return pid;
    }
    return 0;
}

QList<qint64> SimulatedMac::mailProcesses() const
{
    const QString executable = QFileInfo(mailExecutable()).canonicalFilePath();
    QList<qint64> found;
    for (const qint64 pid : processes()) {
        if (!executable.isEmpty() && executableOf(pid) == executable)
            found << pid;
    }
    std::sort(found.begin(), found.end(),
              [](qint64 left, qint64 right) { return startTimeOf(left) < startTimeOf(right); });
    return found;
}

void SimulatedMac::stopProcesses() const
{
    const QString rootFolder = QFileInfo(root()).canonicalFilePath() + QLatin1Char('/');
    const QByteArray homeEntry = QByteArray("\0HOME=", 6) + QFile::encodeName(home()) + '\0';
    const auto ours = [&] {
        QList<qint64> found;
        for (const qint64 pid : processes()) {
            const QString executable = executableOf(pid);
            const QString name = QFileInfo(executable).fileName();
            if ((rootFolder.size() > 1 && executable.startsWith(rootFolder)) ||
                ((name == QLatin1String("gpbs") || name == QLatin1String("gdnc")) &&
                 ('\0' + procFile(pid, "environ")).contains(homeEntry)))
                found << pid;
        }
        return found;
    };
    for (const qint64 pid : ours())
        kill(pid_t(pid), SIGTERM);
    for (QDeadlineTimer deadline(1000); !deadline.hasExpired() && !ours().isEmpty();)
        QThread::msleep(20);
    for (const qint64 pid : ours())
        kill(pid_t(pid), SIGKILL);
}
