// SPDX-License-Identifier: MIT
#include "InstallerViewController.h"
#include "Bundle.h"
#include "FakeMailWorkspace.h"
#include "InstallationRecordingLauncher.h"
#include "InstallerProgressView.h"
#include "InstallerPushButton.h"
#include "InterfaceTestDesktopServices.h"
#include "InterfaceTestSandbox.h"
#include "InterfaceTestScreenshot.h"
#include "LoginItemsManager.h"
#include "MailBundleInstaller.h"
#include "TestSandbox.h"

#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include <functional>

namespace {

const QVariantList currentStamp{QStringLiteral("21560BD9-A3CC-482E-9B99-95B7BF61EDC1")};
const QString aboutMessage = QStringLiteral(
    "The Taskwell Grabbit Deluxe allows Taskwell to clip complete messages directly from Mail.");

// Runs the test's probe while the engine waits for a child process, that is, while the window is
// busy and the event loop turns.
class ProbingLauncher : public InstallationRecordingLauncher {
public:
    std::function<void()> probe;

    int launchAndWait(const QString& launchPath, const QStringList& arguments) override
    {
        if (probe && launchPath == QLatin1String("/usr/bin/unzip"))
            std::exchange(probe, nullptr)();
        return InstallationRecordingLauncher::launchAndWait(launchPath, arguments);
    }
};

QMessageBox* visibleSheet(const QString& objectName)
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        if (box && box->objectName() == objectName && box->isVisible())
            return box;
    }
    return nullptr;
}

QAbstractButton* buttonTitled(QMessageBox* box, const QString& title)
{
    for (QAbstractButton* button : box->findChildren<QAbstractButton*>()) {
        if (button->text() == title)
            return button;
    }
    return nullptr;
}

// A click that goes through the window's own hit-testing, as a user's does.
void clickInWindow(QWidget* view, QWidget* target)
{
    const QPoint position = target->mapTo(view, target->rect().center());
    QTest::mouseClick(view->windowHandle(), Qt::LeftButton, {}, position);
}

} // namespace

class InstallerViewControllerTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void eachStateShowsItsTextsAndButtons_data();
    void eachStateShowsItsTextsAndButtons();
    void theOverlayBlocksClicksAndKeysWhileTheEngineWorks();
    void aSuccessfulInstallOffersTheLoginItem();
    void theOfferFollowsTheVolumesAndTheLoginItems_data();
    void theOfferFollowsTheVolumesAndTheLoginItems();
    void removalTakesTheLoginItemOnlyWhenItSucceeds_data();
    void removalTakesTheLoginItemOnlyWhenItSucceeds();
    void theHighSierraAlertOffersHelpAndQuitsOnControlQ();

private:
    struct Window {
        InstallerViewController controller;
        QWidget* view = nullptr;
        InstallerPushButton* installButton = nullptr;
        InstallerPushButton* removeButton = nullptr;
        QWidget* overlay = nullptr;
    };
    std::unique_ptr<Window> showWindow();
    bool hasLoginItem() const;
    void finishWork(Window& window);

    QTemporaryDir m_configHome;
    InterfaceTestDesktopServices m_desktop;
    std::unique_ptr<ScopedSharedDesktopServices> m_scopedDesktop;
};

void InstallerViewControllerTest::initTestCase()
{
    // The login items live for the whole process; keep them out of the real home.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_configHome.path()));
    m_scopedDesktop = std::make_unique<ScopedSharedDesktopServices>(&m_desktop);
}

void InstallerViewControllerTest::cleanup()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        widget->close();
    QDir(m_configHome.filePath(QStringLiteral("autostart"))).removeRecursively();
    m_desktop.openedURLs.clear();
    m_desktop.revealed.clear();
    m_desktop.volumes.clear();
    m_desktop.canOpenURLs = true;
}

std::unique_ptr<InstallerViewControllerTest::Window> InstallerViewControllerTest::showWindow()
{
    auto window = std::make_unique<Window>();
    window->view = window->controller.view();
    window->installButton =
        window->view->findChild<InstallerPushButton*>(QStringLiteral("installMailBundleButton"));
    window->removeButton =
        window->view->findChild<InstallerPushButton*>(QStringLiteral("removeMailButtonBundle"));
    window->overlay = window->view->findChild<InstallerProgressView*>(QStringLiteral("progressView"));
    window->view->show();
    window->view->activateWindow();
    if (!QTest::qWaitForWindowExposed(window->view))
        return nullptr;
    return window;
}

