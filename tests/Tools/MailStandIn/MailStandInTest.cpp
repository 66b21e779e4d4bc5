// SPDX-License-Identifier: MIT
#include "LineEscaping.h"
#include "MailSandbox.h"
#include "SampleMessages.h"
#include "XvfbDisplay.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

const fs::path testPlugin = TEST_PLUGIN_EXECUTABLE;
const fs::path realPlugin = GRABBIT_BUILD_DIR "/ZephMailMessageServiceEnabler.mailbundle";
const char* const key12 = "Supported10.12PluginCompatibilityUUIDs";
const char* const staleIdentifier = "00000000-0000-0000-0000-000000000000";

class MailStandInTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(sandbox.isValid()); }

    void launchOrFail(const std::vector<std::string>& arguments = {})
    {
        ASSERT_TRUE(sandbox.launch(arguments)) << sandbox.log();
    }

    MailSandbox sandbox;
};

TEST(MakeSandboxTest, UnknownVersionIsRefused)
{
    EXPECT_FALSE(MailSandbox("9.1").isValid());
    EXPECT_FALSE(MailSandbox("10.*").isValid());
}

TEST(MakeSandboxTest, OperatingSystemUpdateReplacesMailAndDropsMessageFramework)
{
    MailSandbox sandbox("10.8.5");
    ASSERT_TRUE(sandbox.isValid());
    auto before = sandbox.mailIdentifiers();
    ASSERT_EQ(before.size(), 2u);
    ASSERT_TRUE(sandbox.updateOperatingSystem("10.12.6"));
    auto after = sandbox.mailIdentifiers();
    ASSERT_EQ(after.size(), 1u);
    EXPECT_NE(after[0], before[0]);
    EXPECT_FALSE(sandbox.updateOperatingSystem("10.99"));
    EXPECT_EQ(sandbox.mailIdentifiers(), after);
}

TEST_F(MailStandInTest, FreshPreferencesLoadNothing)
{
    auto bundle = sandbox.installPlugin("Tester", key12, sandbox.mailIdentifiers(), testPlugin);
    launchOrFail();
    EXPECT_EQ(sandbox.status("bundles-loaded"), "");
    EXPECT_FALSE(sandbox.pluginMarkerExists());
    EXPECT_TRUE(fs::exists(bundle));
}

TEST_F(MailStandInTest, CompatibilityVersionBelowThreeLoadsNothing)
{
    sandbox.writePreferences(true, 2);
    sandbox.installPlugin("Tester", key12, sandbox.mailIdentifiers(), testPlugin);
    launchOrFail();
    EXPECT_FALSE(sandbox.pluginMarkerExists());
    EXPECT_NE(sandbox.log().find("BundleCompatibilityVersion 2"), std::string::npos);
}

// Each Mail reads its own key and checks the Message framework's identifier where the OS has one.
struct VersionCase {
    const char* os;
    const char* key;
    std::size_t identifierCount;
};

class MailStandInVersionTest : public ::testing::TestWithParam<VersionCase> {};

TEST_P(MailStandInVersionTest, LoadsPluginListingAllIdentifiersUnderItsKey)
{
    MailSandbox sandbox(GetParam().os);
    ASSERT_TRUE(sandbox.isValid());
    auto identifiers = sandbox.mailIdentifiers();
    ASSERT_EQ(identifiers.size(), GetParam().identifierCount);
    sandbox.writePreferences(true, 3);
    sandbox.installPlugin("Tester", GetParam().key, identifiers, testPlugin);
    ASSERT_TRUE(sandbox.launch()) << sandbox.log();
    EXPECT_EQ(sandbox.status("bundles-loaded"), "Tester.mailbundle");
    EXPECT_TRUE(sandbox.pluginMarkerExists());
    EXPECT_NE(sandbox.log().find("Loaded bundle"), std::string::npos);
}

TEST_P(MailStandInVersionTest, MovesPluginLackingOneIdentifier)
{
    MailSandbox sandbox(GetParam().os);
    ASSERT_TRUE(sandbox.isValid());
    auto identifiers = sandbox.mailIdentifiers();
    identifiers.back() = staleIdentifier;
    sandbox.writePreferences(true, 3);
    sandbox.installPlugin("Tester", GetParam().key, identifiers, testPlugin);
    ASSERT_TRUE(sandbox.launch()) << sandbox.log();
    EXPECT_EQ(sandbox.status("bundles-moved"), "Tester.mailbundle:Bundles (Disabled)");
    EXPECT_FALSE(sandbox.pluginMarkerExists());
}

