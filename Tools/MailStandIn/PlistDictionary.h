// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// A dictionary property list (XML or binary) read from a file, with the lenient typed getters
// that Mail's preferences and bundle code rely on.
class PlistDictionary {
public:
    static constexpr std::uintmax_t maximumFileSize = 32 * 1024 * 1024;

    // No dictionary when the file is missing, unreadable, too large, malformed or not a dictionary;
    // the reason then goes to error.
    static std::optional<PlistDictionary> readFile(const std::string& path, std::string* error);

    std::optional<std::string> string(const char* key) const;
    // As user defaults read them: booleans, numbers (non-zero is true) and "YES"/"true"/digits.
    std::optional<bool> boolean(const char* key) const;
    // Integers, booleans and strings that start with a number.
    std::optional<std::int64_t> integer(const char* key) const;
    // The strings of an array value; no value when the key is absent or not an array.
    std::optional<std::vector<std::string>> strings(const char* key) const;

private:
    struct Free {
        void operator()(void* node) const;
    };
    explicit PlistDictionary(void* root) : root(root) {}
    void* item(const char* key) const;

    std::unique_ptr<void, Free> root;
};
