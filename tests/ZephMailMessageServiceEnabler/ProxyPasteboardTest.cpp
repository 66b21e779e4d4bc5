// SPDX-License-Identifier: MIT
// The proxy in front of a real GNUstep pasteboard and in front of a recording double.
#include "ProxyPasteboard.h"

#include "AutoreleasePool.h"
#include "RuntimeTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace RuntimeTestSupport;
using ChangeCount = ProxyPasteboard::ChangeCount;

namespace {

id arrayOf(const std::vector<std::string>& types)
{
    id array = ObjC::send<id()>(ObjC::classNamed("NSMutableArray"), "array");
    for (const std::string& type : types)
        ObjC::send<void(id)>(array, "addObject:", stringObject(type));
    return array;
}

ObjC::Owned proxyFor(id pasteboard)
{
    return ObjC::Owned(ObjC::send<id(id)>(ObjC::send<id()>(ProxyPasteboard::proxyClass(), "alloc"),
                                          "initWithPasteboard:", pasteboard));
}

bool isComplete(id proxy)
{
    return ObjC::send<BOOL()>(proxy, "hasTypesStillNotWritten");
}

enum class Step { declare, add, writeString, writeData, writePropertyList, writeNil };

struct Action {
    Step step;
    std::vector<std::string> types;
    bool completeAfterwards;
};

// Sends one action to the proxy and answers what the proxy answered (change count or success).
long perform(id proxy, const Action& action)
{
    id type = action.types.empty() ? nil : stringObject(action.types.front());
    id text = stringObject("a message");
    switch (action.step) {
    case Step::declare:
        return ObjC::send<ChangeCount(id, id)>(proxy, "declareTypes:owner:", arrayOf(action.types), nil);
    case Step::add:
        return ObjC::send<ChangeCount(id, id)>(proxy, "addTypes:owner:", arrayOf(action.types), nil);
    case Step::writeString:
        return ObjC::send<BOOL(id, id)>(proxy, "setString:forType:", text, type);
    case Step::writeData:
        return ObjC::send<BOOL(id, id)>(
            proxy, "setData:forType:",
            ObjC::send<id(const void*, unsigned long)>(ObjC::classNamed("NSData"),
                                                       "dataWithBytes:length:", "message", 7UL),
            type);
    case Step::writePropertyList:
        return ObjC::send<BOOL(id, id)>(proxy, "setPropertyList:forType:", arrayOf({"a", "message"}), type);
    case Step::writeNil:
        return ObjC::send<BOOL(id, id)>(proxy, "setString:forType:", nil, type);
    }
    return 0;
}

struct Sequence {
    const char* name;
    std::vector<Action> actions;
};

class ProxyInFrontOfARealPasteboardTest : public ::testing::TestWithParam<Sequence> {
protected:
    void TearDown() override { ObjC::send<void()>(pasteboard, "releaseGlobally"); }

