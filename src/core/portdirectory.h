// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace talvor {

class SettingsStore;

// The device that a serial port number stands for.
struct PortDevice {
    enum Entry {
        Usable,   // a path to open: the entry under [Devices], or the default where none exists
        Empty,    // the entry exists but holds nothing but blanks
        NotText,  // the entry exists but is not valid UTF-8
        NoNumber, // the port number is outside 1..255
    };
    Entry entry = Usable;
    QString path; // empty unless usable
    // No entry under [Devices]: the path is /dev/ttyS<port-1>.
    bool isDefault = false;
};

// The port a failure is about: its number and the device it stands for (may be empty).
struct PortTarget {
    int port = 0;
    QString device;
};

// A serial device that the system has now: a USB adapter, a board's own port.
struct AttachedDevice {
    QString path; // /dev/ttyUSB0; on Windows the port's name, COM3
    QString description;
    QString manufacturer;
    QString serialNumber;
    std::optional<quint16> vendorId;
    std::optional<quint16> productId;
    // The link under /dev/serial/by-id/ that names the adapter itself, where the system made one:
    // it stays the same whichever USB socket the adapter is in.
    QString stablePath;

    // The path to write under [Devices] for it.
    QString preferredPath() const { return stablePath.isEmpty() ? path : stablePath; }

    friend bool operator==(const AttachedDevice &, const AttachedDevice &) = default;
};

// What a port number stands for now, against the devices present.
struct PortSummary {
    enum Presence { Connected, Exists, Absent };
    QString device;      // the path, or what is wrong with the entry under [Devices]
    QString description; // "Standard", the device's description, or both
    Presence presence = Absent;
};

// "angeschlossen", "vorhanden", "nicht vorhanden".
QString presenceText(PortSummary::Presence presence);

// "COM 1: /dev/ttyS0 (Standard, nicht vorhanden)".
QString portSummaryText(int port, const PortSummary &summary);

// Which device each "COM n" is: "COM<port>" on Windows; elsewhere the path under [Devices], key
// "COM<port>", in the user's MOXT settings (COM1=/dev/ttyUSB0), and /dev/ttyS<port-1> only where
// that key does not exist. An entry that exists but names no path never falls back to another
// device. Also what the port dialog lists and changes.
class PortDirectory {
public:
    explicit PortDirectory(SettingsStore &settings);

    PortDevice deviceFor(int port) const;

    // The serial devices plugged in now. Lists, opens nothing.
    QList<AttachedDevice> presentDevices() const;
    PortSummary summarize(int port, const QList<AttachedDevice> &present) const;
    // The one device plugged in, when the port has no entry under [Devices] and its default is
    // not that device: what "Fehler 2" names for the user to choose.
    std::optional<AttachedDevice> soleOtherDevice(int port) const;

    // Writes COM<port>=path under [Devices], or removes the entry so that the default applies.
    void assign(int port, const QString &path);
    void reset(int port);

private:
    SettingsStore &m_settings;
};

} // namespace talvor
