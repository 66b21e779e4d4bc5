// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

// What Mail checks a plug-in against: its own PluginCompatibilityUUID, the Message framework's
// where the system has one, and the Info.plist key that this Mail's OS version reads.
class MailIdentity {
public:
    // The bundle is the folder whose Contents/MacOS holds the executable; the system root is
    // where /System/Library lives.
    static MailIdentity discover(const std::string& executablePath, const std::string& systemRoot);

    // Empty when Mail's own Info.plist cannot be read or lacks PluginCompatibilityUUID: nothing can
    // be checked then.
    const std::vector<std::string>& identifiers() const { return ownIdentifiers; }
    const std::string& compatibilityKey() const { return key; }

    // "Supported<major>.<minor>PluginCompatibilityUUIDs" from 10.12 on, else the unversioned key.
    static std::string compatibilityKeyFor(const std::string& productVersion);

private:
    std::vector<std::string> ownIdentifiers;
    std::string key;
};
