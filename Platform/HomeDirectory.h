// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <optional>

// The current user's home folder, which holds Mail's plug-ins and preferences (NSHomeDirectory on
// macOS). Everything the system reads or writes below the home asks here first.
namespace HomeDirectory {

// The home folder, without a trailing or doubled separator, or nothing when the system has none
// that can be used; then `problem`, when given, holds one line for the user that says what is wrong.
std::optional<QString> path(QString* problem = nullptr);

} // namespace HomeDirectory
