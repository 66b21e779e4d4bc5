// SPDX-License-Identifier: MIT
#pragma once

#include "MailIdentity.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// Mail's plug-in loading at start: every ~/Library/Mail/Bundles/*.mailbundle is either loaded
// (its module initializer runs) or, when it does not list all of Mail's identifiers under this
// Mail's key, moved to a new disabled-bundles folder, as Mail does after an OS update.
class BundleLoader {
public:
    BundleLoader(std::filesystem::path mailDirectory, MailIdentity identity);

    void loadBundles();

    const MailIdentity& identity() const { return mailIdentity; }

    // Bundle names, in the order handled.
    const std::vector<std::string>& loadedBundles() const { return loaded; }
    // "<bundle name>:<disabled folder name>" for each bundle moved aside.
    const std::vector<std::string>& movedBundles() const { return moved; }

private:
    void consider(const std::filesystem::path& bundle);
    bool isCompatible(const std::vector<std::string>& supported) const;
    void moveAside(const std::filesystem::path& bundle);
    void load(const std::filesystem::path& bundle, const std::string& executableName);
    std::optional<std::filesystem::path> disabledFolder();

    std::filesystem::path mailDirectory;
    MailIdentity mailIdentity;
    std::optional<std::filesystem::path> chosenDisabledFolder;
    std::vector<std::string> loaded;
    std::vector<std::string> moved;
};
