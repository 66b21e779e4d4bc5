// SPDX-License-Identifier: MIT
// The whole product on a sandboxed Mac: the installer (its window in this process, grabbitctl and
// the application as processes of their own) against the stand-in Mail with the real plug-in.
#include "EndToEndSandbox.h"
#include "FakeFileManager.h"
#include "InstallerWindow.h"
#include "PropertyList.h"
#include "ServicesCheck.h"
#include "UserNotificationTestBus.h"
#include "XWindowKeys.h"

#include <QMessageBox>
#include <QProcess>
#include <QUrl>

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

const std::string pluginName = "ZephMailMessageServiceEnabler.mailbundle";
const QString installerBundle = QStringLiteral(GRABBIT_BUILD_DIR "/GrabbitInstaller.app");

// An install or update clicked in the window; the login item offer that follows is declined.
void installThroughTheWindow(const QString& expectedButtonTitle, const QString& screenshotName)
{
    InstallerWindow window;
    EXPECT_EQ(window.installButtonTitle(), expectedButtonTitle);
    window.clickInstall();
    ASSERT_TRUE(window.waitUntilIdle(60s));
    if (QMessageBox* offer = InstallerWindow::waitForSheet(QStringLiteral("loginItemOffer"), 2s)) {
        window.saveScreenshot(screenshotName, offer);
        InstallerWindow::clickButton(offer, QString::fromUtf8("Don’t Add"));
    }
    EXPECT_EQ(window.title(), QStringLiteral("Grabbit Installed"));
}

void expectPluginLoadedByAFreshMail(EndToEndSandbox& sandbox, const std::set<pid_t>& before)
{
    ASSERT_TRUE(sandbox.waitForMailOtherThan(before, 20s)) << "Mail was not reopened";
    for (pid_t process : sandbox.mailProcesses())
        EXPECT_FALSE(before.contains(process)) << "the earlier Mail still runs";
    EXPECT_EQ(sandbox.mailStatus("launched-without-activation"), "yes");
    ASSERT_EQ(sandbox.mailStatus("bundles-loaded"), pluginName);
    expectSelectedMessagesInFull(sandbox);
}

bool anyDisabledCopy(const EndToEndSandbox& sandbox)
{
    std::error_code status;
    for (fs::directory_iterator entry(sandbox.home() / "Library/Mail", status), end; !status && entry != end;
         entry.increment(status)) {
        if (entry->path().filename().string().starts_with("Bundles (Disabled") &&
            fs::exists(entry->path() / pluginName))
            return true;
    }
    return false;
}

// Installs with Mail not running and updates the OS so that the next Mail sets the plug-in aside.
void installAndUpdateOperatingSystem(EndToEndSandbox& sandbox, const std::string& version)
{
    ASSERT_EQ(sandbox.grabbitctl("install").status, 0);
    ASSERT_TRUE(sandbox.mailSandbox().updateOperatingSystem(version));
    ASSERT_TRUE(sandbox.startMail());
    ASSERT_EQ(sandbox.mailStatus("bundles-moved"), pluginName + ":Bundles (Disabled)");
}

// The installer application as a process of its own on the private X server and bus.
class InstallerProcess {
public:
    InstallerProcess(const QString& busAddress, const QStringList& arguments)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), busAddress);
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        environment.remove(QStringLiteral("GRABBIT_MAIN_BUNDLE"));
        process.setProcessEnvironment(environment);
        process.setProcessChannelMode(QProcess::ForwardedChannels);
        process.start(installerBundle + QStringLiteral("/Contents/MacOS/GrabbitInstaller"), arguments);
    }
    ~InstallerProcess()
    {
        process.kill();
        process.waitForFinished();
    }
    InstallerProcess(const InstallerProcess&) = delete;
    InstallerProcess& operator=(const InstallerProcess&) = delete;

    QProcess process;
};

// Whether the X server shows a window of that title.
bool windowIsViewable(const QString& title)
{
    QProcess information;
    information.start(QStringLiteral("xwininfo"), {QStringLiteral("-name"), title});
    if (!information.waitForFinished(10000) || information.exitCode() != 0)
        return false;
    return information.readAllStandardOutput().contains("Map State: IsViewable");
}

class InstallRoundTripTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        bus = new UserNotificationTestBus;
        notifications = new FakeNotificationDaemon;
        bus->startDaemon(notifications);
    }
    static void TearDownTestSuite()
    {
        delete bus;
        delete notifications;
    }

    void SetUp() override { ASSERT_TRUE(bus->isRunning()); }

    static UserNotificationTestBus* bus;
    static FakeNotificationDaemon* notifications;
};

