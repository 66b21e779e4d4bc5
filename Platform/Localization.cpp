// SPDX-License-Identifier: MIT
#include "Localization.h"

#include <QCoreApplication>

QString localizedString(const char* englishText)
{
    // QCoreApplication::translate answers the source text itself when no translation is installed.
    return QCoreApplication::translate(LocalizationContext, englishText);
}
