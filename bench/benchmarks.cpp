// SPDX-License-Identifier: GPL-3.0-or-later
#include "benchmarks.h"

#include "benchwindow.h"
#include "traffic.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <string>

namespace talvor::bench {

namespace {

// 19200 baud, 10 bits a byte, 50 ms a tick.
constexpr qsizetype kTickBytes = 96;
// What a tick finds waiting when bytes come at 1.3 MB/s.
constexpr qsizetype kBulkTick = 64 * 1024;
constexpr qsizetype kFullLines = 100000;
constexpr qsizetype kNoiseLineBytes = 16 * 1024 * 1024;
constexpr double kMinThroughput = 1e6;
constexpr double kMaxTickSpread = 2.0;

using Clock = std::chrono::steady_clock;

double seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

enum class LogState { Empty, FullOfLines, NoiseLine };

// The log in the given state, through real ticks, and the detector table as always; returns the
// receive buffer that the literal way would hold then (all the noise: no report took it away).
// Every state comes after megabytes of traffic, so each measured tick finds the caches as busy
// traffic leaves them; the empty log is the display reset after that traffic.
QByteArray prepare(BenchWindow &w, LogState state)
{
    QByteArray literalBuffer;
    w.window().resetDisplay();
    // Connecting to the port that is open already only empties the receive buffer.
    w.core().connectPort(1, false);
    if (state == LogState::NoiseLine) {
        literalBuffer = noiseStream(kNoiseLineBytes / 3 + kBulkTick);
        w.feed(literalBuffer, 1 << 20);
    } else {
        while (w.log().lineCount() < kFullLines)
            w.feed(frameStream(1 << 20, 3), kBulkTick);
        if (state == LogState::Empty)
            w.window().resetDisplay();
        literalBuffer = w.core().pendingBytes().toByteArray();
    }
    w.restoreTable();
    return literalBuffer;
}

// The clock runs for the tick handler; the repaint that follows it is timed on its own.
template <typename Prepare, typename Poll>
void timeTicks(benchmark::State &s, BenchWindow &w, Prepare prepareTick, Poll poll)
{
    StreamCursor bytes(frameStream(1 << 20));
    double repaintSeconds = 0;
    for (auto _ : s) {
        prepareTick();
        const QByteArray chunk = bytes.next(kTickBytes);
        const Clock::time_point start = Clock::now();
        poll(chunk);
        const Clock::time_point polled = Clock::now();
        w.repaint();
        repaintSeconds += seconds(Clock::now() - polled);
        s.SetIterationTime(seconds(polled - start));
    }
    s.counters["repaint_us"] = 1e6 * repaintSeconds / double(s.iterations());
}

void tickOurs(benchmark::State &s, BenchWindow &w, LogState state)
{
    // The same 96 bytes of frames in every state. Their first frame ends a noise line, which
    // then leaves the log, so each state is made again before each tick, off the clock.
    timeTicks(
        s, w, [&] { prepare(w, state); }, [&](const QByteArray &chunk) { w.poll(chunk); });
}

void tickLiteral(benchmark::State &s, BenchWindow &w, LogState state)
{
    const LiteralState prepared = w.literalCopy(prepare(w, state));
    LiteralState literal = prepared;
    timeTicks(
        s, w,
        [&] {
            literal = prepared;
            w.restoreTable();
        },
        [&](const QByteArray &chunk) { w.literalPoll(literal, chunk); });
}

// Sustained: the log is full before the clock starts, and stays full. The clock runs for the
// tick and its repaint.
void throughputOurs(benchmark::State &s, BenchWindow &w, bool noise)
{
    prepare(w, noise ? LogState::NoiseLine : LogState::FullOfLines);
    StreamCursor bytes(noise ? noiseStream(16 << 20, 5) : frameStream(16 << 20, 5));
    for (auto _ : s) {
        const QByteArray chunk = bytes.next(kBulkTick);
        const Clock::time_point start = Clock::now();
        w.poll(chunk);
        w.repaint();
        s.SetIterationTime(seconds(Clock::now() - start));
    }
    s.SetBytesProcessed(s.iterations() * kBulkTick);
}

// The literal way slows down as its text grows, without end; this is its speed over the first
// tick of bulk traffic into an empty log, its best case.
void throughputLiteral(benchmark::State &s, BenchWindow &w, bool noise)
{
    prepare(w, LogState::Empty);
    const QByteArray chunk = noise ? noiseStream(kBulkTick, 5) : frameStream(kBulkTick, 5);
    for (auto _ : s) {
        LiteralState literal;
        const Clock::time_point start = Clock::now();
        w.literalPoll(literal, chunk);
        w.repaint();
        s.SetIterationTime(seconds(Clock::now() - start));
    }
    s.SetBytesProcessed(s.iterations() * kBulkTick);
}

struct Pair {
    const char *name;
    bool throughput;
    int iterations;        // ours; 0: as many as the minimum time takes
    int literalIterations; // the literal way's
    std::function<void(benchmark::State &)> ours;
    std::function<void(benchmark::State &)> literal;
};

std::vector<Pair> pairs(BenchWindow &w)
{
    using S = benchmark::State;
    const auto tick = [&w](LogState state) {
        return std::pair{[&w, state](S &s) { tickOurs(s, w, state); },
                         [&w, state](S &s) {
                             tickLiteral(s, w, state);
                         }};
    };
    const auto bulk = [&w](bool noise) {
        return std::pair{[&w, noise](S &s) { throughputOurs(s, w, noise); },
                         [&w, noise](S &s) {
                             throughputLiteral(s, w, noise);
                         }};
    };
    std::vector<Pair> list;
    const auto add = [&list](const char *name, bool throughput, int iterations,
                             int literalIterations, auto both) {
        list.push_back({name, throughput, iterations, literalIterations, both.first, both.second});
    };
    // Making a state again before each tick takes a few tenths of a second; the literal way
    // takes seconds for a tick on the noise line.
    add("tick of 96 B, empty log", false, 60, 60, tick(LogState::Empty));
    add("tick of 96 B, log of 100000 lines", false, 60, 20, tick(LogState::FullOfLines));
    add("tick of 96 B, 16 MiB noise line", false, 60, 3, tick(LogState::NoiseLine));
    add("frames in 64 KiB ticks", true, 0, 0, bulk(false));
    add("noise in 64 KiB ticks", true, 0, 0, bulk(true));
    return list;
}

double counter(const benchmark::BenchmarkReporter::Run &run, const char *name)
{
    const auto found = run.counters.find(name);
    return found == run.counters.end() ? 0 : double(found->second);
}

// Keeps every result for the table, and shows the usual console output too.
class CollectingReporter : public benchmark::ConsoleReporter {
public:
    CollectingReporter()
        : ConsoleReporter(OO_Tabular)
    {
    }

    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs) {
            Result &r = results[run.run_name.function_name];
            r.microseconds = run.GetAdjustedRealTime();
            r.bytesPerSecond = counter(run, "bytes_per_second");
            r.repaintMicroseconds = counter(run, "repaint_us");
        }
        ConsoleReporter::ReportRuns(runs);
    }

