// SPDX-License-Identifier: GPL-3.0-or-later
#include "settingsstore.h"

#include "settingsfile.h"

#include <QStandardPaths>

namespace talvor {

// Where QSettings keeps the same settings, so that files of earlier versions are found.
SettingsStore::SettingsStore()
    : m_fileName(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                 QStringLiteral("/MOXT/MOXT.conf"))
{
}

SettingsEntry SettingsStore::readEntry(const QString &section, const QString &key) const
{
    const settingsfile::Contents contents = settingsfile::read(m_fileName);
    if (!contents.readable)
        return {SettingsEntry::Unreadable, {}, 0, SettingsEntry::FileUnreadable};
    return inifile::read(contents.bytes, section, key);
}

QString SettingsStore::readText(const QString &section, const QString &key,
                                const QString &defaultValue) const
{
    const SettingsEntry entry = readEntry(section, key);
    const bool none =
        entry.state == SettingsEntry::Missing || entry.flaw == SettingsEntry::FileUnreadable;
    return none ? defaultValue : entry.text;
}

SettingsWrite SettingsStore::writeText(const QString &section, const QString &key,
                                       const QString &value)
{
    return settingsfile::replace(m_fileName, [&](const QByteArray &file) {
        return inifile::withValue(file, section, key, value);
    });
}

SettingsWrite SettingsStore::removeEntry(const QString &section, const QString &key)
{
    return settingsfile::replace(m_fileName, [&](const QByteArray &file) {
        return std::optional(inifile::withoutKey(file, section, key));
    });
}

QString SettingsStore::fileName() const
{
    return m_fileName;
}

} // namespace talvor
