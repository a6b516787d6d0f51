#pragma once

#include <QSettings>
#include <QString>

namespace talvor {

// The per-user settings store: text values addressed by section and key under organisation and
// application "MOXT" (on Linux $XDG_CONFIG_HOME/MOXT/MOXT.conf). A store that cannot be read gives
// the callers' defaults; a store that cannot be written keeps its failure to itself.
class SettingsStore {
public:
    SettingsStore();

    QString readText(const QString &section, const QString &key, const QString &defaultValue) const;
    // Written through at once, so that nothing is lost if the program is killed later.
    void writeText(const QString &section, const QString &key, const QString &value);

    QString fileName() const { return m_settings.fileName(); }

private:
    mutable QSettings m_settings;
};

inline const QString kPortSection = QStringLiteral("Port");
inline const QString kPortNumberKey = QStringLiteral("PortNumber");
inline const QString kRtsCtsKey = QStringLiteral("RTSCTS");
// Device paths for the port numbers on Linux: COM1=/dev/ttyUSB0.
inline const QString kDevicesSection = QStringLiteral("Devices");

} // namespace talvor