    struct Result {
        double microseconds = 0;
        double bytesPerSecond = 0;
        double repaintMicroseconds = 0;
    };
    std::map<std::string, Result> results;
};

std::vector<Pair> g_pairs;

} // namespace

void registerBenchmarks(BenchWindow &window)
{
    g_pairs = pairs(window);
    for (const Pair &pair : g_pairs) {
        for (const bool ours : {true, false}) {
            const std::string name = std::string(pair.name) + (ours ? "/ours" : "/literal");
            auto *b = benchmark::RegisterBenchmark(name.c_str(), ours ? pair.ours : pair.literal)
                          ->UseManualTime()
                          ->Unit(benchmark::kMicrosecond);
            if (pair.iterations > 0)
                b->Iterations(ours ? pair.iterations : pair.literalIterations);
            else
                b->MinTime(ours ? 2.0 : 1.0);
        }
    }
}

bool runBenchmarks()
{
    CollectingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto &r = reporter.results;
    bool met = true;
    double fastestTick = 0;
    double slowestTick = 0;
    std::printf("\n%-36s %16s %16s %10s\n", "", "ours", "literal", "speed-up");
    for (const Pair &pair : g_pairs) {
        const auto ours = r.find(std::string(pair.name) + "/ours");
        const auto literal = r.find(std::string(pair.name) + "/literal");
        if (ours == r.end() || literal == r.end())
            continue;
        const CollectingReporter::Result &a = ours->second;
        const CollectingReporter::Result &b = literal->second;
        if (pair.throughput) {
            std::printf("%-36s %11.2f MB/s %11.3f MB/s %9.0fx\n", pair.name, a.bytesPerSecond / 1e6,
                        b.bytesPerSecond / 1e6, a.bytesPerSecond / b.bytesPerSecond);
            met = met && a.bytesPerSecond >= kMinThroughput;
        } else {
            std::printf("%-36s %13.1f us %13.1f us %9.1fx\n", pair.name, a.microseconds,
                        b.microseconds, b.microseconds / a.microseconds);
            std::printf("%-36s %13.1f us %13.1f us\n", "  and the repaint after it",
                        a.repaintMicroseconds, b.repaintMicroseconds);
            fastestTick = fastestTick == 0 ? a.microseconds : std::min(fastestTick, a.microseconds);
            slowestTick = std::max(slowestTick, a.microseconds);
        }
    }
    if (fastestTick > 0) {
        const double spread = slowestTick / fastestTick;
        std::printf("\nslowest tick / fastest tick (ours): %.2f (target at most %.0f)\n", spread,
                    kMaxTickSpread);
        met = met && spread <= kMaxTickSpread;
    }
    std::printf("throughput target: at least %.0f MB/s for frames and for noise\n%s\n",
                kMinThroughput / 1e6, met ? "All targets met." : "A TARGET IS MISSED.");
    return met;
}

} // namespace talvor::bench
