// SPDX-License-Identifier: MIT
#include "InstallerWindow.h"

#include "InstallerViewController.h"
#include "InterfaceTestScreenshot.h"
#include "MailBundleInstaller.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

InstallerWindow::InstallerWindow() : frame(std::make_unique<QWidget>())
{
    // The engine lives as long as this process, which has seen other sandboxes: a window opened
    // now starts from the state of the Mac it is on, as at the application's start.
    MailBundleInstaller::sharedInstaller()->updateMailBundleState();
    controller = new InstallerViewController(frame.get());
    auto* layout = new QGridLayout(frame.get());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(controller->view(), 0, 0);
    frame->setWindowTitle(QStringLiteral("Taskwell Grabbit"));
    frame->show();
}

InstallerWindow::~InstallerWindow()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (qobject_cast<QMessageBox*>(widget))
            widget->close();
    }
}

QWidget* InstallerWindow::findChild(const char* objectName) const
{
    return frame->findChild<QWidget*>(QString::fromLatin1(objectName));
}

QString InstallerWindow::title() const
{
    auto* label = qobject_cast<QLabel*>(findChild("titleTextField"));
    return label ? label->text() : QString();
}

QString InstallerWindow::installButtonTitle() const
{
    QWidget* button = findChild("installMailBundleButton");
    return button ? button->property("title").toString() : QString();
}

void InstallerWindow::clickInstall()
{
    QTest::mouseClick(findChild("installMailBundleButton"), Qt::LeftButton);
}

void InstallerWindow::clickRemove()
{
    QTest::mouseClick(findChild("removeMailButtonBundle"), Qt::LeftButton);
}

bool InstallerWindow::waitUntilIdle(std::chrono::milliseconds timeout)
{
    QWidget* overlay = findChild("progressView");
    return overlay && waitFor([overlay] { return overlay->isHidden(); }, timeout);
}

QMessageBox* InstallerWindow::waitForSheet(const QString& objectName, std::chrono::milliseconds timeout)
{
    QMessageBox* found = nullptr;
    waitFor(
        [&] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* sheet = qobject_cast<QMessageBox*>(widget);
                if (sheet && sheet->objectName() == objectName && sheet->isVisible())
                    found = sheet;
            }
            return found != nullptr;
        },
        timeout);
    return found;
}

void InstallerWindow::clickButton(QMessageBox* sheet, const QString& text)
{
    for (QAbstractButton* button : sheet->buttons()) {
        if (button->text() == text) {
            QTest::mouseClick(button, Qt::LeftButton);
            return;
        }
    }
}

void InstallerWindow::saveScreenshot(const QString& name, QWidget* sheet)
{
    ::saveScreenshot(QStringLiteral("end-to-end-") + name, frame.get(), sheet);
}

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        QTest::qWait(20);
    }
    return true;
}
