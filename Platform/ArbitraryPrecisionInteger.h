// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QtGlobal>

#include <optional>
#include <vector>

// A signed whole number of any size, with just the arithmetic that exact calendar conversions of
// property-list dates need: a date is a double number of seconds, and the largest doubles lie
// some 10^300 years away, far beyond 64 bits.
class ArbitraryPrecisionInteger {
public:
    ArbitraryPrecisionInteger() = default;

    // The whole number that a finite double without a fraction holds, exactly.
    static ArbitraryPrecisionInteger fromWholeDouble(double value);
    // Decimal digits only; the sign is given apart.
    static ArbitraryPrecisionInteger fromDecimalDigits(QByteArrayView digits, bool negative);

    // The double that holds this number exactly, or none when no double does.
    std::optional<double> toDouble() const;
    // A '-' for negative numbers, then at least minimumDigits decimal digits.
    QByteArray toDecimal(int minimumDigits) const;

    void add(qint64 value);
    void multiply(quint32 factor);
    // Division rounding towards negative infinity; answers the remainder, from 0 to divisor - 1.
    quint32 divideRoundingDown(quint32 divisor);

private:
    void addToMagnitude(quint64 value);
    // Requires the magnitude to be at least value.
    void subtractFromMagnitude(quint64 value);
    quint32 divideMagnitude(quint32 divisor);
    bool magnitudeIsBelow(quint64 value) const;
    quint64 lowestSixtyFourBits() const;
    void normalize();

    std::vector<quint32> m_magnitude; // least significant word first, no leading zero words
    bool m_negative = false;
};
