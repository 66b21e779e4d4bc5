// SPDX-License-Identifier: MIT
// A plug-in that only proves it was loaded: its module initializer appends to $HOME/test-plugin-loaded.
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

__attribute__((constructor)) void markLoaded()
{
    const char* home = std::getenv("HOME");
    if (home == nullptr)
        return;
    std::FILE* marker = std::fopen((std::string(home) + "/test-plugin-loaded").c_str(), "a");
    if (marker == nullptr)
        return;
    std::fputs("loaded\n", marker);
    std::fclose(marker);
}

} // namespace
