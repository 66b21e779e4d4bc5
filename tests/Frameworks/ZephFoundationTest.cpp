// SPDX-License-Identifier: MIT
#include "PropertyList.h"
#include "ZFAttributedString.h"
#include "ZFDictionaryAccessors.h"
#include "ZFString.h"
#include "ZFVersionNumber.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <climits>

class ZephFoundationTest : public QObject {
    Q_OBJECT

private slots:
    void versionOrdering_data();
    void versionOrdering();
    void missingVersions();
    void highSierraFromSystemVersion_data();
    void highSierraFromSystemVersion();
    void intForKey_data();
    void intForKey();
    void boolForKey_data();
    void boolForKey();
    void objectForKeyTakesTheDefaultOnlyWhenAbsent();
    void appendStringAddsPlainTextAtTheEnd();
};

void ZephFoundationTest::versionOrdering_data()
{
    QTest::addColumn<QString>("left");
    QTest::addColumn<QString>("right");
    QTest::addColumn<int>("order");

    const auto row = [](const char* name, const char* left, const char* right, int order) {
        QTest::newRow(name) << QString::fromUtf8(left) << QString::fromUtf8(right) << order;
    };
    row("equal", "1.4", "1.4", 0);
    row("numeric, not textual", "1.10", "1.9", 1);
    row("missing components are zero", "1.2", "1.2.0", 0);
    row("longer and newer", "1.2.1", "1.2", 1);
    row("line break of a version text", "1.4\n", "1.4", 0);
    row("surrounding white space", "  2.0 \t", "2", 0);
    row("leading zeros", "1.05", "1.5", 0);
    row("numbers beyond 64 bits", "1.123456789012345678901234567890", "1.99999999999999999999", 1);
    row("suffix is a pre-release", "1.0b2", "1.0", -1);
    row("suffixes by characters", "1.0b2", "1.0b10", 1);
    row("junk counts as zero", "abc", "0.1", -1);
    row("older major", "9.9", "10.0", -1);
}

void ZephFoundationTest::versionOrdering()
{
    QFETCH(QString, left);
    QFETCH(QString, right);
    QFETCH(int, order);
    const auto leftVersion = ZFVersionNumber::initWithVersionString(left);
    const auto rightVersion = ZFVersionNumber::initWithVersionString(right);
    QVERIFY(leftVersion && rightVersion);
    QCOMPARE(static_cast<int>(leftVersion->compareToVersionNumber(rightVersion)), order);
    QCOMPARE(static_cast<int>(rightVersion->compareToVersionNumber(leftVersion)), -order);
}

void ZephFoundationTest::missingVersions()
{
    QVERIFY(!ZFVersionNumber::initWithVersionString(std::nullopt));
    QVERIFY(!ZFVersionNumber::initWithVersionString(QStringLiteral(" \n")));
    const auto version = ZFVersionNumber::initWithVersionString(QStringLiteral("0"));
    QCOMPARE(version->compareToVersionNumber(std::nullopt), ZFOrderedDescending);
}

void ZephFoundationTest::highSierraFromSystemVersion_data()
{
    QTest::addColumn<QVariant>("productVersion");
    QTest::addColumn<bool>("highSierraOrLater");

    QTest::newRow("no file") << QVariant() << false;
    QTest::newRow("10.12.6") << QVariant(QStringLiteral("10.12.6")) << false;
    QTest::newRow("10.13") << QVariant(QStringLiteral("10.13")) << true;
    QTest::newRow("10.13.6") << QVariant(QStringLiteral("10.13.6")) << true;
    QTest::newRow("11.0") << QVariant(QStringLiteral("11.0")) << true;
    QTest::newRow("10.9 is not 10.90") << QVariant(QStringLiteral("10.9")) << false;
    QTest::newRow("not a string") << QVariant(qint64(11)) << false;
}

