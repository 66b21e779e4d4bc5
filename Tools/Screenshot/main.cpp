// SPDX-License-Identifier: MIT
// screenshot FILE: grabs the screen of the X display in DISPLAY and saves it as FILE (PNG).
// Exit status 0 on success, 1 when the screen cannot be grabbed or saved, 2 for a usage error.
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
        return 2;
    }
    // Another platform would grab a picture of nothing: the point is what the X server shows.
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication application(argc, argv);
    QScreen* screen = QGuiApplication::primaryScreen();
    const QPixmap picture = screen ? screen->grabWindow(0) : QPixmap();
    if (picture.isNull() || !picture.save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "%s: cannot grab the screen into %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}