    AutoreleasePool pool;
    id pasteboard = ObjC::send<id()>(ObjC::classNamed("NSPasteboard"), "pasteboardWithUniqueName");
    ObjC::Owned proxy = proxyFor(pasteboard);
};

TEST_P(ProxyInFrontOfARealPasteboardTest, isCompleteOnceEveryDeclaredTypeIsWritten)
{
    ASSERT_NE(pasteboard, nil);
    EXPECT_FALSE(isComplete(proxy.get()));
    for (size_t index = 0; index < GetParam().actions.size(); ++index) {
        perform(proxy.get(), GetParam().actions[index]);
        EXPECT_EQ(isComplete(proxy.get()), GetParam().actions[index].completeAfterwards)
            << "after step " << index;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, ProxyInFrontOfARealPasteboardTest,
    ::testing::Values(Sequence{"twoTypesWrittenOneByOne",
                               {{Step::declare, {"text", "message"}, false},
                                {Step::writeString, {"text"}, false},
                                {Step::writeData, {"message"}, true}}},
                      Sequence{"emptyDeclaration", {{Step::declare, {}, true}}},
                      Sequence{"redeclarationStartsOver",
                               {{Step::declare, {"text"}, false},
                                {Step::writeString, {"text"}, true},
                                {Step::declare, {"message"}, false},
                                {Step::writeString, {"text"}, false},
                                {Step::writePropertyList, {"message"}, true}}},
                      Sequence{"addedTypesMustBeWrittenToo",
                               {{Step::declare, {"text"}, false},
                                {Step::writeString, {"text"}, true},
                                {Step::add, {"message"}, false},
                                {Step::writeString, {"undeclared"}, false},
                                {Step::writeData, {"message"}, true},
                                {Step::add, {"late"}, false}}},
                      Sequence{"typeWrittenTwiceCountsOnce",
                               {{Step::declare, {"text", "message"}, false},
                                {Step::writeString, {"text"}, false},
                                {Step::writeData, {"text"}, false}}},
                      Sequence{"nilValueIsRefused",
                               {{Step::declare, {"text"}, false}, {Step::writeNil, {"text"}, false}}}),
    [](const ::testing::TestParamInfo<Sequence>& info) { return std::string(info.param.name); });

TEST_F(ProxyInFrontOfARealPasteboardTest, forwardsEveryOtherMessageWithItsResult)
{
    perform(proxy.get(), {Step::declare, {"text", "message"}, false});
    EXPECT_TRUE(perform(proxy.get(), {Step::writeString, {"text"}, false}));

    EXPECT_EQ(text(ObjC::send<id(id)>(proxy.get(), "stringForType:", stringObject("text"))), "a message");
    EXPECT_EQ(text(ObjC::send<id(id)>(pasteboard, "stringForType:", stringObject("text"))), "a message");
    EXPECT_EQ(ObjC::send<ChangeCount()>(proxy.get(), "changeCount"),
              ObjC::send<ChangeCount()>(pasteboard, "changeCount"));
    EXPECT_EQ(text(ObjC::send<id()>(proxy.get(), "name")), text(ObjC::send<id()>(pasteboard, "name")));
    EXPECT_EQ(ObjC::send<unsigned long()>(ObjC::send<id()>(proxy.get(), "types"), "count"), 2UL);
}

TEST_F(ProxyInFrontOfARealPasteboardTest, writesThatBypassTheProxyAreNotRecorded)
{
    perform(proxy.get(), {Step::declare, {"text"}, false});
    EXPECT_TRUE(
        ObjC::send<BOOL(id, id)>(pasteboard, "setString:forType:", stringObject("x"), stringObject("text")));
    EXPECT_FALSE(isComplete(proxy.get()));
}

TEST_F(ProxyInFrontOfARealPasteboardTest, respondsToPasteboardMessagesAndItsOwn)
{
    auto respondsTo = [&](const char* name) {
        return ObjC::send<BOOL(SEL)>(proxy.get(), "respondsToSelector:", sel_registerName(name));
    };
    EXPECT_TRUE(respondsTo("stringForType:"));
    EXPECT_TRUE(respondsTo("dataForType:"));
    EXPECT_TRUE(respondsTo("hasTypesStillNotWritten"));
    EXPECT_FALSE(respondsTo("noSuchPasteboardMessage:"));
}

// A pasteboard double that records what reaches it and answers as the test says.
struct DoubleAnswers {
    ChangeCount declareResult = 7;
    ChangeCount addResult = 8;
    BOOL writeResult = YES;
    std::vector<std::string> received;
};
DoubleAnswers answers;

Class recordingPasteboardClass()
{
    static Class recording = [] {
        Class defined = defineClass("RecordingPasteboard", ObjC::classNamed("NSObject"));
        auto encoding = [](const char* name) {
            return method_getTypeEncoding(
                class_getInstanceMethod(ObjC::classNamed("NSPasteboard"), sel_registerName(name)));
        };
        addMethod(
            defined, "declareTypes:owner:",
            +[](id, SEL, id, id) {
                answers.received.push_back("declare");
                return answers.declareResult;
            },
            encoding("declareTypes:owner:"));
        addMethod(
            defined, "addTypes:owner:",
            +[](id, SEL, id, id) {
                answers.received.push_back("add");
                return answers.addResult;
            },
            encoding("addTypes:owner:"));
        for (const char* name : {"setString:forType:", "setData:forType:", "setPropertyList:forType:"})
            addMethod(
                defined, name,
                +[](id, SEL selector, id, id type) {
                    answers.received.push_back(std::string(sel_getName(selector)) + " " + text(type));
                    return answers.writeResult;
                },
                encoding(name));
        return defined;
    }();
    return recording;
}

class ProxyInFrontOfARecordingDoubleTest : public ::testing::Test {
protected:
    void SetUp() override { answers = {}; }

    AutoreleasePool pool;
    ObjC::Owned pasteboard = newObject(recordingPasteboardClass());
    ObjC::Owned proxy = proxyFor(pasteboard.get());
};

TEST_F(ProxyInFrontOfARecordingDoubleTest, passesResultsBackAndWritesBeforeADeclarationUnrecorded)
{
    EXPECT_TRUE(perform(proxy.get(), {Step::writeString, {"text"}, false}));
    EXPECT_FALSE(isComplete(proxy.get()));
    EXPECT_EQ(perform(proxy.get(), {Step::declare, {"text"}, false}), 7);
    EXPECT_FALSE(isComplete(proxy.get()));
    EXPECT_EQ(perform(proxy.get(), {Step::add, {"message"}, false}), 8);
    EXPECT_EQ(answers.received, (std::vector<std::string>{"setString:forType: text", "declare", "add"}));
}

TEST_F(ProxyInFrontOfARecordingDoubleTest, refusalsRecordNothingButADeclarationStillStartsOver)
{
    perform(proxy.get(), {Step::declare, {"text"}, false});
    answers.writeResult = NO;
    EXPECT_FALSE(perform(proxy.get(), {Step::writeData, {"text"}, false}));
    EXPECT_FALSE(isComplete(proxy.get()));

    answers.writeResult = YES;
    EXPECT_TRUE(perform(proxy.get(), {Step::writePropertyList, {"text"}, false}));
    answers.addResult = 0;
    EXPECT_EQ(perform(proxy.get(), {Step::add, {"message"}, false}), 0);
    EXPECT_TRUE(isComplete(proxy.get()));

    answers.declareResult = 0;
    perform(proxy.get(), {Step::declare, {"message"}, false});
    EXPECT_FALSE(isComplete(proxy.get()));
}

TEST_F(ProxyInFrontOfARecordingDoubleTest, nilValuesNeverReachThePasteboard)
{
    perform(proxy.get(), {Step::declare, {"text"}, false});
    for (const char* name : {"setString:forType:", "setData:forType:", "setPropertyList:forType:"})
        EXPECT_FALSE(ObjC::send<BOOL(id, id)>(proxy.get(), name, nil, stringObject("text")));
    EXPECT_EQ(answers.received, std::vector<std::string>{"declare"});
}

TEST_F(ProxyInFrontOfARecordingDoubleTest, holdsThePasteboardUntilItIsDeallocated)
{
    auto retainCount = [&] {
        return ObjC::send<unsigned long()>(pasteboard.get(), "retainCount");
    };
    EXPECT_EQ(retainCount(), 2UL);
    perform(proxy.get(), {Step::declare, {"text"}, false});
    proxy.reset();
    EXPECT_EQ(retainCount(), 1UL);
}

} // namespace
