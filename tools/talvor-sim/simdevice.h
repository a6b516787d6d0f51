// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "talvorprotocol.h"

#include <array>
#include <cstdint>
#include <vector>

namespace talvor::sim {

using Frame = std::vector<std::uint8_t>;

inline constexpr std::uint16_t kFreeAddress = 0;
inline constexpr std::uint16_t kMaxAddress = 0x7FFF;

struct Detector {
    std::uint16_t address = kFreeAddress; // 0 to 0x7FFF
    bool marker = false;                  // the direction flag, bit 7 of the address high byte
    std::uint8_t cv = 0;

    friend bool operator==(const Detector &, const Detector &) = default;
};

struct SystemInfo {
    std::uint16_t serialNumber = 0;
    std::uint8_t softwareVersion = 0; // version × 10
    std::uint8_t hardwareVersion = 0; // version × 10

    friend bool operator==(const SystemInfo &, const SystemInfo &) = default;
};

enum class CommandKind { Ignored, Initialise, Request, SystemInfo, ProgramAddress };

struct Command {
    CommandKind kind = CommandKind::Ignored;
    int detector = 0; // 1 to 24 for Request and ProgramAddress, 0 otherwise
};

// The upper three bits name the command, the lower five the detector where one is meant.
Command decodeCommand(std::uint8_t byte);

using Detectors = std::array<Detector, kDetectorCount>;

// The Talvor's state and its answers to the one-byte commands. Detectors are numbered 1 to 24.
class SimDevice {
public:
    SimDevice(const Detectors &detectors, SystemInfo info);

    // A repeatable starting state: a few free detectors, a few with an unknown address, some
    // with the direction flag set, the rest with distinct addresses; random CV values.
    static SimDevice fromSeed(std::uint64_t seed);

    // The frames that the device sends for one command byte, in order; none for bytes it ignores.
    // Programming an address changes the state first.
    std::vector<Frame> answer(std::uint8_t command);

    Frame addressReport(int detector) const;
    Frame cvReport(int detector) const;
    Frame systemInfoReport() const;

    const Detector &detector(int number) const { return m_detectors.at(number - 1); }

    // A faulty unit: a silenced detector answers no command.
    void silence(int detector) { m_silent.at(detector - 1) = true; }
    bool isSilent(int detector) const { return m_silent.at(detector - 1); }
    void setAddress(int detector, std::uint16_t address)
    {
        m_detectors.at(detector - 1).address = address;
    }
    void setCv(int detector, std::uint8_t cv) { m_detectors.at(detector - 1).cv = cv; }
    // Whether the device sends this frame: not an address or CV report of a silenced detector.
    bool sends(const Frame &frame) const;
    const SystemInfo &systemInfo() const { return m_info; }

private:
    // The answer of a device whose every detector answers.
    std::vector<Frame> answerAll(std::uint8_t command);
    // The address that programming gives a detector: the lowest address from 1 up that no
    // detector holds, the programmed one's own included, so that it always changes.
    std::uint16_t nextFreeAddress() const;

    Detectors m_detectors;
    SystemInfo m_info;
    std::array<bool, kDetectorCount> m_silent{};
};

} // namespace talvor::sim
