// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// User-visible texts, keyed by their English text in the application's translations, with the
// English text as the fallback. Source files write the key as a literal:
//     localizedString("Unable to update Mail preferences.")
QString localizedString(const char* englishText);

// Installs the translations named `name` (as in "name_de.qm") for the user's language from
// `folder`, for the rest of the application's life; false when there are none for that language.
bool installTranslation(const QString& name, const QString& folder);
// The application's own texts, from the "translations" folder of the bundle's resources.
bool installLocalizedStrings(const QString& resourcePath);

// The translation context under which every text of the application is kept.
inline constexpr char LocalizationContext[] = "Localizable";
