// SPDX-License-Identifier: MIT
#include "LocalizableStrings.cpp"

#include <QRegularExpression>
#include <QTest>
#include <QTranslator>

namespace {

const QString translationsFolder = QStringLiteral(GRABBIT_BUILD_DIR) +
                                   QStringLiteral("/GrabbitInstaller.app/Contents/Resources/translations");

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
    void everyTextHasAGermanTranslationWithItsPlaceholders()
    {
        QTranslator german;
        QVERIFY(german.load(QStringLiteral("Localizable_de"), translationsFolder));
        const QStringList mustBeThere{
            QStringLiteral("Unable to update Mail preferences."),
            QStringLiteral("Mail failed to Quit. Please quit Mail manually and try again."),
            QStringLiteral("The Grabbit installer is damaged: its plug-in archive is missing."),
            QStringLiteral("Don’t Add"),
        };
        QStringList texts;
        for (const char* text : localizableStrings)
            texts << QString::fromUtf8(text);
        for (const QString& text : mustBeThere)
            QVERIFY2(texts.contains(text), qPrintable(text));

        for (const char* text : localizableStrings) {
            const QString translation = german.translate("Localizable", text);
            QVERIFY2(!translation.isEmpty(), text);
            QCOMPARE(placeholders(translation), placeholders(QString::fromUtf8(text)));
            QCOMPARE(translation.endsWith(QLatin1Char('\n')),
                     QString::fromUtf8(text).endsWith(QLatin1Char('\n')));
        }
    }
};

QTEST_MAIN(TranslationTest)
#include "TranslationTest.moc"
