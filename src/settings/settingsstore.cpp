// SPDX-License-Identifier: GPL-3.0-or-later
#include "settingsstore.h"

#include <QFile>
#include <QList>
#include <QSaveFile>
#include <QStringList>

namespace talvor {

namespace {

// A key line of the settings file as it stands on disk.
struct RawLine {
    QByteArray section;
    QByteArray key;
    QByteArray line;
};

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Walks the key lines of an INI file: `visit(section, key, line)` for each, where `line` is the
// whole line without its line end and may be replaced. Section and key are compared as written:
// the program's own names need no escapes.
template <typename Visit> QByteArray forEachKeyLine(const QByteArray &file, Visit visit)
{
    QList<QByteArray> lines = file.split('\n');
    QByteArray section;
    for (QByteArray &line : lines) {
        const bool crlf = line.endsWith('\r');
        if (crlf)
            line.chop(1);
        const QByteArray trimmed = line.trimmed();
        const qsizetype equals = trimmed.indexOf('=');
        if (trimmed.startsWith('['))
            section = trimmed.mid(1, trimmed.indexOf(']') - 1).trimmed();
        else if (equals > 0 && !trimmed.startsWith(';'))
            visit(section, trimmed.left(equals).trimmed(), line);
        if (crlf)
            line.append('\r');
    }
    return lines.join('\n');
}

// QSettings reads a value that is not valid UTF-8 with replacement characters and would write
// those back at the next save, so the user's bytes would be gone. These are the lines to keep.
QList<RawLine> linesNotText(const QByteArray &file)
{
    QList<RawLine> lines;
    forEachKeyLine(file, [&](const QByteArray &section, const QByteArray &key, QByteArray &line) {
        if (!QByteArrayView(line).isValidUtf8())
            lines.append({section, key, line});
    });
    return lines;
}

// The key as QSettings writes it back after reading it: bytes that are not UTF-8 became
// replacement characters, and every character but a few is escaped.
QByteArray writtenKey(const QByteArray &key)
{
    if (QByteArrayView(key).isValidUtf8())
        return key;
    QByteArray written;
    for (const QChar c : QString::fromUtf8(key)) {
        const char16_t ch = c.unicode();
        if (ch == '/')
            written += '\\';
        else if ((ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9') ||
                 ch == '_' || ch == '-' || ch == '.')
            written += char(ch);
        else if (ch <= 0xFF)
            written += '%' + QByteArray::number(ch, 16).toUpper().rightJustified(2, '0');
        else
            written += "%U" + QByteArray::number(ch, 16).toUpper().rightJustified(4, '0');
    }
    return written;
}

// Puts the kept lines back in place of what QSettings wrote for their keys.
void restoreLines(const QString &path, const QList<RawLine> &kept)
{
    const QByteArray written = readFile(path);
    const QByteArray restored = forEachKeyLine(
        written, [&](const QByteArray &section, const QByteArray &key, QByteArray &line) {
            for (const RawLine &raw : kept) {
                if (raw.section == section && writtenKey(raw.key) == key)
                    line = raw.line;
            }
        });
    QSaveFile file(path);
    if (restored != written && file.open(QIODevice::WriteOnly)) {
        file.write(restored);
        file.commit();
    }
}

} // namespace

SettingsStore::SettingsStore()
    : m_settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("MOXT"),
                 QStringLiteral("MOXT"))
{
}

SettingsEntry SettingsStore::readEntry(const QString &section, const QString &key) const
{
    // The user may have edited the file since the program started: read it again if it changed.
    m_settings.sync();
    const QVariant value = m_settings.value(section + QLatin1Char('/') + key);
    if (!value.isValid())
        return {};
    // A hand-edited value with a comma in it comes back from the file as a list.
    const QString text = value.typeId() == QMetaType::QStringList
                             ? value.toStringList().join(QLatin1Char(','))
                             : value.toString();
    for (const RawLine &raw : linesNotText(readFile(fileName()))) {
        if (raw.section == section.toUtf8() && raw.key == key.toUtf8())
            return {SettingsEntry::NotText, text};
    }
    return {SettingsEntry::Text, text};
}

QString SettingsStore::readText(const QString &section, const QString &key,
                                const QString &defaultValue) const
{
    const SettingsEntry entry = readEntry(section, key);
    return entry.state == SettingsEntry::Missing ? defaultValue : entry.text;
}

void SettingsStore::writeText(const QString &section, const QString &key, const QString &value)
{
    change(section, key, [&](const QString &path) { m_settings.setValue(path, value); });
}

void SettingsStore::removeEntry(const QString &section, const QString &key)
{
    change(section, key, [&](const QString &path) { m_settings.remove(path); });
}

void SettingsStore::change(const QString &section, const QString &key,
                           const std::function<void(const QString &)> &apply)
{
    QList<RawLine> kept = linesNotText(readFile(fileName()));
    kept.removeIf([&](const RawLine &raw) {
        return raw.section == section.toUtf8() && raw.key == key.toUtf8();
    });
    apply(section + QLatin1Char('/') + key);
    m_settings.sync();
    if (!kept.isEmpty())
        restoreLines(fileName(), kept);
}

} // namespace talvor
