// SPDX-License-Identifier: MIT
#include "LaunchingApplication.h"

#include "AutostartLoginItemsList.h"

namespace LaunchingApplication {

// Only a start through our own login item can be told: its entry passes a marker argument, which
// stands for the login window.
std::optional<QString> bundleIdentifier(const QStringList& arguments)
{
    // The program's own name comes first and is never the marker.
    if (arguments.mid(1).contains(QLatin1String(AutostartLoginItemsList::launchedAtLoginArgument)))
        return QString::fromLatin1(loginWindowBundleIdentifier);
    return std::nullopt;
}

} // namespace LaunchingApplication
