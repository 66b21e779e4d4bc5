// SPDX-License-Identifier: MIT
#include "PropertyListDate.h"

#include "ArbitraryPrecisionInteger.h"

#include <bit>
#include <cmath>
#include <cstdio>

// Calendar arithmetic after Howard Hinnant's days-from-civil algorithms, on whole numbers of any
// size: days are counted in 400-year eras of the proleptic Gregorian calendar, each year starting
// on 1 March so that the leap day comes last.
namespace {

constexpr quint32 secondsPerDay = 86400;
constexpr quint32 daysPerEra = 146097;
constexpr quint32 yearsPerEra = 400;
// Days from 0000-03-01, where the eras begin, to 2001-01-01.
constexpr qint64 referenceDateDay = 730791;
// A year with more digits lies beyond the largest double's date.
constexpr int maximumYearDigits = 320;

struct CivilDate {
    ArbitraryPrecisionInteger year;
    int month = 1;
    int day = 1;
};

CivilDate civilDate(ArbitraryPrecisionInteger daysSinceReferenceDate)
{
    ArbitraryPrecisionInteger year = std::move(daysSinceReferenceDate);
    year.add(referenceDateDay);
    const quint32 dayOfEra = year.divideRoundingDown(daysPerEra);
    const quint32 yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const quint32 dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const quint32 shiftedMonth = (5 * dayOfYear + 2) / 153;
    const int month = int(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    year.multiply(yearsPerEra);
    year.add(qint64(yearOfEra) + (month <= 2 ? 1 : 0));
    return {std::move(year), month, int(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1)};
}

ArbitraryPrecisionInteger daysSinceReferenceDate(const CivilDate& date)
{
    ArbitraryPrecisionInteger era = date.year;
    era.add(date.month <= 2 ? -1 : 0);
    const quint32 yearOfEra = era.divideRoundingDown(yearsPerEra);
    const quint32 dayOfYear =
        (153 * quint32(date.month > 2 ? date.month - 3 : date.month + 9) + 2) / 5 + quint32(date.day) - 1;
    const quint32 dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    era.multiply(daysPerEra);
    era.add(qint64(dayOfEra) - referenceDateDay);
    return era;
}

int daysInMonth(const ArbitraryPrecisionInteger& year, int month)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month != 2)
        return days[month - 1];
    ArbitraryPrecisionInteger era = year;
    const quint32 yearOfEra = era.divideRoundingDown(yearsPerEra);
    const bool leap = yearOfEra % 4 == 0 && (yearOfEra % 100 != 0 || yearOfEra == 0);
    return leap ? 29 : 28;
}

// A fixed number of digits at the position, which then moves past them.
std::optional<int> readNumber(QByteArrayView text, qsizetype& position, int digits)
{
    int value = 0;
    for (int index = 0; index < digits; ++index, ++position) {
        if (position >= text.size() || text[position] < '0' || text[position] > '9')
            return std::nullopt;
        value = value * 10 + (text[position] - '0');
    }
    return value;
}

bool readCharacter(QByteArrayView text, qsizetype& position, char expected)
{
    if (position >= text.size() || text[position] != expected)
        return false;
    ++position;
    return true;
}

} // namespace

std::optional<QByteArray> PropertyListDate::toIso8601() const
{
    if (!std::isfinite(m_secondsSinceReferenceDate))
        return std::nullopt;
    ArbitraryPrecisionInteger days =
        ArbitraryPrecisionInteger::fromWholeDouble(std::floor(m_secondsSinceReferenceDate));
    const quint32 secondOfDay = days.divideRoundingDown(secondsPerDay);
    const CivilDate date = civilDate(std::move(days));
    char time[32];
    std::snprintf(time, sizeof time, "-%02d-%02dT%02u:%02u:%02uZ", date.month, date.day, secondOfDay / 3600,
                  secondOfDay / 60 % 60, secondOfDay % 60);
    return date.year.toDecimal(4) + time;
}

std::optional<PropertyListDate> PropertyListDate::fromIso8601(QByteArrayView text)
{
    qsizetype position = 0;
    const bool negative = readCharacter(text, position, '-');
    const qsizetype yearStart = position;
    while (position < text.size() && text[position] >= '0' && text[position] <= '9')
        ++position;
    const qsizetype yearDigits = position - yearStart;
    if (yearDigits < 4 || yearDigits > maximumYearDigits)
        return std::nullopt;
    CivilDate date{
        ArbitraryPrecisionInteger::fromDecimalDigits(text.sliced(yearStart, yearDigits), negative)};
    std::optional<int> month;
    std::optional<int> day;
    std::optional<int> hour;
    std::optional<int> minute;
    std::optional<int> second;
    const bool wellFormed = readCharacter(text, position, '-') && (month = readNumber(text, position, 2)) &&
                            readCharacter(text, position, '-') && (day = readNumber(text, position, 2)) &&
                            readCharacter(text, position, 'T') && (hour = readNumber(text, position, 2)) &&
                            readCharacter(text, position, ':') && (minute = readNumber(text, position, 2)) &&
                            readCharacter(text, position, ':') && (second = readNumber(text, position, 2));
    if (!wellFormed || *month < 1 || *month > 12 || *hour > 23 || *minute > 59 || *second > 59)
        return std::nullopt;
    date.month = *month;
    date.day = *day;
    if (date.day < 1 || date.day > daysInMonth(date.year, date.month))
        return std::nullopt;

    double fraction = 0;
    if (position < text.size() && text[position] == '.') {
        const qsizetype fractionStart = position;
        ++position;
        while (position < text.size() && text[position] >= '0' && text[position] <= '9')
            ++position;
        if (position == fractionStart + 1)
            return std::nullopt;
        fraction = ("0" + text.sliced(fractionStart, position - fractionStart).toByteArray()).toDouble();
    }
    if (!readCharacter(text, position, 'Z') || position != text.size())
        return std::nullopt;

    ArbitraryPrecisionInteger seconds = daysSinceReferenceDate(date);
    seconds.multiply(secondsPerDay);
    seconds.add(qint64(*hour) * 3600 + *minute * 60 + *second);
    const auto wholeSeconds = seconds.toDouble();
    if (!wholeSeconds)
        return std::nullopt;
    return PropertyListDate(*wholeSeconds + fraction);
}

bool operator==(const PropertyListDate& left, const PropertyListDate& right)
{
    return std::bit_cast<quint64>(left.m_secondsSinceReferenceDate) ==
           std::bit_cast<quint64>(right.m_secondsSinceReferenceDate);
}
