// SPDX-License-Identifier: MIT
#include "PreferencesDomain.h"

#include <QDir>
#include <QFileInfo>

namespace {

QString preferencesFilePath(const QString& homeDirectory, const QString& name)
{
    const QDir home(homeDirectory);
    const QString container = home.filePath(QStringLiteral("Library/Containers/") + name);
    const QString fileName = name + QStringLiteral(".plist");
    if (QFileInfo(container).isDir())
        return QDir(container).filePath(QStringLiteral("Data/Library/Preferences/") + fileName);
    return home.filePath(QStringLiteral("Library/Preferences/") + fileName);
}

} // namespace

PreferencesDomain::PreferencesDomain(const QString& homeDirectory, const QString& name)
    : m_name(name), m_filePath(preferencesFilePath(homeDirectory, name))
{
}

bool PreferencesDomain::fileExists() const
{
    return QFileInfo(m_filePath).exists();
}

bool PreferencesDomain::load(QString& errorDescription)
{
    m_values.clear();
    m_format = PropertyListFormat::Binary;
    if (!fileExists())
        return true;
    const auto contents = PropertyList::readFile(m_filePath, &m_format, &errorDescription);
    if (!contents)
        return false;
    if (contents->typeId() != QMetaType::QVariantMap) {
        errorDescription = QStringLiteral("%1 does not hold a dictionary").arg(m_filePath);
        return false;
    }
    m_values = contents->toMap();
    return true;
}

void PreferencesDomain::setValue(const QString& key, const QVariant& value)
{
    m_values.insert(key, value);
}

bool PreferencesDomain::save(QString& errorDescription) const
{
    const QString folder = QFileInfo(m_filePath).absolutePath();
    if (!QDir().mkpath(folder)) {
        errorDescription = QStringLiteral("cannot create the folder %1").arg(folder);
        return false;
    }
    return PropertyList::writeToFile(m_values, m_filePath, m_format, &errorDescription);
}
