// SPDX-License-Identifier: MIT
#pragma once

#include <ObjCMessaging.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// A dictionary property list (XML, binary or the old text format) read by GNUstep's
// NSPropertyListSerialization, with the typed reads that Mail's preferences and bundle code make
// through Foundation.
class FoundationDictionary {
public:
    static constexpr std::uintmax_t maximumFileSize = 32 * 1024 * 1024;

    // No dictionary when the file is missing, unreadable, too large, malformed or not a dictionary;
    // the reason then goes to error.
    static std::optional<FoundationDictionary> readFile(const std::string& path, std::string* error);

    // A string value; none for another type.
    std::optional<std::string> string(const char* key) const;
    // Foundation's boolValue and intValue of a number or a string ("YES", "1", "3"); none when the
    // value has neither.
    std::optional<bool> boolean(const char* key) const;
    std::optional<int> integer(const char* key) const;
    // The strings of an array value; none when the key is absent or not an array.
    std::optional<std::vector<std::string>> strings(const char* key) const;

private:
    explicit FoundationDictionary(ObjC::Owned dictionary) : dictionary(std::move(dictionary)) {}
    id object(const char* key) const;

    // Shared, since std::optional copies and the dictionary is immutable.
    std::shared_ptr<objc_object> dictionary;
};
