// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

class QWidget;

// Saves what a window test checked as "<build>/screenshots/<name>.png": the window, with the sheet
// drawn over its top centre when there is one. Fails the test when no real font is installed,
// since the picture would then show no readable text.
void saveScreenshot(const QString& name, QWidget* window, QWidget* sheet = nullptr);
