// SPDX-License-Identifier: GPL-3.0-or-later
#include "settingsstore.h"

namespace talvor {

namespace {

SettingsWrite synced(QSettings &settings)
{
    settings.sync();
    return {settings.status() == QSettings::NoError ? SettingsWrite::None : SettingsWrite::Failed};
}

} // namespace

SettingsStore::SettingsStore()
    : m_settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("MOXT"),
                 QStringLiteral("MOXT"))
{
}

SettingsEntry SettingsStore::readEntry(const QString &section, const QString &key) const
{
    const QVariant value = m_settings.value(section + QLatin1Char('/') + key);
    if (!value.isValid())
        return {};
    return {SettingsEntry::Text, value.toString()};
}

QString SettingsStore::readText(const QString &section, const QString &key,
                                const QString &defaultValue) const
{
    return m_settings.value(section + QLatin1Char('/') + key, defaultValue).toString();
}

SettingsWrite SettingsStore::writeText(const QString &section, const QString &key,
                                       const QString &value)
{
    m_settings.setValue(section + QLatin1Char('/') + key, value);
    return synced(m_settings);
}

SettingsWrite SettingsStore::removeEntry(const QString &section, const QString &key)
{
    m_settings.remove(section + QLatin1Char('/') + key);
    return synced(m_settings);
}

QString SettingsStore::fileName() const
{
    return m_settings.fileName();
}

} // namespace talvor
