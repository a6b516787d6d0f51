// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace talvor::sim {

class SimDevice;

// What makes the simulated unit a faulty one: detectors that never answer, and detectors whose
// address or CV value is set instead of the seed's. Later settings for a detector win.
struct DeviceFaults {
    std::vector<int> silent;                              // detector numbers
    std::vector<std::pair<int, std::uint16_t>> addresses; // detector, address 0 to 32767
    std::vector<std::pair<int, std::uint8_t>> cvValues;   // detector, CV value 0 to 255

    friend bool operator==(const DeviceFaults &, const DeviceFaults &) = default;
};

// "3,7-9": detector numbers and ranges of them. Returns what is wrong, or nothing.
std::string addSilentDetectors(DeviceFaults &faults, std::string_view list);
// "5=1234" and "5=42": one detector's address or CV value. Returns what is wrong, or nothing.
std::string addAddress(DeviceFaults &faults, std::string_view setting);
std::string addCvValue(DeviceFaults &faults, std::string_view setting);

void applyFaults(SimDevice &device, const DeviceFaults &faults);

} // namespace talvor::sim
