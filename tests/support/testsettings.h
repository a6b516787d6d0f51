// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settingsstore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>

namespace talvor::test {

// CTest gives each test a settings folder of its own; a test run by hand gets a temporary one, so
// that it never touches the user's real settings. Call before the first use of the settings.
inline void isolateSettings(const QTemporaryDir &fallback)
{
    if (!qEnvironmentVariableIsSet("XDG_CONFIG_HOME"))
        qputenv("XDG_CONFIG_HOME", fallback.path().toLocal8Bit());
}

// Writes or (with a null path) removes the device path of `port` in the user's MOXT settings,
// where the program looks it up.
inline void setPortDevice(int port, const QString &path)
{
    const QString key = QStringLiteral("COM%1").arg(port);
    if (path.isNull())
        SettingsStore().removeEntry(kDevicesSection, key);
    else
        SettingsStore().writeText(kDevicesSection, key, path);
}

// Empties the settings store of this test process, as on a machine where the program never ran.
inline void clearSettings()
{
    QFile::remove(SettingsStore().fileName());
}

// Replaces the user's MOXT settings file with these bytes, as a text editor would.
inline void writeSettingsFile(const QByteArray &contents)
{
    clearSettings();
    QFile file(SettingsStore().fileName());
    QDir().mkpath(QFileInfo(file).path());
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(contents);
}

inline QByteArray settingsFileContents()
{
    QFile file(SettingsStore().fileName());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace talvor::test
