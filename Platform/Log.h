// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <functional>

// The system log: one line on standard error and in syslog for every message.
namespace Log {

void write(const QString& message);

// Tests capture the lines instead of printing them. Returns the previous sink.
using Sink = std::function<void(const QString& message)>;
Sink setSink(Sink sink);

} // namespace Log
