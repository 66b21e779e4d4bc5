// SPDX-License-Identifier: MIT
#include "PropertyListDescription.h"

#include "PropertyListDate.h"

#include <QRegularExpression>

namespace {

QString indentation(int depth)
{
    return QString(depth * 4, QLatin1Char(' '));
}

} // namespace

QString PropertyListDescription::describe(const QVariant& value)
{
    if (value.typeId() == QMetaType::QString)
        return value.toString();
    return describeNested(value, 0);
}

QString PropertyListDescription::describeNested(const QVariant& value, int depth)
{
    switch (value.typeId()) {
    case QMetaType::QVariantList:
        return describeArray(value.toList(), depth);
    case QMetaType::QVariantMap:
        return describeDictionary(value.toMap(), depth);
    case QMetaType::QString:
        return quoted(value.toString());
    default:
        // Inside a container a date is quoted like any text with spaces, as macOS prints it.
        if (value.typeId() == qMetaTypeId<PropertyListDate>())
            return quoted(describeScalar(value));
        return describeScalar(value);
    }
}

QString PropertyListDescription::describeScalar(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    case QMetaType::Double:
        return QString::number(value.toDouble(), 'g', 17);
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        return QStringLiteral("{length = %1, bytes = 0x%2}")
            .arg(bytes.size())
            .arg(QString::fromLatin1(bytes.toHex()));
    }
    default:
        if (value.typeId() == qMetaTypeId<PropertyListDate>())
            return describeDate(value.value<PropertyListDate>());
        return value.toString();
    }
}

// As macOS prints dates: "2001-01-01 00:00:00 +0000". A date without a calendar date (NaN or
// infinite) shows its seconds since 2001.
QString PropertyListDescription::describeDate(const PropertyListDate& date)
{
    const auto iso8601 = date.toIso8601();
    if (!iso8601)
        return QString::number(date.secondsSinceReferenceDate());
    QString text = QString::fromLatin1(*iso8601);
    text.replace(QLatin1Char('T'), QLatin1Char(' '));
    text.chop(1);
    return text + QStringLiteral(" +0000");
}

QString PropertyListDescription::describeArray(const QVariantList& array, int depth)
{
    QStringList lines{QStringLiteral("(")};
    for (qsizetype index = 0; index < array.size(); ++index) {
        const QString separator = index + 1 < array.size() ? QStringLiteral(",") : QString();
        lines.append(indentation(depth + 1) + describeNested(array.at(index), depth + 1) + separator);
    }
    lines.append(indentation(depth) + QStringLiteral(")"));
    return lines.join(QLatin1Char('\n'));
}

QString PropertyListDescription::describeDictionary(const QVariantMap& dictionary, int depth)
{
    QStringList lines{QStringLiteral("{")};
    for (auto entry = dictionary.cbegin(); entry != dictionary.cend(); ++entry)
        lines.append(
            QStringLiteral("%1%2 = %3;")
                .arg(indentation(depth + 1), quoted(entry.key()), describeNested(entry.value(), depth + 1)));
    lines.append(indentation(depth) + QStringLiteral("}"));
    return lines.join(QLatin1Char('\n'));
}

// Words that the notation reads back unchanged stay bare; everything else is quoted and escaped.
QString PropertyListDescription::quoted(const QString& text)
{
    static const QRegularExpression bare(QStringLiteral("^[A-Za-z0-9_$+/:.-]+$"));
    if (bare.match(text).hasMatch())
        return text;
    QString escaped = text;
    escaped.replace(QLatin1Char('\\'), QLatin1String("\\\\"))
        .replace(QLatin1Char('"'), QLatin1String("\\\""))
        .replace(QLatin1Char('\n'), QLatin1String("\\n"));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}
