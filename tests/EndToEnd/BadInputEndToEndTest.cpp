// SPDX-License-Identifier: MIT
// Damaged Macs, end to end: the stand-in Mail says what Mail would and goes on, and the installer
// reports what went wrong or repairs what it owns.
#include "EndToEndSandbox.h"
#include "PropertyList.h"
#include "ServicesCheck.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

const std::string pluginName = "ZephMailMessageServiceEnabler.mailbundle";

std::string fileContents(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream contents;
    contents << file.rdbuf();
    return contents.str();
}

fs::path pluginExecutable(const EndToEndSandbox& sandbox)
{
    return sandbox.installedPlugin() / "Contents/MacOS/ZephMailMessageServiceEnabler";
}

} // namespace

TEST(BadInputEndToEndTest, MailWithoutCompatibilityIdentifierLoadsNoPluginAndGoesOn)
{
    EndToEndSandbox sandbox;
    ASSERT_TRUE(sandbox.isValid());
    const QString mailInfo = QString::fromStdString(sandbox.mailSandbox().mailInfoPlist().string());
    auto info = PropertyList::dictionaryWithContentsOfFile(mailInfo);
    ASSERT_TRUE(info);
    info->remove(QStringLiteral("PluginCompatibilityUUID"));
    ASSERT_TRUE(PropertyList::writeToFile(*info, mailInfo, PropertyListFormat::XML));

    // Whatever the installer makes of such a Mail, the plug-in it leaves must not be loaded.
    sandbox.grabbitctl("install");
    ASSERT_TRUE(fs::exists(sandbox.installedPlugin()));
    ASSERT_TRUE(sandbox.startMail()) << sandbox.mailLog();

    EXPECT_NE(sandbox.mailLog().find("No PluginCompatibilityUUID in"), std::string::npos)
        << sandbox.mailLog();
    EXPECT_NE(sandbox.mailLog().find("Mail has no compatibility identifier; no plug-in loaded"),
              std::string::npos);
    EXPECT_TRUE(fs::exists(sandbox.installedPlugin()));
    EXPECT_EQ(sandbox.mailStatus("bundles-loaded"), "");
    EXPECT_EQ(sandbox.mailStatus("bundles-moved"), "");
    EXPECT_EQ(sandbox.mailRequest("services"), "no-requestor");
}

TEST(BadInputEndToEndTest, CorruptedPreferencesAreReportedAndLeftAsTheyAre)
{
    EndToEndSandbox sandbox;
    ASSERT_TRUE(sandbox.isValid());
    const std::string garbage = "bplist00\xff\xfe not a property list";
    sandbox.mailSandbox().writePreferencesBytes(garbage);

    const auto install = sandbox.grabbitctl("install");

    EXPECT_EQ(install.status, 1);
    EXPECT_NE(install.output.find("Unable to update Mail preferences."), std::string::npos) << install.output;
    EXPECT_EQ(fileContents(sandbox.preferences()), garbage);
    ASSERT_TRUE(sandbox.startMail()) << sandbox.mailLog();
    EXPECT_NE(sandbox.mailLog().find("Could not read preferences"), std::string::npos) << sandbox.mailLog();
    EXPECT_EQ(sandbox.mailStatus("bundles-loaded"), "");
}

struct DamageCase {
    const char* name;
    void (*damage)(const fs::path& executable);
    const char* mailSays;
};

class DamagedPluginTest : public ::testing::TestWithParam<DamageCase> {};

// Mail logs the damage and runs on without the plug-in; installing again repairs it.
TEST_P(DamagedPluginTest, MailRunsOnWithoutItAndAnUpdateRepairsIt)
{
    EndToEndSandbox sandbox;
    ASSERT_TRUE(sandbox.isValid());
    ASSERT_EQ(sandbox.grabbitctl("install").status, 0);
    GetParam().damage(pluginExecutable(sandbox));

    ASSERT_TRUE(sandbox.startMail()) << sandbox.mailLog();

    EXPECT_NE(sandbox.mailLog().find(GetParam().mailSays), std::string::npos) << sandbox.mailLog();
    EXPECT_EQ(sandbox.mailStatus("bundles-loaded"), "");
    EXPECT_EQ(sandbox.mailRequest("services"), "no-requestor");

    const auto before = sandbox.mailProcesses();
    const auto repair = sandbox.grabbitctl("install");
    ASSERT_EQ(repair.status, 0) << repair.output;
    ASSERT_TRUE(sandbox.waitForMailOtherThan(before, 20s));
    EXPECT_EQ(sandbox.mailStatus("bundles-loaded"), pluginName);
    expectSelectedMessagesInFull(sandbox);
}

INSTANTIATE_TEST_SUITE_P(
    Damages, DamagedPluginTest,
    ::testing::Values(DamageCase{"WithoutExecutable",
                                 [](const fs::path& executable) { fs::remove(executable); },
                                 "no executable at"},
                      DamageCase{"FailingToLoad",
                                 [](const fs::path& executable) {
                                     std::ofstream(executable, std::ios::binary | std::ios::trunc)
                                         << std::string(256, '?');
                                 },
                                 "invalid ELF header"}),
    [](const auto& info) { return std::string(info.param.name); });
