// SPDX-License-Identifier: MIT
// Mail inside a test process, on the real runtime: a MailTableView whose Copy command writes the
// selected messages to whatever [NSPasteboard generalPasteboard] answers, and a shared application
// that records the Services types registered with it.
#pragma once

#include "ObjCMessaging.h"

#include <string>
#include <vector>

extern "C" id NSStringPboardType;

class MailHostDouble {
public:
    enum class Selection { twoMessages, empty, notAnArray };
    // When Mail's Copy command writes the messages after the text: at once, on a later run-loop
    // pass (after serving another Services request first, or not), or never; or it raises.
    enum class Copy { atOnce, later, laterAfterAnotherRequest, never, raises };

    // What Mail answers in the current test.
    struct Scenario {
        bool mailAnswers = false; // Mail's own implementations, which the plug-in chains to
        long rows = 2;
        Selection selection = Selection::twoMessages;
        bool dataSourceHasSelection = true;
        bool delegateCopies = true;
        Copy copy = Copy::atOnce;
    };
    static Scenario scenario;
    static inline std::string anotherRequest;                     // its answer and what its pasteboard held
    static inline std::vector<std::string> servicesRegistrations; // each "send types|return types"

    // A message whose arguments have exactly the types of the method's parameters.
    template <typename Result = id> static Result send(id to, const char* name, auto... arguments)
    {
        return ObjC::send<Result(decltype(arguments)...)>(to, name, arguments...);
    }
    static id classObject(const char* name) { return ObjC::object(ObjC::classNamed(name)); }
    static id newObject(const char* className) { return send(send(classObject(className), "alloc"), "init"); }
    static ObjC::Owned autoreleasePool() { return ObjC::Owned(newObject("NSAutoreleasePool")); }
    static Class metaclassOf(Class ofClass) { return object_getClass(ObjC::object(ofClass)); }
    static id string(const char* text) { return send(ObjC::string(text).release(), "autorelease"); }
    static std::string text(id string) { return string == nil ? "" : ObjC::utf8(string); }
    static id array(id first) { return send(classObject("NSArray"), "arrayWithObject:", first); }
    static id array(id first, id second) { return send(array(first), "arrayByAddingObject:", second); }
    static id general() { return send(classObject("NSPasteboard"), "generalPasteboard"); }
    static id newPasteboard() { return send(classObject("NSPasteboard"), "pasteboardWithUniqueName"); }
    static id mailsOwnRequestor() { return classObject("MailTableViewBase"); }
    static id messageType() { return string("MailMessagePboardType"); }
    static id messages() { return string("From: Ann\n\nFirst message\n\nFrom: Bob\n\nSecond message"); }
    static BOOL write(id list, id to)
    {
        return send<BOOL>(list, "writeSelectionToPasteboard:types:", to, array(NSStringPboardType));
    }

    static Class defineClass(const std::string& name, Class superclass)
    {
        Class defined = objc_allocateClassPair(superclass, name.c_str(), 0);
        objc_registerClassPair(defined);
        return defined;
    }

    // Adds the method, or replaces the class's own one and answers the implementation it had.
    static IMP implement(Class in, const char* name, const char* types, auto function)
    {
        if (class_addMethod(in, sel_registerName(name), ObjC::implementation(+function), types))
            return nullptr;
        return method_setImplementation(class_getInstanceMethod(in, sel_registerName(name)),
                                        ObjC::implementation(+function));
    }

    // "text" when the pasteboard holds the messages' plain text, "+messages" when it holds them whole.
    static std::string contents(id pasteboard)
    {
        std::string plain = text(send(pasteboard, "stringForType:", NSStringPboardType));
        plain = plain.empty() ? "-" : plain == text(messages()) ? "text" : plain;
        return plain + (send(pasteboard, "dataForType:", messageType()) ? "+messages" : "");
    }

