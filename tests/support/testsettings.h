// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QString>
#include <QTemporaryDir>

namespace talvor::test {

// CTest gives each test a settings folder of its own; a test run by hand gets a temporary one, so
// that it never touches the user's real settings. Call before the first use of QSettings.
inline void isolateSettings(const QTemporaryDir &fallback)
{
    if (!qEnvironmentVariableIsSet("XDG_CONFIG_HOME"))
        qputenv("XDG_CONFIG_HOME", fallback.path().toLocal8Bit());
}

// Writes or (with a null path) removes the device path of `port` in the user's MOXT settings,
// where the program looks it up.
inline void setPortDevice(int port, const QString &path)
{
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("MOXT"),
                       QStringLiteral("MOXT"));
    const QString key = QStringLiteral("Devices/COM%1").arg(port);
    if (path.isNull())
        settings.remove(key);
    else
        settings.setValue(key, path);
    settings.sync();
}

// Empties the settings store of this test process, as on a machine where the program never ran.
inline void clearSettings()
{
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("MOXT"),
                       QStringLiteral("MOXT"));
    settings.clear();
    settings.sync();
}

// Replaces the user's MOXT settings file with these bytes, as a text editor would.
inline void writeSettingsFile(const QByteArray &contents)
{
    // An empty file makes QSettings read the file again at its next use, however soon.
    clearSettings();
    QFile file(QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("MOXT"),
                         QStringLiteral("MOXT"))
                   .fileName());
    QDir().mkpath(QFileInfo(file).path());
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(contents);
}

inline QByteArray settingsFileContents()
{
    QFile file(QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("MOXT"),
                         QStringLiteral("MOXT"))
                   .fileName());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace talvor::test
