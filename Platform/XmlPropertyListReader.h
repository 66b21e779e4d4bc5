// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <optional>

// Reads XML property lists of outside origin, as PropertyList describes the values, strictly: the
// document must be well-formed XML (UTF-8, or another encoding that a byte-order mark or the XML
// declaration names), hold one <plist> with one value, and use only the property-list elements
// with valid contents. DOCTYPEs are skipped; an internal DTD subset, and with it any entity but
// XML's five, is refused.
class XmlPropertyListReader {
public:
    static std::optional<QVariant> read(const QByteArray& data, QString* errorDescription);
    // The entries of a root dictionary whose keys (as UTF-8) are asked for, with the same answer
    // as read for the document as a whole; the other values are checked without being built.
    // No dictionary when the root value is something else.
    static std::optional<QVariantMap>
    readDictionaryEntries(const QByteArray& data, const QList<QByteArray>& keys, QString* errorDescription);
};
