// SPDX-License-Identifier: MIT
#include "InterfaceTestScreenshot.h"

#include <QDir>
#include <QFontDatabase>
#include <QFontInfo>
#include <QPainter>
#include <QTest>
#include <QWidget>

void saveScreenshot(const QString& name, QWidget* window, QWidget* sheet)
{
    QVERIFY2(!QFontDatabase::families().isEmpty(),
             "no font is installed: the screenshots would show no text");
    const QString family = QFontInfo(window->font()).family();
    QVERIFY2(QFontDatabase::hasFamily(family),
             qPrintable(QStringLiteral("the window's font %1 is not installed").arg(family)));
    QPixmap picture = window->grab();
    if (sheet) {
        const QPixmap sheetPicture = sheet->grab();
        QPixmap composed(picture.width(), qMax(picture.height(), sheetPicture.height()));
        composed.fill(Qt::white);
        QPainter painter(&composed);
        painter.drawPixmap(0, 0, picture);
        painter.fillRect(composed.rect(), QColor(0, 0, 0, 40));
        painter.drawPixmap((composed.width() - sheetPicture.width()) / 2, 0, sheetPicture);
        painter.end();
        picture = composed;
    }
    const QString folder = QStringLiteral(GRABBIT_BUILD_DIR) + QStringLiteral("/screenshots");
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(picture.save(folder + QLatin1Char('/') + name + QStringLiteral(".png")));
}
