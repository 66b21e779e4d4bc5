// SPDX-License-Identifier: MIT
// The installer's window on the real engine, at the size the application shows it.
#include "InstallerViewController.h"
#include "Bundle.h"
#include "FailingFileManager.h"
#include "InstallerPushButton.h"
#include "InstallerWindow.h"
#include "LoginItemsManager.h"
#include "MailBundleInstaller.h"
#include "RecordingLauncher.h"
#include "TestDesktopServices.h"
#include "TestMac.h"

#include <QDir>
#include <QLabel>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>

namespace {

const QString about = QStringLiteral(
    "The Taskwell Grabbit Deluxe allows Taskwell to clip complete messages directly from Mail.");
const QString toWork =
    QStringLiteral("Mail will need to be quit and reopened for the Grabbit to %1 working.");

// Runs the test's probe once, while the engine waits for unzip: the window is busy then.
class ProbingLauncher : public RecordingLauncher {
public:
    std::function<void()> probe;
    int launchAndWait(const QString& launchPath, const QStringList& arguments) override
    {
        if (probe && launchPath == "/usr/bin/unzip")
            std::exchange(probe, nullptr)();
        return RecordingLauncher::launchAndWait(launchPath, arguments);
    }
};

QUrl installer()
{
    return Bundle::mainBundle().bundleURL();
}

// The text of each autostart entry.
QStringList loginItems()
{
    QStringList entries;
    const QDir folder(qEnvironmentVariable("XDG_CONFIG_HOME") + "/autostart");
    for (const QString& name : folder.entryList(QDir::Files))
        entries << TestMac::contents(folder.filePath(name));
    return entries;
}

} // namespace

class InstallerViewControllerTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_configHome;
    std::unique_ptr<TestDesktopServices> m_desktop;

