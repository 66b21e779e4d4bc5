// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QVariant>

// Writes XML property lists as macOS does: Apple's DOCTYPE, one tab per level, dates in whole
// seconds, data in base64 lines. A carriage return is written as a character reference so that it
// reads back unchanged.
class XmlPropertyListWriter {
public:
    // Empty when the value holds something a property list cannot carry, or a string that XML 1.0
    // cannot (a NUL or another control character, a lone surrogate), or a date without a calendar
    // date (NaN, infinite).
    static QByteArray write(const QVariant& value);
};
