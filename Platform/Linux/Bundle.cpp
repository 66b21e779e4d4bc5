// SPDX-License-Identifier: MIT
#include "Bundle.h"

#include <QDir>
#include <QFileInfo>

namespace {

QString& overriddenMainBundlePath()
{
    static QString path;
    return path;
}

QString executableFolder()
{
    return QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self/exe"))).absolutePath();
}

} // namespace

Bundle::Bundle(QString bundlePath) : m_bundlePath(QDir::cleanPath(std::move(bundlePath))) {}

Bundle Bundle::mainBundle()
{
    if (!overriddenMainBundlePath().isEmpty())
        return Bundle(overriddenMainBundlePath());
    const QString fromEnvironment = qEnvironmentVariable("GRABBIT_MAIN_BUNDLE");
    if (!fromEnvironment.isEmpty())
        return Bundle(fromEnvironment);
    return executableBundle();
}

Bundle Bundle::executableBundle()
{
    const QString folder = executableFolder();
    if (folder.endsWith(QLatin1String("/Contents/MacOS")))
        return Bundle(QDir::cleanPath(folder + QLatin1String("/../..")));
    return Bundle(folder);
}

void Bundle::setMainBundlePath(const QString& path)
{
    overriddenMainBundlePath() = path;
}

QUrl Bundle::bundleURL() const
{
    return QUrl::fromLocalFile(m_bundlePath + QLatin1Char('/'));
}

QString Bundle::resourcePath() const
{
    return m_bundlePath + QLatin1String("/Contents/Resources");
}

QString Bundle::executablePath() const
{
    return m_bundlePath + QLatin1String("/Contents/MacOS/") + QFileInfo(m_bundlePath).completeBaseName();
}

QString Bundle::privateFrameworksPath() const
{
    return m_bundlePath + QLatin1String("/Contents/Frameworks");
}

std::optional<QString> Bundle::pathForResource(const QString& name, const QString& type) const
{
    const QString path = resourcePath() + QLatin1Char('/') + name + QLatin1Char('.') + type;
    if (!QFileInfo(path).isFile())
        return std::nullopt;
    return path;
}