private slots:
    void initTestCase()
    {
        // The login items live for the whole process; keep them out of the real home.
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_configHome.path()));
    }

    void init() { m_desktop = std::make_unique<TestDesktopServices>(); }

    void cleanup()
    {
        m_desktop.reset();
        QDir(m_configHome.filePath("autostart")).removeRecursively();
    }

    void eachStateShowsItsTextsAndButtons_data()
    {
        // The title, the message, and the install button's title and subtitle.
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("system");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<bool>("installEnabled");
        const auto row = [](const char* name, int state, const char* system, const QStringList& texts,
                            bool enabled) {
            QTest::newRow(name) << state << QString(system) << texts << enabled;
        };
        const QString osChange =
            "A new version of Mail has been installed on your system. The Taskwell Grabbit "
            "needs to be updated in order to keep working with it. ";
        const QString pluginChange = "A new version of the Taskwell Grabbit is ready to be installed. ";
        row("not-installed", 0, "10.12.6", {"Install the Grabbit", about, "Install", toWork.arg("begin")},
            true);
        row("not-installed-high-sierra", 0, "10.13.6",
            {"Install the Grabbit", about, "Install", toWork.arg("begin")}, false);
        row("update-for-os-change", 1, "10.12.6",
            {"Update the Grabbit", osChange + about, "Update", toWork.arg("keep")}, true);
        row("update-for-plug-in-change", 2, "10.12.6",
            {"Update the Grabbit", pluginChange + about, "Update", toWork.arg("keep")}, true);
        row("up-to-date", 3, "10.12.6", {"Grabbit Installed", about, "Update", "The Grabbit is up to date."},
            false);
        // Without a usable home the engine can do nothing: a sheet says why.
        row("no-home", 0, "10.12.6", {"Install the Grabbit", about, "Install", toWork.arg("begin")}, false);
    }

    void eachStateShowsItsTextsAndButtons()
    {
        QFETCH(int, state);
        QFETCH(QString, system);
        QFETCH(QStringList, texts);
        QFETCH(bool, installEnabled);
        TestMac mac(system);
        mac.putPlugin(state);
        const bool noHome = QByteArray(QTest::currentDataTag()) == "no-home";
        if (noHome)
            qunsetenv("HOME");
        InstallerWindow window;
        QMessageBox* alert = InstallerWindow::sheet("homeDirectoryAlert", noHome ? 5000 : 0);
        QCOMPARE(alert && alert->text().startsWith("HOME is not set"), noHome);
        auto* install = window.part<InstallerPushButton>("installMailBundleButton");
        auto* remove = window.part<InstallerPushButton>("removeMailButtonBundle");

        QCOMPARE((QStringList{window.part<QLabel>("titleTextField")->text(),
                              window.part<QLabel>("messageTextField")->text(), install->title(),
                              install->subtitle(), remove->title(), remove->subtitle()}),
                 texts << "Remove"
                       << "Mail will need to be quit and reopened for the Grabbit to be uninstalled.");
        QCOMPARE(install->isEnabled(), installEnabled);
        QCOMPARE(remove->isEnabled(), state != MailBundleStateNotInstalled);
        window.screenshot(QString("state-") + QTest::currentDataTag());
    }

    void theOverlayKeepsClicksAndKeysFromTheButtonsWhileTheEngineWorks()
    {
        TestMac mac;
        mac.putPlugin(MailBundleStateRequiresUpdateForMailBundleChange);
        // Run from a disk image, so that no login-item offer covers the window afterwards.
        m_desktop->volumes.insert(installer().toLocalFile(), 7);
        ProbingLauncher launcher;
        InstallerWindow window;
        QSignalSpy installs(window.part<QPushButton>("installMailBundleButton"), &QPushButton::clicked);
        QSignalSpy removals(window.part<QPushButton>("removeMailButtonBundle"), &QPushButton::clicked);
        bool busy = false;
        QImage spinning;
        launcher.probe = [&] {
            busy = window.part("progressView")->isVisible();
            // The spinner turns, centred on the overlay and clear of both buttons.
            QWidget* spinner = window.part("progressIndicator");
            const QRect place(spinner->mapTo(window.window(), QPoint()), spinner->size());
            QVERIFY((place.center() - window.part("progressView")->geometry().center()).manhattanLength() <=
                    1);
            for (const char* button : {"installMailBundleButton", "removeMailButtonBundle"})
                QVERIFY(!place.intersects(window.part(button)->geometry().translated(
                    window.part(button)->parentWidget()->mapTo(window.window(), QPoint()))));
            spinning = spinner->grab().toImage();
            QTest::qWait(200);
            QVERIFY(spinner->grab().toImage() != spinning);
            window.click("removeMailButtonBundle");
            window.click("installMailBundleButton");
            for (Qt::Key key : {Qt::Key_Tab, Qt::Key_Space, Qt::Key_Return, Qt::Key_Backtab, Qt::Key_Space})
                QTest::keyClick(window.window()->windowHandle(), key);
            window.screenshot("busy-overlay");
        };

        window.click("installMailBundleButton");
        QVERIFY(window.waitUntilIdle() && busy);

        QCOMPARE(installs.size() + removals.size(), 1);
        window.click("removeMailButtonBundle");
        QCOMPARE(removals.size(), 1);
        QVERIFY(window.waitUntilIdle());
    }

    // Closing the window or Ctrl+Q while the engine works hides the window and lets the work end
    // as it would have; then the application ends, unless the user reopened it meanwhile (the
    // overlay is back) or the work failed: then the window shows the outcome.
    void anEndAskedForDuringTheWorkWaitsForItsOutcome_data()
    {
        QTest::addColumn<bool>("byKey");
        QTest::addColumn<bool>("reopened");
        QTest::addColumn<bool>("fails");
        QTest::addColumn<QString>("outcome");
        QTest::newRow("closed, the install succeeds") << false << false << false << QString();
        QTest::newRow("closed and reopened") << false << true << false << "loginItemOffer";
        // Without a window system the platform binds no key to Quit.
        if (!QKeySequence::keyBindings(QKeySequence::Quit).isEmpty())
            QTest::newRow("Ctrl+Q, the install fails") << true << false << true << "errorAlert";
    }

    void anEndAskedForDuringTheWorkWaitsForItsOutcome()
    {
        QFETCH(bool, byKey);
        QFETCH(bool, reopened);
        QFETCH(bool, fails);
        QFETCH(QString, outcome);
        TestMac mac;
        ProbingLauncher launcher;
        InstallerWindow window;
        QWindow* handle = window.window()->windowHandle();
        // F1 runs the help from the main window too.
        QTest::keyClick(handle, Qt::Key_F1);
        QCOMPARE(m_desktop->opened, QList<QUrl>{QUrl(InstallerViewController::supportPageAddress)});
        bool hiddenAndWaiting = false, overlaid = false;
        launcher.probe = [&] {
            if (byKey)
                QTest::keySequence(handle, QKeySequence::Quit);
            else
                window.window()->close();
            hiddenAndWaiting = !window.window()->isVisible() && window.terminations == 0;
            if (reopened)
                overlaid = !window.app.applicationShouldHandleReopen(false) &&
                           window.part("progressView")->isVisible();
            if (fails)
                QFile::remove(mac.archive());
        };
        window.click("installMailBundleButton");
        QVERIFY(window.waitUntilIdle() && hiddenAndWaiting && overlaid == reopened);
        QCOMPARE(window.terminations, int(outcome.isEmpty()));
        QCOMPARE(window.window()->isVisible(), !outcome.isEmpty());
        QCOMPARE(InstallerWindow::sheet(outcome.isEmpty() ? "loginItemOffer" : outcome, 1000) != nullptr,
                 !outcome.isEmpty());
    }

    void theWorkEndsWithAnErrorSheetOrTheLoginItemOffer()
    {
        TestMac mac;
        InstallerWindow window;
        const auto work = [&](const char* button) {
            mac.putPlugin(MailBundleStateRequiresUpdateForMailBundleChange);
            window.click(button);
            return window.waitUntilIdle();
        };
        QFile::rename(mac.archive(), mac.archive() + ".away");
        QVERIFY(work("installMailBundleButton"));
        QMessageBox* error = InstallerWindow::sheet("errorAlert");
        QVERIFY(error && !InstallerWindow::sheet("loginItemOffer", 0));
        QCOMPARE(error->text(), "The Grabbit installer is damaged: its plug-in archive is missing.");
        QCOMPARE(error->windowModality(), Qt::WindowModal);
        window.screenshot("error-sheet", error);
        QVERIFY(InstallerWindow::answer(error, "OK"));
        QFile::rename(mac.archive() + ".away", mac.archive());
        // Declined, the offer comes again after the next install.
        QVERIFY(work("installMailBundleButton"));
        QMessageBox* offer = InstallerWindow::sheet("loginItemOffer");
        QCOMPARE(offer ? offer->text() : QString(), "Would you like to add the Login Item?");
        window.screenshot("login-item-offer", offer);
        QVERIFY(InstallerWindow::answer(offer, QString::fromUtf8("Don’t Add")));
        QVERIFY(loginItems().isEmpty());
        // Added meanwhile by other means, hidden: "Add" leaves it as it is.
        QVERIFY(work("installMailBundleButton"));
        LoginItemsManager::sharedManager()->addLoginItemWithURL(installer(), true);
        QVERIFY(InstallerWindow::answer(InstallerWindow::sheet("loginItemOffer"), "Add"));
        QCOMPARE(loginItems().size(), 1);
        QVERIFY(loginItems().first().contains("X-Grabbit-Hidden=true"));
        // A login item is not offered again; a failed removal keeps it, a removal takes it.
        QVERIFY(work("installMailBundleButton") && !InstallerWindow::sheet("loginItemOffer", 0));
        auto refusing = std::make_unique<FailingFileManager>();
        refusing->removalFailures[mac.pluginPath()] = -1;
        QVERIFY(work("removeMailButtonBundle") && loginItems().size() == 1);
        QVERIFY(window.part("removeMailButtonBundle")->isEnabled());
        QVERIFY(InstallerWindow::answer(InstallerWindow::sheet("errorAlert"), "OK"));
        refusing.reset();
        QVERIFY(work("removeMailButtonBundle") && loginItems().isEmpty());
        // Accepted, the item is added, not hidden.
        QVERIFY(work("installMailBundleButton"));
        QVERIFY(InstallerWindow::answer(InstallerWindow::sheet("loginItemOffer"), "Add"));
        QCOMPARE(loginItems().size(), 1);
        QVERIFY(loginItems().first().contains("X-Grabbit-Hidden=false"));
    }

    void theOfferFollowsTheVolumes_data()
    {
        // The volumes of the startup disk, the home folder and the installer (0: unreadable).
        QTest::addColumn<QList<int>>("volumes");
        QTest::addColumn<bool>("offered");
        QTest::newRow("on the startup volume") << QList<int>{1, 2, 1} << true;
        QTest::newRow("on the home volume") << QList<int>{1, 2, 2} << true;
        QTest::newRow("on a disk image") << QList<int>{1, 2, 3} << false;
        QTest::newRow("startup volume unreadable") << QList<int>{0, 1, 1} << false;
        QTest::newRow("home volume unreadable") << QList<int>{1, 0, 1} << false;
        QTest::newRow("installer volume unreadable") << QList<int>{1, 1, 0} << false;
    }

    void theOfferFollowsTheVolumes()
    {
        QFETCH(QList<int>, volumes);
        QFETCH(bool, offered);
        TestMac mac;
        const QStringList paths{"/", QDir::homePath(), installer().toLocalFile()};
        for (int index = 0; index < 3; ++index)
            m_desktop->volumes.insert(paths[index],
                                      volumes[index] ? std::optional<quint64>(volumes[index]) : std::nullopt);
        QCOMPARE(InstallerViewController().shouldOfferToInstallLoginItem(), offered);
    }

    void theHighSierraAlertOffersHelpQuitsOnlyOnControlQAndUninstalls()
    {
        TestMac mac("10.13.6");
        mac.putPlugin(MailBundleStateRequiresUpdateForOSChange);
        LoginItemsManager::sharedManager()->addLoginItemWithURL(installer(), false);
        {
            InstallerWindow window;
            // The alert goes when answered: what follows must not reach a deleted one.
            const QPointer<QMessageBox> alert = InstallerWindow::sheet("highSierraAlert");
            QCOMPARE(alert ? alert->text() : QString(), "The Taskwell Grabbit is no longer required.");
            QVERIFY(alert->informativeText().contains(QString::fromUtf8("If you’d like, we’ll")));
            QCOMPARE(alert->windowModality(), Qt::WindowModal);
            window.screenshot("high-sierra-alert", alert);
            QVERIFY(InstallerWindow::answer(alert, "Help"));
            QCOMPARE(m_desktop->opened, QList<QUrl>{QUrl(InstallerViewController::supportPageAddress)});
            QVERIFY(alert && QTest::qWaitForWindowActive(alert));
            // Neither a plain "q" nor Escape ends the application.
            for (Qt::Key key : {Qt::Key_Q, Qt::Key_Escape})
                QTest::keyClick(alert->windowHandle(), key);
            QTest::qWait(300);
            QVERIFY(alert && alert->isVisible() && window.terminations == 0);
            QTest::keyClick(alert->windowHandle(), Qt::Key_Q, Qt::ControlModifier);
            QTRY_VERIFY(window.terminations == 1 && !InstallerWindow::sheet("highSierraAlert", 0));
            window.app.performStandardLaunchActions();
            QVERIFY(!InstallerWindow::sheet("highSierraAlert", 0));
        }
        InstallerWindow window;
        QVERIFY(InstallerWindow::answer(InstallerWindow::sheet("highSierraAlert"),
                                        "Uninstall and Show in Finder"));
        QTRY_COMPARE(window.terminations, 1);
        QCOMPARE(m_desktop->revealed, QList<QList<QUrl>>{{installer()}});
        QVERIFY(!TestMac::exists(mac.pluginPath()) && loginItems().isEmpty());
    }
};

QTEST_MAIN(InstallerViewControllerTest)
#include "InstallerViewControllerTest.moc"
