// SPDX-License-Identifier: MIT
#pragma once

#include <QStringList>
#include <QTextStream>
#include <QVariant>

#include <optional>

class PreferencesDomain;

// The command line of macOS's defaults tool, as far as the installer uses it: read a domain or
// one key, write one integer, boolean or string. Answers the process's exit status.
class DefaultsCommand {
public:
    DefaultsCommand(QTextStream& output, QTextStream& errors);

    int run(const QStringList& arguments);

private:
    int read(const QStringList& arguments);
    int write(const QStringList& arguments);
    int usage();
    int failure(const QString& message);
    std::optional<PreferencesDomain> loadDomain(const QString& name);
    std::optional<QVariant> parseValue(const QString& type, const QString& text);

    QTextStream& m_output;
    QTextStream& m_errors;
};
