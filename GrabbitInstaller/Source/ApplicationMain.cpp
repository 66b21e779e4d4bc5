// SPDX-License-Identifier: MIT
#include "ApplicationMain.h"

#include "AppController.h"

#include <QApplication>

extern "C" Q_DECL_EXPORT int GrabbitInstallerApplicationMain(int argc, char** argv)
{
    QApplication application(argc, argv);
    application.setApplicationName(QStringLiteral("GrabbitInstaller"));
    // The controller decides when the application ends, so that closing the window and the
    // alerts' quit follow one path.
    application.setQuitOnLastWindowClosed(false);
    AppController controller;
    return controller.runApplication();
}
