// SPDX-License-Identifier: MIT
#include "InstallerWindow.h"

#include "MailBundleInstaller.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QPainter>
#include <QTest>

InstallerWindow::InstallerWindow()
{
    // The engine lives as long as this process: the window starts from the state of the Mac it is
    // on, as at the application's start.
    MailBundleInstaller::sharedInstaller()->updateMailBundleState();
    app.setTerminationHandler([this] { ++terminations; });
    app.configureMainWindow();
    app.performStandardLaunchActions();
    if (!QTest::qWaitForWindowExposed(window()))
        qWarning("the installer's window was not shown");
}

void InstallerWindow::click(const char* name) const
{
    QWidget* target = part(name);
    QTest::mouseClick(window()->windowHandle(), Qt::LeftButton, {},
                      target->mapTo(window(), target->rect().center()));
}

bool InstallerWindow::waitUntilIdle() const
{
    return QTest::qWaitFor([this] { return part("progressView")->isHidden(); }, 60000);
}

QMessageBox* InstallerWindow::sheet(const QString& name, int milliseconds)
{
    QMessageBox* found = nullptr;
    [[maybe_unused]] const bool shown = QTest::qWaitFor(
        [&] {
            for (QWidget* widget : QApplication::topLevelWidgets())
                if (widget->objectName() == name && widget->isVisible())
                    found = qobject_cast<QMessageBox*>(widget);
            return found != nullptr;
        },
        milliseconds);
    return found;
}

bool InstallerWindow::answer(QMessageBox* sheet, const QString& buttonText)
{
    if (!sheet)
        return false;
    for (QAbstractButton* button : sheet->buttons())
        if (button->text() == buttonText) {
            QTest::mouseClick(button, Qt::LeftButton);
            return true;
        }
    return false;
}

void InstallerWindow::screenshot(const QString& name, QWidget* sheet) const
{
    // Without a real font the picture would show no readable text.
    QVERIFY(QFontDatabase::hasFamily(QFontInfo(window()->font()).family()));
    QPixmap picture = window()->grab();
    if (sheet) {
        QPainter painter(&picture);
        painter.fillRect(picture.rect(), QColor(0, 0, 0, 40));
        painter.drawPixmap((picture.width() - sheet->width()) / 2, 0, sheet->grab());
    }
    const QString folder = QStringLiteral(GRABBIT_BUILD_DIR "/screenshots");
    QVERIFY(QDir().mkpath(folder) && picture.save(folder + QLatin1Char('/') + name + QStringLiteral(".png")));
}
