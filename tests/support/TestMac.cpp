// SPDX-License-Identifier: MIT
#include "TestMac.h"

#include "AtomicFileWriter.h"
#include "Bundle.h"
#include "MailBundleInstaller.h"
#include "PropertyList.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

namespace {

const QString builtBundle = QStringLiteral(GRABBIT_BUILD_DIR "/GrabbitInstaller.app");

} // namespace

TestMac::TestMac(const QString& osVersion) : SimulatedMac(QTemporaryDir::path())
{
    QString error;
    if (!create(osVersion, QStringLiteral(MAIL_STAND_IN_EXECUTABLE), &error))
        qFatal("cannot make a simulated Mac: %s", qPrintable(error));
    // Copies of the resources, which tests change; the build's helpers and translations.
    const QString installer = directory() + "/GrabbitInstaller.app";
    QDir().mkpath(installer + "/Contents/Resources");
    for (const QString name :
         {"ZephMailMessageServiceEnabler.zip", "ZephMailMessageServiceEnabler-Version.txt"})
        QFile::copy(builtBundle + "/Contents/Resources/" + name, installer + "/Contents/Resources/" + name);
    QFile::link(builtBundle + "/Contents/Helpers", installer + "/Contents/Helpers");
    QFile::link(builtBundle + "/Contents/Resources/translations",
                installer + "/Contents/Resources/translations");
    const QList<QPair<const char*, QString>> wanted{{"HOME", home()},
                                                    {"GRABBIT_SYSTEM_ROOT", root()},
                                                    {"TEMP", temporaryFolder()},
                                                    {"GRABBIT_MAIN_BUNDLE", installer},
                                                    {"GRABBIT_MAIL_QUIT", {}},
                                                    {"GRABBIT_MAIL_CONTROL_SOCKET", {}}};
    for (const auto& [name, value] : wanted) {
        m_environment.append(
            {name, qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt});
        value.isEmpty() ? qunsetenv(name) : qputenv(name, QFile::encodeName(value));
    }
    Bundle::setMainBundlePath(installer);
}

TestMac::~TestMac()
{
    stopProcesses();
    Bundle::setMainBundlePath({});
    for (const auto& [name, value] : m_environment)
        value ? qputenv(name, *value) : qunsetenv(name);
    // Tests may leave write-protected folders behind.
    QDir(directory()).removeRecursively();
}

QString TestMac::makePlugin(const QString& folder, const QVariant& version,
                            const std::optional<QVariantList>& stamp) const
{
    QVariantMap info{{"CFBundleExecutable", "ZephMailMessageServiceEnabler"}, {"CFBundleVersion", version}};
    if (stamp)
        info.insert("SupportedPluginCompatibilityUUIDs", *stamp);
    writePlist(info, pluginPath(folder) + "/Contents/Info.plist");
    writeFile(pluginPath(folder) + "/Contents/MacOS/ZephMailMessageServiceEnabler", "plug-in");
    return pluginPath(folder);
}

void TestMac::putPlugin(int state) const
{
    if (state != MailBundleStateNotInstalled)
        makePlugin("Bundles", state == MailBundleStateRequiresUpdateForMailBundleChange ? "0.1" : "99",
                   QVariantList{state == MailBundleStateRequiresUpdateForOSChange
                                    ? "STALE"
                                    : compatibilityIdentifiers().first()});
    MailBundleInstaller::sharedInstaller()->updateMailBundleState();
}

TestMac::Result TestMac::grabbitctl(const QStringList& arguments)
{
    QProcess process;
    process.start(builtBundle + "/Contents/MacOS/grabbitctl", arguments);
    if (!process.waitForFinished(60000))
        return {};
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}

QVariantMap TestMac::plist(const QString& path)
{
    return PropertyList::dictionaryWithContentsOfFile(path).value_or(QVariantMap{});
}

void TestMac::writePlist(const QVariantMap& values, const QString& path)
{
    if (!QDir().mkpath(QFileInfo(path).path()) ||
        !PropertyList::writeToFile(values, path, PropertyListFormat::Binary))
        qFatal("cannot write %s", qPrintable(path));
}

void TestMac::writeFile(const QString& path, const QByteArray& contents)
{
    if (!QDir().mkpath(QFileInfo(path).path()) || !AtomicFileWriter::writeFile(path, contents))
        qFatal("cannot write %s", qPrintable(path));
}

QByteArray TestMac::contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool TestMac::exists(const QString& path)
{
    return QFileInfo::exists(path) || QFileInfo(path).isSymLink();
}
