// SPDX-License-Identifier: GPL-3.0-or-later
#include "serialdevices.h"

namespace talvor {

namespace {

SerialDeviceLister &installedLister()
{
    static SerialDeviceLister lister;
    return lister;
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

} // namespace talvor
