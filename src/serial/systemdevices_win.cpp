// SPDX-License-Identifier: GPL-3.0-or-later
// The system's serial devices on Windows, where the program has no Qt serial port library: the
// COM ports of the device classes "Ports (COM & LPT)" and "Modems" and of the COM port and modem
// device interfaces that are present, with the name that the Device Manager shows for them, and the
// ports that drivers name under HARDWARE\DEVICEMAP\SERIALCOMM (virtual ports such as com0com
// pairs, Wine's ports), as Qt's serial port library finds them.

#include "serialdevices.h"

#include <QRegularExpression>

#include <algorithm>
#include <iterator>

#include <windows.h>

#include <devguid.h>
#include <initguid.h>
#include <ntddmodm.h>
#include <setupapi.h>
#include <winioctl.h>

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

// A modem's port may be named by number only.
QString portName(HKEY key)
{
    const QString name = registryText(key, L"PortName");
    DWORD number = 0;
    DWORD size = sizeof number;
    DWORD type = 0;
    if (name.isEmpty() &&
        RegQueryValueExW(key, L"PortNumber", nullptr, &type, reinterpret_cast<BYTE *>(&number),
                         &size) == ERROR_SUCCESS &&
        type == REG_DWORD)
        return QStringLiteral("COM%1").arg(number);
    return name;
}

std::optional<SerialDevice> portDevice(HDEVINFO set, SP_DEVINFO_DATA &info)
{
    HKEY key = SetupDiOpenDevRegKey(set, &info, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (key == INVALID_HANDLE_VALUE)
        return {};
    const QString name = portName(key);
    RegCloseKey(key);
    if (!name.startsWith(QStringLiteral("COM")))
        return {};
    SerialDevice device;
    device.path = name;
    device.description = withoutPortName(deviceProperty(set, info, SPDRP_FRIENDLYNAME));
    device.manufacturer = deviceProperty(set, info, SPDRP_MFG);
    return device;
}

bool listed(const QList<SerialDevice> &devices, const QString &path)
{
    return std::any_of(devices.begin(), devices.end(),
                       [&](const SerialDevice &device) { return device.path == path; });
}

void addSetupDevices(QList<SerialDevice> &devices, const GUID &guid, DWORD flags)
{
    HDEVINFO set = SetupDiGetClassDevsW(&guid, nullptr, nullptr, flags);
    if (set == INVALID_HANDLE_VALUE)
        return;
    SP_DEVINFO_DATA info{};
    info.cbSize = sizeof info;
    for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &info); ++i) {
        const std::optional<SerialDevice> device = portDevice(set, info);
        if (device && !listed(devices, device->path))
            devices.append(*device);
    }
    SetupDiDestroyDeviceInfoList(set);
}

// Every value there is a port's name, "COM3"; its value name is the driver's device.
void addDeviceMapPorts(QList<SerialDevice> &devices)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_QUERY_VALUE,
                      &key) != ERROR_SUCCESS)
        return;
    for (DWORD i = 0;; ++i) {
        wchar_t valueName[256] = {};
        DWORD nameLength = std::size(valueName);
        wchar_t value[256] = {};
        DWORD size = sizeof value - sizeof(wchar_t);
        DWORD type = 0;
        if (RegEnumValueW(key, i, valueName, &nameLength, nullptr, &type,
                          reinterpret_cast<BYTE *>(value), &size) != ERROR_SUCCESS)
            break;
        const QString path = QString::fromWCharArray(value);
        if (type == REG_SZ && path.startsWith(QStringLiteral("COM")) && !listed(devices, path)) {
            SerialDevice device;
            device.path = path;
            devices.append(device);
        }
    }
    RegCloseKey(key);
}

} // namespace

QList<SerialDevice> systemSerialDevices()
{
    QList<SerialDevice> devices;
    addSetupDevices(devices, GUID_DEVCLASS_PORTS, DIGCF_PRESENT);
    addSetupDevices(devices, GUID_DEVCLASS_MODEM, DIGCF_PRESENT);
    addSetupDevices(devices, GUID_DEVINTERFACE_COMPORT, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    addSetupDevices(devices, GUID_DEVINTERFACE_MODEM, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    addDeviceMapPorts(devices);
    // COM2 before COM10.
    std::sort(devices.begin(), devices.end(), [](const SerialDevice &a, const SerialDevice &b) {
        return a.path.mid(3).toInt() < b.path.mid(3).toInt();
    });
    return devices;
}

} // namespace talvor
