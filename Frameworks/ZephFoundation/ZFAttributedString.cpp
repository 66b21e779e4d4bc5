// SPDX-License-Identifier: MIT
#include "ZFAttributedString.h"

ZFAttributedString::ZFAttributedString(const QString& text, const QVariantMap& attributes)
{
    if (!text.isEmpty())
        m_runs.append({text, attributes});
}

void ZFAttributedString::appendAttributedString(const ZFAttributedString& other)
{
    m_runs.append(other.m_runs);
}

void ZFAttributedString::appendString(const QString& text)
{
    if (!text.isEmpty())
        m_runs.append({text, {}});
}

QString ZFAttributedString::string() const
{
    QString text;
    for (const Run& run : m_runs)
        text += run.text;
    return text;
}
