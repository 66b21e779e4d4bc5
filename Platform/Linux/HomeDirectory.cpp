// SPDX-License-Identifier: MIT
#include "HomeDirectory.h"

#include "Localization.h"

#include <QDir>

#include <cstdlib>
#include <sys/stat.h>

namespace HomeDirectory {

// HOME as the shell hands it over, taken only when it names an existing folder exactly: without it
// the engine would work on the file system's root, or on a second tree beside the real home.
std::optional<QString> path(QString* problem)
{
    const auto unusable = [problem](const QString& message) -> std::optional<QString> {
        if (problem)
            *problem = message;
        return std::nullopt;
    };
    const char* value = std::getenv("HOME");
    if (!value || !*value)
        return unusable(localizedString("HOME is not set: Grabbit needs your home folder to find Mail's "
                                        "plug-ins and preferences."));
    const QByteArray bytes(value);
    const QString home = QString::fromUtf8(bytes);
    // Paths are bytes here; one that does not decode would name another folder once encoded again.
    if (home.toUtf8() != bytes)
        return unusable(localizedString("HOME is not usable: its name is not valid UTF-8."));
    if (!QDir::isAbsolutePath(home))
        return unusable(localizedString("HOME is not usable: “%1” is not an absolute path.").arg(home));
    struct stat status;
    if (stat(bytes.constData(), &status) != 0 || !S_ISDIR(status.st_mode))
        return unusable(localizedString("HOME is not usable: “%1” is not an existing folder.").arg(home));
    return QDir::cleanPath(home);
}

} // namespace HomeDirectory
