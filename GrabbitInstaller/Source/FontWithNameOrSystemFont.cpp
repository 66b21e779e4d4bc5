// SPDX-License-Identifier: MIT
#include "FontWithNameOrSystemFont.h"

#include <QFontDatabase>
#include <QStringList>

QFont fontWithNameOrSystemFont(const QString& postScriptName, qreal size)
{
    const int pixels = qRound(size);
    const QString wanted = QString(postScriptName).remove(u' ');
    for (const QString& family : QFontDatabase::families()) {
        const QString familyName = QString(family).remove(u' ');
        for (const QString& style : QFontDatabase::styles(family)) {
            if (familyName + u'-' + QString(style).remove(u' ') != wanted)
                continue;
            QFont font = QFontDatabase::font(family, style, pixels);
            font.setPixelSize(pixels);
            return font;
        }
    }
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPixelSize(pixels);
    return font;
}
