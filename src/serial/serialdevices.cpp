// SPDX-License-Identifier: GPL-3.0-or-later
#include "serialdevices.h"

#include "portdevice.h"

#include <QFileInfo>
#include <QStringList>

namespace talvor {

namespace {

SerialDeviceLister &installedLister()
{
    static SerialDeviceLister lister;
    return lister;
}

// The same file by another name counts: a by-id link and the device it points at.
bool names(const SerialDevice &device, const QString &path)
{
    if (path == device.path || (!device.stablePath.isEmpty() && path == device.stablePath))
        return true;
    const QString real = QFileInfo(path).canonicalFilePath();
    return !real.isEmpty() && real == QFileInfo(device.path).canonicalFilePath();
}

QString entryProblem(int port, PortDevice::Entry entry)
{
    const QString what = entry == PortDevice::NotText ? QStringLiteral("kein gültiger Text")
                                                      : QStringLiteral("leer");
    return QStringLiteral("Eintrag COM%1= ist %2").arg(port).arg(what);
}

} // namespace

QList<SerialDevice> presentSerialDevices()
{
    const SerialDeviceLister &lister = installedLister();
    return lister ? lister() : systemSerialDevices();
}

void setSerialDeviceLister(SerialDeviceLister lister)
{
    installedLister() = std::move(lister);
}

PortSummary summarizePort(int port, const QList<SerialDevice> &present)
{
    const PortDevice device = deviceForPort(port);
    if (device.entry != PortDevice::Usable)
        return {entryProblem(port, device.entry), {}, PortSummary::Absent};
    QStringList about;
    if (device.isDefault)
        about << QStringLiteral("Standard");
    for (const SerialDevice &listed : present) {
        if (names(listed, device.path)) {
            if (!listed.description.isEmpty())
                about << listed.description;
            return {device.path, about.join(QStringLiteral(", ")), PortSummary::Connected};
        }
    }
    // A path of the user's own that the system lists as no serial device: a pseudo-terminal or
    // a simulator's link. A default path without a listed device is a port without hardware.
#ifdef Q_OS_WIN
    const bool exists = false;
#else
    const bool exists = !device.isDefault && QFileInfo::exists(device.path);
#endif
    return {device.path, about.join(QStringLiteral(", ")),
            exists ? PortSummary::Exists : PortSummary::Absent};
}

QString presenceText(PortSummary::Presence presence)
{
    switch (presence) {
    case PortSummary::Connected:
        return QStringLiteral("angeschlossen");
    case PortSummary::Exists:
        return QStringLiteral("vorhanden");
    case PortSummary::Absent:
        break;
    }
    return QStringLiteral("nicht vorhanden");
}

QString portSummaryText(int port, const PortSummary &summary)
{
    QStringList about;
    if (!summary.description.isEmpty())
        about << summary.description;
    about << presenceText(summary.presence);
    return QStringLiteral("COM %1: %2 (%3)")
        .arg(port)
        .arg(summary.device, about.join(QStringLiteral(", ")));
}

std::optional<SerialDevice> soleOtherDevice(int port)
{
    const PortDevice device = deviceForPort(port);
    if (!device.isDefault)
        return {};
    const QList<SerialDevice> present = presentSerialDevices();
    if (present.size() != 1 || names(present.front(), device.path))
        return {};
    return present.front();
}

} // namespace talvor
