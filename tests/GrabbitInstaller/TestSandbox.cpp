// SPDX-License-Identifier: MIT
#include "TestSandbox.h"

#include "Bundle.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

TestSandbox::TestSandbox()
{
    m_previousHome = qgetenv("HOME");
    m_hadRoot = qEnvironmentVariableIsSet("GRABBIT_SYSTEM_ROOT");
    m_previousRoot = qgetenv("GRABBIT_SYSTEM_ROOT");
    QDir().mkpath(homePath());
    QDir().mkpath(rootPath());
    QDir().mkpath(installerBundlePath() + QLatin1String("/Contents/MacOS"));
    QDir().mkpath(installerBundlePath() + QLatin1String("/Contents/Resources"));
    qputenv("HOME", QFile::encodeName(homePath()));
    qputenv("GRABBIT_SYSTEM_ROOT", QFile::encodeName(rootPath()));
    Bundle::setMainBundlePath(installerBundlePath());
    setPackagedVersionText(QByteArrayLiteral("1.4"));
}

TestSandbox::~TestSandbox()
{
    Bundle::setMainBundlePath({});
    qputenv("HOME", m_previousHome);
    if (m_hadRoot)
        qputenv("GRABBIT_SYSTEM_ROOT", m_previousRoot);
    else
        qunsetenv("GRABBIT_SYSTEM_ROOT");
    // Tests may leave write-protected folders behind; make sure the sandbox can go.
    QDir(path()).removeRecursively();
}

QString TestSandbox::testDataPath(const QString& relativePath)
{
    return QStringLiteral(GRABBIT_TEST_DATA_DIR) + QLatin1Char('/') + relativePath;
}

QString TestSandbox::builtArchivePath()
{
    return QStringLiteral(GRABBIT_BUILD_DIR) + QLatin1String("/GrabbitInstaller.app/Contents/Resources/"
                                                             "ZephMailMessageServiceEnabler.zip");
}

QString TestSandbox::mailPreferencesPath() const
{
    return homePath() +
           QLatin1String("/Library/Containers/com.apple.mail/Data/Library/Preferences/com.apple.mail.plist");
}

bool TestSandbox::exists(const QString& path)
{
    return QFileInfo::exists(path) || QFileInfo(path).isSymLink();
}

void TestSandbox::writeFile(const QString& path, const QByteArray& contents)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    file.write(contents);
}

void TestSandbox::installMail(const QString& mailInfoPlist, const QString& messageInfoPlist)
{
    const QString contents = mailApplicationPath() + QLatin1String("/Contents");
    QDir().mkpath(contents + QLatin1String("/MacOS"));
    QFile::remove(contents + QLatin1String("/Info.plist"));
    QVERIFY(QFile::copy(testDataPath(QLatin1String("mail-info-plists/") + mailInfoPlist),
                        contents + QLatin1String("/Info.plist")));
    const QString messagePath =
        rootPath() + QLatin1String("/System/Library/Frameworks/Message.framework/Resources/Info.plist");
    QFile::remove(messagePath);
    if (messageInfoPlist.isEmpty())
        return;
    QDir().mkpath(QFileInfo(messagePath).absolutePath());
    QVERIFY(QFile::copy(testDataPath(QLatin1String("mail-info-plists/") + messageInfoPlist), messagePath));
}

void TestSandbox::setSystemVersion(const QString& productVersion)
{
    const QString versionPath =
        rootPath() + QLatin1String("/System/Library/CoreServices/SystemVersion.plist");
    QDir().mkpath(QFileInfo(versionPath).absolutePath());
    QVERIFY(PropertyList::writeToFile(QVariantMap{{QStringLiteral("ProductName"), QStringLiteral("Mac OS X")},
                                                  {QStringLiteral("ProductVersion"), productVersion}},
                                      versionPath));
}

void TestSandbox::writeMailPreferences(const QVariantMap& values, PropertyListFormat format)
{
    QDir().mkpath(QFileInfo(mailPreferencesPath()).absolutePath());
    QVERIFY(PropertyList::writeToFile(values, mailPreferencesPath(), format));
}

QString TestSandbox::makePlugin(const QString& folderName, const QString& version,
                                const std::optional<QVariantList>& compatibilityValues)
{
    const QString bundlePath = mailDirectory() + QLatin1Char('/') + folderName +
                               QLatin1String("/ZephMailMessageServiceEnabler.mailbundle");
    QDir().mkpath(bundlePath + QLatin1String("/Contents/MacOS"));
    QVariantMap info{
        {QStringLiteral("CFBundleIdentifier"), QStringLiteral("com.zephlabs.ZephMailMessageServiceEnabler")},
        {QStringLiteral("CFBundleExecutable"), QStringLiteral("ZephMailMessageServiceEnabler")},
        {QStringLiteral("CFBundleVersion"), version}};
    if (compatibilityValues)
        info.insert(QStringLiteral("SupportedPluginCompatibilityUUIDs"), *compatibilityValues);
    PropertyList::writeToFile(info, bundlePath + QLatin1String("/Contents/Info.plist"));
    writeFile(bundlePath + QLatin1String("/Contents/MacOS/ZephMailMessageServiceEnabler"), "plug-in");
    return bundlePath;
}

QVariantMap TestSandbox::pluginInfo(const QString& bundlePath) const
{
    return PropertyList::dictionaryWithContentsOfFile(bundlePath + QLatin1String("/Contents/Info.plist"))
        .value_or(QVariantMap{});
}

void TestSandbox::setPackagedVersionText(const std::optional<QByteArray>& text)
{
    const QString resource = installerBundlePath() +
                             QLatin1String("/Contents/Resources/ZephMailMessageServiceEnabler-Version.txt");
    QFile::remove(resource);
    if (text)
        writeFile(resource, *text);
}

void TestSandbox::setPackagedArchive(const QString& zipPath)
{
    const QString resource =
        installerBundlePath() + QLatin1String("/Contents/Resources/ZephMailMessageServiceEnabler.zip");
    QFile::remove(resource);
    if (!zipPath.isEmpty())
        QVERIFY2(QFile::copy(zipPath, resource), qPrintable(zipPath));
}
