// SPDX-License-Identifier: MIT
#include "Localization.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>

QString localizedString(const char* englishText)
{
    // QCoreApplication::translate answers the source text itself when no translation is installed.
    return QCoreApplication::translate(LocalizationContext, englishText);
}

bool installTranslation(const QString& name, const QString& folder)
{
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(QLocale(), name, QStringLiteral("_"), folder))
        return QCoreApplication::installTranslator(translator);
    delete translator;
    return false;
}

bool installLocalizedStrings(const QString& resourcePath)
{
    return installTranslation(QStringLiteral("Localizable"), resourcePath + QStringLiteral("/translations"));
}
