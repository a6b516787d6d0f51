// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <windows.h>

namespace talvor {

// The line's settings as the Win32 API holds them.
struct Win32LineSetup {
    DCB dcb = {};
    COMMTIMEOUTS timeouts = {};
};

// A write may take twice its bytes' time on the line (half a millisecond each) and 50 ms more;
// serial.sys has no transmit queue, so that the time grows with the bytes. Longer, and the device
// counts as refusing.
inline constexpr DWORD kWriteMsPerByte = 1;
inline constexpr DWORD kWriteMs = 50;

// 19200 8N1 with RTS/CTS or none, from the driver's current DCB; every field that SetCommState
// checks is set, since a value left by another program (XonChar equal to XoffChar, an error
// character) makes it fail or changes bytes. Reads return at once with what the system holds.
Win32LineSetup talvorLine(const DCB &current, bool rtsCts);

} // namespace talvor
