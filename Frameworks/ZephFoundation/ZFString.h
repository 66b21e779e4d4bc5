// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// True for no string (a null QString) and for a string of length 0.
bool isEmptyString(const QString& string);
