// SPDX-License-Identifier: MIT
#include "LineEscaping.h"

std::string LineEscaping::escape(const std::string& text)
{
    std::string line;
    line.reserve(text.size());
    for (char character : text) {
        if (character == '\\')
            line += "\\\\";
        else if (character == '\n')
            line += "\\n";
        else if (character == '\r')
            line += "\\r";
        else
            line += character;
    }
    return line;
}

std::string LineEscaping::unescape(const std::string& line)
{
    std::string text;
    text.reserve(line.size());
    for (std::size_t index = 0; index < line.size(); ++index) {
        if (line[index] != '\\' || index + 1 == line.size()) {
            text += line[index];
            continue;
        }
        char next = line[++index];
        text += next == 'n' ? '\n' : next == 'r' ? '\r' : next;
    }
    return text;
}
