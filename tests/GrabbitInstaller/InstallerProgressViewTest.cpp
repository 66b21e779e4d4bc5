// SPDX-License-Identifier: MIT
#include "InstallerProgressView.h"
#include "InstallerPushButton.h"

#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QSignalSpy>
#include <QTest>

class InstallerProgressViewTest : public QObject {
    Q_OBJECT

    // The window content as the view controller builds it: buttons, and the overlay over all.
    std::unique_ptr<QWidget> m_window;
    InstallerPushButton* m_install = nullptr;
    QPushButton* m_withMnemonic = nullptr;
    InstallerProgressView* m_overlay = nullptr;

    // Through the window system, so that Qt picks the widget under the point as for a real click.
    void clickInstallButton()
    {
        QTest::mouseClick(m_window->windowHandle(), Qt::LeftButton, {},
                          m_install->mapTo(m_window.get(), m_install->rect().center()));
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(!QFontDatabase::families().isEmpty(), "no font is installed: text cannot be drawn");
    }

    void init()
    {
        m_window = std::make_unique<QWidget>();
        m_window->setStyleSheet("background: #ece6f2");
        auto* layout = new QHBoxLayout(m_window.get());
        m_install = new InstallerPushButton;
        m_install->setTitle("Install");
        m_install->setSubtitle("Mail will need to be quit and reopened for the Grabbit to begin working.");
        m_withMnemonic = new QPushButton("&Remove");
        layout->addWidget(m_install);
        layout->addWidget(m_withMnemonic);
        m_overlay = new InstallerProgressView(m_window.get());
        m_overlay->hide();
        m_window->show();
        m_overlay->setGeometry(m_window->rect());
        QApplication::setActiveWindow(m_window.get());
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    }

    void visibleOverlaySwallowsClicks()
    {
        QSignalSpy clicks(m_install, &QAbstractButton::clicked);
        clickInstallButton();
        m_overlay->show();
        clickInstallButton();
        QCOMPARE(clicks.size(), 1);
        QVERIFY(!m_install->cell().isHighlighted());
        m_overlay->hide();
        clickInstallButton();
        QCOMPARE(clicks.size(), 2);
    }

    void visibleOverlayKeepsTheKeyboardFromTheButtons_data()
    {
        QTest::addColumn<QList<QKeyCombination>>("keys");
        QTest::addColumn<bool>("clicksRemove");
        QTest::newRow("space on the focused button") << QList<QKeyCombination>{Qt::Key_Space} << false;
        QTest::newRow("tab to the next button, space")
            << QList<QKeyCombination>{Qt::Key_Tab, Qt::Key_Space} << true;
        QTest::newRow("mnemonic of a button") << QList<QKeyCombination>{Qt::AltModifier | Qt::Key_R} << true;
    }

    // The keys go where the application sends them, to the focus widget after the shortcuts;
    // they must work without the overlay and do nothing while it shows.
    void visibleOverlayKeepsTheKeyboardFromTheButtons()
    {
        QFETCH(QList<QKeyCombination>, keys);
        QFETCH(bool, clicksRemove);
        QSignalSpy installClicks(m_install, &QAbstractButton::clicked);
        QSignalSpy removeClicks(m_withMnemonic, &QAbstractButton::clicked);
        const auto press = [&] {
            for (const QKeyCombination key : keys)
                QTest::keyClick(QApplication::focusWidget(), key.key(), key.keyboardModifiers());
        };
        m_install->setFocus();
        press();
        // A shortcut clicks its button on a short timer, as if held for a moment.
        QTRY_COMPARE(installClicks.size() + removeClicks.size(), 1);
        QCOMPARE(removeClicks.size(), clicksRemove ? 1 : 0);

        m_install->setFocus();
        m_overlay->show();
        press();
        QTest::qWait(300);
        QCOMPARE(installClicks.size() + removeClicks.size(), 1);
        m_overlay->hide();
        QVERIFY(m_install->hasFocus());
    }

    void overlayTintsTheView()
    {
        const QColor untinted = m_window->grab().toImage().pixelColor(2, 2);
        m_overlay->show();
        QDir().mkpath(GRABBIT_BUILD_DIR "/screenshots");
        QVERIFY(m_window->grab().save(GRABBIT_BUILD_DIR "/screenshots/InstallerProgressView-busy.png"));
        const QColor tinted = m_window->grab().toImage().pixelColor(2, 2);
        // Black at alpha 0.1, give or take the rounding of an 8-bit alpha.
        QVERIFY(qAbs(tinted.red() - untinted.red() * 0.9) <= 1.5);
        QVERIFY(qAbs(tinted.blue() - untinted.blue() * 0.9) <= 1.5);
    }

    void cleanup() { m_window.reset(); }
};

QTEST_MAIN(InstallerProgressViewTest)
#include "InstallerProgressViewTest.moc"
