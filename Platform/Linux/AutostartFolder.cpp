// SPDX-License-Identifier: MIT
#include "AutostartFolder.h"

#include "HomeDirectory.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

std::optional<AutostartFolder> AutostartFolder::userFolder()
{
    const QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (QDir::isAbsolutePath(configHome))
        return AutostartFolder(QDir::cleanPath(configHome + QLatin1String("/autostart")));
    // Without a usable home there is no folder of ours to keep the entry in.
    const auto home = HomeDirectory::path();
    if (!home)
        return std::nullopt;
    return AutostartFolder(QDir::cleanPath(*home + QLatin1String("/.config/autostart")));
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
