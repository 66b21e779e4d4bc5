// SPDX-License-Identifier: MIT
#pragma once

#include <string>

// Mail's console: one line per message on standard error, prefixed like NSLog's.
class MailLog {
public:
    static void write(const std::string& message);
};
