// SPDX-License-Identifier: MIT
#pragma once

#include <QList>
#include <QString>

#include <optional>

enum ZFComparisonResult : int {
    ZFOrderedAscending = -1,
    ZFOrderedSame = 0,
    ZFOrderedDescending = 1,
};

// A version such as "1.10.2", ordered component by component.
//
// The text is trimmed of surrounding white space and split at dots. Each component is its
// leading decimal digits, compared as a number of any length ("1.10" is newer than "1.9"), followed
// by an optional suffix: a component without digits counts as 0, and of two components with
// equal numbers the one without a suffix is newer ("1.0b2" is older than "1.0"); two suffixes
// compare by their characters. Missing components count as 0, so "1.2" equals "1.2.0".
class ZFVersionNumber {
public:
    // No version for a missing string, or for one that holds nothing but white space.
    static std::optional<ZFVersionNumber> initWithVersionString(const std::optional<QString>& versionString);

    // Ascending when this version is older than the other. Any version is newer than a missing
    // one, so an installed copy is never offered as an update of a broken installer.
    ZFComparisonResult compareToVersionNumber(const std::optional<ZFVersionNumber>& other) const;

    // True from macOS 10.13 on: the ProductVersion of SystemVersion.plist under the system root;
    // no such file means an earlier system.
    static bool isOperatingSystemHighSierraOrLater();

    const QString& versionString() const { return m_versionString; }

private:
    struct Component {
        QString digits; // without leading zeros; empty for 0
        QString suffix;
    };

    explicit ZFVersionNumber(QString versionString);
    static ZFComparisonResult compareComponents(const Component& left, const Component& right);

    QString m_versionString;
    QList<Component> m_components;
};
