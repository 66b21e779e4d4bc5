// SPDX-License-Identifier: MIT
#include "AutostartFolder.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

#include <pwd.h>
#include <unistd.h>

namespace {

// $HOME as the shell knows it, else the password database's entry for this user.
QString homeFolder()
{
    const QString fromEnvironment = qEnvironmentVariable("HOME");
    if (QDir::isAbsolutePath(fromEnvironment))
        return fromEnvironment;
    const passwd* entry = getpwuid(getuid());
    if (!entry || !entry->pw_dir || entry->pw_dir[0] != '/')
        return {};
    return QFile::decodeName(entry->pw_dir);
}

} // namespace

std::optional<AutostartFolder> AutostartFolder::userFolder()
{
    const QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (QDir::isAbsolutePath(configHome))
        return AutostartFolder(QDir::cleanPath(configHome + QLatin1String("/autostart")));
    const QString home = homeFolder();
    if (home.isEmpty())
        return std::nullopt;
    return AutostartFolder(QDir::cleanPath(home + QLatin1String("/.config/autostart")));
}

bool AutostartFolder::isUsable() const
{
    const QFileInfo info(m_path);
    return !info.exists() || info.isDir();
}

bool AutostartFolder::exists() const
{
    return QFileInfo(m_path).isDir();
}

bool AutostartFolder::create() const
{
    return QDir().mkpath(m_path);
}

QStringList AutostartFolder::entryFileNames() const
{
    QStringList names = QDir(m_path).entryList({QStringLiteral("*.desktop")}, QDir::Files, QDir::NoSort);
    std::sort(names.begin(), names.end(),
              [](const QString& left, const QString& right) { return left.toUtf8() < right.toUtf8(); });
    return names;
}
