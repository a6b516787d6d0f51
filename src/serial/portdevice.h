// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace talvor {

// Port numbers run from 1 to 255, as in the port list with /NOPORTLIMIT.
inline constexpr int kFirstPort = 1;
inline constexpr int kLastPort = 255;

// QSerialPort locks a device with a file in /var/lock named "LCK.." and the device's path, without
// a leading "/dev/" and with '/' as '_'. A file name holds at most 255 bytes on Linux, so a longer
// path can never be locked and its port never opens. The most bytes the path may have: 255 under
// /dev/, 250 elsewhere.
int longestLockablePath(const QString &device);

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

// "COM<port>" on Windows; elsewhere the path under [Devices], key "COM<port>", in the user's MOXT
// settings (COM1=/dev/ttyUSB0), and /dev/ttyS<port-1> only where that key does not exist. An
// entry that exists but names no path never falls back to another device.
PortDevice deviceForPort(int port);

// Writes COM<port>=path under [Devices], or removes the entry so that the default applies again.
void assignPortDevice(int port, const QString &path);
void resetPortDevice(int port);

} // namespace talvor
