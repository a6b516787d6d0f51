// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

// What the Talvor itself defines: its detectors, the frames of its reports and its command bytes.
// Plain C++, so that the device simulator speaks from the same facts as the tester.
namespace talvor {

inline constexpr int kDetectorCount = 24;

// Every report is a type byte, its data bytes and a closing 0xFF; no length, no checksum.
inline constexpr std::uint8_t kAddressReport = 0xFC;    // FC detector high low FF
inline constexpr std::uint8_t kSystemInfoReport = 0xFD; // FD serial-high serial-low sw hw FF
inline constexpr std::uint8_t kCvReport = 0xFE;         // FE detector cv FF
inline constexpr std::uint8_t kEndOfFrame = 0xFF;

inline constexpr int kAddressReportLength = 5;
inline constexpr int kSystemInfoReportLength = 6;
inline constexpr int kCvReportLength = 4;
inline constexpr int kShortestReport = kCvReportLength;
inline constexpr int kLongestReport = kSystemInfoReportLength;

// The byte that opens one of the device's reports.
constexpr bool opensReport(std::uint8_t byte)
{
    return byte == kAddressReport || byte == kSystemInfoReport || byte == kCvReport;
}

// Bit 7 of an address report's high byte is the direction flag; the address is the other 15 bits.
inline constexpr std::uint8_t kDirectionFlag = 0x80;
// High and low byte 0x77: the device has not learnt the detector's address.
inline constexpr int kUnknownAddress = 0x7777;

// Every command is one byte without framing: the upper three bits say what to do, the lower five
// hold the detector number where a detector is meant.
inline constexpr std::uint8_t kInitCommand = 0x20;
inline constexpr std::uint8_t kRequestCommand = 0x40;
inline constexpr std::uint8_t kSysInfoCommand = 0x60;
inline constexpr std::uint8_t kProgramCommand = 0x80;

} // namespace talvor
