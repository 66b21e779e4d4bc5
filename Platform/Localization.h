// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// User-visible texts, keyed by their English text in the application's translations, with the
// English text as the fallback. Source files write the key as a literal:
//     localizedString("Unable to update Mail preferences.")
QString localizedString(const char* englishText);

// The translation context under which every text of the application is kept.
inline constexpr char LocalizationContext[] = "Localizable";
