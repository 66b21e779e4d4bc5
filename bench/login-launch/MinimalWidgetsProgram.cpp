// SPDX-License-Identifier: MIT
// The yardstick: a Qt Widgets application that starts and quits at once.
#include <QApplication>
#include <QTimer>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QTimer::singleShot(0, &application, &QCoreApplication::quit);
    return application.exec();
}
