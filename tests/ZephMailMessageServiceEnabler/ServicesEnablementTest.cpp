// SPDX-License-Identifier: MIT
// Loads the built plug-in the way Mail does, first into a host without MailTableView and then
// into one with it, and drives the message list through Services requests against real
// GNUstep pasteboards.
#include "MailHostDouble.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>

namespace {

struct Host : MailHostDouble {
    static inline std::vector<long> runLoopSlices; // in milliseconds
    static inline std::string beforeLoading, loadedWithoutMail;
    static inline id realGeneral = nil;

    // What loading the plug-in may change in its host: the categories and the Services types.
    static std::string state()
    {
        SEL category = sel_registerName("replacement_writeSelectionToPasteboard:types:");
        return std::to_string(class_respondsToSelector(ObjC::classNamed("NSObject"), category)) +
               std::to_string(servicesRegistrations.size());
    }

    // Records every run-loop slice. The clock that NSDate answers starts at the reference date and
    // moves only by the slices asked for, in whole milliseconds, while the real loop turns for one:
    // ten seconds pass in a moment.
    static inline IMP realRunUntilDate = nullptr;
    static inline long elapsed = 0;
    static double now(id, SEL) { return elapsed / 1000.0; }
    static void runUntilDate(id self, SEL selector, id until)
    {
        elapsed += runLoopSlices.emplace_back(std::lround(send<double>(until, "timeIntervalSinceNow") * 1e3));
        id soon = send(classObject("NSDate"), "dateWithTimeIntervalSinceNow:", 0.001);
        ObjC::call<void(id)>(realRunUntilDate, self, selector, soon);
    }
    static void simulateRunLoopTime()
    {
        implement(metaclassOf(ObjC::classNamed("NSDate")), "timeIntervalSinceReferenceDate", "d16@0:8", now);
        realRunUntilDate =
            implement(ObjC::classNamed("NSRunLoop"), "runUntilDate:", "v24@0:8@16", runUntilDate);
    }

    // The requestor offered (the message list, Mail's own or none), the write's answer, the number
    // of run-loop slices of 0.1 s waited and what the Services pasteboard then holds.
    static std::string request(const Scenario& mail, const char* sendType = nullptr, bool returnType = false)
    {
        ObjC::Owned pool = autoreleasePool(), list(newObject("MailTableView"));
        id board = newPasteboard(), type = sendType ? string(sendType) : NSStringPboardType;
        const int generalChangeCount = send<int>(realGeneral, "changeCount");
        scenario = mail, runLoopSlices.clear(), anotherRequest.clear();
        id requestor =
            send(list.get(), "validRequestorForSendType:returnType:", type, returnType ? type : nil);
        std::string outcome =
            requestor == list.get() ? "list" : (requestor == mailsOwnRequestor() ? "Mail" : "none");
        try {
            outcome += write(list.get(), board) ? " YES " : " NO ";
        } catch (...) {
            outcome += " raised ";
        }
        outcome += std::to_string(runLoopSlices.size());
        for (long slice : runLoopSlices)
            outcome += slice == 100 ? "" : " slice of " + std::to_string(slice) + " ms";
        outcome += " " + contents(board) + anotherRequest;
        // However the write ended, the user's clipboard is the real one again, and untouched.
        if (general() != realGeneral || send<int>(realGeneral, "changeCount") != generalChangeCount)
            outcome += ", the clipboard changed";
        send<void>(board, "releaseGlobally");
        return outcome;
    }
};

using Copy = Host::Copy;
using Selection = Host::Selection;

TEST(ServicesEnablementTest, loadingChangesOnlyAHostWithMailTableViewAndExportsNothing)
{
    EXPECT_EQ(Host::loadedWithoutMail, Host::beforeLoading);
    EXPECT_EQ(Host::servicesRegistrations, std::vector<std::string>{Host::text(NSStringPboardType) + "|"});
    EXPECT_EQ(std::system("symbols=$(nm -D --defined-only '" ZEPH_MAIL_BUNDLE_EXECUTABLE
                          "') && [ -z \"$symbols\" ]"),
              0);
}

TEST(ServicesEnablementTest, offersAndWritesPlainTextOnlyWithMessagesSelected)
{
    EXPECT_EQ(Host::request({}), "list YES 0 text+messages");
    EXPECT_EQ(Host::request({}, "NSStringPboardType", true), "none YES 0 text+messages");
    EXPECT_EQ(Host::request({}, "NSTIFFPboardType"), "none YES 0 text+messages");
    EXPECT_EQ(Host::request({.rows = 0}), "none NO 0 -");
    EXPECT_EQ(Host::request({.selection = Selection::empty}), "none NO 0 -");
    EXPECT_EQ(Host::request({.selection = Selection::notAnArray}), "none NO 0 -");
    EXPECT_EQ(Host::request({.dataSourceHasSelection = false}), "none NO 0 -");
    EXPECT_EQ(Host::request({.delegateCopies = false}), "list NO 0 -");
    EXPECT_EQ(Host::request({.mailAnswers = true, .rows = 0}, "NSTIFFPboardType"), "Mail YES 0 -");
}

TEST(ServicesEnablementTest, waitsForTheCopyCommandInSlicesOfATenthForUpToTenSeconds)
{
    EXPECT_EQ(Host::request({.copy = Copy::later}), "list YES 1 text+messages");
    EXPECT_EQ(Host::request({.copy = Copy::never}), "list YES 100 text");
    EXPECT_EQ(Host::request({.copy = Copy::raises}), "list raised 0 -");
    // The other request must not take the first one's pasteboard away from its late write.
    EXPECT_EQ(Host::request({.copy = Copy::laterAfterAnotherRequest}),
              "list YES 1 text+messages, another YES text+messages");
}

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    ObjC::Owned pool = Host::autoreleasePool();
    Host::recordServicesRegistrations();
    Host::simulateRunLoopTime();
    Host::realGeneral = Host::general();
    Host::beforeLoading = Host::state();
    void* plugin = dlopen(ZEPH_MAIL_BUNDLE_EXECUTABLE, RTLD_NOW | RTLD_LOCAL);
    Host::loadedWithoutMail = Host::state();
    // Unloaded, the plug-in loads anew into a host that now has Mail's classes.
    Host::defineMailClasses();
    if (!plugin || dlclose(plugin) != 0 || !dlopen(ZEPH_MAIL_BUNDLE_EXECUTABLE, RTLD_NOW | RTLD_LOCAL)) {
        std::fprintf(stderr, "cannot load the plug-in: %s\n", dlerror());
        return 1;
    }
    return RUN_ALL_TESTS();
}
