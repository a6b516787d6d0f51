// SPDX-License-Identifier: GPL-3.0-or-later
#include "simfaults.h"

#include "simdevice.h"

#include <charconv>
#include <optional>

namespace talvor::sim {

namespace {

std::optional<int> toNumber(std::string_view text, int min, int max)
{
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < min || value > max)
        return std::nullopt;
    return value;
}

std::optional<int> toDetector(std::string_view text)
{
    return toNumber(text, 1, kDetectorCount);
}

std::string quoted(std::string_view text)
{
    return "\"" + std::string(text) + "\"";
}

// "N=VALUE" with a detector N and a VALUE from 0 to max.
std::optional<std::pair<int, int>> toSetting(std::string_view text, int max)
{
    const auto equals = text.find('=');
    if (equals == std::string_view::npos)
        return std::nullopt;
    const auto detector = toDetector(text.substr(0, equals));
    const auto value = toNumber(text.substr(equals + 1), 0, max);
    if (!detector || !value)
        return std::nullopt;
    return std::pair(*detector, *value);
}

} // namespace

std::string addSilentDetectors(DeviceFaults &faults, std::string_view list)
{
    const std::string wrong =
        "expected detector numbers 1 to 24 such as 3,7-9, got " + quoted(list);
    if (list.empty())
        return wrong;
    while (!list.empty()) {
        const auto comma = list.find(',');
        const std::string_view item = list.substr(0, comma);
        const auto dash = item.find('-');
        const auto first = toDetector(item.substr(0, dash));
        const auto last =
            dash == std::string_view::npos ? first : toDetector(item.substr(dash + 1));
        if (!first || !last || *last < *first)
            return wrong;
        for (int n = *first; n <= *last; ++n)
            faults.silent.push_back(n);
        list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
        if (comma != std::string_view::npos && list.empty())
            return wrong;
    }
    return {};
}

std::string addAddress(DeviceFaults &faults, std::string_view setting)
{
    const auto parsed = toSetting(setting, kMaxAddress);
    if (!parsed)
        return "expected DETECTOR=ADDRESS with a detector 1 to 24 and an address 0 to 32767, got " +
               quoted(setting);
    faults.addresses.emplace_back(parsed->first, static_cast<std::uint16_t>(parsed->second));
    return {};
}

std::string addCvValue(DeviceFaults &faults, std::string_view setting)
{
    const auto parsed = toSetting(setting, 255);
    if (!parsed)
        return "expected DETECTOR=VALUE with a detector 1 to 24 and a value 0 to 255, got " +
               quoted(setting);
    faults.cvValues.emplace_back(parsed->first, static_cast<std::uint8_t>(parsed->second));
    return {};
}

void applyFaults(SimDevice &device, const DeviceFaults &faults)
{
    for (const int detector : faults.silent)
        device.silence(detector);
    for (const auto &[detector, address] : faults.addresses)
        device.setAddress(detector, address);
    for (const auto &[detector, cv] : faults.cvValues)
        device.setCv(detector, cv);
}

} // namespace talvor::sim
