// SPDX-License-Identifier: MIT
#include "ProxyPasteboard.h"

#include <bit>

namespace {

constexpr const char* pasteboardIvar = "_pboard";
constexpr const char* declaredTypesIvar = "_declaredTypes";
constexpr const char* typesWrittenIvar = "_typesWritten";

const char* encodingOf(const char* className, const char* selectorName)
{
    return method_getTypeEncoding(
        class_getInstanceMethod(objc_getClass(className), sel_registerName(selectorName)));
}

Class proxyBaseClass()
{
    return objc_getClass("NSProxy");
}

id newMutableSet(id types)
{
    id set = ObjC::send<id()>(ObjC::classNamed("NSMutableSet"), "alloc");
    return types == nil ? ObjC::send<id()>(set, "init") : ObjC::send<id(id)>(set, "initWithArray:", types);
}

} // namespace

Class ProxyPasteboard::proxyClass()
{
    static Class registered = registerClass();
    return registered;
}

Class ProxyPasteboard::registerClass()
{
    if (Class existing = objc_getClass(className))
        return existing;
    Class proxy = objc_allocateClassPair(proxyBaseClass(), className, 0);
    for (const char* name : {pasteboardIvar, declaredTypesIvar, typesWrittenIvar})
        class_addIvar(proxy, name, sizeof(id), std::countr_zero(alignof(id)), "@");

    // Signatures come from the methods the proxy mirrors, so BOOL and NSInteger match this runtime.
    // initWithPasteboard: has no counterpart; its encoding holds only objects.
    addMethod(proxy, "initWithPasteboard:", ObjC::implementation(initWithPasteboard), "@@:@");
    addMethod(proxy, "dealloc", ObjC::implementation(dealloc), encodingOf("NSProxy", "dealloc"));
    addMethod(proxy, "hasTypesStillNotWritten", ObjC::implementation(hasTypesStillNotWritten),
              encodingOf("NSProxy", "isProxy"));
    addMethod(proxy, "declareTypes:owner:", ObjC::implementation(declareTypes),
              encodingOf("NSPasteboard", "declareTypes:owner:"));
    addMethod(proxy, "addTypes:owner:", ObjC::implementation(addTypes),
              encodingOf("NSPasteboard", "addTypes:owner:"));
    for (const char* name : {"setData:forType:", "setPropertyList:forType:", "setString:forType:"})
        addMethod(proxy, name, ObjC::implementation(setValue), encodingOf("NSPasteboard", name));
    addMethod(proxy, "forwardInvocation:", ObjC::implementation(forwardInvocation),
              encodingOf("NSProxy", "forwardInvocation:"));
    addMethod(proxy, "methodSignatureForSelector:", ObjC::implementation(methodSignatureForSelector),
              encodingOf("NSProxy", "methodSignatureForSelector:"));
    addMethod(proxy, "respondsToSelector:", ObjC::implementation(respondsToSelector),
              encodingOf("NSProxy", "respondsToSelector:"));
    objc_registerClassPair(proxy);
    return proxy;
}

void ProxyPasteboard::addMethod(Class proxy, const char* name, IMP implementation, const char* encoding)
{
    class_addMethod(proxy, sel_registerName(name), implementation, encoding);
}

id ProxyPasteboard::ivar(id self, const char* name)
{
    return object_getIvar(self, class_getInstanceVariable(proxyClass(), name));
}

void ProxyPasteboard::setIvar(id self, const char* name, id value)
{
    object_setIvar(self, class_getInstanceVariable(proxyClass(), name), value);
}

// NSProxy has no initializer of its own to call.
id ProxyPasteboard::initWithPasteboard(id self, SEL, id pasteboard)
{
    setIvar(self, pasteboardIvar, ObjC::send<id()>(pasteboard, "retain"));
    return self;
}

void ProxyPasteboard::dealloc(id self, SEL selector)
{
    for (const char* name : {pasteboardIvar, declaredTypesIvar, typesWrittenIvar}) {
        ObjC::release(ivar(self, name));
        setIvar(self, name, nil);
    }
    ObjC::sendSuper<void()>(self, proxyBaseClass(), selector);
}

// YES once every declared type has been written; NO before any declaration.
BOOL ProxyPasteboard::hasTypesStillNotWritten(id self, SEL)
{
    return ObjC::send<BOOL(id)>(ivar(self, declaredTypesIvar),
                                "isSubsetOfSet:", ivar(self, typesWrittenIvar));
}

// A declaration starts the record over even when the real pasteboard refuses it.
ProxyPasteboard::ChangeCount ProxyPasteboard::declareTypes(id self, SEL selector, id types, id owner)
{
    ChangeCount changeCount =
        ObjC::send<ChangeCount(id, id)>(ivar(self, pasteboardIvar), selector, types, owner);
    ObjC::release(ivar(self, declaredTypesIvar));
    setIvar(self, declaredTypesIvar, newMutableSet(types));
    ObjC::release(ivar(self, typesWrittenIvar));
    setIvar(self, typesWrittenIvar, newMutableSet(nil));
    return changeCount;
}

ProxyPasteboard::ChangeCount ProxyPasteboard::addTypes(id self, SEL selector, id types, id owner)
{
    ChangeCount changeCount =
        ObjC::send<ChangeCount(id, id)>(ivar(self, pasteboardIvar), selector, types, owner);
    if (changeCount != 0 && types != nil)
        ObjC::send<void(id)>(ivar(self, declaredTypesIvar), "addObjectsFromArray:", types);
    return changeCount;
}

// setData:forType:, setPropertyList:forType: and setString:forType: all follow this one rule.
BOOL ProxyPasteboard::setValue(id self, SEL selector, id value, id type)
{
    if (value == nil)
        return NO;
    BOOL written = ObjC::send<BOOL(id, id)>(ivar(self, pasteboardIvar), selector, value, type);
    if (written && type != nil)
        ObjC::send<void(id)>(ivar(self, typesWrittenIvar), "addObject:", type);
    return written;
}

void ProxyPasteboard::forwardInvocation(id self, SEL, id invocation)
{
    ObjC::send<void(id)>(invocation, "setTarget:", ivar(self, pasteboardIvar));
    ObjC::send<void()>(invocation, "invoke");
}

id ProxyPasteboard::methodSignatureForSelector(id self, SEL selector, SEL requested)
{
    return ObjC::send<id(SEL)>(ivar(self, pasteboardIvar), selector, requested);
}

BOOL ProxyPasteboard::respondsToSelector(id self, SEL selector, SEL requested)
{
    if (ObjC::send<BOOL(SEL)>(ivar(self, pasteboardIvar), selector, requested))
        return YES;
    return ObjC::sendSuper<BOOL(SEL)>(self, proxyBaseClass(), selector, requested);
}
