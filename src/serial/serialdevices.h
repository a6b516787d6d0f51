// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>

#include <functional>
#include <optional>

namespace talvor {

// A serial device that the system has now: a USB adapter, a board's own port. Pseudo-terminals
// are none of these.
struct SerialDevice {
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

    friend bool operator==(const SerialDevice &, const SerialDevice &) = default;
};

using SerialDeviceLister = std::function<QList<SerialDevice>()>;

// The system's own list, sorted by path. It opens no device.
QList<SerialDevice> systemSerialDevices();

// The devices that the program goes by: the system's, or those of the lister that a test put in
// place (an empty lister puts the system's back).
QList<SerialDevice> presentSerialDevices();
void setSerialDeviceLister(SerialDeviceLister lister);

} // namespace talvor
