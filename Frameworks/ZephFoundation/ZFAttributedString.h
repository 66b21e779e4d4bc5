// SPDX-License-Identifier: MIT
#pragma once

#include <QList>
#include <QString>
#include <QVariantMap>

// Text made of runs, each with its own attributes (font, colour, ...), as NSAttributedString.
class ZFAttributedString {
public:
    struct Run {
        QString text;
        QVariantMap attributes;
        bool operator==(const Run&) const = default;
    };

    ZFAttributedString() = default;
    ZFAttributedString(const QString& text, const QVariantMap& attributes = {});

    void appendAttributedString(const ZFAttributedString& other);
    // Appends plain text, without attributes of its own, at the end.
    void appendString(const QString& text);

    QString string() const;
    const QList<Run>& runs() const { return m_runs; }
    bool isEmpty() const { return string().isEmpty(); }

    bool operator==(const ZFAttributedString&) const = default;

private:
    QList<Run> m_runs;
};
