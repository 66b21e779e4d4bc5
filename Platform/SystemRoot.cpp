// SPDX-License-Identifier: MIT
#include "SystemRoot.h"

#include <QDir>

namespace {

// Absolute, with no empty, "." or ".." component and no trailing separator.
bool isClean(const QString& absolutePath)
{
    return absolutePath.startsWith(QLatin1Char('/')) && !absolutePath.endsWith(QLatin1Char('/')) &&
           !absolutePath.contains(QLatin1String("//")) && !absolutePath.contains(QLatin1String("/./")) &&
           !absolutePath.contains(QLatin1String("/../")) && !absolutePath.endsWith(QLatin1String("/.")) &&
           !absolutePath.endsWith(QLatin1String("/.."));
}

} // namespace

namespace SystemRoot {

QString path()
{
    const QString root = qEnvironmentVariable("GRABBIT_SYSTEM_ROOT");
    if (root.isEmpty())
        return QStringLiteral("/");
    return QDir::cleanPath(root);
}

QString pathFor(const QString& absolutePath)
{
    const QString root = path();
    // The system's own locations are clean already; only others need cleaning (which is costly
    // for the state computation that asks several times).
    const QString clean = isClean(absolutePath) ? absolutePath : QDir::cleanPath(absolutePath);
    if (root == QLatin1String("/"))
        return clean;
    return clean == QLatin1String("/") ? root : root + clean;
}

} // namespace SystemRoot
