// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QWidget>

#include <chrono>
#include <functional>
#include <memory>

class InstallerViewController;
class QMessageBox;

// The installer's window built in the test process, offscreen, on the real engine: clicks its
// buttons as the user does and reads the sheets it presents.
class InstallerWindow {
public:
    InstallerWindow();
    ~InstallerWindow();
    InstallerWindow(const InstallerWindow&) = delete;
    InstallerWindow& operator=(const InstallerWindow&) = delete;

    QWidget* window() const { return frame.get(); }
    QString title() const;
    QString installButtonTitle() const;

    void clickInstall();
    void clickRemove();
    // Waits until the progress overlay has gone, that is until the queued work has finished.
    bool waitUntilIdle(std::chrono::milliseconds timeout);

    // The open sheet with the given object name, once it is shown; none when it never is.
    static QMessageBox* waitForSheet(const QString& objectName, std::chrono::milliseconds timeout);
    static void clickButton(QMessageBox* sheet, const QString& text);
    void saveScreenshot(const QString& name, QWidget* sheet = nullptr);

private:
    QWidget* findChild(const char* objectName) const;

    std::unique_ptr<QWidget> frame;
    InstallerViewController* controller = nullptr;
};

// Turns the event loop until the condition holds or the time is up; answers the condition.
bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout);
