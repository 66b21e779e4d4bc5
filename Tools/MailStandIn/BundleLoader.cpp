// SPDX-License-Identifier: MIT
#include "BundleLoader.h"

#include "FoundationDictionary.h"
#include "MailLog.h"

#include <algorithm>
#include <dlfcn.h>

namespace fs = std::filesystem;

namespace {

std::vector<fs::path> bundlesIn(const fs::path& folder)
{
    std::vector<fs::path> bundles;
    std::error_code status;
    for (fs::directory_iterator entry(folder, status), end; !status && entry != end;
         entry.increment(status)) {
        if (entry->path().extension() == ".mailbundle")
            bundles.push_back(entry->path());
    }
    std::sort(bundles.begin(), bundles.end());
    return bundles;
}

} // namespace

BundleLoader::BundleLoader(fs::path mailDirectory, MailIdentity identity)
    : mailDirectory(std::move(mailDirectory)), mailIdentity(std::move(identity))
{
}

void BundleLoader::loadBundles()
{
    auto bundles = bundlesIn(mailDirectory / "Bundles");
    if (bundles.empty())
        return;
    if (mailIdentity.identifiers().empty()) {
        MailLog::write("Mail has no compatibility identifier; no plug-in loaded");
        return;
    }
    for (const auto& bundle : bundles)
        consider(bundle);
}

void BundleLoader::consider(const fs::path& bundle)
{
    std::string error;
    auto info = FoundationDictionary::readFile((bundle / "Contents" / "Info.plist").string(), &error);
    if (!info) {
        MailLog::write("Could not load bundle " + bundle.string() + ": no readable Info.plist (" + error +
                       ")");
        return;
    }
    auto supported = info->strings(mailIdentity.compatibilityKey().c_str());
    if (!supported || !isCompatible(*supported)) {
        moveAside(bundle);
        return;
    }
    auto executable = info->string("CFBundleExecutable");
    if (!executable || executable->empty()) {
        MailLog::write("Could not load bundle " + bundle.string() + ": no CFBundleExecutable");
        return;
    }
    load(bundle, *executable);
}

bool BundleLoader::isCompatible(const std::vector<std::string>& supported) const
{
    return std::all_of(mailIdentity.identifiers().begin(), mailIdentity.identifiers().end(),
                       [&](const auto& own) {
                           return std::find(supported.begin(), supported.end(), own) != supported.end();
                       });
}

std::optional<fs::path> BundleLoader::disabledFolder()
{
    if (chosenDisabledFolder)
        return chosenDisabledFolder;
    std::error_code status;
    fs::path candidate = mailDirectory / "Bundles (Disabled)";
    for (int number = 1; fs::exists(candidate, status) || status; ++number) {
        if (status)
            return std::nullopt;
        candidate = mailDirectory / ("Bundles (Disabled " + std::to_string(number) + ")");
    }
    if (!fs::create_directory(candidate, status)) {
        MailLog::write("Could not create " + candidate.string() + ": " + status.message());
        return std::nullopt;
    }
    chosenDisabledFolder = candidate;
    return candidate;
}

void BundleLoader::moveAside(const fs::path& bundle)
{
    auto folder = disabledFolder();
    if (!folder) {
        MailLog::write("Incompatible plug-in " + bundle.string() + " not loaded and left in place");
        return;
    }
    std::error_code status;
    fs::rename(bundle, *folder / bundle.filename(), status);
    if (status) {
        MailLog::write("Could not move incompatible plug-in " + bundle.string() + " to " + folder->string() +
                       ": " + status.message());
        return;
    }
    MailLog::write("Incompatible plug-in " + bundle.string() + " moved to " + folder->string());
    moved.push_back(bundle.filename().string() + ":" + folder->filename().string());
}

void BundleLoader::load(const fs::path& bundle, const std::string& executableName)
{
    auto executable = bundle / "Contents" / "MacOS" / executableName;
    std::error_code status;
    if (!fs::is_regular_file(executable, status)) {
        MailLog::write("Could not load bundle " + bundle.string() + ": no executable at " +
                       executable.string());
        return;
    }
    void* handle = nullptr;
    try {
        handle = dlopen(executable.c_str(), RTLD_NOW);
    } catch (...) {
        MailLog::write("Could not load bundle " + bundle.string() + ": its initializer raised an exception");
        return;
    }
    if (handle == nullptr) {
        const char* reason = dlerror();
        MailLog::write("Could not load bundle " + bundle.string() + ": " +
                       (reason ? reason : "unknown error"));
        return;
    }
    // A loaded plug-in stays for the life of the process, as in Mail: its handle is never closed.
    MailLog::write("Loaded bundle " + bundle.string());
    loaded.push_back(bundle.filename().string());
}