    // Defined before the plug-in is loaded, as Mail's classes are. The message list is its own data
    // source, window and window delegate, as long as the scenario has them.
    static void defineMailClasses()
    {
        Class base = defineClass("MailTableViewBase", ObjC::classNamed("NSObject"));
        implement(base, "validRequestorForSendType:returnType:", "@32@0:8@16@24",
                  [](id, SEL, id, id) { return scenario.mailAnswers ? mailsOwnRequestor() : nil; });
        implement(base, "writeSelectionToPasteboard:types:", "C32@0:8@16@24",
                  [](id, SEL, id, id) -> BOOL { return scenario.mailAnswers; });
        Class list = defineClass("MailTableView", base);
        implement(list, "numberOfSelectedRows", "q16@0:8", [](id, SEL) { return scenario.rows; });
        implement(list, "dataSource", "@16@0:8",
                  [](id self, SEL) { return selfIf(scenario.dataSourceHasSelection, self); });
        implement(list, "selection", "@16@0:8", [](id, SEL) { return selectedMessages(); });
        implement(list, "window", "@16@0:8", [](id self, SEL) { return self; });
        implement(list, "delegate", "@16@0:8",
                  [](id self, SEL) { return selfIf(scenario.delegateCopies, self); });
        implement(list, "copy:", "v24@0:8@16", [](id self, SEL, id) { copyMessages(self); });
        implement(list, "writeMessagesLater", "v16@0:8", [](id, SEL) { writeMessagesLater(); });
    }

    // NSApplication needs a display: its shared application becomes a recorder of Services types.
    static void recordServicesRegistrations()
    {
        Class recorder = defineClass("ServicesRecorder", ObjC::classNamed("NSObject"));
        implement(metaclassOf(recorder), "registerServicesMenuSendTypes:returnTypes:", "v32@0:8@16@24",
                  [](id, SEL, id sent, id back) { record(sent, back); });
        implement(metaclassOf(ObjC::classNamed("NSApplication")), "sharedApplication", "@16@0:8",
                  [](id, SEL) { return classObject("ServicesRecorder"); });
    }

private:
    // Self while the scenario has it, else an object without Mail's methods.
    static id selfIf(bool has, id self) { return has ? self : send(newObject("NSObject"), "autorelease"); }
    static std::string joined(id list) { return text(send(list, "componentsJoinedByString:", string(","))); }
    static void record(id sent, id back)
    {
        servicesRegistrations.push_back(joined(sent) + "|" + joined(back));
    }

    static id selectedMessages()
    {
        if (scenario.selection == Selection::twoMessages)
            return array(string("From: Ann\n\nFirst message"), string("From: Bob\n\nSecond message"));
        return scenario.selection == Selection::empty ? send(classObject("NSArray"), "array") : messages();
    }

    static void copyMessages(id list)
    {
        if (scenario.copy == Copy::raises)
            ObjC::send<void(id, id, ...)>(classObject("NSException"), "raise:format:", string("Mail"),
                                          string("failed"));
        send<int>(general(), "declareTypes:owner:", array(NSStringPboardType, messageType()), nil);
        send<BOOL>(general(), "setString:forType:", messages(), NSStringPboardType);
        if (scenario.copy == Copy::atOnce)
            writeMessagesLater();
        else if (scenario.copy != Copy::never)
            send<void>(list, "performSelector:withObject:afterDelay:", sel_registerName("writeMessagesLater"),
                       nil, 0.0);
    }

    static void writeMessagesLater()
    {
        if (scenario.copy == Copy::laterAfterAnotherRequest) {
            scenario.copy = Copy::atOnce;
            ObjC::Owned otherList(newObject("MailTableView"));
            id otherPasteboard = newPasteboard();
            anotherRequest = write(otherList.get(), otherPasteboard) ? ", another YES " : ", another NO ";
            anotherRequest += contents(otherPasteboard);
            send<void>(otherPasteboard, "releaseGlobally");
        }
        send<BOOL>(general(), "setData:forType:", send(messages(), "dataUsingEncoding:", 4UL), messageType());
    }
};

inline MailHostDouble::Scenario MailHostDouble::scenario;
