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
    enum class Selection { twoMessages, empty, notAnArray, notAnswered };
    // When Mail's Copy command writes the messages after the text: at once, on a later run-loop
    // pass (after serving another Services request first, or not), or never; or it raises.
    enum class Copy { atOnce, later, laterAfterAnotherRequest, never, raises };

    // What Mail answers in the current test.
    struct Scenario {
        bool mailAnswers = false; // Mail's own implementations, which the plug-in chains to
        long rows = 2;
        Selection selection = Selection::twoMessages;
        bool delegateCopies = true;
        Copy copy = Copy::atOnce;
    };
    static Scenario scenario;
    static inline std::string anotherRequest;                     // its answer and what its pasteboard held
    static inline std::vector<std::string> servicesRegistrations; // each "send types|return types"

    // A message whose arguments have exactly the types of the method's parameters.
    template <typename Result = id, typename... Arguments>
    static Result send(id to, const char* name, Arguments... arguments)
    {
        return ObjC::send<Result(Arguments...)>(to, name, arguments...);
    }
    static id classObject(const char* name) { return ObjC::object(ObjC::classNamed(name)); }
    static id newObject(const char* className) { return send(send(classObject(className), "alloc"), "init"); }
    static ObjC::Owned autoreleasePool() { return ObjC::Owned(newObject("NSAutoreleasePool")); }
    static Class metaclassOf(Class ofClass) { return object_getClass(ObjC::object(ofClass)); }
    static id string(const char* text) { return send(ObjC::string(text).release(), "autorelease"); }
    static std::string text(id string) { return string == nil ? "" : ObjC::utf8(string); }
    static id general() { return send(classObject("NSPasteboard"), "generalPasteboard"); }
    static id newPasteboard() { return send(classObject("NSPasteboard"), "pasteboardWithUniqueName"); }
    static id mailsOwnRequestor() { return classObject("MailTableViewBase"); }
    static id messageType() { return string("MailMessagePboardType"); }
    static id messages() { return string("From: Ann\n\nFirst message\n\nFrom: Bob\n\nSecond message"); }
    static id array(id first, id second)
    {
        return ObjC::send<id(id, ...)>(classObject("NSArray"), "arrayWithObjects:", first, second, nil);
    }
    static BOOL write(id list, id board)
    {
        return send<BOOL>(list, "writeSelectionToPasteboard:types:", board, array(NSStringPboardType, nil));
    }

    static Class defineClass(const std::string& name, Class superclass)
    {
        Class defined = objc_allocateClassPair(superclass, name.c_str(), 0);
        objc_registerClassPair(defined);
        return defined;
    }

    // Adds the method, or replaces the class's own one and answers the implementation it had.
    template <typename Function>
    static IMP implement(Class in, const char* name, const char* types, Function f)
    {
        if (class_addMethod(in, sel_registerName(name), ObjC::implementation(+f), types))
            return nullptr;
        return method_setImplementation(class_getInstanceMethod(in, sel_registerName(name)),
                                        ObjC::implementation(+f));
    }

    // "text" when the pasteboard holds the messages' plain text, "+messages" when it holds them whole.
    static std::string contents(id board)
    {
        std::string plain = text(send(board, "stringForType:", NSStringPboardType));
        id whole = send(board, "dataForType:", messageType());
        return (plain.empty()               ? "-"
                : plain == text(messages()) ? "text"
                                            : plain) +
               (whole ? "+messages" : "");
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
                  [](id self, SEL) { return selfIf(scenario.selection != Selection::notAnswered, self); });
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
        Class recorder =
            metaclassOf(defineClass("ServicesRegistrationRecorder", ObjC::classNamed("NSObject")));
        implement(recorder, "registerServicesMenuSendTypes:returnTypes:", "v32@0:8@16@24",
                  [](id, SEL, id sent, id returned) {
                      servicesRegistrations.push_back(joined(sent) + "|" + joined(returned));
                  });
        implement(metaclassOf(ObjC::classNamed("NSApplication")), "sharedApplication", "@16@0:8",
                  [](id, SEL) { return classObject("ServicesRegistrationRecorder"); });
    }

private:
    // Self while the scenario has it, else an object without Mail's methods.
    static id selfIf(bool present, id self)
    {
        return present ? self : send(newObject("NSObject"), "autorelease");
    }
    static std::string joined(id types)
    {
        return text(send(types, "componentsJoinedByString:", string(",")));
    }

    static id selectedMessages()
    {
        if (scenario.selection == Selection::twoMessages)
            return array(string("From: Ann\n\nFirst message"), string("From: Bob\n\nSecond message"));
        return scenario.selection == Selection::empty ? send(classObject("NSArray"), "array") : messages();
    }

    static void copyMessages(id messageList)
    {
        if (scenario.copy == Copy::raises)
            ObjC::send<void(id, id, ...)>(classObject("NSException"), "raise:format:", string("Mail"),
                                          string("failed"));
        send<int>(general(), "declareTypes:owner:", array(NSStringPboardType, messageType()), nil);
        send<BOOL>(general(), "setString:forType:", messages(), NSStringPboardType);
        if (scenario.copy == Copy::atOnce)
            writeMessagesLater();
        else if (scenario.copy != Copy::never)
            send<void>(messageList,
                       "performSelector:withObject:afterDelay:", sel_registerName("writeMessagesLater"), nil,
                       0.0);
    }

    static void writeMessagesLater()
    {
        if (scenario.copy == Copy::laterAfterAnotherRequest) {
            scenario.copy = Copy::atOnce;
            ObjC::Owned otherList(newObject("MailTableView"));
            id otherBoard = newPasteboard();
            anotherRequest = write(otherList.get(), otherBoard) ? ", another YES " : ", another NO ";
            anotherRequest += contents(otherBoard);
            send<void>(otherBoard, "releaseGlobally");
        }
        send<BOOL>(general(), "setData:forType:", send(messages(), "dataUsingEncoding:", 4UL), messageType());
    }
};

inline MailHostDouble::Scenario MailHostDouble::scenario;
