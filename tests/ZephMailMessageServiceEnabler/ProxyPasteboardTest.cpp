// SPDX-License-Identifier: MIT
// The proxy in front of a pasteboard double that answers what each step says and counts what
// reaches it; the Services tests put it in front of real GNUstep pasteboards.
#include "ProxyPasteboard.h"

#include "MailHostDouble.h"

#include <gtest/gtest.h>

namespace {

using Host = MailHostDouble;

long answer = 0; // of the pasteboard to the next declaration or write
int received = 0;

// What the proxy answers to a declaration or a write of the given types, "+" when the message
// reached the pasteboard, and "complete" while every type of the latest declaration is written.
std::string step(id proxy, const char* message, const char* types, long pasteboardAnswer)
{
    received = 0, answer = pasteboardAnswer;
    id array = Host::send(Host::string(types), "componentsSeparatedByString:", Host::string(" "));
    array = *types ? array : Host::send(Host::classObject("NSArray"), "array");
    // Any object will do as the value of a write.
    long answered = std::string(message).ends_with("owner:")
                        ? Host::send<ProxyPasteboard::ChangeCount>(proxy, message, array, nil)
                        : Host::send<BOOL>(proxy, message, array, Host::string(types));
    return std::to_string(answered) + (received ? "+" : "") +
           (Host::send<BOOL>(proxy, "hasTypesStillNotWritten") ? " complete" : "");
}

TEST(ProxyPasteboardTest, passesEverythingOnAndRecordsWhatEachDeclarationLeavesUnwritten)
{
    ObjC::Owned pool = Host::autoreleasePool();
    static const Class pasteboardDouble = [] {
        Class defined = Host::defineClass("PasteboardDouble", ObjC::classNamed("NSObject"));
        for (const char* name : {"declareTypes:owner:", "addTypes:owner:"})
            Host::implement(defined, name, "i32@0:8@16@24",
                            [](id, SEL, id, id) { return ++received, int(answer); });
        for (const char* name : {"setString:forType:", "setData:forType:", "setPropertyList:forType:"})
            Host::implement(defined, name, "C32@0:8@16@24",
                            [](id, SEL, id, id) { return ++received, BOOL(answer); });
        Host::implement(defined, "stringForType:", "@24@0:8@16", [](id, SEL, id type) { return type; });
        return defined;
    }();
    ObjC::Owned pasteboard(Host::newObject(class_getName(pasteboardDouble)));
    ObjC::Owned proxy(Host::send(Host::send(ObjC::object(ProxyPasteboard::proxyClass()), "alloc"),
                                 "initWithPasteboard:", pasteboard.get()));

    EXPECT_EQ(step(proxy.get(), "setString:forType:", "text", YES), "1+");
    EXPECT_EQ(step(proxy.get(), "addTypes:owner:", "text", 8), "8+");
    EXPECT_EQ(step(proxy.get(), "declareTypes:owner:", "text message", 7), "7+");
    EXPECT_EQ(step(proxy.get(), "setString:forType:", "text", YES), "1+");
    EXPECT_EQ(step(proxy.get(), "setData:forType:", "text", YES), "1+");
    EXPECT_EQ(step(proxy.get(), "setPropertyList:forType:", "message", NO), "0+");
    EXPECT_EQ(step(proxy.get(), "setPropertyList:forType:", "message", YES), "1+ complete");
    EXPECT_EQ(step(proxy.get(), "declareTypes:owner:", "text", 7), "7+");
    EXPECT_EQ(step(proxy.get(), "setData:forType:", "text", YES), "1+ complete");
    EXPECT_EQ(step(proxy.get(), "declareTypes:owner:", "message", 0), "0+");
    EXPECT_EQ(step(proxy.get(), "setString:forType:", "message", YES), "1+ complete");
    EXPECT_EQ(step(proxy.get(), "addTypes:owner:", "late", 0), "0+ complete");
    EXPECT_EQ(step(proxy.get(), "addTypes:owner:", "later", 8), "8+");
    EXPECT_EQ(step(proxy.get(), "setString:forType:", "undeclared", YES), "1+");
    EXPECT_EQ(step(proxy.get(), "setString:forType:", "later", YES), "1+ complete");
    EXPECT_EQ(step(proxy.get(), "declareTypes:owner:", "", 7), "7+ complete");

    // Nil values never reach the pasteboard; other messages reach it unrecorded.
    received = 0;
    for (const char* name : {"setString:forType:", "setData:forType:", "setPropertyList:forType:"})
        EXPECT_FALSE(Host::send<BOOL>(proxy.get(), name, nil, Host::string("text"))) << name;
    EXPECT_EQ(received, 0);
    EXPECT_EQ(Host::text(Host::send(proxy.get(), "stringForType:", Host::string("text"))), "text");
    EXPECT_NE(Host::send(proxy.get(), "methodSignatureForSelector:", sel_registerName("stringForType:")),
              nil);
    auto respondsTo = [&](const char* name) {
        return Host::send<BOOL>(proxy.get(), "respondsToSelector:", sel_registerName(name));
    };
    EXPECT_TRUE(respondsTo("stringForType:") && respondsTo("hasTypesStillNotWritten"));
    EXPECT_FALSE(respondsTo("noSuchPasteboardMessage:"));
    EXPECT_EQ(Host::send<unsigned long>(pasteboard.get(), "retainCount"), 2UL);
    proxy.reset();
    EXPECT_EQ(Host::send<unsigned long>(pasteboard.get(), "retainCount"), 1UL);
}

} // namespace
