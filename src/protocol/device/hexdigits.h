// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

// Bytes as hex pairs and back, in plain C++ for the tester and the device simulator alike.
namespace talvor {

inline constexpr char kHexDigits[] = "0123456789ABCDEF";

// Writes the byte's two upper-case hex digits at out and returns the place after them.
constexpr char *writeHexPair(char *out, std::uint8_t byte)
{
    *out++ = kHexDigits[byte >> 4];
    *out++ = kHexDigits[byte & 0x0F];
    return out;
}

// The value of one hex digit in either case, or -1 for any other char.
constexpr int hexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace talvor
