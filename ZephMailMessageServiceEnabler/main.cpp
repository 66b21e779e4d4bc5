// SPDX-License-Identifier: MIT
// Makes Mail's message list a Services requestor for plain text: its selection is written to
// the Services pasteboard by running Mail's own Copy command into that pasteboard.
#include "GeneralPasteboardOverride.h"
#include "MethodReplacement.h"
#include "ObjCMessaging.h"
#include "ProxyPasteboard.h"

extern "C" id NSStringPboardType;

namespace {

Class MailTableView = Nil;
IMP original_validRequestorForSendType_returnType = nullptr;
IMP original_writeSelectionToPasteboard_types = nullptr;
IMP original_generalPasteboard = nullptr;
id OverrideGeneralPasteboard = nil;

constexpr double lazyWriteTimeout = 10.0;
constexpr double runLoopSlice = 0.1;

double secondsSinceReferenceDate()
{
    return ObjC::send<double()>(ObjC::classNamed("NSDate"), "timeIntervalSinceReferenceDate");
}

bool respondsTo(id object, const char* selectorName)
{
    return ObjC::send<BOOL(SEL)>(object, "respondsToSelector:", ObjC::selector(selectorName));
}

bool hasSelectedMessages(id messageList)
{
    if (ObjC::send<long()>(messageList, "numberOfSelectedRows") <= 0)
        return false;
    id dataSource = ObjC::send<id()>(messageList, "dataSource");
    if (!respondsTo(dataSource, "selection"))
        return false;
    id selection = ObjC::send<id()>(dataSource, "selection");
    if (!ObjC::send<BOOL(Class)>(selection, "isKindOfClass:", ObjC::classNamed("NSArray")))
        return false;
    return ObjC::send<unsigned long()>(selection, "count") != 0;
}

// Mail may provide some types lazily on its run loop; give it up to the timeout to finish.
void waitUntilEveryDeclaredTypeIsWritten(id proxy)
{
    double now = secondsSinceReferenceDate();
    const double deadline = now + lazyWriteTimeout;
    while (now < deadline && !ObjC::send<BOOL()>(proxy, "hasTypesStillNotWritten")) {
        id sliceEnd =
            ObjC::send<id(double)>(ObjC::classNamed("NSDate"), "dateWithTimeIntervalSinceNow:", runLoopSlice);
        id runLoop = ObjC::send<id()>(ObjC::classNamed("NSRunLoop"), "currentRunLoop");
        ObjC::send<void(id)>(runLoop, "runUntilDate:", sliceEnd);
        now = secondsSinceReferenceDate();
    }
}

id replacement_generalPasteboard(id self, SEL selector)
{
    if (OverrideGeneralPasteboard != nil)
        return OverrideGeneralPasteboard;
    return ObjC::call<id()>(original_generalPasteboard, self, selector);
}

id replacement_validRequestorForSendType_returnType(id self, SEL selector, id sendType, id returnType)
{
    if (original_validRequestorForSendType_returnType != nullptr) {
        id requestor = ObjC::call<id(id, id)>(original_validRequestorForSendType_returnType, self, selector,
                                              sendType, returnType);
        if (requestor != nil)
            return requestor;
    }
    bool isPlainTextSend = ObjC::send<BOOL(id)>(sendType, "isEqualToString:", NSStringPboardType);
    return isPlainTextSend && returnType == nil && hasSelectedMessages(self) ? self : nil;
}

BOOL replacement_writeSelectionToPasteboard_types(id self, SEL selector, id pasteboard, id types)
{
    if (original_writeSelectionToPasteboard_types != nullptr &&
        ObjC::call<BOOL(id, id)>(original_writeSelectionToPasteboard_types, self, selector, pasteboard,
                                 types))
        return YES;
    if (!hasSelectedMessages(self))
        return NO;
    id delegate = ObjC::send<id()>(ObjC::send<id()>(self, "window"), "delegate");
    if (!respondsTo(delegate, "copy:"))
        return NO;

    id proxy = ObjC::send<id(id)>(ObjC::send<id()>(ProxyPasteboard::proxyClass(), "alloc"),
                                  "initWithPasteboard:", pasteboard);
    ObjC::send<id()>(proxy, "autorelease");
    GeneralPasteboardOverride override(OverrideGeneralPasteboard, proxy);
    ObjC::send<void(id)>(delegate, "copy:", nil);
    waitUntilEveryDeclaredTypeIsWritten(proxy);
    return YES;
}

const char* encodingOf(Class owner, const char* selectorName)
{
    return method_getTypeEncoding(class_getInstanceMethod(owner, ObjC::selector(selectorName)));
}

// What the plug-in's categories on NSPasteboard and NSObject hold, attached by hand. The
// signatures are those of the platform's methods that the replacements stand in for.
void attachCategories()
{
    Class pasteboardMetaclass = object_getClass(ObjC::object(ObjC::classNamed("NSPasteboard")));
    class_addMethod(pasteboardMetaclass, ObjC::selector("replacement_generalPasteboard"),
                    ObjC::implementation(replacement_generalPasteboard),
                    encodingOf(pasteboardMetaclass, "generalPasteboard"));
    Class rootClass = ObjC::classNamed("NSObject");
    class_addMethod(rootClass, ObjC::selector("replacement_validRequestorForSendType:returnType:"),
                    ObjC::implementation(replacement_validRequestorForSendType_returnType),
                    encodingOf(ObjC::classNamed("NSResponder"), "validRequestorForSendType:returnType:"));
    class_addMethod(rootClass, ObjC::selector("replacement_writeSelectionToPasteboard:types:"),
                    ObjC::implementation(replacement_writeSelectionToPasteboard_types),
                    encodingOf(ObjC::classNamed("NSTextView"), "writeSelectionToPasteboard:types:"));
}

void registerPlainTextServices()
{
    id pool = ObjC::send<id()>(ObjC::send<id()>(ObjC::classNamed("NSAutoreleasePool"), "alloc"), "init");
    id sendType = NSStringPboardType;
    ObjC::Owned sendTypes(ObjC::send<id(const id*, unsigned long)>(
        ObjC::send<id()>(ObjC::classNamed("NSArray"), "alloc"), "initWithObjects:count:", &sendType, 1));
    ObjC::Owned returnTypes(ObjC::send<id()>(ObjC::send<id()>(ObjC::classNamed("NSArray"), "alloc"), "init"));
    id application = ObjC::send<id()>(ObjC::classNamed("NSApplication"), "sharedApplication");
    ObjC::send<void(id, id)>(application, "registerServicesMenuSendTypes:returnTypes:", sendTypes.get(),
                             returnTypes.get());
    ObjC::release(pool);
}

// Run by the dynamic loader when Mail loads the plug-in.
__attribute__((constructor)) void load()
{
    MailTableView = objc_lookUpClass("MailTableView");
    if (MailTableView == Nil)
        return;
    attachCategories();
    original_validRequestorForSendType_returnType = ZBChainMethodImplementationWithSelector(
        MailTableView, ObjC::selector("validRequestorForSendType:returnType:"),
        ObjC::selector("replacement_validRequestorForSendType:returnType:"));
    original_writeSelectionToPasteboard_types = ZBChainMethodImplementationWithSelector(
        MailTableView, ObjC::selector("writeSelectionToPasteboard:types:"),
        ObjC::selector("replacement_writeSelectionToPasteboard:types:"));
    original_generalPasteboard = ZBChainMethodImplementationWithSelector(
        object_getClass(ObjC::object(ObjC::classNamed("NSPasteboard"))), ObjC::selector("generalPasteboard"),
        ObjC::selector("replacement_generalPasteboard"));
    registerPlainTextServices();
}

} // namespace
