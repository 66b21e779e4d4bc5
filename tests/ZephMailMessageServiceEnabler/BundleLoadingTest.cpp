// SPDX-License-Identifier: MIT
// Loading the plug-in into a process without Mail's message list changes nothing; and the
// bundle's executable exports nothing for a host to call.
#include "AutoreleasePool.h"
#include "ServicesRegistrationRecorder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <dlfcn.h>
#include <memory>
#include <string>

namespace {

Class pasteboardMetaclass()
{
    return RuntimeTestSupport::metaclassOf(ObjC::classNamed("NSPasteboard"));
}

IMP generalPasteboardImplementation()
{
    return method_getImplementation(
        class_getInstanceMethod(pasteboardMetaclass(), sel_registerName("generalPasteboard")));
}

TEST(BundleLoadingTest, withoutMailTableViewNothingChangesAndNothingIsRegistered)
{
    AutoreleasePool pool;
    ASSERT_EQ(objc_lookUpClass("MailTableView"), Nil);
    IMP generalPasteboardBefore = generalPasteboardImplementation();
    ServicesRegistrationRecorder::install();

    void* plugin = dlopen(ZEPH_MAIL_BUNDLE_EXECUTABLE, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(plugin, nullptr) << dlerror();

    EXPECT_EQ(generalPasteboardImplementation(), generalPasteboardBefore);
    EXPECT_EQ(
        class_getInstanceMethod(pasteboardMetaclass(), sel_registerName("replacement_generalPasteboard")),
        nullptr);
    for (const char* name :
         {"replacement_validRequestorForSendType:returnType:",
          "replacement_writeSelectionToPasteboard:types:", "validRequestorForSendType:returnType:"})
        EXPECT_EQ(class_getInstanceMethod(ObjC::classNamed("NSObject"), sel_registerName(name)), nullptr)
            << name;
    EXPECT_EQ(ServicesRegistrationRecorder::registration.count, 0);
}

TEST(BundleLoadingTest, theBundleExecutableExportsNoSymbols)
{
    std::string command = "nm -D --defined-only '" ZEPH_MAIL_BUNDLE_EXECUTABLE "'";
    std::unique_ptr<FILE, int (*)(FILE*)> listing(popen(command.c_str(), "r"), pclose);
    ASSERT_NE(listing, nullptr);
    std::string exported;
    char line[512];
    while (fgets(line, sizeof line, listing.get()) != nullptr)
        exported += line;
    EXPECT_EQ(pclose(listing.release()), 0);
    EXPECT_EQ(exported, "");
}

} // namespace
