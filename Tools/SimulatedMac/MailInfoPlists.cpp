// SPDX-License-Identifier: MIT
#include "MailInfoPlists.h"

#include <QCollator>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

// A build such as "16G1408" or "12f23"; names like "Supp" or "SecUpd2012_004" carry none.
const QRegularExpression buildPattern(QStringLiteral("^[0-9]+[A-Za-z][0-9]+[a-z]?$"));

QStringList mailFilesOf(const QDir& folder, const QString& prefix)
{
    return folder.entryList({prefix + QStringLiteral("-mail-*"), prefix + QStringLiteral("-Mail-*")},
                            QDir::Files, QDir::Name);
}

// Apple writes the build's letter in upper case; a trailing beta letter stays lower case.
QString normalizedBuild(QString build)
{
    const qsizetype letter = build.indexOf(QRegularExpression(QStringLiteral("[A-Za-z]")));
    build[letter] = build[letter].toUpper();
    return build;
}

QString buildOf(const QString& fileName, const QString& prefix)
{
    QString middle = fileName.mid(prefix.size() + 6);
    middle.chop(11);
    return fileName.endsWith(QLatin1String("nfo.plist")) && buildPattern.match(middle).hasMatch()
               ? normalizedBuild(middle)
               : QString();
}

} // namespace

QString MailInfoPlists::defaultFolder()
{
    const QString chosen = qEnvironmentVariable("GRABBIT_MAIL_INFO_PLISTS");
    return chosen.isEmpty() ? QStringLiteral(GRABBIT_MAIL_INFO_PLISTS_FOLDER) : chosen;
}

std::optional<MailInfoPlists::Release> MailInfoPlists::release(const QString& version, QString* error) const
{
    const QDir folder(m_folder);
    const auto refuse = [error](const QString& message) {
        if (error)
            *error = message;
        return std::nullopt;
    };
    if (!QRegularExpression(QStringLiteral("^[0-9]+(\\.[0-9]+)*$")).match(version).hasMatch())
        return refuse(QStringLiteral("not a macOS version: \"%1\"").arg(version));
    QString prefix = version;
    if (mailFilesOf(folder, prefix).isEmpty() && version.count(QLatin1Char('.')) == 1)
        prefix = version + QStringLiteral(".0");
    const QStringList files = mailFilesOf(folder, prefix);
    if (files.isEmpty())
        return refuse(QStringLiteral("unknown macOS version \"%1\": no Mail Info.plist for it in %2")
                          .arg(version, m_folder));
    // The last build, else the file without a build in its name, else any file of the version.
    QCollator byNumbers;
    byNumbers.setNumericMode(true);
    Release chosen{files.last(), {}, prefix, {}};
    for (const QString& file : files) {
        const QString build = buildOf(file, prefix);
        if (!build.isEmpty() && (chosen.build.isEmpty() || byNumbers.compare(chosen.build, build) < 0))
            chosen = {file, {}, prefix, build};
        else if (chosen.build.isEmpty() && file == prefix + QStringLiteral("-Mail-Info.plist"))
            chosen.mailInfoPlist = file;
    }
    QString message = chosen.mailInfoPlist;
    message.replace(QLatin1String("-mail-"), QLatin1String("-message-"))
        .replace(QLatin1String("-Mail-"), QLatin1String("-Message-"));
    if (message != chosen.mailInfoPlist && QFileInfo(folder.filePath(message)).isFile())
        chosen.messageInfoPlist = folder.filePath(message);
    chosen.mailInfoPlist = folder.filePath(chosen.mailInfoPlist);
    if (chosen.productVersion.endsWith(QLatin1String(".0")) &&
        chosen.productVersion.count(QLatin1Char('.')) == 2)
        chosen.productVersion.chop(2);
    return chosen;
}
