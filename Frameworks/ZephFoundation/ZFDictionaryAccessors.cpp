// SPDX-License-Identifier: MIT
#include "ZFDictionaryAccessors.h"

#include <climits>
#include <cmath>

namespace {

bool isNumber(const QVariant& value)
{
    switch (value.metaType().id()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
        return true;
    default:
        return false;
    }
}

int clampToInt(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (value <= static_cast<double>(INT_MIN))
        return INT_MIN;
    return static_cast<int>(value);
}

// NSString intValue: leading white space, an optional sign, then decimal digits up to the first
// other character; no digits gives 0, overflow the nearest limit.
int intValueOfString(const QString& string)
{
    qsizetype index = 0;
    while (index < string.size() && string.at(index).isSpace())
        ++index;
    bool negative = false;
    if (index < string.size() &&
        (string.at(index) == QLatin1Char('+') || string.at(index) == QLatin1Char('-'))) {
        negative = string.at(index) == QLatin1Char('-');
        ++index;
    }
    long long value = 0;
    for (; index < string.size() && string.at(index) >= QLatin1Char('0') &&
           string.at(index) <= QLatin1Char('9');
         ++index) {
        value = value * 10 + (string.at(index).unicode() - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            break;
    }
    if (negative)
        value = -value;
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

// NSString boolValue: true on "Y", "y", "T", "t" or a digit 1-9 after white space, a sign and zeros.
bool boolValueOfString(const QString& string)
{
    qsizetype index = 0;
    while (index < string.size() && string.at(index).isSpace())
        ++index;
    if (index < string.size() &&
        (string.at(index) == QLatin1Char('+') || string.at(index) == QLatin1Char('-')))
        ++index;
    while (index < string.size() && string.at(index) == QLatin1Char('0'))
        ++index;
    if (index >= string.size())
        return false;
    const QChar first = string.at(index);
    return QStringLiteral("YyTt123456789").contains(first);
}

} // namespace

int intForKey(const QVariantMap& dictionary, const QString& key, int defaultValue)
{
    const auto found = dictionary.constFind(key);
    if (found == dictionary.constEnd())
        return defaultValue;
    const QVariant& value = *found;
    if (value.metaType().id() == QMetaType::QString)
        return intValueOfString(value.toString());
    if (value.metaType().id() == QMetaType::Double)
        return clampToInt(value.toDouble());
    if (isNumber(value)) {
        const long long number = value.toLongLong();
        return number > INT_MAX ? INT_MAX : number < INT_MIN ? INT_MIN : static_cast<int>(number);
    }
    return defaultValue;
}

bool boolForKey(const QVariantMap& dictionary, const QString& key)
{
    const auto found = dictionary.constFind(key);
    if (found == dictionary.constEnd())
        return false;
    const QVariant& value = *found;
    if (value.metaType().id() == QMetaType::QString)
        return boolValueOfString(value.toString());
    if (value.metaType().id() == QMetaType::Double)
        return value.toDouble() != 0.0;
    if (isNumber(value))
        return value.toLongLong() != 0;
    return false;
}

QVariant objectForKey(const QVariantMap& dictionary, const QString& key, const QVariant& defaultObject)
{
    const auto found = dictionary.constFind(key);
    return found == dictionary.constEnd() ? defaultObject : *found;
}
