// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "inifile.h"
#include "settingswrite.h"

#include <QString>

#ifdef Q_OS_WIN
#include <QSettings>
#endif

namespace talvor {

// The per-user settings store: text values addressed by section and key under organisation and
// application "MOXT". On Linux the file $XDG_CONFIG_HOME/MOXT/MOXT.conf, which the user may edit
// too: a write changes only the line of its key, whole or not at all, and keeps every other byte;
// reading follows the rules of inifile.h. On Windows the registry, through QSettings.
class SettingsStore {
public:
    SettingsStore();

    SettingsEntry readEntry(const QString &section, const QString &key) const;
    // The default for a missing entry and for a file that cannot be read.
    QString readText(const QString &section, const QString &key, const QString &defaultValue) const;
    // Written through at once, so that nothing is lost if the program is killed later.
    SettingsWrite writeText(const QString &section, const QString &key, const QString &value);
    SettingsWrite removeEntry(const QString &section, const QString &key);

    QString fileName() const;

private:
#ifdef Q_OS_WIN
    mutable QSettings m_settings;
#else
    QString m_fileName;
#endif
};

inline const QString kPortSection = QStringLiteral("Port");
inline const QString kPortNumberKey = QStringLiteral("PortNumber");
inline const QString kRtsCtsKey = QStringLiteral("RTSCTS");
// Device paths for the port numbers on Linux: COM1=/dev/ttyUSB0.
inline const QString kDevicesSection = QStringLiteral("Devices");

} // namespace talvor
