// SPDX-License-Identifier: MIT
#include "ArbitraryPrecisionInteger.h"

#include <bit>
#include <cmath>

namespace {

constexpr int wordBits = 32;
constexpr int doubleMantissaBits = 53;

} // namespace

ArbitraryPrecisionInteger ArbitraryPrecisionInteger::fromWholeDouble(double value)
{
    ArbitraryPrecisionInteger number;
    if (value == 0)
        return number;
    int exponent = 0;
    const double fraction = std::frexp(std::fabs(value), &exponent);
    auto mantissa = quint64(std::ldexp(fraction, doubleMantissaBits));
    int shift = exponent - doubleMantissaBits;
    if (shift < 0) {
        mantissa >>= -shift;
        shift = 0;
    }
    number.m_magnitude.assign(std::size_t(shift / wordBits), 0);
    const int bitShift = shift % wordBits;
    const quint64 low = mantissa << bitShift;
    const quint64 high = bitShift == 0 ? 0 : mantissa >> (64 - bitShift);
    number.m_magnitude.insert(number.m_magnitude.end(),
                              {quint32(low), quint32(low >> wordBits), quint32(high)});
    number.m_negative = value < 0;
    number.normalize();
    return number;
}

ArbitraryPrecisionInteger ArbitraryPrecisionInteger::fromDecimalDigits(QByteArrayView digits, bool negative)
{
    ArbitraryPrecisionInteger number;
    for (const char digit : digits) {
        number.multiply(10);
        number.addToMagnitude(quint64(digit - '0'));
    }
    number.m_negative = negative;
    number.normalize();
    return number;
}

std::optional<double> ArbitraryPrecisionInteger::toDouble() const
{
    if (m_magnitude.empty())
        return 0.0;
    const int highestBit = int(m_magnitude.size()) * wordBits - std::countl_zero(m_magnitude.back());
    std::size_t lowestWord = 0;
    while (m_magnitude[lowestWord] == 0)
        ++lowestWord;
    const int lowestBit = int(lowestWord) * wordBits + std::countr_zero(m_magnitude[lowestWord]);
    if (highestBit - lowestBit > doubleMantissaBits || highestBit > 1024)
        return std::nullopt;
    quint64 significant = 0;
    for (int bit = highestBit - 1; bit >= lowestBit; --bit)
        significant =
            (significant << 1) | ((m_magnitude[std::size_t(bit / wordBits)] >> (bit % wordBits)) & 1);
    const double value = std::ldexp(double(significant), lowestBit);
    return m_negative ? -value : value;
}

QByteArray ArbitraryPrecisionInteger::toDecimal(int minimumDigits) const
{
    ArbitraryPrecisionInteger rest = *this;
    rest.m_negative = false;
    QByteArray digits;
    do {
        const quint32 chunk = rest.divideMagnitude(1000000000);
        QByteArray chunkDigits = QByteArray::number(chunk);
        if (!rest.m_magnitude.empty())
            chunkDigits = QByteArray(9 - chunkDigits.size(), '0') + chunkDigits;
        digits.prepend(chunkDigits);
    } while (!rest.m_magnitude.empty());
    if (digits.size() < minimumDigits)
        digits.prepend(QByteArray(minimumDigits - digits.size(), '0'));
    return m_negative ? '-' + digits : digits;
}

void ArbitraryPrecisionInteger::add(qint64 value)
{
    const bool valueIsNegative = value < 0;
    const quint64 magnitude = valueIsNegative ? 0 - quint64(value) : quint64(value);
    if (m_magnitude.empty() || valueIsNegative == m_negative) {
        m_negative = valueIsNegative;
        addToMagnitude(magnitude);
    } else if (magnitudeIsBelow(magnitude)) {
        const quint64 difference = magnitude - lowestSixtyFourBits();
        m_magnitude = {quint32(difference), quint32(difference >> wordBits)};
        m_negative = valueIsNegative;
    } else {
        subtractFromMagnitude(magnitude);
    }
    normalize();
}

void ArbitraryPrecisionInteger::multiply(quint32 factor)
{
    quint64 carry = 0;
    for (quint32& word : m_magnitude) {
        const quint64 product = quint64(word) * factor + carry;
        word = quint32(product);
        carry = product >> wordBits;
    }
    if (carry != 0)
        m_magnitude.push_back(quint32(carry));
    normalize();
}

quint32 ArbitraryPrecisionInteger::divideRoundingDown(quint32 divisor)
{
    const bool negative = m_negative;
    quint32 remainder = divideMagnitude(divisor);
    if (negative && remainder != 0) {
        m_negative = true;
        addToMagnitude(1);
        remainder = divisor - remainder;
    }
    normalize();
    return remainder;
}

void ArbitraryPrecisionInteger::addToMagnitude(quint64 value)
{
    for (std::size_t word = 0; value != 0; ++word) {
        if (word == m_magnitude.size())
            m_magnitude.push_back(0);
        const quint64 sum = quint64(m_magnitude[word]) + (value & 0xFFFFFFFF);
        m_magnitude[word] = quint32(sum);
        value = (value >> wordBits) + (sum >> wordBits);
    }
}

void ArbitraryPrecisionInteger::subtractFromMagnitude(quint64 value)
{
    quint64 borrow = 0;
    for (std::size_t word = 0; word < m_magnitude.size() && (value != 0 || borrow != 0); ++word) {
        const quint64 subtrahend = (value & 0xFFFFFFFF) + borrow;
        borrow = quint64(m_magnitude[word]) < subtrahend ? 1 : 0;
        m_magnitude[word] = quint32(quint64(m_magnitude[word]) + (borrow << wordBits) - subtrahend);
        value >>= wordBits;
    }
}

quint32 ArbitraryPrecisionInteger::divideMagnitude(quint32 divisor)
{
    quint64 remainder = 0;
    for (auto word = m_magnitude.rbegin(); word != m_magnitude.rend(); ++word) {
        const quint64 dividend = (remainder << wordBits) | *word;
        *word = quint32(dividend / divisor);
        remainder = dividend % divisor;
    }
    while (!m_magnitude.empty() && m_magnitude.back() == 0)
        m_magnitude.pop_back();
    return quint32(remainder);
}

bool ArbitraryPrecisionInteger::magnitudeIsBelow(quint64 value) const
{
    return m_magnitude.size() <= 2 && lowestSixtyFourBits() < value;
}

quint64 ArbitraryPrecisionInteger::lowestSixtyFourBits() const
{
    const quint64 low = m_magnitude.empty() ? 0 : m_magnitude[0];
    const quint64 high = m_magnitude.size() < 2 ? 0 : m_magnitude[1];
    return (high << wordBits) | low;
}

void ArbitraryPrecisionInteger::normalize()
{
    while (!m_magnitude.empty() && m_magnitude.back() == 0)
        m_magnitude.pop_back();
    if (m_magnitude.empty())
        m_negative = false;
}
