// SPDX-License-Identifier: GPL-3.0-or-later
// The system's serial devices through Qt's serial port library.

#include "serialdevices.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSerialPortInfo>

#include <algorithm>

namespace talvor {

namespace {

// udev links each USB serial adapter under /dev/serial/by-id/ by maker, product and serial
// number: device path -> link.
QHash<QString, QString> stablePaths()
{
    QHash<QString, QString> links;
    const QDir folder(QStringLiteral("/dev/serial/by-id"));
    const QFileInfoList entries =
        folder.entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo &link : entries)
        links.insert(link.canonicalFilePath(), link.absoluteFilePath());
    return links;
}

} // namespace

QList<SerialDevice> systemSerialDevices()
{
    const QHash<QString, QString> links = stablePaths();
    QList<SerialDevice> devices;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        SerialDevice device{info.systemLocation(),
                            info.description(),
                            info.manufacturer(),
                            info.serialNumber(),
                            {},
                            {},
                            {}};
        if (info.hasVendorIdentifier())
            device.vendorId = info.vendorIdentifier();
        if (info.hasProductIdentifier())
            device.productId = info.productIdentifier();
        device.stablePath = links.value(QFileInfo(device.path).canonicalFilePath());
        devices.append(device);
    }
    std::sort(devices.begin(), devices.end(),
              [](const SerialDevice &a, const SerialDevice &b) { return a.path < b.path; });
    return devices;
}

} // namespace talvor
