// SPDX-License-Identifier: MIT
#include "PropertyList.h"
#include "ZFAttributedString.h"
#include "ZFDictionaryAccessors.h"
#include "ZFVersionNumber.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sstream>

namespace {

// How each version orders against the other: "-1 1" when the first is older, "0 0" when equal.
std::string order(const std::string& first, const std::string& second)
{
    const auto one = ZFVersionNumber::initWithVersionString(QString::fromStdString(first));
    const auto other = ZFVersionNumber::initWithVersionString(QString::fromStdString(second));
    return std::to_string(one->compareToVersionNumber(other)) + " " +
           std::to_string(other->compareToVersionNumber(one));
}

// A dictionary with the property-list value under the key, or an empty one.
QVariantMap dictionaryWith(const std::string& key, const std::string& value)
{
    const std::string plist = "<plist><dict><key>" + key + "</key>" + value + "</dict></plist>";
    return value.empty() ? QVariantMap{} : PropertyList::fromData(QByteArray::fromStdString(plist))->toMap();
}

TEST(ZephFoundationTest, versionsOrderComponentByComponentAsNumbersOfAnyLength)
{
    std::istringstream chain(
        "abc < 0.1 < 1.0b10 < 1.0b2 < 1.0 < 1.2 = 1.2.0 < 1.2.1 < 1.05.1 = 1.5.1 < 1.9 < 1.10 < 9.9 < 10.0 < "
        "10.99999999999999999999 < 10.123456789012345678901234567890");
    std::string older, relation, newer;
    for (chain >> older; chain >> relation >> newer; older = newer)
        EXPECT_EQ(order(older, newer), relation == "<" ? "-1 1" : "0 0") << older << relation << newer;
    EXPECT_EQ(order(" 1.4\n", "1.4\t"), "0 0");
    EXPECT_EQ(
        ZFVersionNumber::initWithVersionString(QStringLiteral("0"))->compareToVersionNumber(std::nullopt),
        ZFOrderedDescending);
    EXPECT_FALSE(ZFVersionNumber::initWithVersionString(QStringLiteral(" \n")) ||
                 ZFVersionNumber::initWithVersionString(std::nullopt));
}

TEST(ZephFoundationTest, highSierraOrLaterFollowsTheSystemVersionFile)
{
    // A ProductVersion (or none), then whether that is macOS 10.13 or later.
    for (const std::string row : {" no", "<string>10.12.6</string> no", "<string>10.13</string> yes",
                                  "<string>11.0</string> yes", "<integer>11</integer> no"}) {
        QTemporaryDir root;
        const QVariantMap systemVersion = dictionaryWith("ProductVersion", row.substr(0, row.rfind(' ')));
        const QString folder = root.path() + QStringLiteral("/System/Library/CoreServices");
        if (QDir().mkpath(folder) && !systemVersion.isEmpty())
            PropertyList::writeToFile(systemVersion, folder + QStringLiteral("/SystemVersion.plist"));
        qputenv("GRABBIT_SYSTEM_ROOT", QFile::encodeName(root.path()));
        EXPECT_EQ(ZFVersionNumber::isOperatingSystemHighSierraOrLater(), row.ends_with("yes")) << row;
        qunsetenv("GRABBIT_SYSTEM_ROOT");
    }
}

// Read as NSString's and NSNumber's intValue and boolValue read what Mail's preferences hold.
TEST(ZephFoundationTest, dictionaryAccessorsConvertLikeFoundation)
{
    // A property-list value (or none), then intForKey with the default -1, boolForKey, and whether
    // objectForKey answers the default.
    for (const std::string row :
         {" -1 NO default", "<integer>3</integer> 3 YES", "<integer>-3</integer> -3 YES",
          "<integer>5000000000</integer> 2147483647 YES", "<real>3.9</real> 3 YES", "<true/> 1 YES",
          "<data>MQ==</data> -1 NO", "<string>14</string> 14 YES", "<string>-2x</string> -2 YES",
          "<string>many</string> 0 NO", "<string>99999999999</string> 2147483647 YES",
          "<string>YES</string> 0 YES", "<string>NO</string> 0 NO", "<string>true</string> 0 YES",
          "<string> 007</string> 7 YES", "<string></string> 0 NO"}) {
        const std::string value = row.substr(0, row.rfind('>') + 1);
        const QVariantMap dictionary = dictionaryWith("key", value);
        const QString key = QStringLiteral("key");
        const bool isDefault = objectForKey(dictionary, key, QVariantList{}) == QVariant(QVariantList{});
        EXPECT_EQ(value + " " + std::to_string(intForKey(dictionary, key, -1)) +
                      (boolForKey(dictionary, key) ? " YES" : " NO") + (isDefault ? " default" : ""),
                  row);
    }
}

TEST(ZephFoundationTest, appendStringAddsPlainTextAtTheEnd)
{
    ZFAttributedString text(QStringLiteral("Install"), {{QStringLiteral("font"), 24}});
    text.appendString(QStringLiteral("\nMail"));
    EXPECT_EQ(text.string(), QStringLiteral("Install\nMail"));
    EXPECT_TRUE(text.runs().back().attributes.isEmpty());
}

} // namespace
