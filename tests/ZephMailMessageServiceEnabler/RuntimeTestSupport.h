// SPDX-License-Identifier: MIT
// Building small classes on the real runtime for tests.
#pragma once

#include "ObjCMessaging.h"

#include <string>

namespace RuntimeTestSupport {

// Classes live as long as the process, so every test builds its own under a fresh name.
inline std::string uniqueName(const std::string& stem)
{
    static int counter = 0;
    return stem + std::to_string(++counter);
}

inline Class defineClass(const std::string& name, Class superclass)
{
    Class defined = objc_allocateClassPair(superclass, name.c_str(), 0);
    objc_registerClassPair(defined);
    return defined;
}

inline Class metaclassOf(Class ofClass)
{
    return object_getClass(ObjC::object(ofClass));
}

template <typename Function>
void addMethod(Class toClass, const char* selectorName, Function function, const char* encoding)
{
    class_addMethod(toClass, sel_registerName(selectorName), ObjC::implementation(function), encoding);
}

inline ObjC::Owned newObject(Class ofClass)
{
    return ObjC::Owned(ObjC::send<id()>(ObjC::send<id()>(ofClass, "alloc"), "init"));
}

inline id stringObject(const std::string& value)
{
    return ObjC::send<id(const char*)>(ObjC::classNamed("NSString"), "stringWithUTF8String:", value.c_str());
}

inline std::string text(id string)
{
    return string == nil ? std::string() : std::string(ObjC::utf8(string));
}

} // namespace RuntimeTestSupport
