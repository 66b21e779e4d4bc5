// SPDX-License-Identifier: MIT
#pragma once

#include <string>

// Mail's container preferences, read once at start as Mail does.
class MailPreferences {
public:
    static constexpr long long minimumBundleCompatibilityVersion = 3;

    static std::string pathInHome(const std::string& home);

    // True when EnableBundles is on and BundleCompatibilityVersion is high enough; otherwise the
    // reason is logged. A missing or corrupted file counts as plug-ins off.
    static bool bundlesEnabled(const std::string& home);
};
