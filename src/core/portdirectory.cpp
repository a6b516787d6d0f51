// SPDX-License-Identifier: GPL-3.0-or-later
#include "portdirectory.h"

#include "commerror.h"
#include "serialdevices.h"
#include "settingsstore.h"

#include <QFileInfo>
#include <QStringList>

namespace talvor {

namespace {

QString entryKey(int port)
{
    return QStringLiteral("COM%1").arg(port);
}

AttachedDevice attached(const SerialDevice &device)
{
    return {device.path,     device.description, device.manufacturer, device.serialNumber,
            device.vendorId, device.productId,   device.stablePath};
}

// The same file by another name counts: a by-id link and the device it points at.
bool names(const AttachedDevice &device, const QString &path)
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

PortDirectory::PortDirectory(SettingsStore &settings)
    : m_settings(settings)
{
}

PortDevice PortDirectory::deviceFor(int port) const
{
    if (port < kFirstPort || port > kLastPort)
        return {PortDevice::NoNumber, {}};
#ifdef Q_OS_WIN
    return {PortDevice::Usable, entryKey(port)};
#else
    // USB adapters get names like /dev/ttyUSB0 that no number maps to, so the user names them.
    const SettingsEntry entry = m_settings.readEntry(kDevicesSection, entryKey(port));
    switch (entry.state) {
    case SettingsEntry::Missing:
        return {PortDevice::Usable, QStringLiteral("/dev/ttyS%1").arg(port - 1), true};
    case SettingsEntry::NotText:
        return {PortDevice::NotText, {}};
    case SettingsEntry::Text:
        break;
    }
    const QString path = entry.text.trimmed();
    if (path.isEmpty())
        return {PortDevice::Empty, {}};
    return {PortDevice::Usable, path};
#endif
}

QList<AttachedDevice> PortDirectory::presentDevices() const
{
    QList<AttachedDevice> present;
    for (const SerialDevice &device : presentSerialDevices())
        present << attached(device);
    return present;
}

PortSummary PortDirectory::summarize(int port, const QList<AttachedDevice> &present) const
{
    const PortDevice device = deviceFor(port);
    if (device.entry != PortDevice::Usable)
        return {entryProblem(port, device.entry), {}, PortSummary::Absent};
    QStringList about;
    if (device.isDefault)
        about << QStringLiteral("Standard");
    for (const AttachedDevice &listed : present) {
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

std::optional<AttachedDevice> PortDirectory::soleOtherDevice(int port) const
{
    const PortDevice device = deviceFor(port);
    if (!device.isDefault)
        return {};
    const QList<AttachedDevice> present = presentDevices();
    if (present.size() != 1 || names(present.front(), device.path))
        return {};
    return present.front();
}

void PortDirectory::assign(int port, const QString &path)
{
    m_settings.writeText(kDevicesSection, entryKey(port), path);
}

void PortDirectory::reset(int port)
{
    m_settings.removeEntry(kDevicesSection, entryKey(port));
}

} // namespace talvor
