// SPDX-License-Identifier: GPL-3.0-or-later
#include "portdirectory.h"

#include "commerror.h"
#include "serialdevices.h"
#include "settingsstore.h"
#include "settingstexts.h"

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

// What the port list and the dialog show for an entry that names no device to open.
PortSummary entryProblem(int port, const PortDevice &device)
{
    const QString line = QStringLiteral("Zeile %1").arg(device.line);
    switch (device.entry) {
    case PortDevice::Unreadable:
        return {QStringLiteral("Eintrag unlesbar"),
                device.line ? QStringLiteral("%1: %2").arg(line, device.flaw) : device.flaw};
    case PortDevice::Relative:
        return {device.path, QStringLiteral("kein absoluter Pfad")};
    case PortDevice::NotText:
        return {QStringLiteral("Eintrag COM%1= ist kein gültiger Text").arg(port), line};
    default:
        return {QStringLiteral("Eintrag COM%1= ist leer").arg(port), line};
    }
}

#ifndef Q_OS_WIN
// The entry as the settings file holds it: a path to open, or why there is none. Windows has no
// entries: "COM n" is the port COMn.
PortDevice deviceOfEntry(const SettingsEntry &entry)
{
    switch (entry.state) {
    case SettingsEntry::Missing:
        break;
    case SettingsEntry::NotText:
        return {PortDevice::NotText, {}, false, entry.line, {}};
    case SettingsEntry::Unreadable:
        return {PortDevice::Unreadable, {}, false, entry.line, entryFlawText(entry.flaw)};
    case SettingsEntry::Text:
        // Blanks in quotes at its ends belong to the path.
        if (entry.text.trimmed().isEmpty())
            return {PortDevice::Empty, {}, false, entry.line, {}};
        // A relative path would be looked up from wherever the program was started, or under
        // /dev/ by the serial port library: neither is what the user sees.
        if (!entry.text.startsWith(QLatin1Char('/')))
            return {PortDevice::Relative, entry.text, false, entry.line, {}};
        return {PortDevice::Usable, entry.text, false, entry.line, {}};
    }
    return {};
}
#endif

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
        return {PortDevice::NoNumber, {}, false, 0, {}};
#ifdef Q_OS_WIN
    return {PortDevice::Usable, entryKey(port), false, 0, {}};
#else
    // USB adapters get names like /dev/ttyUSB0 that no number maps to, so the user names them.
    const SettingsEntry entry = m_settings.readEntry(kDevicesSection, entryKey(port));
    if (entry.state == SettingsEntry::Missing)
        return {PortDevice::Usable, QStringLiteral("/dev/ttyS%1").arg(port - 1), true, 0, {}};
    return deviceOfEntry(entry);
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
        return entryProblem(port, device);
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

std::optional<ErrorMessage> PortDirectory::assign(int port, const QString &path,
                                                  const QString &retry)
{
    const SettingsWrite written = m_settings.writeText(kDevicesSection, entryKey(port), path);
    if (written.ok())
        return {};
    return settingsNotSavedMessage(port, written, m_settings.fileName(), retry);
}

std::optional<ErrorMessage> PortDirectory::reset(int port, const QString &retry)
{
    const SettingsWrite written = m_settings.removeEntry(kDevicesSection, entryKey(port));
    if (written.ok())
        return {};
    return settingsNotSavedMessage(port, written, m_settings.fileName(), retry);
}

QString PortDirectory::settingsFile() const
{
    return m_settings.fileName();
}

} // namespace talvor