bool InstallerViewControllerTest::hasLoginItem() const
{
    LoginItemsManager* loginItems = LoginItemsManager::sharedManager();
    return loginItems && loginItems->hasLoginItemWithURL(Bundle::mainBundle().bundleURL());
}

void InstallerViewControllerTest::finishWork(Window& window)
{
    QTRY_VERIFY_WITH_TIMEOUT(window.overlay->isHidden(), 60000);
}

void InstallerViewControllerTest::eachStateShowsItsTextsAndButtons_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("systemVersion");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("installTitle");
    QTest::addColumn<QString>("installSubtitle");
    QTest::addColumn<bool>("installEnabled");
    QTest::addColumn<bool>("removeEnabled");

    const QString updateSubtitle =
        QStringLiteral("Mail will need to be quit and reopened for the Grabbit to keep working.");
    QTest::newRow("not-installed")
        << 0 << "10.12.6"
        << "Install the Grabbit" << aboutMessage << "Install"
        << "Mail will need to be quit and reopened for the Grabbit to begin working." << true << false;
    QTest::newRow("not-installed-high-sierra")
        << 0 << "10.13"
        << "Install the Grabbit" << aboutMessage << "Install"
        << "Mail will need to be quit and reopened for the Grabbit to begin working." << false << false;
    QTest::newRow("update-for-os-change") << 1 << "10.12.6"
                                          << "Update the Grabbit"
                                          << "A new version of Mail has been installed on your system. The "
                                             "Taskwell Grabbit needs to be updated in "
                                             "order to keep working with it. " +
                                                 aboutMessage
                                          << "Update" << updateSubtitle << true << true;
    QTest::newRow("update-for-plug-in-change")
        << 2 << "10.12.6"
        << "Update the Grabbit"
        << "A new version of the Taskwell Grabbit is ready to be installed. " + aboutMessage << "Update"
        << updateSubtitle << true << true;
    QTest::newRow("up-to-date") << 3 << "10.12.6"
                                << "Grabbit Installed" << aboutMessage << "Update"
                                << "The Grabbit is up to date." << false << true;
}

void InstallerViewControllerTest::eachStateShowsItsTextsAndButtons()
{
    QFETCH(int, state);
    QFETCH(QString, systemVersion);
    QFETCH(QString, title);
    QFETCH(QString, message);
    QFETCH(QString, installTitle);
    QFETCH(QString, installSubtitle);
    QFETCH(bool, installEnabled);
    QFETCH(bool, removeEnabled);
    TestSandbox sandbox;
    prepareInterfaceSandbox(sandbox, state, systemVersion);
    QCOMPARE(int(MailBundleInstaller::sharedInstaller()->mailBundleState()), state);

    auto window = showWindow();
    QVERIFY(window);

    QCOMPARE(window->view->findChild<QLabel*>(QStringLiteral("titleTextField"))->text(), title);
    QCOMPARE(window->view->findChild<QLabel*>(QStringLiteral("messageTextField"))->text(), message);
    QCOMPARE(window->installButton->title(), installTitle);
    QCOMPARE(window->installButton->subtitle(), installSubtitle);
    QCOMPARE(window->installButton->isEnabled(), installEnabled);
    QCOMPARE(window->removeButton->title(), QStringLiteral("Remove"));
    QCOMPARE(window->removeButton->subtitle(),
             QStringLiteral("Mail will need to be quit and reopened for the Grabbit to be uninstalled."));
    QCOMPARE(window->removeButton->isEnabled(), removeEnabled);
    QVERIFY(window->overlay->isHidden());
    saveScreenshot(QStringLiteral("state-") + QTest::currentDataTag(), window->view);
}

