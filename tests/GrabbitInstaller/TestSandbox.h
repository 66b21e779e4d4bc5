// SPDX-License-Identifier: MIT
#pragma once

#include "PropertyList.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <QVariantList>
#include <QVariantMap>

#include <optional>

// Apple's real Mail Info.plists in tests/data/mail-info-plists, with their compatibility identifiers.
inline const QString mail1012 = QStringLiteral("10.12.6-mail-16G1408-info.plist");
inline const QString mail1012Identifier = QStringLiteral("21560BD9-A3CC-482E-9B99-95B7BF61EDC1");
inline const QString mail1085 = QStringLiteral("10.8.5-mail-12f23-info.plist");
inline const QString mail1085Identifier = QStringLiteral("2B98D2DD-000B-4521-83EB-7BFCB9B161C8");
inline const QString message1085 = QStringLiteral("10.8.5-message-12f23-info.plist");
inline const QString message1085Identifier = QStringLiteral("DAFFB2B4-77BC-4C25-8CE1-2405E652D54B");

// A simulated Mac for one test: a temporary home folder and system root, and an installer bundle
// whose resources the test decides. While it lives, HOME, GRABBIT_SYSTEM_ROOT and the main bundle
// point into it; everything is restored and removed when it goes.
class TestSandbox {
public:
    TestSandbox();
    ~TestSandbox();
    TestSandbox(const TestSandbox&) = delete;
    TestSandbox& operator=(const TestSandbox&) = delete;

    static QString testDataPath(const QString& relativePath);

    QString path() const { return m_folder.path(); }
    QString homePath() const { return path() + QLatin1String("/home"); }
    QString rootPath() const { return path() + QLatin1String("/root"); }
    QString installerBundlePath() const { return path() + QLatin1String("/GrabbitInstaller.app"); }
    QString mailDirectory() const { return homePath() + QLatin1String("/Library/Mail"); }
    QString mailApplicationPath() const { return rootPath() + QLatin1String("/Applications/Mail.app"); }
    QString mailPreferencesPath() const;

    // Mail.app with one of Apple's Info.plists from tests/data/mail-info-plists, and the Message
    // framework's when a second file is named.
    void installMail(const QString& mailInfoPlist, const QString& messageInfoPlist = {});
    void setSystemVersion(const QString& productVersion);
    void writeMailPreferences(const QVariantMap& values,
                              PropertyListFormat format = PropertyListFormat::Binary);

    // A copy of the plug-in in "~/Library/Mail/<folderName>" with the given version and
    // compatibility list (no key at all when there is none); answers the bundle's path.
    QString makePlugin(const QString& folderName, const QString& version,
                       const std::optional<QVariantList>& compatibilityValues);
    QVariantMap pluginInfo(const QString& bundlePath) const;

    // The installer's version text resource; none removes it.
    void setPackagedVersionText(const std::optional<QByteArray>& text);
    // The installer's archive resource, copied from the given zip; an empty path removes it.
    void setPackagedArchive(const QString& zipPath);
    // The archive the build made for the real installer.
    static QString builtArchivePath();

    static void writeFile(const QString& path, const QByteArray& contents);
    // Whether anything is at the path, a dangling link included.
    static bool exists(const QString& path);

private:
    QTemporaryDir m_folder;
    QByteArray m_previousHome;
    QByteArray m_previousRoot;
    bool m_hadRoot = false;
};
