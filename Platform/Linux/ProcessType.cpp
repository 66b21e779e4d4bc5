// SPDX-License-Identifier: MIT
#include "ProcessType.h"

#include <QWidget>

namespace ProcessType {

// Every process may show windows here: becoming a foreground application means getting a native
// window on the desktop.
int transformToForegroundApplication(QWidget& mainWindow)
{
    mainWindow.winId();
    return mainWindow.windowHandle() ? 0 : -1;
}

} // namespace ProcessType
