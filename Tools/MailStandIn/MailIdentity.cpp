// SPDX-License-Identifier: MIT
#include "MailIdentity.h"

#include "FoundationDictionary.h"
#include "MailLog.h"

#include <cstdio>
#include <filesystem>

namespace {

const char* const unversionedKey = "SupportedPluginCompatibilityUUIDs";

std::string bundleInfoPlist(const std::filesystem::path& executable)
{
    auto macOS = executable.parent_path();
    auto contents = macOS.parent_path();
    if (macOS.filename() != "MacOS" || contents.filename() != "Contents")
        return {};
    return (contents / "Info.plist").string();
}

std::string productVersion(const std::string& systemRoot)
{
    std::string error;
    auto path = systemRoot + "/System/Library/CoreServices/SystemVersion.plist";
    auto systemVersion = FoundationDictionary::readFile(path, &error);
    if (!systemVersion)
        return {};
    return systemVersion->string("ProductVersion").value_or("");
}

} // namespace

std::string MailIdentity::compatibilityKeyFor(const std::string& productVersion)
{
    int major = 0;
    int minor = 0;
    if (std::sscanf(productVersion.c_str(), "%d.%d", &major, &minor) < 1)
        return unversionedKey;
    if (major < 10 || (major == 10 && minor < 12))
        return unversionedKey;
    return "Supported" + std::to_string(major) + "." + std::to_string(minor) + "PluginCompatibilityUUIDs";
}

MailIdentity MailIdentity::discover(const std::string& executablePath, const std::string& systemRoot)
{
    MailIdentity identity;
    identity.key = compatibilityKeyFor(productVersion(systemRoot));

    auto infoPath = bundleInfoPlist(executablePath);
    if (infoPath.empty()) {
        MailLog::write("Mail is not inside an application bundle (" + executablePath + ")");
        return identity;
    }
    std::string error;
    auto info = FoundationDictionary::readFile(infoPath, &error);
    auto own = info ? info->string("PluginCompatibilityUUID") : std::nullopt;
    if (!own) {
        MailLog::write("No PluginCompatibilityUUID in " + infoPath + (info ? "" : ": " + error));
        return identity;
    }
    identity.ownIdentifiers.push_back(*own);

    auto frameworkPath = systemRoot + "/System/Library/Frameworks/Message.framework/Resources/Info.plist";
    auto framework = FoundationDictionary::readFile(frameworkPath, &error);
    auto message = framework ? framework->string("PluginCompatibilityUUID") : std::nullopt;
    if (message)
        identity.ownIdentifiers.push_back(*message);
    return identity;
}
