// SPDX-License-Identifier: MIT
#include "LocalizableStrings.cpp"

#include <QRegularExpression>
#include <QTest>
#include <QTranslator>

namespace {

QStringList placeholders(const QString& text)
{
    QStringList found;
    for (const QRegularExpressionMatch& match : QRegularExpression(QStringLiteral("%\\d")).globalMatch(text))
        found << match.captured();
    found.sort();
    return found;
}

} // namespace

class TranslationTest : public QObject {
    Q_OBJECT

private slots:
    // The build gathers the texts from the sources; a new one without a German translation fails.
    void everyTextHasAGermanTranslationWithItsPlaceholders()
    {
        QTranslator german;
        QVERIFY(german.load("Localizable_de",
                            GRABBIT_BUILD_DIR "/GrabbitInstaller.app/Contents/Resources/translations"));
        QVERIFY(
            std::find(std::begin(localizableStrings), std::end(localizableStrings),
                      std::string_view("Mail failed to Quit. Please quit Mail manually and try again.")) !=
            std::end(localizableStrings));
        for (const char* text : localizableStrings) {
            const QString translation = german.translate("Localizable", text);
            QVERIFY2(!translation.isEmpty(), text);
            QCOMPARE(placeholders(translation), placeholders(QString::fromUtf8(text)));
            QCOMPARE(translation.endsWith('\n'), QString::fromUtf8(text).endsWith('\n'));
        }
    }
};

QTEST_MAIN(TranslationTest)
#include "TranslationTest.moc"