void InstallerViewControllerTest::theOverlayBlocksClicksAndKeysWhileTheEngineWorks()
{
    TestSandbox sandbox;
    prepareInterfaceSandbox(sandbox, MailBundleStateRequiresUpdateForMailBundleChange);
    FakeMailWorkspace workspace;
    ScopedSharedWorkspace scopedWorkspace(&workspace);
    ProbingLauncher launcher;
    ScopedSharedChildProcessLauncher scopedLauncher(&launcher);
    // Run from a disk image, so that no login-item offer covers the window afterwards.
    m_desktop.volumes.insert(Bundle::mainBundle().bundleURL().toLocalFile(), quint64(7));
    auto window = showWindow();
    QVERIFY(window);
    QSignalSpy installClicks(window->installButton, &QPushButton::clicked);
    QSignalSpy removeClicks(window->removeButton, &QPushButton::clicked);
    bool probed = false;
    launcher.probe = [&] {
        probed = true;
        QVERIFY(window->overlay->isVisible());
        clickInWindow(window->view, window->removeButton);
        clickInWindow(window->view, window->installButton);
        QWindow* handle = window->view->windowHandle();
        for (Qt::Key key : {Qt::Key_Tab, Qt::Key_Space, Qt::Key_Return, Qt::Key_Backtab, Qt::Key_Space})
            QTest::keyClick(handle, key);
        saveScreenshot(QStringLiteral("busy-overlay"), window->view);
    };

    clickInWindow(window->view, window->installButton);
    finishWork(*window);

    QVERIFY(probed);
    QCOMPARE(installClicks.size(), 1);
    QCOMPARE(removeClicks.size(), 0);
    QCOMPARE(launcher.commandsOf(QStringLiteral("/usr/bin/unzip")).size(), 1);
    QCOMPARE(MailBundleInstaller::sharedInstaller()->mailBundleState(), MailBundleStateUpToDate);
    clickInWindow(window->view, window->removeButton);
    QCOMPARE(removeClicks.size(), 1);
    finishWork(*window);
}

void InstallerViewControllerTest::aSuccessfulInstallOffersTheLoginItem()
{
    TestSandbox sandbox;
    prepareInterfaceSandbox(sandbox, MailBundleStateNotInstalled);
    FakeMailWorkspace workspace;
    ScopedSharedWorkspace scopedWorkspace(&workspace);
    InstallationRecordingLauncher launcher;
    ScopedSharedChildProcessLauncher scopedLauncher(&launcher);
    auto window = showWindow();
    QVERIFY(window);

    // Refused: nothing is added, and the offer comes again after the next install.
    window->controller.installMailBundle();
    finishWork(*window);
    QMessageBox* offer = nullptr;
    QTRY_VERIFY((offer = visibleSheet(QStringLiteral("loginItemOffer"))));
    QCOMPARE(offer->text(), QStringLiteral("Would you like to add the Login Item?"));
    QCOMPARE(window->installButton->subtitle(), QStringLiteral("The Grabbit is up to date."));
    saveScreenshot(QStringLiteral("login-item-offer"), window->view, offer);
    QTest::mouseClick(buttonTitled(offer, QStringLiteral("Don’t Add")), Qt::LeftButton);
    QTRY_VERIFY(!visibleSheet(QStringLiteral("loginItemOffer")));
    QVERIFY(!hasLoginItem());

    sandbox.makePlugin(QStringLiteral("Bundles"), QStringLiteral("1.3"), currentStamp);
    MailBundleInstaller::sharedInstaller()->updateMailBundleState();
    window->controller.installMailBundle();
    finishWork(*window);
    QTRY_VERIFY((offer = visibleSheet(QStringLiteral("loginItemOffer"))));
    QTest::mouseClick(buttonTitled(offer, QStringLiteral("Add")), Qt::LeftButton);
    QTRY_VERIFY(hasLoginItem());
}

void InstallerViewControllerTest::theOfferFollowsTheVolumesAndTheLoginItems_data()
{
    // Volume identifiers of the startup volume, the home folder and the installer; -1 cannot be read.
    QTest::addColumn<qint64>("startupVolume");
    QTest::addColumn<qint64>("homeVolume");
    QTest::addColumn<qint64>("installerVolume");
    QTest::addColumn<bool>("alreadyALoginItem");
    QTest::addColumn<bool>("offered");

    QTest::newRow("on the startup volume") << qint64(1) << qint64(2) << qint64(1) << false << true;
    QTest::newRow("on the home volume") << qint64(1) << qint64(2) << qint64(2) << false << true;
    QTest::newRow("on a disk image") << qint64(1) << qint64(2) << qint64(3) << false << false;
    QTest::newRow("already a login item") << qint64(1) << qint64(1) << qint64(1) << true << false;
    QTest::newRow("startup volume unreadable") << qint64(-1) << qint64(1) << qint64(1) << false << false;
    QTest::newRow("home volume unreadable") << qint64(1) << qint64(-1) << qint64(1) << false << false;
    QTest::newRow("installer volume unreadable") << qint64(1) << qint64(1) << qint64(-1) << false << false;
}

