// SPDX-License-Identifier: MIT
// The one test with the real shared application, which needs an X display: without one, the
// test runs itself again under a private Xvfb, and is skipped where none can be started.
#include "AutoreleasePool.h"
#include "MailHostDouble.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <dlfcn.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr const char* rerunMarker = "ZEPH_SERVICES_SMOKE_TEST_UNDER_XVFB";

bool xvfbCanStart()
{
    return std::system("xvfb-run -a true >/dev/null 2>&1") == 0;
}

// Replaces this process by `xvfb-run -a <this test>`; xvfb-run stops its server when the test ends.
void rerunUnderXvfb(int argc, char** argv)
{
    setenv(rerunMarker, "1", 1);
    std::vector<char*> arguments{const_cast<char*>("xvfb-run"), const_cast<char*>("-a")};
    arguments.insert(arguments.end(), argv, argv + argc);
    arguments.push_back(nullptr);
    execvp("xvfb-run", arguments.data());
}

TEST(ServicesRegistrationSmokeTest, theLoadedPluginRegistersWithTheRealApplication)
{
    if (getenv("DISPLAY") == nullptr)
        GTEST_SKIP() << "no X server could be started for NSApplication";
    AutoreleasePool pool;
    MailHostDouble::defineMailClasses();

    ASSERT_NE(dlopen(ZEPH_MAIL_BUNDLE_EXECUTABLE, RTLD_NOW | RTLD_LOCAL), nullptr) << dlerror();

    id application = ObjC::send<id()>(ObjC::classNamed("NSApplication"), "sharedApplication");
    EXPECT_TRUE(ObjC::send<BOOL(Class)>(application, "isKindOfClass:", ObjC::classNamed("NSApplication")));
    MailHostDouble::scenario.selection = ObjC::send<id(id)>(
        ObjC::classNamed("NSArray"), "arrayWithObject:", MailHostDouble::stringObject("a message"));
    ObjC::Owned messageList(RuntimeTestSupport::newObject(ObjC::classNamed("MailTableView")));
    EXPECT_EQ(ObjC::send<id(id, id)>(messageList.get(),
                                     "validRequestorForSendType:returnType:", NSStringPboardType, nil),
              messageList.get());
}

} // namespace

int main(int argc, char** argv)
{
    if (getenv("DISPLAY") == nullptr && getenv(rerunMarker) == nullptr && xvfbCanStart())
        rerunUnderXvfb(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
