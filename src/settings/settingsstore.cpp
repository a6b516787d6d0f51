#include "settingsstore.h"

#include <QStringList>

namespace talvor {

SettingsStore::SettingsStore()
    : m_settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("MOXT"),
                 QStringLiteral("MOXT"))
{
}

QString SettingsStore::readText(const QString &section, const QString &key,
                                const QString &defaultValue) const
{
    const QVariant value = m_settings.value(section + QLatin1Char('/') + key);
    if (!value.isValid())
        return defaultValue;
    // A hand-edited value with a comma in it comes back from the file as a list.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

void SettingsStore::writeText(const QString &section, const QString &key, const QString &value)
{
    m_settings.setValue(section + QLatin1Char('/') + key, value);
    m_settings.sync();
}

} // namespace talvor