void InstallerViewControllerTest::theOfferFollowsTheVolumesAndTheLoginItems()
{
    QFETCH(qint64, startupVolume);
    QFETCH(qint64, homeVolume);
    QFETCH(qint64, installerVolume);
    QFETCH(bool, alreadyALoginItem);
    QFETCH(bool, offered);
    TestSandbox sandbox;
    const auto volume = [](qint64 identifier) {
        return identifier < 0 ? std::nullopt : std::optional<quint64>(quint64(identifier));
    };
    m_desktop.volumes.insert(QStringLiteral("/"), volume(startupVolume));
    m_desktop.volumes.insert(QDir::homePath(), volume(homeVolume));
    m_desktop.volumes.insert(Bundle::mainBundle().bundleURL().toLocalFile(), volume(installerVolume));
    if (alreadyALoginItem)
        LoginItemsManager::sharedManager()->addLoginItemWithURL(Bundle::mainBundle().bundleURL(), true);
    InstallerViewController controller;

    QCOMPARE(controller.shouldOfferToInstallLoginItem(), offered);
}

void InstallerViewControllerTest::removalTakesTheLoginItemOnlyWhenItSucceeds_data()
{
    QTest::addColumn<bool>("mailRefusesToQuit");
    QTest::newRow("removed") << false;
    QTest::newRow("Mail refuses to quit") << true;
}

void InstallerViewControllerTest::removalTakesTheLoginItemOnlyWhenItSucceeds()
{
    QFETCH(bool, mailRefusesToQuit);
    TestSandbox sandbox;
    prepareInterfaceSandbox(sandbox, MailBundleStateUpToDate);
    FakeMailWorkspace workspace;
    workspace.addInstance(mailRefusesToQuit ? FakeMailWorkspace::QuitAnswer::Refuses
                                            : FakeMailWorkspace::QuitAnswer::Quits);
    ScopedSharedWorkspace scopedWorkspace(&workspace);
    InstallationRecordingLauncher launcher;
    ScopedSharedChildProcessLauncher scopedLauncher(&launcher);
    LoginItemsManager::sharedManager()->addLoginItemWithURL(Bundle::mainBundle().bundleURL(), false);
    auto window = showWindow();
    QVERIFY(window);

    clickInWindow(window->view, window->removeButton);
    finishWork(*window);

    QCOMPARE(hasLoginItem(), mailRefusesToQuit);
    QCOMPARE(window->removeButton->isEnabled(), mailRefusesToQuit);
    QMessageBox* sheet = visibleSheet(QStringLiteral("errorAlert"));
    QCOMPARE(bool(sheet), mailRefusesToQuit);
    if (sheet)
        QCOMPARE(sheet->windowModality(), Qt::WindowModal);
}

void InstallerViewControllerTest::theHighSierraAlertOffersHelpAndQuitsOnControlQ()
{
    TestSandbox sandbox;
    prepareInterfaceSandbox(sandbox, MailBundleStateNotInstalled, QStringLiteral("10.13"));
    auto window = showWindow();
    QVERIFY(window);
    QSignalSpy terminations(&window->controller, &InstallerViewController::terminateRequested);

    window->controller.performStandardLaunchActions();
    QMessageBox* alert = visibleSheet(QStringLiteral("highSierraAlert"));
    QVERIFY(alert);
    QCOMPARE(alert->text(), QStringLiteral("The Taskwell Grabbit is no longer required."));
    QVERIFY(alert->informativeText().endsWith(QStringLiteral("move it to the Trash.\n")));
    QVERIFY(alert->informativeText().contains(QStringLiteral("If you’d like, we’ll")));
    QCOMPARE(alert->windowModality(), Qt::WindowModal);
    saveScreenshot(QStringLiteral("high-sierra-alert"), window->view, alert);

    QTest::mouseClick(buttonTitled(alert, QStringLiteral("Help")), Qt::LeftButton);
    QCOMPARE(m_desktop.openedURLs,
             QList<QUrl>{QUrl(QString::fromLatin1(InstallerViewController::supportPageAddress))});
    QVERIFY(alert->isVisible());
    QCOMPARE(terminations.size(), 0);

    QVERIFY(QTest::qWaitForWindowActive(alert));
    QTest::keyClick(alert->windowHandle(), Qt::Key_Q);
    QTest::qWait(300);
    QCOMPARE(terminations.size(), 0);
    QTest::keyClick(alert->windowHandle(), Qt::Key_Q, Qt::ControlModifier);
    QTRY_COMPARE(terminations.size(), 1);
    QTRY_VERIFY(!visibleSheet(QStringLiteral("highSierraAlert")));

    window->controller.performStandardLaunchActions();
    QVERIFY(!visibleSheet(QStringLiteral("highSierraAlert")));
}

QTEST_MAIN(InstallerViewControllerTest)
#include "InstallerViewControllerTest.moc"