UserNotificationTestBus* InstallRoundTripTest::bus = nullptr;
FakeNotificationDaemon* InstallRoundTripTest::notifications = nullptr;

} // namespace

TEST_F(InstallRoundTripTest, FirstInstallWithMailRunningThenANewerPackagedVersion)
{
    EndToEndSandbox sandbox;
    ASSERT_TRUE(sandbox.isValid());
    ASSERT_TRUE(sandbox.startMail()) << sandbox.mailLog();
    ASSERT_EQ(sandbox.mailStatus("bundles-loaded"), "");
    auto before = sandbox.mailProcesses();

    installThroughTheWindow(QStringLiteral("Install"), QStringLiteral("first-install"));
    expectPluginLoadedByAFreshMail(sandbox, before);
    EXPECT_EQ(sandbox.installerState(), 3);

    const QString info = QString::fromStdString((sandbox.installedPlugin() / "Contents/Info.plist").string());
    auto stamped = PropertyList::dictionaryWithContentsOfFile(info);
    ASSERT_TRUE(stamped);
    (*stamped)[QStringLiteral("CFBundleVersion")] = QStringLiteral("0.1");
    ASSERT_TRUE(PropertyList::writeToFile(*stamped, info, PropertyListFormat::XML));
    ASSERT_EQ(sandbox.installerState(), 2);

    before = sandbox.mailProcesses();
    const auto update = sandbox.grabbitctl("install");
    ASSERT_EQ(update.status, 0) << update.output;
    expectPluginLoadedByAFreshMail(sandbox, before);
    EXPECT_EQ(sandbox.installerState(), 3);
}

TEST_F(InstallRoundTripTest, OperatingSystemUpdateIsNoticedAtLoginAndUpdated)
{
    EndToEndSandbox sandbox("10.12.2");
    ASSERT_TRUE(sandbox.isValid());
    installAndUpdateOperatingSystem(sandbox, "10.12.6");
    EXPECT_EQ(sandbox.mailRequest("services"), "no-requestor");
    ASSERT_EQ(sandbox.installerState(), 1);

    {
        InstallerProcess installer(bus->address(), {QStringLiteral("--launched-at-login")});
        ASSERT_TRUE(waitFor([] { return !notifications->shown.isEmpty(); }, 30s)) << "no notification";
        const FakeNotificationDaemon::Shown shown = notifications->shown.takeLast();
        EXPECT_EQ(shown.summary, QStringLiteral("Update Grabbit"));
        ASSERT_EQ(shown.actions.size(), 4) << shown.actions.join(QLatin1Char(',')).toStdString();
        EXPECT_EQ(shown.actions[3], QStringLiteral("Update"));

        notifications->invokeAction(shown.identifier, shown.actions[2]);
        EXPECT_TRUE(waitFor([&] { return notifications->closed.contains(shown.identifier); }, 10s));
        EXPECT_TRUE(waitFor([] { return windowIsViewable(QStringLiteral("Taskwell Grabbit")); }, 10s));
        EXPECT_EQ(installer.process.state(), QProcess::Running);
    }

    const auto before = sandbox.mailProcesses();
    installThroughTheWindow(QStringLiteral("Update"), QStringLiteral("update-after-os-change"));
    expectPluginLoadedByAFreshMail(sandbox, before);
    EXPECT_FALSE(anyDisabledCopy(sandbox));
    EXPECT_EQ(sandbox.installerState(), 3);
}

struct RemovalCase {
    const char* name;
    const char* operatingSystem;
    bool mailRestarted;
};

class RemovalWithMailRunningTest : public ::testing::TestWithParam<RemovalCase> {};

TEST_P(RemovalWithMailRunningTest, RemovesEveryCopyAndRestartsMailOnlyBeforeHighSierra)
{
    EndToEndSandbox sandbox;
    ASSERT_TRUE(sandbox.isValid());
    if (std::string(GetParam().operatingSystem) == "10.12.6") {
        ASSERT_EQ(sandbox.grabbitctl("install").status, 0);
        ASSERT_TRUE(sandbox.startMail());
        ASSERT_EQ(sandbox.mailStatus("bundles-loaded"), pluginName);
    } else {
        installAndUpdateOperatingSystem(sandbox, GetParam().operatingSystem);
    }
    const auto before = sandbox.mailProcesses();
    ASSERT_FALSE(before.empty());

    const auto removal = sandbox.grabbitctl("remove");

    ASSERT_EQ(removal.status, 0) << removal.output;
    EXPECT_FALSE(fs::exists(sandbox.installedPlugin()));
    EXPECT_FALSE(anyDisabledCopy(sandbox));
    EXPECT_EQ(sandbox.installerState(), 0);
    if (GetParam().mailRestarted) {
        ASSERT_TRUE(sandbox.waitForMailOtherThan(before, 20s));
        EXPECT_EQ(sandbox.mailStatus("bundles-loaded"), "");
    } else {
        EXPECT_EQ(sandbox.mailProcesses(), before);
        EXPECT_EQ(sandbox.mailRequest("ping"), "pong");
    }
}

