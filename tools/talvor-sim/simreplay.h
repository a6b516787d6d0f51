// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "simdevice.h"

#include <chrono>
#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

namespace talvor::sim {

// The bytes of one received line of a recording and when to send them, counted from the first
// received line. The pause between two recordings appended to one file is left out.
struct ReplayChunk {
    std::chrono::milliseconds at{0};
    Frame bytes;
};

// A recording's time, "2026-12-07T14:03:27.123+01:00", in milliseconds since 1970 (UTC).
std::optional<long long> parseRecordTime(std::string_view text);

// Reads a recording of Talvor-Tester line by line (LF or CR LF) and hands out what the device sent
// (the RX lines). Lines it cannot read are reported to `problems` with their number, once however
// often the recording is read, and skipped.
class ReplayReader {
public:
    ReplayReader(std::istream &in, std::string name, std::ostream &problems);

    std::optional<ReplayChunk> next();
    // Back to the start of the recording, for another round.
    void rewind();

private:
    void report(const std::string &what, std::string_view outcome = "line skipped");

    std::istream &m_in;
    std::string m_name;
    std::ostream &m_problems;
    long long m_lineNumber = 0;
    long long m_reportedUpTo = 0;        // lines beyond it have not been read before
    std::optional<long long> m_lastTime; // of the last RX line of the current recording
    std::chrono::milliseconds m_at{0};
};

} // namespace talvor::sim
