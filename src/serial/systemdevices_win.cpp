// SPDX-License-Identifier: GPL-3.0-or-later
// The system's serial devices on Windows, where the program has no Qt serial port library: the
// ports of the device class "Ports (COM & LPT)" that are present, with the name that the
// Device Manager shows for them.

#include "serialdevices.h"

#include <QRegularExpression>

#include <algorithm>

#include <windows.h>

#include <devguid.h>
#include <setupapi.h>

namespace talvor {

namespace {

QString registryText(HKEY key, const wchar_t *name)
{
    wchar_t value[256] = {};
    DWORD size = sizeof value - sizeof(wchar_t);
    DWORD type = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE *>(value), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return {};
    return QString::fromWCharArray(value);
}

QString deviceProperty(HDEVINFO set, SP_DEVINFO_DATA &info, DWORD property)
{
    wchar_t value[256] = {};
    if (!SetupDiGetDeviceRegistryPropertyW(set, &info, property, nullptr,
                                           reinterpret_cast<BYTE *>(value),
                                           sizeof value - sizeof(wchar_t), nullptr))
        return {};
    return QString::fromWCharArray(value);
}

// "USB-SERIAL CH340 (COM3)": the Device Manager's name without the port it ends with.
QString withoutPortName(const QString &friendlyName)
{
    static const QRegularExpression portSuffix(QStringLiteral("\\s*\\(COM\\d+\\)$"));
    return QString(friendlyName).remove(portSuffix);
}

std::optional<SerialDevice> portDevice(HDEVINFO set, SP_DEVINFO_DATA &info)
{
    HKEY key = SetupDiOpenDevRegKey(set, &info, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (key == INVALID_HANDLE_VALUE)
        return {};
    const QString name = registryText(key, L"PortName");
    RegCloseKey(key);
    if (!name.startsWith(QStringLiteral("COM")))
        return {};
    SerialDevice device;
    device.path = name;
    device.description = withoutPortName(deviceProperty(set, info, SPDRP_FRIENDLYNAME));
    device.manufacturer = deviceProperty(set, info, SPDRP_MFG);
    return device;
}

} // namespace

QList<SerialDevice> systemSerialDevices()
{
    QList<SerialDevice> devices;
    HDEVINFO set = SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE)
        return devices;
    SP_DEVINFO_DATA info{};
    info.cbSize = sizeof info;
    for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &info); ++i) {
        if (const std::optional<SerialDevice> device = portDevice(set, info))
            devices.append(*device);
    }
    SetupDiDestroyDeviceInfoList(set);
    // COM2 before COM10.
    std::sort(devices.begin(), devices.end(), [](const SerialDevice &a, const SerialDevice &b) {
        return a.path.mid(3).toInt() < b.path.mid(3).toInt();
    });
    return devices;
}

} // namespace talvor
