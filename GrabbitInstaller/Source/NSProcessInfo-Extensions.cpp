// SPDX-License-Identifier: MIT
#include "NSProcessInfo-Extensions.h"

#include "LaunchingApplication.h"

#include <QCoreApplication>

namespace ProcessInfo {

std::optional<QString> processLauncherBundleIdentifier(const QStringList& arguments)
{
    return LaunchingApplication::bundleIdentifier(arguments);
}

std::optional<QString> processLauncherBundleIdentifier()
{
    return processLauncherBundleIdentifier(QCoreApplication::arguments());
}

bool wasLaunchedAtLogin(const QStringList& arguments)
{
    return processLauncherBundleIdentifier(arguments) ==
           QLatin1String(LaunchingApplication::loginWindowBundleIdentifier);
}

bool wasLaunchedAtLogin()
{
    return wasLaunchedAtLogin(QCoreApplication::arguments());
}

} // namespace ProcessInfo
