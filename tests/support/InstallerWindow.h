// SPDX-License-Identifier: MIT
#pragma once

#include "AppController.h"

#include <QMessageBox>
#include <QString>

// The installer's window as the application shows it (AppController's window after its standard
// launch, at the size adjustSize gives it), on the real engine: finds its parts, clicks as the
// user does, reads its sheets and saves screenshots under <build>/screenshots. Terminations are
// counted, not carried out.
class InstallerWindow {
public:
    InstallerWindow();

    AppController app;
    int terminations = 0;

    QWidget* window() const { return app.window(); }
    template <typename Part = QWidget> Part* part(const char* name) const
    {
        return window()->findChild<Part*>(QLatin1String(name));
    }
    // A click that goes through the window's own hit-testing, as a user's does.
    void click(const char* name) const;
    // Waits until the busy overlay has gone, that is until the queued work has finished.
    bool waitUntilIdle() const;

    // The open sheet of that name, once it shows; none when it never does.
    static QMessageBox* sheet(const QString& name, int milliseconds = 5000);
    // Clicks the sheet's button of that text; false when there is no sheet or no such button.
    [[nodiscard]] static bool answer(QMessageBox* sheet, const QString& buttonText);
    void screenshot(const QString& name, QWidget* sheet = nullptr) const;
};