void ZephFoundationTest::highSierraFromSystemVersion()
{
    QFETCH(QVariant, productVersion);
    QFETCH(bool, highSierraOrLater);
    QTemporaryDir root;
    qputenv("GRABBIT_SYSTEM_ROOT", QFile::encodeName(root.path()));
    if (productVersion.isValid()) {
        const QString folder = root.path() + QLatin1String("/System/Library/CoreServices");
        QDir().mkpath(folder);
        QVERIFY(PropertyList::writeToFile(QVariantMap{{QStringLiteral("ProductVersion"), productVersion}},
                                          folder + QLatin1String("/SystemVersion.plist")));
    }
    QCOMPARE(ZFVersionNumber::isOperatingSystemHighSierraOrLater(), highSierraOrLater);
    qunsetenv("GRABBIT_SYSTEM_ROOT");
}

void ZephFoundationTest::intForKey_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<int>("expected");

    QTest::newRow("absent") << QVariant() << -1;
    QTest::newRow("integer") << QVariant(qint64(3)) << 3;
    QTest::newRow("string as Mail writes it") << QVariant(QStringLiteral("14")) << 14;
    QTest::newRow("string with spaces and sign") << QVariant(QStringLiteral("  -2xyz")) << -2;
    QTest::newRow("string without digits") << QVariant(QStringLiteral("many")) << 0;
    QTest::newRow("string beyond 32 bits") << QVariant(QStringLiteral("99999999999")) << INT_MAX;
    QTest::newRow("integer beyond 32 bits") << QVariant(qint64(5000000000)) << INT_MAX;
    QTest::newRow("real") << QVariant(3.9) << 3;
    QTest::newRow("boolean") << QVariant(true) << 1;
    QTest::newRow("array") << QVariant(QVariantList{1}) << -1;
}

void ZephFoundationTest::intForKey()
{
    QFETCH(QVariant, value);
    QFETCH(int, expected);
    QVariantMap dictionary;
    if (value.isValid())
        dictionary.insert(QStringLiteral("key"), value);
    QCOMPARE(::intForKey(dictionary, QStringLiteral("key"), -1), expected);
}

void ZephFoundationTest::boolForKey_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<bool>("expected");

    QTest::newRow("absent") << QVariant() << false;
    QTest::newRow("true") << QVariant(true) << true;
    QTest::newRow("false") << QVariant(false) << false;
    QTest::newRow("integer 1") << QVariant(qint64(1)) << true;
    QTest::newRow("integer 0") << QVariant(qint64(0)) << false;
    QTest::newRow("YES") << QVariant(QStringLiteral("YES")) << true;
    QTest::newRow("true text") << QVariant(QStringLiteral("true")) << true;
    QTest::newRow("NO") << QVariant(QStringLiteral("NO")) << false;
    QTest::newRow("zeros then digit") << QVariant(QStringLiteral(" 007")) << true;
    QTest::newRow("data") << QVariant(QByteArray("1")) << false;
}

void ZephFoundationTest::boolForKey()
{
    QFETCH(QVariant, value);
    QFETCH(bool, expected);
    QVariantMap dictionary;
    if (value.isValid())
        dictionary.insert(QStringLiteral("key"), value);
    QCOMPARE(::boolForKey(dictionary, QStringLiteral("key")), expected);
}

void ZephFoundationTest::objectForKeyTakesTheDefaultOnlyWhenAbsent()
{
    const QVariantMap dictionary{{QStringLiteral("present"), QString()}};
    QCOMPARE(objectForKey(dictionary, QStringLiteral("present"), QVariantList{}), QVariant(QString()));
    QCOMPARE(objectForKey(dictionary, QStringLiteral("absent"), QVariantList{}), QVariant(QVariantList{}));
}

void ZephFoundationTest::appendStringAddsPlainTextAtTheEnd()
{
    ZFAttributedString text(QStringLiteral("Install"), {{QStringLiteral("font"), 24}});
    text.appendString(QStringLiteral("\n"));
    text.appendAttributedString(ZFAttributedString(QStringLiteral("Mail"), {{QStringLiteral("font"), 15}}));
    QCOMPARE(text.string(), QStringLiteral("Install\nMail"));
    QCOMPARE(text.runs().size(), 3);
    QVERIFY(text.runs().at(1).attributes.isEmpty());
    QVERIFY(isEmptyString(QString()));
    QVERIFY(isEmptyString(QStringLiteral("")));
    QVERIFY(!isEmptyString(QStringLiteral(" ")));
}

QTEST_GUILESS_MAIN(ZephFoundationTest)
#include "ZephFoundationTest.moc"
