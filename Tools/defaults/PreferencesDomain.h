// SPDX-License-Identifier: MIT
#pragma once

#include "PropertyList.h"

#include <QString>
#include <QVariantMap>

// One preferences domain of the user whose home folder is given, as the macOS tool sees it: a
// sandboxed application's container file when its container exists, else ~/Library/Preferences.
class PreferencesDomain {
public:
    PreferencesDomain(const QString& homeDirectory, const QString& name);

    const QString& name() const { return m_name; }
    const QString& filePath() const { return m_filePath; }
    bool fileExists() const;

    // A missing file is an empty domain; a file that is not a dictionary property list fails.
    bool load(QString& errorDescription);
    const QVariantMap& values() const { return m_values; }
    void setValue(const QString& key, const QVariant& value);

    // Writes atomically, keeping the format the file had; a new file is binary.
    bool save(QString& errorDescription) const;

private:
    QString m_name;
    QString m_filePath;
    QVariantMap m_values;
    PropertyListFormat m_format = PropertyListFormat::Binary;
};
