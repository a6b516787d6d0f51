#pragma once

#include <QString>

namespace talvor {

// Port numbers run from 1 to 255, as in the port list with /NOPORTLIMIT.
inline constexpr int kFirstPort = 1;
inline constexpr int kLastPort = 255;

// The device that serial port number `port` stands for: "COM<port>" on Windows; elsewhere the path
// under [Devices], key "COM<port>", in the user's MOXT settings (COM1=/dev/ttyUSB0), and
// /dev/ttyS<port-1> when that key is missing or empty. Empty for a number outside 1..255.
QString devicePathForPort(int port);

} // namespace talvor
