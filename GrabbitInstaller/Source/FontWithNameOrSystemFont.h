// SPDX-License-Identifier: MIT
#pragma once

#include <QFont>
#include <QString>

// The installed font whose PostScript name ("Family-Style", without spaces) is the given one, or
// the system font when there is none; either at that size in AppKit's points, which are
// device-independent pixels in Qt (Qt's points would grow with the screen's resolution).
QFont fontWithNameOrSystemFont(const QString& postScriptName, qreal size);
