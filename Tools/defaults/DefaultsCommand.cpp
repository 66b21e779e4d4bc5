// SPDX-License-Identifier: MIT
#include "DefaultsCommand.h"

#include "PreferencesDomain.h"
#include "PropertyListDescription.h"

#include <QDir>
#include <QRegularExpression>

namespace {

const QString usageLine = QStringLiteral("usage: defaults read DOMAIN [KEY] | defaults write DOMAIN KEY "
                                         "(-int N | -integer N | -bool B | -boolean B | "
                                         "-string S)");

// A domain names a file inside the preferences folder; anything that could leave it is refused.
bool isValidDomainName(const QString& name)
{
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && name != QLatin1String(".") &&
           name != QLatin1String("..") && !name.contains(QChar(0));
}

std::optional<QVariant> parseInteger(const QString& text)
{
    static const QRegularExpression form(QStringLiteral("^[+-]?[0-9]+$"));
    bool ok = false;
    const qint64 value = form.match(text).hasMatch() ? text.toLongLong(&ok) : 0;
    if (!ok)
        return std::nullopt;
    return QVariant::fromValue<qint64>(value);
}

std::optional<QVariant> parseBoolean(const QString& text)
{
    const QString word = text.toLower();
    if (word == QLatin1String("yes") || word == QLatin1String("true") || word == QLatin1String("1"))
        return true;
    if (word == QLatin1String("no") || word == QLatin1String("false") || word == QLatin1String("0"))
        return false;
    return std::nullopt;
}

} // namespace

DefaultsCommand::DefaultsCommand(QTextStream& output, QTextStream& errors)
    : m_output(output), m_errors(errors)
{
}

int DefaultsCommand::run(const QStringList& arguments)
{
    const QString verb = arguments.value(0);
    if (verb == QLatin1String("read") && (arguments.size() == 2 || arguments.size() == 3))
        return read(arguments);
    if (verb == QLatin1String("write") && arguments.size() == 5)
        return write(arguments);
    return usage();
}

int DefaultsCommand::read(const QStringList& arguments)
{
    const QString& name = arguments.at(1);
    const auto domain = loadDomain(name);
    if (!domain)
        return 1;
    if (arguments.size() == 2) {
        if (!domain->fileExists())
            return failure(QStringLiteral("Domain %1 does not exist").arg(name));
        m_output << PropertyListDescription::describe(domain->values()) << '\n';
        return 0;
    }
    const QString& key = arguments.at(2);
    if (!domain->values().contains(key))
        return failure(QStringLiteral("The domain/default pair of (%1, %2) does not exist").arg(name, key));
    m_output << PropertyListDescription::describe(domain->values().value(key)) << '\n';
    return 0;
}

int DefaultsCommand::write(const QStringList& arguments)
{
    const auto value = parseValue(arguments.at(3), arguments.at(4));
    if (!value)
        return 1;
    auto domain = loadDomain(arguments.at(1));
    if (!domain)
        return 1;
    domain->setValue(arguments.at(2), *value);
    QString problem;
    if (!domain->save(problem))
        return failure(QStringLiteral("Could not write domain %1: %2").arg(domain->name(), problem));
    return 0;
}

int DefaultsCommand::usage()
{
    return failure(usageLine);
}

int DefaultsCommand::failure(const QString& message)
{
    m_errors << message << '\n';
    m_errors.flush();
    return 1;
}

std::optional<PreferencesDomain> DefaultsCommand::loadDomain(const QString& name)
{
    const QString home = qEnvironmentVariable("HOME");
    if (home.isEmpty() || QDir::isRelativePath(home)) {
        failure(QStringLiteral("HOME does not name an absolute folder"));
        return std::nullopt;
    }
    if (!isValidDomainName(name)) {
        failure(QStringLiteral("Invalid domain name \"%1\"").arg(name));
        return std::nullopt;
    }
    PreferencesDomain domain(home, name);
    QString problem;
    if (!domain.load(problem)) {
        failure(QStringLiteral("Could not read domain %1: %2").arg(name, problem));
        return std::nullopt;
    }
    return domain;
}

std::optional<QVariant> DefaultsCommand::parseValue(const QString& type, const QString& text)
{
    std::optional<QVariant> value;
    if (type == QLatin1String("-int") || type == QLatin1String("-integer")) {
        value = parseInteger(text);
        if (!value)
            failure(QStringLiteral("\"%1\" is not an integer").arg(text));
    } else if (type == QLatin1String("-bool") || type == QLatin1String("-boolean")) {
        value = parseBoolean(text);
        if (!value)
            failure(QStringLiteral("\"%1\" is not a boolean (YES, NO, TRUE, FALSE, 1 or 0)").arg(text));
    } else if (type == QLatin1String("-string")) {
        value = text;
    } else {
        usage();
    }
    return value;
}
