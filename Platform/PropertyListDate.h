// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QMetaType>

#include <optional>

// A property-list date: seconds from 2001-01-01 00:00:00 UTC, kept as the double that both formats
// carry, so that every date reads and writes back exactly. (QDateTime would round to milliseconds
// and ends some 292 million years away; a double reaches 10^300 years.)
class PropertyListDate {
public:
    constexpr PropertyListDate() = default;
    constexpr explicit PropertyListDate(double secondsSinceReferenceDate)
        : m_secondsSinceReferenceDate(secondsSinceReferenceDate)
    {
    }

    constexpr double secondsSinceReferenceDate() const { return m_secondsSinceReferenceDate; }

    // ISO 8601 in UTC and whole seconds, as XML property lists carry dates: "2001-01-01T00:00:00Z".
    // A fraction is dropped towards the past. Years after 9999 take more digits; years before 1
    // count astronomically (0 is 1 BC) with a minus sign and at least four digits ("-0001").
    // None for NaN and the infinities, which have no calendar date.
    std::optional<QByteArray> toIso8601() const;
    // Reads what toIso8601 writes, and a fraction of a second after the seconds. None for anything
    // else, an impossible date, or a second count that no double holds exactly.
    static std::optional<PropertyListDate> fromIso8601(QByteArrayView text);

    // Bit for bit, so that a date compares equal only to the very double it was read as.
    friend bool operator==(const PropertyListDate& left, const PropertyListDate& right);

private:
    double m_secondsSinceReferenceDate = 0;
};

Q_DECLARE_METATYPE(PropertyListDate)