INSTANTIATE_TEST_SUITE_P(Versions, MailStandInVersionTest,
                         ::testing::Values(VersionCase{"10.8.5", "SupportedPluginCompatibilityUUIDs", 2},
                                           VersionCase{"10.11.6", "SupportedPluginCompatibilityUUIDs", 1},
                                           VersionCase{"10.12.6", key12, 1},
                                           VersionCase{"10.13.6", "Supported10.13PluginCompatibilityUUIDs",
                                                       1}));

// After an OS update the plug-in stamped for the old Mail goes to a new disabled folder each time.
TEST_F(MailStandInTest, OperatingSystemUpdateDisablesStalePluginIntoFreshFolders)
{
    sandbox.writePreferences(true, 3);
    auto stamped = sandbox.mailIdentifiers();
    sandbox.installPlugin("Tester", key12, stamped, testPlugin);
    ASSERT_TRUE(sandbox.updateOperatingSystem("10.13.6"));
    launchOrFail();
    EXPECT_EQ(sandbox.status("bundles-moved"), "Tester.mailbundle:Bundles (Disabled)");
    EXPECT_NE(sandbox.log().find("Incompatible plug-in"), std::string::npos);
    sandbox.sendTerminate();
    ASSERT_EQ(sandbox.waitForExit(10s), 0);

    sandbox.installPlugin("Tester", key12, stamped, testPlugin);
    launchOrFail();
    EXPECT_EQ(sandbox.status("bundles-moved"), "Tester.mailbundle:Bundles (Disabled 1)");
    auto mail = sandbox.home() / "Library" / "Mail";
    EXPECT_TRUE(
        fs::exists(mail / "Bundles (Disabled)" / "Tester.mailbundle" / "Contents" / "MacOS" / "Tester"));
    EXPECT_TRUE(fs::exists(mail / "Bundles (Disabled 1)" / "Tester.mailbundle"));
    EXPECT_FALSE(fs::exists(sandbox.bundles() / "Tester.mailbundle"));
    EXPECT_FALSE(sandbox.pluginMarkerExists());
}

