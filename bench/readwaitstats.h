// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <string>
#include <vector>

namespace talvor::bench {

// The device end closes 0.5, 1, 2 and 5 ms after a write.
constexpr int kDelayCount = 4;

struct ReaderResult {
    std::vector<double> waits; // µs per frame; -1 for a frame never taken
    std::array<int, kDelayCount> lost{};
    std::array<int, kDelayCount> tries{};
};

struct CaseResult {
    std::string name;
    ReaderResult program;
    ReaderResult floor;
};

// One line per case and reader: median, 99th percentile and maximum of the waits, the ratio of
// the program's to the floor's, and the lost share at each delay.
void printResults(const std::vector<CaseResult> &results);

} // namespace talvor::bench
