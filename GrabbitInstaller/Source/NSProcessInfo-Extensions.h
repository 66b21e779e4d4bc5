// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// How the current process was started.
namespace ProcessInfo {

// The bundle identifier of whatever launched this process, or nothing when it cannot be told.
std::optional<QString> processLauncherBundleIdentifier(const QStringList& arguments);
std::optional<QString> processLauncherBundleIdentifier();

// True exactly when the launcher is "com.apple.loginwindow".
bool wasLaunchedAtLogin(const QStringList& arguments);
bool wasLaunchedAtLogin();

} // namespace ProcessInfo
