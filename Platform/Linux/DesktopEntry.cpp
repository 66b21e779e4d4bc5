// SPDX-License-Identifier: MIT
#include "DesktopEntry.h"

#include "AtomicFileWriter.h"

#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>

namespace {

const QString reservedExecCharacters = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
const QString execEscapedInQuotes = QStringLiteral("\"`$\\");

bool isValidKey(const QString& key)
{
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z0-9-]+(\\[[^\\]\\[]+\\])?$"));
    return pattern.match(key).hasMatch();
}

bool isValidGroupName(const QString& name)
{
    for (const QChar character : name) {
        if (character.unicode() < 0x20 || character.unicode() > 0x7e || character == u'[' ||
            character == u']')
            return false;
    }
    return !name.isEmpty();
}

QString quotedExecArgument(const QString& argument)
{
    QString quoted = QStringLiteral("\"");
    for (const QChar character : argument) {
        if (execEscapedInQuotes.contains(character))
            quoted += QLatin1Char('\\');
        quoted += character;
    }
    return quoted + QLatin1Char('"');
}

bool needsQuoting(const QString& argument)
{
    if (argument.isEmpty())
        return true;
    for (const QChar character : argument) {
        if (reservedExecCharacters.contains(character))
            return true;
    }
    return false;
}

// Reads one double-quoted argument starting after the opening quote; nothing when unterminated or
// when a backslash escapes a character that may not be escaped.
std::optional<QString> readQuotedArgument(const QString& exec, qsizetype& index)
{
    QString argument;
    for (; index < exec.size(); ++index) {
        const QChar character = exec.at(index);
        if (character == u'"') {
            ++index;
            return argument;
        }
        if (character == u'\\') {
            if (index + 1 >= exec.size() || !execEscapedInQuotes.contains(exec.at(index + 1)))
                return std::nullopt;
            ++index;
        }
        argument += exec.at(index);
    }
    return std::nullopt;
}

bool isFieldCode(const QString& argument)
{
    return argument.size() == 2 && argument.at(0) == u'%' && argument.at(1) != u'%';
}

} // namespace

std::optional<DesktopEntry::Line> DesktopEntry::parseLine(const QString& text, const QString& currentGroup)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || trimmed.startsWith(u'#'))
        return Line{text, currentGroup, {}};
    if (trimmed.startsWith(u'[')) {
        const QString name = trimmed.mid(1, trimmed.size() - 2);
        if (!trimmed.endsWith(u']') || !isValidGroupName(name))
            return std::nullopt;
        return Line{text, name, {}};
    }
    const qsizetype equals = text.indexOf(u'=');
    if (equals < 0 || currentGroup.isEmpty())
        return std::nullopt;
    const QString key = text.left(equals).trimmed();
    if (!isValidKey(key))
        return std::nullopt;
    return Line{text, currentGroup, key};
}

std::optional<DesktopEntry> DesktopEntry::parse(const QByteArray& data)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(data);
    if (decoder.hasError())
        return std::nullopt;
    DesktopEntry entry;
    entry.m_endsWithNewline = text.isEmpty() || text.endsWith(u'\n');
    QStringList texts = text.split(u'\n');
    if (entry.m_endsWithNewline)
        texts.removeLast();
    QString group;
    QSet<QString> groups;
    QSet<QString> keysOfGroup;
    for (const QString& lineText : std::as_const(texts)) {
        const std::optional<Line> line = parseLine(lineText, group);
        if (!line)
            return std::nullopt;
        if (line->isGroupHeader()) {
            if (groups.contains(line->group))
                return std::nullopt;
            groups.insert(line->group);
            keysOfGroup.clear();
        } else if (!line->key.isEmpty()) {
            if (keysOfGroup.contains(line->key))
                return std::nullopt;
            keysOfGroup.insert(line->key);
        }
        group = line->group;
        entry.m_lines.append(*line);
    }
    return entry;
}

QByteArray DesktopEntry::toByteArray() const
{
    QString text;
    for (const Line& line : m_lines)
        text += line.text + QLatin1Char('\n');
    if (!m_endsWithNewline && !text.isEmpty())
        text.chop(1);
    return text.toUtf8();
}

