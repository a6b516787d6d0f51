// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "simdevice.h"
#include "simoptions.h"
#include "simpty.h"
#include "simreplay.h"
#include "simtraffic.h"

#include <cstdint>
#include <fstream>
#include <optional>
#include <span>
#include <string>

namespace talvor::sim {

// The simulator at work: reads commands from the pseudo-terminal, answers them, sends the
// reports it makes up on its own and writes everything out as the options ask.
class SimLoop {
public:
    SimLoop(const SimOptions &options, SimPty &pty, int stopFd); // throws std::system_error

    // Returns once stopFd becomes readable; throws std::system_error when writing fails.
    void run();

private:
    bool waitForClient();
    void startSession(Clock::time_point now);
    bool serveOnce();
    void readCommands(Clock::time_point now);
    void answer(std::uint8_t command, Clock::time_point now);
    void sendUnsolicited(Clock::time_point now);
    void feedStream(Clock::time_point now);
    void feedReplay(Clock::time_point now);
    bool replayOver();
    Clock::time_point replayDue(const ReplayChunk &chunk) const;
    std::optional<Clock::time_point> writeDue() const;
    void writeReady();
    void record(std::span<const std::uint8_t> bytes);
    int pollTimeout(Clock::time_point now) const;
    void logState() const;
    void log(const std::string &line) const;

    const SimOptions &m_options;
    SimPty &m_pty;
    int m_stopFd;
    UniqueFd m_recordFd;
    SimDevice m_device;
    TrafficShaper m_shaper;
    OutputQueue m_queue;
    bool m_clientPresent = false;
    Clock::time_point m_nextUnsolicited;
    Clock::time_point m_streamClock;
    double m_streamCredit = 0;
    std::uint64_t m_streamSent = 0;
    bool m_streamDone = false;
    std::ifstream m_replayFile;
    std::optional<ReplayReader> m_replay;
    std::optional<ReplayChunk> m_nextChunk;
    Clock::time_point m_replayStart;
    std::optional<Clock::time_point> m_replayEnd; // when the last bytes went out
    Clock::time_point m_nextBatch;                // with --latency, the next write's time
};

} // namespace talvor::sim
