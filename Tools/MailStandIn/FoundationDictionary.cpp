// SPDX-License-Identifier: MIT
#include "FoundationDictionary.h"

#include <filesystem>

namespace {

// Objects that Foundation hands out autoreleased live until the pool is released.
ObjC::Owned newAutoreleasePool()
{
    return ObjC::Owned(
        ObjC::send<id()>(ObjC::send<id()>(ObjC::classNamed("NSAutoreleasePool"), "alloc"), "init"));
}

bool isKindOf(id object, const char* className)
{
    return ObjC::send<BOOL(Class)>(object, "isKindOfClass:", ObjC::classNamed(className));
}

bool respondsTo(id object, const char* selectorName)
{
    return ObjC::send<BOOL(SEL)>(object, "respondsToSelector:", sel_registerName(selectorName));
}

std::string text(id string)
{
    const char* characters = ObjC::utf8(string);
    return characters ? characters : "";
}

} // namespace

std::optional<FoundationDictionary> FoundationDictionary::readFile(const std::string& path,
                                                                   std::string* error)
{
    std::error_code status;
    const auto size = std::filesystem::file_size(path, status);
    if (status) {
        *error = status.message();
        return std::nullopt;
    }
    if (size > maximumFileSize) {
        *error = "file too large";
        return std::nullopt;
    }
    const ObjC::Owned pool = newAutoreleasePool();
    const ObjC::Owned name = ObjC::string(path.c_str());
    id data = ObjC::send<id(id)>(ObjC::classNamed("NSData"), "dataWithContentsOfFile:", name.get());
    if (data == nil) {
        *error = "cannot read the file";
        return std::nullopt;
    }
    id parseError = nil;
    id list = ObjC::send<id(id, unsigned long, unsigned long*, id*)>(
        ObjC::classNamed("NSPropertyListSerialization"), "propertyListWithData:options:format:error:", data,
        0UL, nullptr, &parseError);
    if (list == nil || !isKindOf(list, "NSDictionary")) {
        *error = parseError ? text(ObjC::send<id()>(parseError, "localizedDescription"))
                            : "not a dictionary property list";
        return std::nullopt;
    }
    return FoundationDictionary(ObjC::retained(list));
}

id FoundationDictionary::object(const char* key) const
{
    const ObjC::Owned name = ObjC::string(key);
    return ObjC::send<id(id)>(dictionary.get(), "objectForKey:", name.get());
}

std::optional<std::string> FoundationDictionary::string(const char* key) const
{
    const ObjC::Owned pool = newAutoreleasePool();
    id value = object(key);
    if (value == nil || !isKindOf(value, "NSString"))
        return std::nullopt;
    return text(value);
}

std::optional<bool> FoundationDictionary::boolean(const char* key) const
{
    id value = object(key);
    if (value == nil || !respondsTo(value, "boolValue"))
        return std::nullopt;
    return ObjC::send<BOOL()>(value, "boolValue") != NO;
}

std::optional<int> FoundationDictionary::integer(const char* key) const
{
    id value = object(key);
    if (value == nil || !respondsTo(value, "intValue"))
        return std::nullopt;
    return ObjC::send<int()>(value, "intValue");
}

std::optional<std::vector<std::string>> FoundationDictionary::strings(const char* key) const
{
    const ObjC::Owned pool = newAutoreleasePool();
    id value = object(key);
    if (value == nil || !isKindOf(value, "NSArray"))
        return std::nullopt;
    std::vector<std::string> values;
    const auto count = ObjC::send<unsigned long()>(value, "count");
    for (unsigned long index = 0; index < count; ++index) {
        id element = ObjC::send<id(unsigned long)>(value, "objectAtIndex:", index);
        if (isKindOf(element, "NSString"))
            values.push_back(text(element));
    }
    return values;
}
