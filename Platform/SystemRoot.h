// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// Everything the system reads or runs at a fixed macOS location is looked up under the system
// root: "/" normally, a sandbox folder when GRABBIT_SYSTEM_ROOT names one.
namespace SystemRoot {

// The location of an absolute macOS path (such as "/System/Library/...") under the system root.
QString pathFor(const QString& absolutePath);

} // namespace SystemRoot
