// SPDX-License-Identifier: MIT
#include "SystemRoot.h"

#include <QDir>

namespace {

// Absolute, with no empty, "." or ".." component and no trailing separator. One pass, since the
// state computation asks for several locations each time.
bool isClean(QStringView absolutePath)
{
    if (!absolutePath.startsWith(QLatin1Char('/')))
        return false;
    if (absolutePath.size() == 1)
        return true;
    qsizetype componentStart = 1;
    for (qsizetype index = 1; index <= absolutePath.size(); ++index) {
        if (index < absolutePath.size() && absolutePath[index] != QLatin1Char('/'))
            continue;
        const QStringView component = absolutePath.sliced(componentStart, index - componentStart);
        if (component.isEmpty() || component == QLatin1String(".") || component == QLatin1String(".."))
            return false;
        componentStart = index + 1;
    }
    return true;
}

// "/" or the sandbox folder, clean.
QString rootPath()
{
    const QString root = qEnvironmentVariable("GRABBIT_SYSTEM_ROOT");
    if (root.isEmpty())
        return QStringLiteral("/");
    return isClean(root) ? root : QDir::cleanPath(root);
}

} // namespace

namespace SystemRoot {

QString pathFor(const QString& absolutePath)
{
    const QString root = rootPath();
    // The system's own locations are clean already; only others need cleaning (which is costly
    // for the state computation that asks several times).
    const QString clean = isClean(absolutePath) ? absolutePath : QDir::cleanPath(absolutePath);
    if (root == QLatin1String("/"))
        return clean;
    return clean == QLatin1String("/") ? root : root + clean;
}

} // namespace SystemRoot
