// SPDX-License-Identifier: MIT
// Loads the built plug-in into a host that defines MailTableView first, as Mail does, and drives
// the message list through Services requests against real GNUstep pasteboards.
#include "AutoreleasePool.h"
#include "MailHostDouble.h"
#include "ServicesRegistrationRecorder.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

using namespace MailHostDouble;
using RuntimeTestSupport::text;

namespace {

id realGeneralPasteboard = nil;

id newMessageList()
{
    return ObjC::send<id()>(ObjC::send<id()>(ObjC::classNamed("MailTableView"), "alloc"), "init");
}

class ServicesEnablementTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        scenario = {};
        scenario.selection = ObjC::send<id(id, ...)>(
            ObjC::classNamed("NSArray"), "arrayWithObjects:", stringObject("From: Ann\n\nFirst message"),
            stringObject("From: Bob\n\nSecond message"), nil);
        generalChangeCount = ObjC::send<int()>(realGeneralPasteboard, "changeCount");
    }

    void TearDown() override
    {
        EXPECT_EQ(generalPasteboard(), realGeneralPasteboard);
        EXPECT_EQ(ObjC::send<int()>(realGeneralPasteboard, "changeCount"), generalChangeCount);
        ObjC::send<void()>(servicesPasteboard, "releaseGlobally");
        ObjC::release(messageList);
    }

    id requestor(id sendType, id returnType)
    {
        return ObjC::send<id(id, id)>(messageList, "validRequestorForSendType:returnType:", sendType,
                                      returnType);
    }

    BOOL write()
    {
        id types = ObjC::send<id(id)>(ObjC::classNamed("NSArray"), "arrayWithObject:", NSStringPboardType);
        return ObjC::send<BOOL(id, id)>(messageList, "writeSelectionToPasteboard:types:", servicesPasteboard,
                                        types);
    }

    std::string servicesText()
    {
        return text(ObjC::send<id(id)>(servicesPasteboard, "stringForType:", NSStringPboardType));
    }

    bool servicesHasMessages()
    {
        id data = ObjC::send<id(id)>(servicesPasteboard, "dataForType:", stringObject(messageType));
        return ObjC::send<BOOL(id)>(data, "isEqualToData:", selectionData());
    }

    AutoreleasePool pool;
    id messageList = newMessageList();
    id servicesPasteboard = ObjC::send<id()>(ObjC::classNamed("NSPasteboard"), "pasteboardWithUniqueName");
    int generalChangeCount = 0;
};

TEST_F(ServicesEnablementTest, loadingRegistersPlainTextAsTheOnlySendType)
{
    EXPECT_EQ(ServicesRegistrationRecorder::registration.count, 1);
    EXPECT_EQ(ServicesRegistrationRecorder::registration.sendTypes, text(NSStringPboardType));
    EXPECT_EQ(ServicesRegistrationRecorder::registration.returnTypes, "");
}

struct RequestorCase {
    const char* name;
    const char* sendType; // null: NSStringPboardType
    bool withReturnType;
    long selectedRows;
    enum { twoMessages, noMessages, notAnArray, notAnswered } selection;
    bool answersItself;
};

class RequestorTest : public ServicesEnablementTest, public ::testing::WithParamInterface<RequestorCase> {};

TEST_P(RequestorTest, isTheMessageListOnlyForPlainTextWithMessagesSelected)
{
    const RequestorCase& current = GetParam();
    scenario.selectedRows = current.selectedRows;
    if (current.selection == RequestorCase::noMessages)
        scenario.selection = ObjC::send<id()>(ObjC::classNamed("NSArray"), "array");
    if (current.selection == RequestorCase::notAnArray)
        scenario.selection = stringObject("First message");
    scenario.dataSourceAnswersSelection = current.selection != RequestorCase::notAnswered;
    id sendType = current.sendType ? stringObject(current.sendType) : NSStringPboardType;

    EXPECT_EQ(requestor(sendType, current.withReturnType ? NSStringPboardType : nil),
              current.answersItself ? messageList : nil);
    EXPECT_EQ(write(),
              current.answersItself || current.sendType != nullptr || current.withReturnType ? YES : NO)
        << "the write looks at the selection only";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RequestorTest,
    ::testing::Values(
        RequestorCase{"plainTextWithTwoMessages", nullptr, false, 2, RequestorCase::twoMessages, true},
        RequestorCase{"withAReturnType", nullptr, true, 2, RequestorCase::twoMessages, false},
        RequestorCase{"anotherSendType", "NSTIFFPboardType", false, 2, RequestorCase::twoMessages, false},
        RequestorCase{"noSelectedRows", nullptr, false, 0, RequestorCase::twoMessages, false},
        RequestorCase{"emptySelection", nullptr, false, 2, RequestorCase::noMessages, false},
        RequestorCase{"selectionNotAnArray", nullptr, false, 2, RequestorCase::notAnArray, false},
        RequestorCase{"dataSourceWithoutSelection", nullptr, false, 2, RequestorCase::notAnswered, false}),
    [](const ::testing::TestParamInfo<RequestorCase>& info) { return std::string(info.param.name); });

