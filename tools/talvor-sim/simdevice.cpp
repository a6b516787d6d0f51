// SPDX-License-Identifier: GPL-3.0-or-later
#include "simdevice.h"

#include "simrandom.h"

#include <algorithm>
#include <numeric>

namespace talvor::sim {

namespace {

constexpr std::uint8_t kCommandMask = 0xE0;
constexpr std::uint8_t kDetectorMask = 0x1F;

std::array<int, kDetectorCount> shuffledIndices(SimRandom &random)
{
    std::array<int, kDetectorCount> indices{};
    std::iota(indices.begin(), indices.end(), 0);
    for (int i = kDetectorCount - 1; i > 0; --i)
        std::swap(indices[i], indices[random.between(0, i)]);
    return indices;
}

// Half of the addresses small (high part 0), half anywhere, so that both kinds of high byte occur.
std::uint16_t randomAddress(SimRandom &random, const Detectors &taken)
{
    for (;;) {
        const int value =
            random.chance(0.5) ? random.between(1, 0xFF) : random.between(0x100, kMaxAddress);
        const auto address = static_cast<std::uint16_t>(value);
        const bool used = std::any_of(taken.begin(), taken.end(), [address](const Detector &d) {
            return d.address == address;
        });
        if (address != kUnknownAddress && !used)
            return address;
    }
}

} // namespace

Command decodeCommand(std::uint8_t byte)
{
    const int detector = byte & kDetectorMask;
    const bool validDetector = detector >= 1 && detector <= kDetectorCount;
    switch (byte & kCommandMask) {
    case kInitCommand:
        return detector == 0 ? Command{CommandKind::Initialise, 0} : Command{};
    case kRequestCommand:
        return validDetector ? Command{CommandKind::Request, detector} : Command{};
    case kSysInfoCommand:
        return detector == 0 ? Command{CommandKind::SystemInfo, 0} : Command{};
    case kProgramCommand:
        return validDetector ? Command{CommandKind::ProgramAddress, detector} : Command{};
    default:
        return {};
    }
}

SimDevice::SimDevice(const Detectors &detectors, SystemInfo info)
    : m_detectors(detectors)
    , m_info(info)
{
}

SimDevice SimDevice::fromSeed(std::uint64_t seed)
{
    SimRandom random(seed);
    Detectors detectors{};
    const int freeCount = random.between(2, 4);
    const int unknownCount = random.between(2, 3);
    const auto order = shuffledIndices(random);
    for (int i = 0; i < kDetectorCount; ++i) {
        Detector &d = detectors[order[i]];
        if (i >= freeCount + unknownCount)
            d.address = randomAddress(random, detectors);
        else if (i >= freeCount)
            d.address = kUnknownAddress;
    }
    const int markerCount = random.between(3, 6);
    const auto markerOrder = shuffledIndices(random);
    for (int i = 0; i < markerCount; ++i)
        detectors[markerOrder[i]].marker = true;
    for (Detector &d : detectors)
        d.cv = random.byte();

    SystemInfo info;
    info.serialNumber = static_cast<std::uint16_t>(random.between(1, 0xFFFF));
    info.softwareVersion = static_cast<std::uint8_t>(random.between(10, 49));
    info.hardwareVersion = static_cast<std::uint8_t>(random.between(10, 29));
    return SimDevice(detectors, info);
}

std::vector<Frame> SimDevice::answer(std::uint8_t command)
{
    std::vector<Frame> frames = answerAll(command);
    std::erase_if(frames, [this](const Frame &frame) { return !sends(frame); });
    return frames;
}

bool SimDevice::sends(const Frame &frame) const
{
    const bool ofDetector = frame.size() > 1 && frame[0] != kSystemInfoReport;
    return !ofDetector || frame[1] < 1 || frame[1] > kDetectorCount || !isSilent(frame[1]);
}

std::vector<Frame> SimDevice::answerAll(std::uint8_t command)
{
    const Command c = decodeCommand(command);
    switch (c.kind) {
    case CommandKind::Initialise: {
        std::vector<Frame> frames;
        for (int n = 1; n <= kDetectorCount; ++n)
            frames.push_back(addressReport(n));
        return frames;
    }
    case CommandKind::Request:
        return {addressReport(c.detector), cvReport(c.detector)};
    case CommandKind::SystemInfo:
        return {systemInfoReport()};
    case CommandKind::ProgramAddress:
        m_detectors.at(c.detector - 1).address = nextFreeAddress();
        return {addressReport(c.detector)};
    case CommandKind::Ignored:
        break;
    }
    return {};
}

Frame SimDevice::addressReport(int detector) const
{
    const Detector &d = this->detector(detector);
    const auto high =
        static_cast<std::uint8_t>((d.address >> 8) | (d.marker ? kDirectionFlag : 0x00));
    const auto low = static_cast<std::uint8_t>(d.address & 0xFF);
    return {kAddressReport, static_cast<std::uint8_t>(detector), high, low, kEndOfFrame};
}

Frame SimDevice::cvReport(int detector) const
{
    return {kCvReport, static_cast<std::uint8_t>(detector), this->detector(detector).cv,
            kEndOfFrame};
}

Frame SimDevice::systemInfoReport() const
{
    return {kSystemInfoReport,
            static_cast<std::uint8_t>(m_info.serialNumber >> 8),
            static_cast<std::uint8_t>(m_info.serialNumber & 0xFF),
            m_info.softwareVersion,
            m_info.hardwareVersion,
            kEndOfFrame};
}

std::uint16_t SimDevice::nextFreeAddress() const
{
    // 24 detectors hold at most 24 addresses, so this ends by 25, far below 0x7777.
    for (std::uint16_t address = 1;; ++address) {
        const bool taken =
            std::any_of(m_detectors.begin(), m_detectors.end(),
                        [address](const Detector &d) { return d.address == address; });
        if (!taken)
            return address;
    }
}

} // namespace talvor::sim
