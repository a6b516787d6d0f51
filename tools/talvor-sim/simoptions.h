// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "simfaults.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace talvor::sim {

inline constexpr double kDefaultNoiseLevel = 0.2;
inline constexpr std::chrono::milliseconds kDefaultSplitPause{60};

struct SimOptions {
    bool help = false;
    bool version = false;
    bool quiet = false;
    std::uint64_t seed = 1;
    std::string linkPath;    // empty: no link
    std::string recordPath;  // empty: no record
    double noiseLevel = 0.0; // chance of a noise burst in front of a frame; 0: no noise
    bool split = false;
    std::chrono::milliseconds splitPause = kDefaultSplitPause;
    double unsolicitedRate = 0.0;         // reports per second; 0: none
    std::uint64_t streamRate = 0;         // bytes per second; 0: no stream
    std::uint64_t streamTotal = 0;        // stream bytes before the stream stops; 0: no limit
    bool streamChanging = false;          // stream reports with random addresses and CV values
    std::chrono::milliseconds latency{0}; // writes gathered into one every so often; 0: none
    std::string replayPath;               // empty: the device model answers commands
    double replaySpeed = 1.0;             // recorded pauses are divided by it
    bool replayNoTiming = false;          // no pauses at all
    bool replayLoop = false;              // start again at the end of the recording
    DeviceFaults faults;                  // silent detectors, addresses and CV values set

    friend bool operator==(const SimOptions &, const SimOptions &) = default;
};

struct ParsedOptions {
    std::optional<SimOptions> options; // empty when the command line is wrong
    std::string error;                 // what is wrong, for the user
};

// Parses the arguments after the program name. Values follow as the next argument or after "=";
// the level of --noise is optional and, without "=", taken from the next argument only when that
// does not start with "-".
ParsedOptions parseOptions(const std::vector<std::string> &arguments);

std::string helpText();

} // namespace talvor::sim
