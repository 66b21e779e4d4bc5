// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The application that launched this process, as far as the system can tell.
namespace LaunchingApplication {

// The bundle identifier of the login window, which opens the user's login items.
inline constexpr char loginWindowBundleIdentifier[] = "com.apple.loginwindow";

// The launcher's bundle identifier, or nothing when it cannot be told. The arguments are those the
// process was started with; systems that know the launcher otherwise may ignore them.
std::optional<QString> bundleIdentifier(const QStringList& arguments);

} // namespace LaunchingApplication
