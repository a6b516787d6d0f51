// SPDX-License-Identifier: GPL-3.0-or-later
#include "portdevice.h"

#include "settingsstore.h"

namespace talvor {

int longestLockablePath(const QString &device)
{
    constexpr int kLongestFileName = 255;
    const QString lockPrefix = QStringLiteral("LCK..");
    const QString devPrefix = QStringLiteral("/dev/");
    return kLongestFileName - lockPrefix.size() +
           (device.startsWith(devPrefix) ? devPrefix.size() : 0);
}

PortDevice deviceForPort(int port)
{
    if (port < kFirstPort || port > kLastPort)
        return {PortDevice::NoNumber, {}};
#ifdef Q_OS_WIN
    return {PortDevice::Usable, QStringLiteral("COM%1").arg(port)};
#else
    // USB adapters get names like /dev/ttyUSB0 that no number maps to, so the user names them.
    const SettingsEntry entry =
        SettingsStore().readEntry(kDevicesSection, QStringLiteral("COM%1").arg(port));
    switch (entry.state) {
    case SettingsEntry::Missing:
        return {PortDevice::Usable, QStringLiteral("/dev/ttyS%1").arg(port - 1), true};
    case SettingsEntry::NotText:
    case SettingsEntry::Unreadable:
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

void assignPortDevice(int port, const QString &path)
{
    SettingsStore().writeText(kDevicesSection, QStringLiteral("COM%1").arg(port), path);
}

void resetPortDevice(int port)
{
    SettingsStore().removeEntry(kDevicesSection, QStringLiteral("COM%1").arg(port));
}

} // namespace talvor
