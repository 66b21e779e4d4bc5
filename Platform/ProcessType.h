// SPDX-License-Identifier: MIT
#pragma once

class QWidget;

// What kind of process this is to the window system.
namespace ProcessType {

// Turns this process, started with nothing shown, into a foreground application whose main window
// is the given one; answers 0, or the system's status when that failed.
int transformToForegroundApplication(QWidget& mainWindow);

} // namespace ProcessType
