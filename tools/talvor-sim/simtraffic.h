// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "simdevice.h"
#include "simoptions.h"
#include "simrandom.h"

#include <chrono>
#include <cstddef>
#include <deque>
#include <optional>

namespace talvor::sim {

using Clock = std::chrono::steady_clock;

// One write to the device's other side, after a pause counted from the end of the write before.
struct Chunk {
    Frame bytes;
    std::chrono::milliseconds pauseBefore{0};
};

// Turns the device's frames into the writes that carry them, with the faults asked for, and
// picks the reports that the device sends on its own.
class TrafficShaper {
public:
    TrafficShaper(const SimOptions &options, std::uint64_t seed);

    // With --noise a burst of random bytes may come first; with --split the frame is cut into
    // pieces with pauses between them. Noise never lands inside a frame.
    std::vector<Chunk> shape(const Frame &frame);

    // The address or CV report of a random detector.
    Frame unsolicitedReport(const SimDevice &device);
    // Address, CV and now and then system-information reports, mixed.
    Frame streamReport(const SimDevice &device);
    // An address or CV report of a random detector with a random address or CV value.
    Frame changingReport();

private:
    std::vector<Chunk> splitFrame(const Frame &frame);

    double m_noiseLevel;
    bool m_split;
    std::chrono::milliseconds m_splitPause;
    SimRandom m_random;
};

// The bytes waiting to go out, oldest first. Chunks without a pause run together, so that a
// fast stream needs few writes; a pause counts from the end of the write before it.
class OutputQueue {
public:
    void push(const std::vector<Chunk> &chunks, Clock::time_point now);
    void clear();

    std::size_t pendingBytes() const { return m_bytes.size(); }
    // When the next bytes may be written; nothing when the queue is empty.
    std::optional<Clock::time_point> dueAt() const;
    // Up to maxBytes bytes that may be written now, stopping at the next pause.
    Frame ready(Clock::time_point now, std::size_t maxBytes) const;
    // Marks the first count bytes of ready() as written.
    void consume(std::size_t count, Clock::time_point now);

private:
    struct Pause {
        std::uint64_t position; // counted over all bytes ever queued
        std::chrono::milliseconds length;
    };

    std::deque<std::uint8_t> m_bytes;
    std::deque<Pause> m_pauses;
    std::uint64_t m_position = 0;  // position of m_bytes.front()
    Clock::time_point m_lastWrite; // or when bytes came into an empty queue
};

} // namespace talvor::sim
