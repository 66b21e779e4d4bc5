// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QVariant>
#include <QVariantMap>

// Typed reads from property-list dictionaries, with the conversions of Foundation's intValue and
// boolValue: numbers, and strings such as "14" or "YES", which real preference files carry.

// The value as a signed 32-bit integer (clamped to its range) when present and convertible,
// else the default.
int intForKey(const QVariantMap& dictionary, const QString& key, int defaultValue);

// The value as a boolean; false when the key is absent or the value is not a number or string.
bool boolForKey(const QVariantMap& dictionary, const QString& key);

// The value for the key when present, else the default.
QVariant objectForKey(const QVariantMap& dictionary, const QString& key, const QVariant& defaultObject);
