// SPDX-License-Identifier: MIT
#include "SystemRoot.h"

#include <QDir>

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
    if (root == QLatin1String("/"))
        return QDir::cleanPath(absolutePath);
    return QDir::cleanPath(root + QLatin1Char('/') + absolutePath);
}

} // namespace SystemRoot