INSTANTIATE_TEST_SUITE_P(Systems, RemovalWithMailRunningTest,
                         ::testing::Values(RemovalCase{"Sierra", "10.12.6", true},
                                           RemovalCase{"HighSierra", "10.13.6", false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(InstallRoundTripTest, HighSierraAlertUninstallsRevealsTheInstallerAndEnds)
{
    EndToEndSandbox sandbox;
    ASSERT_TRUE(sandbox.isValid());
    installAndUpdateOperatingSystem(sandbox, "10.13.6");
    const auto mailBefore = sandbox.mailProcesses();
    FakeFileManager fileManager;
    QDBusConnection fileManagerConnection = bus->connect(QStringLiteral("end-to-end-file-manager"));
    ASSERT_TRUE(fileManagerConnection.registerObject(QStringLiteral("/org/freedesktop/FileManager1"),
                                                     &fileManager, QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(fileManagerConnection.registerService(QStringLiteral("org.freedesktop.FileManager1")));
    InstallerProcess installer(bus->address(), {});

    // Return in the window goes to the alert in front of it, whose default button is "Uninstall
    // and Show in Finder"; it is pressed again while the alert may still be on its way.
    auto lastPress = std::chrono::steady_clock::now() - 1s;
    const bool ended = waitFor(
        [&] {
            if (std::chrono::steady_clock::now() - lastPress >= 500ms &&
                pressReturnInWindow("Taskwell Grabbit"))
                lastPress = std::chrono::steady_clock::now();
            return installer.process.state() == QProcess::NotRunning;
        },
        60s);
    ASSERT_TRUE(ended) << "the application did not end";
    EXPECT_EQ(installer.process.exitCode(), 0);
    ASSERT_TRUE(waitFor([&] { return !fileManager.shownItems.isEmpty(); }, 5s));
    EXPECT_EQ(fileManager.shownItems.first(),
              QStringList{QUrl::fromLocalFile(installerBundle).toString(QUrl::StripTrailingSlash)});
    EXPECT_FALSE(fs::exists(sandbox.installedPlugin()));
    EXPECT_FALSE(anyDisabledCopy(sandbox));
    EXPECT_EQ(sandbox.mailProcesses(), mailBefore);
    fileManagerConnection.unregisterObject(QStringLiteral("/org/freedesktop/FileManager1"));
    fileManagerConnection.unregisterService(QStringLiteral("org.freedesktop.FileManager1"));
}

TEST_F(InstallRoundTripTest, MailRefusingToQuitLeavesEverythingAsItWas)
{
    EndToEndSandbox sandbox;
    ASSERT_TRUE(sandbox.isValid());
    ASSERT_TRUE(sandbox.startMail());
    ASSERT_EQ(sandbox.mailRequest("refuse-quit"), "ok");
    const auto mailBefore = sandbox.mailProcesses();
    const auto preferencesBefore = fs::last_write_time(sandbox.preferences());
    InstallerWindow window;

    window.clickInstall();

    ASSERT_TRUE(window.waitUntilIdle(60s));
    QMessageBox* sheet = InstallerWindow::waitForSheet(QStringLiteral("errorAlert"), 5s);
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->text(), QStringLiteral("Mail failed to Quit. Please quit Mail manually and try again."));
    window.saveScreenshot(QStringLiteral("mail-refused-to-quit"), sheet);
    EXPECT_TRUE(fs::is_empty(sandbox.bundles()));
    EXPECT_EQ(fs::last_write_time(sandbox.preferences()), preferencesBefore);
    EXPECT_EQ(sandbox.mailProcesses(), mailBefore);
    EXPECT_EQ(sandbox.mailRequest("ping"), "pong");
    EXPECT_EQ(window.title(), QStringLiteral("Install the Grabbit"));
}
