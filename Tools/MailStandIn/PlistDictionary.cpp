// SPDX-License-Identifier: MIT
#include "PlistDictionary.h"

#include <plist/plist.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

std::string stringValue(plist_t node)
{
    char* value = nullptr;
    plist_get_string_val(node, &value);
    std::string text = value ? value : "";
    std::free(value);
    return text;
}

std::optional<std::int64_t> leadingInteger(const std::string& text)
{
    errno = 0;
    char* end = nullptr;
    long long value = std::strtoll(text.c_str(), &end, 10);
    if (end == text.c_str() || errno == ERANGE)
        return std::nullopt;
    return value;
}

} // namespace

void PlistDictionary::Free::operator()(void* node) const
{
    plist_free(static_cast<plist_t>(node));
}

std::optional<PlistDictionary> PlistDictionary::readFile(const std::string& path, std::string* error)
{
    std::error_code status;
    auto size = std::filesystem::file_size(path, status);
    if (status) {
        *error = status.message();
        return std::nullopt;
    }
    if (size > maximumFileSize) {
        *error = "file too large";
        return std::nullopt;
    }
    std::ifstream file(path, std::ios::binary);
    std::string data((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (!file.good() && !file.eof()) {
        *error = std::strerror(errno);
        return std::nullopt;
    }
    plist_t root = nullptr;
    plist_from_memory(data.data(), static_cast<std::uint32_t>(data.size()), &root);
    PlistDictionary dictionary(root);
    if (root == nullptr || plist_get_node_type(root) != PLIST_DICT) {
        *error = "not a dictionary property list";
        return std::nullopt;
    }
    return dictionary;
}

void* PlistDictionary::item(const char* key) const
{
    return plist_dict_get_item(static_cast<plist_t>(root.get()), key);
}

std::optional<std::string> PlistDictionary::string(const char* key) const
{
    plist_t node = item(key);
    if (node == nullptr || plist_get_node_type(node) != PLIST_STRING)
        return std::nullopt;
    return stringValue(node);
}

std::optional<bool> PlistDictionary::boolean(const char* key) const
{
    plist_t node = item(key);
    if (node == nullptr)
        return std::nullopt;
    if (plist_get_node_type(node) == PLIST_STRING) {
        std::string text = stringValue(node);
        if (text == "YES" || text == "yes" || text == "true")
            return true;
        return leadingInteger(text).value_or(0) != 0;
    }
    auto value = integer(key);
    if (!value)
        return std::nullopt;
    return *value != 0;
}

std::optional<std::int64_t> PlistDictionary::integer(const char* key) const
{
    plist_t node = item(key);
    if (node == nullptr)
        return std::nullopt;
    switch (plist_get_node_type(node)) {
    case PLIST_UINT: {
        std::uint64_t value = 0;
        plist_get_uint_val(node, &value);
        return static_cast<std::int64_t>(value);
    }
    case PLIST_BOOLEAN: {
        std::uint8_t value = 0;
        plist_get_bool_val(node, &value);
        return value ? 1 : 0;
    }
    case PLIST_REAL: {
        double value = 0;
        plist_get_real_val(node, &value);
        if (!(value > -9.2e18 && value < 9.2e18))
            return std::nullopt;
        return static_cast<std::int64_t>(value);
    }
    case PLIST_STRING:
        return leadingInteger(stringValue(node));
    default:
        return std::nullopt;
    }
}

std::optional<std::vector<std::string>> PlistDictionary::strings(const char* key) const
{
    plist_t node = item(key);
    if (node == nullptr || plist_get_node_type(node) != PLIST_ARRAY)
        return std::nullopt;
    std::vector<std::string> values;
    for (std::uint32_t index = 0; index < plist_array_get_size(node); ++index) {
        plist_t element = plist_array_get_item(node, index);
        if (plist_get_node_type(element) == PLIST_STRING)
            values.push_back(stringValue(element));
    }
    return values;
}
