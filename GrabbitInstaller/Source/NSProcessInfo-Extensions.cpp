// SPDX-License-Identifier: MIT
#include "NSProcessInfo-Extensions.h"

#include "LoginItemsManager.h"

#include <QCoreApplication>

namespace {

constexpr char loginWindowBundleIdentifier[] = "com.apple.loginwindow";

} // namespace

namespace ProcessInfo {

std::optional<QString> processLauncherBundleIdentifier(const QStringList& arguments)
{
    // The program's own name comes first and is never the marker.
    if (arguments.mid(1).contains(QLatin1String(LoginItemsLaunchedAtLoginArgument)))
        return QString::fromLatin1(loginWindowBundleIdentifier);
    return std::nullopt;
}

std::optional<QString> processLauncherBundleIdentifier()
{
    return processLauncherBundleIdentifier(QCoreApplication::arguments());
}

bool wasLaunchedAtLogin(const QStringList& arguments)
{
    return processLauncherBundleIdentifier(arguments) == QLatin1String(loginWindowBundleIdentifier);
}

bool wasLaunchedAtLogin()
{
    return wasLaunchedAtLogin(QCoreApplication::arguments());
}

} // namespace ProcessInfo
