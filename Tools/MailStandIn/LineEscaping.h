// SPDX-License-Identifier: MIT
#pragma once

#include <string>

// Multi-line texts travel the control channel as one line: backslash, line feed and carriage
// return become "\\", "\n" and "\r".
class LineEscaping {
public:
    static std::string escape(const std::string& text);
    static std::string unescape(const std::string& line);
};
