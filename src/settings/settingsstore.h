// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSettings>
#include <QString>

#include <functional>

namespace talvor {

// What the store holds under a section and key.
struct SettingsEntry {
    enum State {
        Missing, // no such key
        Text,    // a text value
        NotText, // a hand-written value that is not valid UTF-8, so no text can stand for it
    };
    State state = Missing;
    // The value (a list joined again with ","); for NotText as far as it can be read.
    QString text;
};

// The per-user settings store: text values addressed by section and key under organisation and
// application "MOXT" (on Linux $XDG_CONFIG_HOME/MOXT/MOXT.conf). A store that cannot be read gives
// the callers' defaults; a store that cannot be written keeps its failure to itself. Entries that
// are not valid UTF-8 are kept in the file byte for byte when the store writes.
class SettingsStore {
public:
    SettingsStore();

    SettingsEntry readEntry(const QString &section, const QString &key) const;
    QString readText(const QString &section, const QString &key, const QString &defaultValue) const;
    // Written through at once, so that nothing is lost if the program is killed later.
    void writeText(const QString &section, const QString &key, const QString &value);
    void removeEntry(const QString &section, const QString &key);

    QString fileName() const { return m_settings.fileName(); }

private:
    // The other entries' lines that are not UTF-8 survive the rewrite that `apply` causes.
    void change(const QString &section, const QString &key,
                const std::function<void(const QString &)> &apply);

    mutable QSettings m_settings;
};

inline const QString kPortSection = QStringLiteral("Port");
inline const QString kPortNumberKey = QStringLiteral("PortNumber");
inline const QString kRtsCtsKey = QStringLiteral("RTSCTS");
// Device paths for the port numbers on Linux: COM1=/dev/ttyUSB0.
inline const QString kDevicesSection = QStringLiteral("Devices");

} // namespace talvor