TEST_F(ServicesEnablementTest, mailsOwnAnswersComeFirst)
{
    scenario.selectedRows = 0;
    scenario.originalRequestor = hostObjects.window;
    EXPECT_EQ(requestor(stringObject("NSTIFFPboardType"), nil), hostObjects.window);

    scenario.originalWriteAnswer = YES;
    EXPECT_TRUE(write());
    EXPECT_EQ(scenario.copies, 0);
}

TEST_F(ServicesEnablementTest, aCopyThatWritesEverythingAtOnceNeedsNoRunLoopSlice)
{
    EXPECT_TRUE(write());
    EXPECT_EQ(scenario.runLoopSlices, 0);
    EXPECT_EQ(scenario.copies, 1);
    EXPECT_NE(scenario.pasteboardSeenByCopy, realGeneralPasteboard);
    EXPECT_EQ(servicesText(), "From: Ann\n\nFirst message\n\nFrom: Bob\n\nSecond message");
    EXPECT_TRUE(servicesHasMessages());
}

TEST_F(ServicesEnablementTest, aTypeWrittenOnALaterRunLoopPassIsWaitedFor)
{
    scenario.copyBehaviour = CopyBehaviour::writesSecondTypeLater;
    EXPECT_TRUE(write());
    EXPECT_EQ(scenario.runLoopSlices, 1);
    EXPECT_EQ(scenario.pasteboardSeenLater, scenario.pasteboardSeenByCopy);
    EXPECT_TRUE(servicesHasMessages());
}

TEST_F(ServicesEnablementTest, writesOfTypesNeverDeclaredDoNotHoldTheWriteUp)
{
    scenario.copyBehaviour = CopyBehaviour::writesUndeclaredType;
    EXPECT_TRUE(write());
    EXPECT_EQ(scenario.runLoopSlices, 0);
    EXPECT_FALSE(servicesText().empty());
}

TEST_F(ServicesEnablementTest, aDeclaredTypeNeverWrittenEndsTheWaitAtTheDeadline)
{
    scenario.copyBehaviour = CopyBehaviour::neverWritesSecondType;
    EXPECT_TRUE(write());
    EXPECT_GT(scenario.runLoopSlices, 1);
    EXPECT_LE(scenario.runLoopSlices, 101);
    EXPECT_FALSE(servicesText().empty());
    EXPECT_FALSE(servicesHasMessages());
}

// A second Services request served while the first one waits must not send the first one's
// late data to the user's clipboard.
TEST_F(ServicesEnablementTest, aWriteDuringTheWaitOfAnotherLeavesTheOtherItsPasteboard)
{
    scenario.copyBehaviour = CopyBehaviour::writesSecondTypeLater;
    id otherPasteboard = ObjC::send<id()>(ObjC::classNamed("NSPasteboard"), "pasteboardWithUniqueName");
    ObjC::Owned otherMessageList(newMessageList());
    BOOL otherWritten = NO;
    scenario.beforeLaterWrite = [&] {
        scenario.copyBehaviour = CopyBehaviour::writesAtOnce;
        id types = ObjC::send<id(id)>(ObjC::classNamed("NSArray"), "arrayWithObject:", NSStringPboardType);
        otherWritten = ObjC::send<BOOL(id, id)>(otherMessageList.get(),
                                                "writeSelectionToPasteboard:types:", otherPasteboard, types);
    };

    EXPECT_TRUE(write());
    EXPECT_TRUE(otherWritten);
    EXPECT_EQ(scenario.runLoopSlices, 1);
    EXPECT_TRUE(servicesHasMessages());
    EXPECT_NE(text(ObjC::send<id(id)>(otherPasteboard, "stringForType:", NSStringPboardType)), "");
    ObjC::send<void()>(otherPasteboard, "releaseGlobally");
}

TEST_F(ServicesEnablementTest, anExceptionFromTheCopyCommandReachesTheCallerAndClearsTheOverride)
{
    scenario.copyBehaviour = CopyBehaviour::raises;
    bool raised = false;
    try {
        write();
    } catch (...) {
        raised = true;
    }
    EXPECT_TRUE(raised);
    EXPECT_EQ(scenario.copies, 1);
}

TEST_F(ServicesEnablementTest, aMessageListWithoutACopyCommandWritesNothing)
{
    scenario.inWindow = false;
    EXPECT_FALSE(write());
    scenario.inWindow = true;
    scenario.delegateCanCopy = false;
    EXPECT_FALSE(write());
    EXPECT_EQ(scenario.copies, 0);
}

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    AutoreleasePool pool;
    defineMailClasses();
    countRunLoopSlices();
    keepRunLoopBusy();
    ServicesRegistrationRecorder::install();
    realGeneralPasteboard = generalPasteboard();
    if (dlopen(ZEPH_MAIL_BUNDLE_EXECUTABLE, RTLD_NOW | RTLD_LOCAL) == nullptr) {
        fprintf(stderr, "cannot load the plug-in: %s\n", dlerror());
        return 1;
    }
    return RUN_ALL_TESTS();
}
