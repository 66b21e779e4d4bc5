// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// A desktop entry file (".desktop"): groups of "Key=Value" lines. Reading and writing keeps
// everything it does not change as it was: comments, blank lines, unknown keys, groups and order.
class DesktopEntry {
public:
    static constexpr char mainGroup[] = "Desktop Entry";

    DesktopEntry() = default;

    // Nothing when the text is not a well-formed desktop entry file (bad UTF-8, a line that is
    // neither comment, group header nor "Key=Value", keys before the first group, duplicates).
    static std::optional<DesktopEntry> parse(const QByteArray& data);
    QByteArray toByteArray() const;

    // Nothing when the file cannot be read or is malformed.
    static std::optional<DesktopEntry> read(const QString& filePath);
    // Replaces the file at once or not at all.
    bool write(const QString& filePath) const;

    bool contains(const QString& group, const QString& key) const;
    // The value with the string escapes (\s \n \t \r \\) resolved; null when absent.
    QString value(const QString& group, const QString& key) const;
    // Changes the value in place, or appends the key to its group (the group at the end).
    void setValue(const QString& group, const QString& key, const QString& value);

    static QString escapeString(const QString& value);
    static QString unescapeString(const QString& escaped);
    // An Exec value (before string escaping): arguments with reserved characters are double-quoted
    // with ", `, $ and \ backslash-escaped inside; "%" is doubled.
    static QString execValue(const QStringList& arguments);
    // The arguments of an Exec value (after string unescaping); nothing when its quoting is broken.
    // Field codes such as %f are dropped.
    static std::optional<QStringList> execArguments(const QString& execValue);

private:
    struct Line {
        QString text;
        QString group;
        // Empty for comments, blank lines and group headers.
        QString key;
        bool isGroupHeader() const { return key.isEmpty() && text.trimmed().startsWith(u'['); }
    };

    static std::optional<Line> parseLine(const QString& text, const QString& currentGroup);
    const Line* find(const QString& group, const QString& key) const;
    qsizetype insertionIndexForGroup(const QString& group);

    QList<Line> m_lines;
    bool m_endsWithNewline = true;
};
