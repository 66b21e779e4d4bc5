// SPDX-License-Identifier: MIT
#include "ZFVersionNumber.h"

#include "PropertyList.h"
#include "SystemRoot.h"

#include <algorithm>

namespace {

template <typename T> ZFComparisonResult orderOf(const T& left, const T& right)
{
    if (left < right)
        return ZFOrderedAscending;
    if (right < left)
        return ZFOrderedDescending;
    return ZFOrderedSame;
}

} // namespace

ZFVersionNumber::ZFVersionNumber(QString versionString) : m_versionString(std::move(versionString))
{
    for (const QString& text : m_versionString.trimmed().split(QLatin1Char('.'))) {
        qsizetype digitsEnd = 0;
        while (digitsEnd < text.size() && text.at(digitsEnd) >= QLatin1Char('0') &&
               text.at(digitsEnd) <= QLatin1Char('9'))
            ++digitsEnd;
        qsizetype firstSignificant = 0;
        while (firstSignificant < digitsEnd && text.at(firstSignificant) == QLatin1Char('0'))
            ++firstSignificant;
        m_components.append({text.mid(firstSignificant, digitsEnd - firstSignificant), text.mid(digitsEnd)});
    }
}

std::optional<ZFVersionNumber>
ZFVersionNumber::initWithVersionString(const std::optional<QString>& versionString)
{
    if (!versionString || versionString->trimmed().isEmpty())
        return std::nullopt;
    return ZFVersionNumber(*versionString);
}

ZFComparisonResult ZFVersionNumber::compareComponents(const Component& left, const Component& right)
{
    // Numbers of any length: the longer digit string is the larger number.
    if (left.digits.size() != right.digits.size())
        return orderOf(left.digits.size(), right.digits.size());
    if (const int order = left.digits.compare(right.digits); order != 0)
        return order < 0 ? ZFOrderedAscending : ZFOrderedDescending;
    if (left.suffix.isEmpty() != right.suffix.isEmpty())
        return left.suffix.isEmpty() ? ZFOrderedDescending : ZFOrderedAscending;
    const int order = left.suffix.compare(right.suffix);
    return order < 0 ? ZFOrderedAscending : order > 0 ? ZFOrderedDescending : ZFOrderedSame;
}

ZFComparisonResult ZFVersionNumber::compareToVersionNumber(const std::optional<ZFVersionNumber>& other) const
{
    if (!other)
        return ZFOrderedDescending;
    const Component zero;
    const qsizetype count = std::max(m_components.size(), other->m_components.size());
    for (qsizetype index = 0; index < count; ++index) {
        const Component& left = index < m_components.size() ? m_components.at(index) : zero;
        const Component& right = index < other->m_components.size() ? other->m_components.at(index) : zero;
        if (const ZFComparisonResult order = compareComponents(left, right); order != ZFOrderedSame)
            return order;
    }
    return ZFOrderedSame;
}

bool ZFVersionNumber::isOperatingSystemHighSierraOrLater()
{
    const auto systemVersion = PropertyList::dictionaryWithContentsOfFile(
        SystemRoot::pathFor(QStringLiteral("/System/Library/CoreServices/SystemVersion.plist")));
    if (!systemVersion)
        return false;
    const QVariant productVersion = systemVersion->value(QStringLiteral("ProductVersion"));
    if (productVersion.metaType().id() != QMetaType::QString)
        return false;
    const auto running = initWithVersionString(productVersion.toString());
    const auto highSierra = initWithVersionString(QStringLiteral("10.13"));
    return running && running->compareToVersionNumber(highSierra) != ZFOrderedAscending;
}
