// SPDX-License-Identifier: MIT
// A pasteboard that stands in front of a real one: every message reaches the real pasteboard,
// and on the way the proxy records which types were declared and which of them were written.
// The Objective-C class is built at run time on NSProxy; this C++ class only holds its code.
#pragma once

#include "ObjCMessaging.h"

class ProxyPasteboard {
public:
    // The pasteboard's change count: GNUstep declares it int, AppKit NSInteger.
#if defined(__GNU_LIBOBJC__)
    using ChangeCount = int;
#else
    using ChangeCount = long;
#endif

    static constexpr const char* className = "com_zephlabs_ZephMailMessageServiceEnabler_PasteboardProxy";

    // The runtime class, registered on first use (or found, when another image registered it).
    static Class proxyClass();

private:
    static Class registerClass();
    static void addMethod(Class proxy, const char* name, IMP implementation, const char* encoding);
    static id ivar(id self, const char* name);
    static void setIvar(id self, const char* name, id value);

    static id initWithPasteboard(id self, SEL selector, id pasteboard);
    static void dealloc(id self, SEL selector);
    static BOOL hasTypesStillNotWritten(id self, SEL selector);
    static ChangeCount declareTypes(id self, SEL selector, id types, id owner);
    static ChangeCount addTypes(id self, SEL selector, id types, id owner);
    static BOOL setValue(id self, SEL selector, id value, id type);
    static void forwardInvocation(id self, SEL selector, id invocation);
    static id methodSignatureForSelector(id self, SEL selector, SEL requested);
    static BOOL respondsToSelector(id self, SEL selector, SEL requested);
};
