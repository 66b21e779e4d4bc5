// SPDX-License-Identifier: MIT
#include "MailPreferences.h"

#include "FoundationDictionary.h"
#include "MailLog.h"

#include <filesystem>

std::string MailPreferences::pathInHome(const std::string& home)
{
    return home + "/Library/Containers/com.apple.mail/Data/Library/Preferences/com.apple.mail.plist";
}

bool MailPreferences::bundlesEnabled(const std::string& home)
{
    auto path = pathInHome(home);
    std::error_code status;
    if (!std::filesystem::exists(path, status)) {
        MailLog::write("No preferences at " + path + "; plug-ins are off");
        return false;
    }
    std::string error;
    auto preferences = FoundationDictionary::readFile(path, &error);
    if (!preferences) {
        MailLog::write("Could not read preferences " + path + ": " + error + "; plug-ins are off");
        return false;
    }
    if (!preferences->boolean("EnableBundles").value_or(false)) {
        MailLog::write("Plug-ins are off: EnableBundles is not set");
        return false;
    }
    auto version = preferences->integer("BundleCompatibilityVersion").value_or(0);
    if (version < minimumBundleCompatibilityVersion) {
        MailLog::write("Plug-ins are off: BundleCompatibilityVersion " + std::to_string(version) +
                       " is below " + std::to_string(minimumBundleCompatibilityVersion));
        return false;
    }
    return true;
}
