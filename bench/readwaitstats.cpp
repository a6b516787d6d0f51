// SPDX-License-Identifier: GPL-3.0-or-later
#include "readwaitstats.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace talvor::bench {

namespace {

struct Spread {
    double median = 0;
    double p99 = 0;
    double max = 0;
    int missing = 0;
};

// A frame that was never taken counts as the longest wait.
Spread spread(std::vector<double> waits)
{
    Spread result;
    for (double &wait : waits) {
        if (wait < 0) {
            ++result.missing;
            wait = 1e12;
        }
    }
    if (waits.empty())
        return result;
    std::sort(waits.begin(), waits.end());
    const auto at = [&](double share) {
        const std::size_t index = std::size_t(std::ceil(share * double(waits.size()))) - 1;
        return waits[std::min(index, waits.size() - 1)];
    };
    result.median = at(0.5);
    result.p99 = at(0.99);
    result.max = waits.back();
    return result;
}

void printReader(const char *caseName, const char *reader, const ReaderResult &result,
                 const Spread &own, const Spread &floor)
{
    std::printf("| %-14s | %-7s | %8.0f | %8.0f | %9.0f | %5.2f |", caseName, reader, own.median,
                own.p99, own.max, floor.p99 > 0 ? own.p99 / floor.p99 : 0.0);
    for (int delay = 0; delay < kDelayCount; ++delay)
        std::printf(" %3d/%-3d |", result.lost[delay], result.tries[delay]);
    std::printf("%s\n", own.missing > 0 ? " (frames never taken counted as longest)" : "");
}

} // namespace

void printResults(const std::vector<CaseResult> &results)
{
    std::printf("| case           | reader  | median µs | p99 µs | max µs | p99/floor |"
                " lost 0.5 ms | 1 ms | 2 ms | 5 ms |\n");
    std::printf("|---|---|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    for (const CaseResult &result : results) {
        const Spread program = spread(result.program.waits);
        const Spread floor = spread(result.floor.waits);
        printReader(result.name.c_str(), "program", result.program, program, floor);
        printReader(result.name.c_str(), "floor", result.floor, floor, floor);
    }
    std::fflush(stdout);
}

} // namespace talvor::bench
