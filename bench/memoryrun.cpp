// SPDX-License-Identifier: GPL-3.0-or-later
#include "memoryrun.h"

#include "benchwindow.h"
#include "traffic.h"

#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <cstdio>

namespace talvor::bench {

namespace {

constexpr qint64 kMegabyte = 1000 * 1000;
constexpr qint64 kPhase = 25 * kMegabyte;
constexpr qsizetype kTick = 64 * 1024;
constexpr qint64 kLimit = 200 * kMegabyte;
constexpr qint64 kBigTickLimit = 100 * kMegabyte;
constexpr int kBigTicks = 10;

// A "Vm...:  123 kB" line of /proc/self/status, in bytes; -1 where there is none.
qint64 statusBytes(const QByteArray &field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field + ':'))
            return line.mid(field.size() + 1).trimmed().split(' ').first().toLongLong() * 1024;
    }
    return -1;
}

double mb(qint64 bytes)
{
    return double(bytes) / double(kMegabyte);
}

} // namespace

bool runPeakMemory(BenchWindow &window, qint64 megabytes)
{
    StreamCursor frames(frameStream(1 << 20, 7));
    StreamCursor noise(noiseStream(1 << 20, 8));
    const qint64 total = megabytes * kMegabyte;
    std::printf("peak memory: %lld MB through the receive poll in ticks of %lld bytes, frames and "
                "noise taking turns every %lld MB\n",
                static_cast<long long>(megabytes), static_cast<long long>(kTick),
                static_cast<long long>(kPhase / kMegabyte));
    std::printf("%10s %12s %12s %10s\n", "fed MB", "VmRSS MB", "VmHWM MB", "MB/s");
    QElapsedTimer clock;
    clock.start();
    for (qint64 fed = 0; fed < total;) {
        StreamCursor &source = (fed / kPhase) % 2 == 0 ? frames : noise;
        window.feed(source.next(kTick), kTick);
        fed += kTick;
        if (fed % (50 * kMegabyte) < kTick || fed >= total) {
            std::printf("%10.0f %12.1f %12.1f %10.1f\n", mb(fed), mb(statusBytes("VmRSS")),
                        mb(statusBytes("VmHWM")), mb(fed) / (double(clock.elapsed()) / 1000));
            std::fflush(stdout);
        }
    }
    const qint64 peak = statusBytes("VmHWM");
    const bool met = peak >= 0 && peak < kLimit;
    std::printf("peak resident memory (VmHWM): %.1f MB, limit %.0f MB: %s\n", mb(peak), mb(kLimit),
                met ? "met" : "MISSED");
    return met;
}

bool runBigTicks(BenchWindow &window, qint64 megabytes, bool noise)
{
    QElapsedTimer clock;
    qint64 slowest = 0;
    for (int tick = 0; tick < kBigTicks; ++tick) {
        // Made afresh for each tick and handed over: the benchmark keeps no copy of its own.
        const qsizetype size = megabytes * kMegabyte;
        const std::uint64_t seed = 100 + tick;
        const QByteArray bytes = noise ? noiseStream(size, seed) : frameStream(size, seed);
        clock.start();
        window.poll(bytes);
        window.repaint();
        slowest = std::max(slowest, clock.elapsed());
    }
    const qint64 peak = statusBytes("VmHWM");
    const bool met = peak >= 0 && peak < kBigTickLimit;
    std::printf("%d ticks of %lld MB of %s: slowest tick with its repaint %lld ms, peak resident "
                "memory %.1f MB, limit %.0f MB: %s\n",
                kBigTicks, static_cast<long long>(megabytes), noise ? "noise" : "frames",
                static_cast<long long>(slowest), mb(peak), mb(kBigTickLimit),
                met ? "met" : "MISSED");
    return met;
}

} // namespace talvor::bench
