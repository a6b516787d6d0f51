// SPDX-License-Identifier: GPL-3.0-or-later
#include "inifile.h"

#include <QList>

namespace talvor::inifile {

namespace {

// One line of the file, by its offsets into the file's bytes.
struct Line {
    qsizetype begin = 0;
    qsizetype end = 0;         // at its line break (before a \r of CR LF), or the end of the file
    qsizetype next = 0;        // where the following line begins
    qsizetype valueBegin = -1; // after "=" and the blanks behind it; -1 unless an entry
    int number = 0;            // 1-based
    bool isSection = false;
    QByteArray section; // the section it stands in, or its own name for a section line
    QByteArray key;
};

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

QByteArray trimmedBlanks(QByteArrayView text)
{
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && isBlank(text[from]))
        ++from;
    while (to > from && isBlank(text[to - 1]))
        --to;
    return text.sliced(from, to - from).toByteArray();
}

void parseContent(const QByteArray &file, Line &line, QByteArray &section)
{
    const QByteArray text =
        trimmedBlanks(QByteArrayView(file).sliced(line.begin, line.end - line.begin));
    if (text.startsWith('[')) {
        const qsizetype close = text.indexOf(']');
        section = trimmedBlanks(text.mid(1, close < 0 ? -1 : close - 1));
        line.isSection = true;
        line.section = section;
        return;
    }
    line.section = section;
    const qsizetype equals = file.indexOf('=', line.begin);
    if (text.isEmpty() || text.startsWith(';') || text.startsWith('#') || equals < 0 ||
        equals >= line.end)
        return;
    line.key = trimmedBlanks(QByteArrayView(file).sliced(line.begin, equals - line.begin));
    line.valueBegin = equals + 1;
    while (line.valueBegin < line.end && isBlank(file[line.valueBegin]))
        ++line.valueBegin;
}

QList<Line> linesOf(const QByteArray &file)
{
    QList<Line> lines;
    QByteArray section;
    for (qsizetype begin = 0; begin < file.size();) {
        Line line;
        line.begin = begin;
        const qsizetype lf = file.indexOf('\n', begin);
        line.next = lf < 0 ? file.size() : lf + 1;
        line.end = lf < 0 ? file.size() : lf;
        if (line.end > begin && file[line.end - 1] == '\r')
            --line.end;
        line.number = int(lines.size()) + 1;
        parseContent(file, line, section);
        lines.append(line);
        begin = line.next;
    }
    return lines;
}

QList<Line> entryLines(const QList<Line> &lines, const QString &section, const QString &key)
{
    QList<Line> found;
    for (const Line &line : lines) {
        if (line.valueBegin >= 0 && line.section == section.toUtf8() && line.key == key.toUtf8())
            found.append(line);
    }
    return found;
}

SettingsEntry::Flaw flawOf(const QByteArray &value)
{
    if (value.startsWith('@'))
        return SettingsEntry::TypeMarker;
    if (value.startsWith('"') && (value.size() < 2 || !value.endsWith('"')))
        return SettingsEntry::UnclosedQuote;
    if (!value.startsWith('"') && value.endsWith('\\'))
        return SettingsEntry::TrailingBackslash;
    return SettingsEntry::NoFlaw;
}

QByteArray lineBreakOf(const QByteArray &file)
{
    const qsizetype lf = file.indexOf('\n');
    return lf > 0 && file[lf - 1] == '\r' ? QByteArrayLiteral("\r\n") : QByteArrayLiteral("\n");
}

// Where a new entry of `section` goes: after the last entry of its first block, or after the
// section line where it has none. -1 without such a section.
qsizetype insertionPoint(const QList<Line> &lines, const QString &section)
{
    qsizetype at = -1;
    for (const Line &line : lines) {
        if (line.isSection && at >= 0)
            break;
        if (line.section != section.toUtf8())
            continue;
        if (line.isSection || line.valueBegin >= 0)
            at = line.number - 1;
    }
    return at;
}

QByteArray withNewEntry(const QByteArray &file, const QList<Line> &lines, const QString &section,
                        const QByteArray &entry)
{
    const QByteArray lineBreak = lineBreakOf(file);
    const qsizetype after = insertionPoint(lines, section);
    if (after >= 0) {
        const Line &line = lines[after];
        const bool lastWithoutBreak = line.next == file.size() && !file.endsWith('\n');
        QByteArray result = file;
        return result.insert(line.next, (lastWithoutBreak ? lineBreak : QByteArray()) + entry +
                                            (lastWithoutBreak ? QByteArray() : lineBreak));
    }
    QByteArray result = file;
    if (!result.isEmpty() && !result.endsWith('\n'))
        result += lineBreak;
    if (!result.isEmpty())
        result += lineBreak;
    return result + '[' + section.toUtf8() + ']' + lineBreak + entry + lineBreak;
}

} // namespace

SettingsEntry read(const QByteArray &file, const QString &section, const QString &key)
{
    const QList<Line> found = entryLines(linesOf(file), section, key);
    if (found.isEmpty())
        return {};
    const Line &line = found.first();
    const QByteArray value =
        trimmedBlanks(QByteArrayView(file).sliced(line.valueBegin, line.end - line.valueBegin));
    SettingsEntry entry{SettingsEntry::Text, QString::fromUtf8(value), line.number};
    if (found.size() > 1)
        entry.flaw = SettingsEntry::Repeated;
    else if (!QByteArrayView(value).isValidUtf8())
        entry.state = SettingsEntry::NotText;
    else
        entry.flaw = flawOf(value);
    if (entry.flaw != SettingsEntry::NoFlaw)
        entry.state = SettingsEntry::Unreadable;
    else if (entry.state == SettingsEntry::Text && value.startsWith('"'))
        entry.text = entry.text.mid(1, entry.text.size() - 2);
    return entry;
}

QByteArray encodedValue(const QString &value)
{
    const QByteArray bytes = value.toUtf8();
    const bool needsQuotes = trimmedBlanks(bytes) != bytes ||
                             flawOf(bytes) != SettingsEntry::NoFlaw || bytes.startsWith('"');
    return needsQuotes ? '"' + bytes + '"' : bytes;
}

std::optional<QByteArray> withValue(const QByteArray &file, const QString &section,
                                    const QString &key, const QString &value)
{
    if (value.contains(QLatin1Char('\n')) || value.contains(QLatin1Char('\r')) ||
        value.contains(QChar(0)))
        return std::nullopt;
    const QList<Line> lines = linesOf(file);
    const QList<Line> found = entryLines(lines, section, key);
    if (found.isEmpty())
        return withNewEntry(file, lines, section, key.toUtf8() + '=' + encodedValue(value));
    // From the back, so that the offsets in front stay true.
    QByteArray result = file;
    for (qsizetype i = found.size() - 1; i > 0; --i)
        result.remove(found[i].begin, found[i].next - found[i].begin);
    const Line &first = found.first();
    return result.replace(first.valueBegin, first.end - first.valueBegin, encodedValue(value));
}

QByteArray withoutKey(const QByteArray &file, const QString &section, const QString &key)
{
    const QList<Line> found = entryLines(linesOf(file), section, key);
    QByteArray result = file;
    for (qsizetype i = found.size() - 1; i >= 0; --i)
        result.remove(found[i].begin, found[i].next - found[i].begin);
    return result;
}

} // namespace talvor::inifile