TEST_F(MailStandInTest, BadPluginsAreLoggedLeftInPlaceAndMailGoesOn)
{
    sandbox.writePreferences(true, 3);
    auto identifiers = sandbox.mailIdentifiers();
    auto withoutExecutable = sandbox.installPlugin("NoExecutable", key12, identifiers, std::nullopt);
    auto garbage = sandbox.home() / "garbage";
    std::ofstream(garbage) << "not a shared object";
    auto unloadable = sandbox.installPlugin("Unloadable", key12, identifiers, garbage);
    auto withoutInfo = sandbox.bundles() / "NoInfo.mailbundle";
    fs::create_directories(withoutInfo / "Contents");
    sandbox.installPlugin("Tester", key12, identifiers, testPlugin);
    launchOrFail();

    auto log = sandbox.log();
    EXPECT_NE(log.find("Could not load bundle " + withoutExecutable.string() + ": no executable"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("Could not load bundle " + unloadable.string() + ": "), std::string::npos) << log;
    EXPECT_NE(log.find("Could not load bundle " + withoutInfo.string() + ": no readable Info.plist"),
              std::string::npos)
        << log;
    EXPECT_EQ(sandbox.status("bundles-loaded"), "Tester.mailbundle");
    EXPECT_EQ(sandbox.status("bundles-moved"), "");
    EXPECT_TRUE(fs::exists(withoutExecutable) && fs::exists(unloadable) && fs::exists(withoutInfo));
}

TEST_F(MailStandInTest, CorruptedPreferencesLoadNothing)
{
    sandbox.writePreferencesBytes(std::string("bplist00\xff\x01garbage", 17));
    sandbox.installPlugin("Tester", key12, sandbox.mailIdentifiers(), testPlugin);
    launchOrFail();
    EXPECT_NE(sandbox.log().find("Could not read preferences"), std::string::npos);
    EXPECT_FALSE(sandbox.pluginMarkerExists());
}

// Without its own identifier Mail cannot check anything: it neither loads nor moves plug-ins.
TEST_F(MailStandInTest, MailWithoutCompatibilityIdentifierTouchesNoPlugin)
{
    std::ofstream(sandbox.mailInfoPlist())
        << "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict>"
           "<key>CFBundleExecutable</key><string>Mail</string></dict></plist>";
    sandbox.writePreferences(true, 3);
    auto bundle = sandbox.installPlugin("Tester", key12, {staleIdentifier}, testPlugin);
    launchOrFail();
    EXPECT_NE(sandbox.log().find("No PluginCompatibilityUUID"), std::string::npos);
    EXPECT_EQ(sandbox.status("identifiers"), "");
    EXPECT_TRUE(fs::exists(bundle));
    EXPECT_FALSE(sandbox.pluginMarkerExists());
}

TEST_F(MailStandInTest, SigtermQuitsCleanlyAndRemovesTheSocket)
{
    launchOrFail();
    sandbox.sendTerminate();
    EXPECT_EQ(sandbox.waitForExit(10s), 0);
    EXPECT_FALSE(fs::exists(sandbox.home() / ".mail-stand-in.sock"));
}

TEST_F(MailStandInTest, RefusedQuitKeepsMailRunning)
{
    launchOrFail();
    ASSERT_EQ(sandbox.request("refuse-quit"), "ok");
    sandbox.sendTerminate();
    EXPECT_FALSE(sandbox.waitForExit(500ms));
    EXPECT_EQ(sandbox.request("ping"), "pong");
}

TEST_F(MailStandInTest, DelayedQuitEndsAfterTheDelay)
{
    launchOrFail();
    ASSERT_EQ(sandbox.request("delay-quit 1.5"), "ok");
    sandbox.sendTerminate();
    EXPECT_FALSE(sandbox.waitForExit(700ms));
    EXPECT_EQ(sandbox.waitForExit(10s), 0);
}

TEST_F(MailStandInTest, WindowIsShownOnlyWhenLaunchedWithActivation)
{
    launchOrFail({"--without-activation"});
    EXPECT_EQ(sandbox.status("launched-without-activation"), "yes");
    EXPECT_EQ(sandbox.status("window-visible"), "no");
    ASSERT_EQ(sandbox.request("quit"), "ok");
    ASSERT_EQ(sandbox.waitForExit(10s), 0);

    launchOrFail();
    EXPECT_EQ(sandbox.status("launched-without-activation"), "no");
    EXPECT_EQ(sandbox.status("window-visible"), "yes");
}

TEST_F(MailStandInTest, ServicesWithoutPluginFindNoRequestor)
{
    launchOrFail();
    EXPECT_EQ(sandbox.request("select 0 2"), "ok 2 selected");
    EXPECT_EQ(sandbox.request("services"), "no-requestor");
    EXPECT_EQ(sandbox.request("select 0 3").value_or("").rfind("error ", 0), 0u);
    EXPECT_EQ(sandbox.request("select 1 1").value_or("").rfind("error ", 0), 0u);
    EXPECT_EQ(sandbox.request("frobnicate").value_or("").rfind("error ", 0), 0u);
}

TEST_F(MailStandInTest, RealPluginHandsSelectedMessagesToServicesInFull)
{
    auto executable = realPlugin / "Contents" / "MacOS" / "ZephMailMessageServiceEnabler";
    if (!fs::exists(executable))
        GTEST_SKIP() << "the Mail plug-in is not built at " << realPlugin;
    sandbox.writePreferences(true, 3);
    auto identifiers = sandbox.mailIdentifiers();
    auto bundle = sandbox.installPlugin("ZephMailMessageServiceEnabler", key12, identifiers, executable);
    launchOrFail();
    ASSERT_EQ(sandbox.status("bundles-loaded"), bundle.filename().string()) << sandbox.log();
    ASSERT_EQ(sandbox.request("select 0 2"), "ok 2 selected");

    auto response = sandbox.request("services").value_or("");
    ASSERT_EQ(response.rfind("text ", 0), 0u) << response << sandbox.log();
    auto text = LineEscaping::unescape(response.substr(5));
    EXPECT_NE(text.find(SampleMessages::all()[0]), std::string::npos) << text;
    EXPECT_NE(text.find(SampleMessages::all()[2]), std::string::npos) << text;
    EXPECT_EQ(text.find("Subject: Moth found in relay 70"), std::string::npos) << text;

    ASSERT_EQ(sandbox.request("select"), "ok 0 selected");
    EXPECT_EQ(sandbox.request("services"), "no-requestor");
}

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new XvfbDisplay);
    return RUN_ALL_TESTS();
}