std::optional<DesktopEntry> DesktopEntry::read(const QString& filePath)
{
    // Entries are a few hundred bytes; anything far larger is not one, and is not read whole.
    constexpr qint64 maximumSize = 1024 * 1024;
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray data = file.read(maximumSize + 1);
    if (data.size() > maximumSize)
        return std::nullopt;
    return parse(data);
}

bool DesktopEntry::write(const QString& filePath) const
{
    return AtomicFileWriter::writeFile(filePath, toByteArray());
}

const DesktopEntry::Line* DesktopEntry::find(const QString& group, const QString& key) const
{
    for (const Line& line : m_lines) {
        if (line.group == group && line.key == key)
            return &line;
    }
    return nullptr;
}

bool DesktopEntry::contains(const QString& group, const QString& key) const
{
    return find(group, key) != nullptr;
}

QString DesktopEntry::value(const QString& group, const QString& key) const
{
    const Line* line = find(group, key);
    if (!line)
        return {};
    QString raw = line->text.mid(line->text.indexOf(u'=') + 1);
    while (raw.startsWith(u' ') || raw.startsWith(u'\t'))
        raw.remove(0, 1);
    return unescapeString(raw);
}

qsizetype DesktopEntry::insertionIndexForGroup(const QString& group)
{
    qsizetype index = -1;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const Line& line = m_lines.at(i);
        if (line.group == group && (line.isGroupHeader() || !line.key.isEmpty()))
            index = i + 1;
    }
    if (index >= 0)
        return index;
    m_lines.append(Line{QStringLiteral("[%1]").arg(group), group, {}});
    return m_lines.size();
}

void DesktopEntry::setValue(const QString& group, const QString& key, const QString& value)
{
    const QString text = key + QLatin1Char('=') + escapeString(value);
    for (Line& line : m_lines) {
        if (line.group == group && line.key == key) {
            line.text = text;
            return;
        }
    }
    const qsizetype index = insertionIndexForGroup(group);
    m_lines.insert(index, Line{text, group, key});
}

QString DesktopEntry::escapeString(const QString& value)
{
    QString escaped;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar character = value.at(i);
        if (character == u'\\')
            escaped += QStringLiteral("\\\\");
        else if (character == u'\n')
            escaped += QStringLiteral("\\n");
        else if (character == u'\t')
            escaped += QStringLiteral("\\t");
        else if (character == u'\r')
            escaped += QStringLiteral("\\r");
        else if (character == u' ' && i == 0)
            escaped += QStringLiteral("\\s");
        else
            escaped += character;
    }
    return escaped;
}

QString DesktopEntry::unescapeString(const QString& escaped)
{
    QString value;
    for (qsizetype i = 0; i < escaped.size(); ++i) {
        const QChar character = escaped.at(i);
        const QChar next = i + 1 < escaped.size() ? escaped.at(i + 1) : QChar();
        const qsizetype known = QStringLiteral("sntr\\").indexOf(next);
        if (character != u'\\' || next.isNull() || known < 0) {
            value += character;
            continue;
        }
        value += QStringLiteral(" \n\t\r\\").at(known);
        ++i;
    }
    return value;
}

QString DesktopEntry::execValue(const QStringList& arguments)
{
    QStringList parts;
    for (const QString& argument : arguments) {
        const QString quoted = needsQuoting(argument) ? quotedExecArgument(argument) : argument;
        parts.append(QString(quoted).replace(u'%', QStringLiteral("%%")));
    }
    return parts.join(u' ');
}

std::optional<QStringList> DesktopEntry::execArguments(const QString& execValue)
{
    QStringList arguments;
    QString current;
    bool inArgument = false;
    for (qsizetype index = 0; index < execValue.size();) {
        const QChar character = execValue.at(index);
        if (character == u' ' || character == u'\t') {
            if (inArgument && !isFieldCode(current))
                arguments.append(current.replace(QStringLiteral("%%"), QStringLiteral("%")));
            current.clear();
            inArgument = false;
            ++index;
            continue;
        }
        inArgument = true;
        if (character != u'"') {
            current += character;
            ++index;
            continue;
        }
        ++index;
        const std::optional<QString> quoted = readQuotedArgument(execValue, index);
        if (!quoted)
            return std::nullopt;
        current += *quoted;
    }
    if (inArgument && !isFieldCode(current))
        arguments.append(current.replace(QStringLiteral("%%"), QStringLiteral("%")));
    return arguments;
}
