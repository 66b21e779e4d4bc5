// SPDX-License-Identifier: MIT
#pragma once

#include "PropertyListDate.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>

enum class PropertyListFormat { XML, Binary };

// Reading and writing property lists, XML and binary.
//
// Values map onto QVariant: string -> QString, integer -> qint64, real -> double, boolean -> bool,
// data -> QByteArray, date -> PropertyListDate, array -> QVariantList, dictionary -> QVariantMap.
// Input from outside is untrusted: anything malformed, out of range, nested deeper than
// maximumNestingDepth or larger than maximumInputSize comes back as no value, never as a partial
// one. The old text (OpenStep) format is refused, never read.
class PropertyList {
public:
    static constexpr qint64 maximumInputSize = 32 * 1024 * 1024;
    // Deeper nesting than any real property list; stops a hostile file from exhausting the stack.
    static constexpr int maximumNestingDepth = 512;

    static std::optional<QVariant> fromData(const QByteArray& data, PropertyListFormat* format = nullptr,
                                            QString* errorDescription = nullptr);
    static std::optional<QVariant> readFile(const QString& path, PropertyListFormat* format = nullptr,
                                            QString* errorDescription = nullptr);

    // NSDictionary dictionaryWithContentsOfFile: no dictionary when the file is missing, unreadable
    // or not a dictionary property list.
    static std::optional<QVariantMap> dictionaryWithContentsOfFile(const QString& path);
    // The same answer, holding only those of the keys that the dictionary has: for reading a few
    // keys of a large file, whose other values are checked but not built.
    static std::optional<QVariantMap> dictionaryWithContentsOfFile(const QString& path,
                                                                   const QStringList& keys);

    // Equality of property-list objects as the platform's isEqual: answers it: numbers (integers,
    // reals, booleans) by value, strings by their characters, data by bytes, dates by time, arrays
    // element by element, dictionaries key by key; values of different kinds are never equal, so
    // the number 5 does not equal the string "5".
    static bool isEqual(const QVariant& left, const QVariant& right);

    // Empty when the value holds something a property list cannot carry.
    static QByteArray toData(const QVariant& value, PropertyListFormat format);

    // Replaces the file atomically (AtomicFileWriter): on failure the file stays as it was and the
    // reason is in errorDescription.
    static bool writeToFile(const QVariant& value, const QString& path,
                            PropertyListFormat format = PropertyListFormat::XML,
                            QString* errorDescription = nullptr);
};
