// SPDX-License-Identifier: MIT
// Stands in for Mail inside a test process: a MailTableView class with a data source, a window
// and a window delegate whose Copy command writes the selected messages to whatever
// [NSPasteboard generalPasteboard] answers. Defined before the plug-in is loaded, as Mail's are.
#pragma once

#include "ObjCMessaging.h"
#include "RuntimeTestSupport.h"

#include <chrono>
#include <functional>
#include <string>
#include <utility>

extern "C" id NSStringPboardType;

namespace MailHostDouble {

enum class CopyBehaviour {
    writesAtOnce,
    writesSecondTypeLater,
    neverWritesSecondType,
    raises,
    writesUndeclaredType
};

constexpr const char* messageType = "MailMessagePboardType";
constexpr const char* copyFailure = "MailCopyFailure";

// What Mail's objects answer in the current test, and what they saw.
struct Scenario {
    long selectedRows = 2;
    id selection = nil;
    bool dataSourceAnswersSelection = true;
    bool inWindow = true;
    bool delegateCanCopy = true;
    CopyBehaviour copyBehaviour = CopyBehaviour::writesAtOnce;
    id originalRequestor = nil;
    BOOL originalWriteAnswer = NO;
    int copies = 0;
    std::chrono::steady_clock::time_point copyStarted;
    int runLoopSlices = 0;
    id pasteboardSeenByCopy = nil;
    id pasteboardSeenLater = nil;
    std::function<void()> beforeLaterWrite;
};
inline Scenario scenario;

using RuntimeTestSupport::stringObject;

inline id generalPasteboard()
{
    return ObjC::send<id()>(ObjC::classNamed("NSPasteboard"), "generalPasteboard");
}

// The full text of the selected messages, as the Copy command writes it.
inline id selectionText()
{
    return ObjC::send<id(id)>(scenario.selection, "componentsJoinedByString:", stringObject("\n\n"));
}

inline id selectionData()
{
    return ObjC::send<id(unsigned long)>(selectionText(), "dataUsingEncoding:", 4UL);
}

inline void copyMessages(id delegate)
{
    ++scenario.copies;
    scenario.copyStarted = std::chrono::steady_clock::now();
    id pasteboard = generalPasteboard();
    scenario.pasteboardSeenByCopy = pasteboard;
    if (scenario.copyBehaviour == CopyBehaviour::raises)
        ObjC::send<void(id, id, ...)>(ObjC::classNamed("NSException"),
                                      "raise:format:", stringObject(copyFailure),
                                      stringObject("the Copy command failed"));
    bool declareBoth = scenario.copyBehaviour != CopyBehaviour::writesUndeclaredType;
    id types =
        declareBoth
            ? ObjC::send<id(id, ...)>(ObjC::classNamed("NSArray"), "arrayWithObjects:", NSStringPboardType,
                                      stringObject(messageType), nil)
            : ObjC::send<id(id)>(ObjC::classNamed("NSArray"), "arrayWithObject:", NSStringPboardType);
    ObjC::send<int(id, id)>(pasteboard, "declareTypes:owner:", types, nil);
    ObjC::send<BOOL(id, id)>(pasteboard, "setString:forType:", selectionText(), NSStringPboardType);
    switch (scenario.copyBehaviour) {
    case CopyBehaviour::writesAtOnce:
    case CopyBehaviour::writesUndeclaredType:
        ObjC::send<BOOL(id, id)>(pasteboard, "setData:forType:", selectionData(), stringObject(messageType));
        break;
    case CopyBehaviour::writesSecondTypeLater:
        ObjC::send<void(SEL, id, double)>(delegate, "performSelector:withObject:afterDelay:",
                                          sel_registerName("writeMessagesLater"), nil, 0.0);
        break;
    default:
        break;
    }
}

inline void writeMessagesLater()
{
    if (auto hook = std::exchange(scenario.beforeLaterWrite, nullptr))
        hook();
    id pasteboard = generalPasteboard();
    scenario.pasteboardSeenLater = pasteboard;
    ObjC::send<BOOL(id, id)>(pasteboard, "setData:forType:", selectionData(), stringObject(messageType));
}

// Objects that live as long as the process, like Mail's.
struct HostObjects {
    id dataSource, dataSourceWithoutSelection, window, delegate, delegateWithoutCopy;
};
inline HostObjects hostObjects;

inline void defineMailClasses()
{
    using RuntimeTestSupport::addMethod;
    using RuntimeTestSupport::newObject;
    Class rootClass = ObjC::classNamed("NSObject");
    auto encodingOf = [](const char* className, const char* name) {
        return method_getTypeEncoding(
            class_getInstanceMethod(ObjC::classNamed(className), sel_registerName(name)));
    };

    // Mail's own class tree answers the Services messages first; tests decide what it answers.
    Class base = RuntimeTestSupport::defineClass("MailTableViewBase", rootClass);
    addMethod(
        base,
        "validRequestorForSendType:returnType:", +[](id, SEL, id, id) { return scenario.originalRequestor; },
        encodingOf("NSResponder", "validRequestorForSendType:returnType:"));
    addMethod(
        base,
        "writeSelectionToPasteboard:types:", +[](id, SEL, id, id) { return scenario.originalWriteAnswer; },
        encodingOf("NSTextView", "writeSelectionToPasteboard:types:"));

    Class tableView = RuntimeTestSupport::defineClass("MailTableView", base);
    addMethod(
        tableView, "numberOfSelectedRows", +[](id, SEL) { return scenario.selectedRows; }, "q16@0:8");
    addMethod(
        tableView, "dataSource",
        +[](id, SEL) {
            return scenario.dataSourceAnswersSelection ? hostObjects.dataSource
                                                       : hostObjects.dataSourceWithoutSelection;
        },
        "@16@0:8");
    addMethod(
        tableView, "window", +[](id, SEL) { return scenario.inWindow ? hostObjects.window : nil; },
        "@16@0:8");

    Class dataSource = RuntimeTestSupport::defineClass("MailMessageListDataSource", rootClass);
    addMethod(
        dataSource, "selection", +[](id, SEL) { return scenario.selection; }, "@16@0:8");

    Class window = RuntimeTestSupport::defineClass("MailWindow", rootClass);
    addMethod(
        window, "delegate",
        +[](id, SEL) {
            return scenario.delegateCanCopy ? hostObjects.delegate : hostObjects.delegateWithoutCopy;
        },
        "@16@0:8");

    Class viewer = RuntimeTestSupport::defineClass("MailMessageViewer", rootClass);
    addMethod(
        viewer, "copy:", +[](id self, SEL, id) { copyMessages(self); }, "v24@0:8@16");
    addMethod(
        viewer, "writeMessagesLater", +[](id, SEL) { writeMessagesLater(); }, "v16@0:8");

    hostObjects = {newObject(dataSource).release(), newObject(rootClass).release(),
                   newObject(window).release(), newObject(viewer).release(), newObject(rootClass).release()};
}

// Counts the slices in which the write path runs the run loop, by wrapping NSRunLoop's runUntilDate:.
inline IMP originalRunUntilDate = nullptr;

inline void countRunLoopSlices()
{
    Method runUntilDate =
        class_getInstanceMethod(ObjC::classNamed("NSRunLoop"), sel_registerName("runUntilDate:"));
    originalRunUntilDate =
        method_setImplementation(runUntilDate, ObjC::implementation(+[](id self, SEL selector, id date) {
                                     ++scenario.runLoopSlices;
                                     ObjC::call<void(id)>(originalRunUntilDate, self, selector, date);
                                 }));
}

// Mail's run loop always has sources; without one, runUntilDate: would return at once.
inline void keepRunLoopBusy()
{
    ObjC::send<id(double, id, SEL, id, BOOL)>(
        ObjC::classNamed("NSTimer"),
        "scheduledTimerWithTimeInterval:target:selector:userInfo:repeats:", 3600.0, hostObjects.window,
        sel_registerName("self"), nil, NO);
}

} // namespace MailHostDouble
