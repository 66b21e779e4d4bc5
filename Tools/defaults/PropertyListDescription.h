// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QVariant>

class PropertyListDate;

// The readable text form in which the defaults tool prints values: a string or number as it
// stands at the top level, containers in the old-style property-list notation.
class PropertyListDescription {
public:
    static QString describe(const QVariant& value);

private:
    static QString describeNested(const QVariant& value, int depth);
    static QString describeScalar(const QVariant& value);
    static QString describeDate(const PropertyListDate& date);
    static QString describeArray(const QVariantList& array, int depth);
    static QString describeDictionary(const QVariantMap& dictionary, int depth);
    static QString quoted(const QString& text);
};
