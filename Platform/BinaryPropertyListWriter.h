// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QVariant>

// Writes binary property lists ("bplist00") as macOS does: integers in the fewest bytes (negative
// ones in eight), reals and dates as eight-byte doubles, ASCII strings as bytes and others as
// UTF-16, each distinct string stored once.
class BinaryPropertyListWriter {
public:
    // Empty when the value holds something a property list cannot carry.
    static QByteArray write(const QVariant& value);
};
