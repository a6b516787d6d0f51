// SPDX-License-Identifier: GPL-3.0-or-later
// talvor-win32-stream-bench RESULT_FILE: COM1 is echopeer.py's terminal. Polls the Win32
// component every 50 ms, as the window does, first for an idle port, then for a stream without
// pauses at 1,920 bytes a second, and writes into RESULT_FILE the wake-ups, the reads, their
// sizes and how long the oldest byte of each chunk waited until a poll handed it out.
#include "win32commcomponent.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>

#include <algorithm>

using namespace talvor;

namespace {

constexpr int kTickMs = 50;
constexpr double kBytesPerSecond = 1920.0;
constexpr int kIdleTicks = 100;
constexpr int kStreamTicks = 200;

struct Phase {
    qint64 wakeUps = 0;
    qint64 reads = 0;
    qint64 bytes = 0;
    double worstLateMs = 0;
    double lateSumMs = 0;
    int polls = 0; // that handed out bytes
};

QString describe(const char *name, const Phase &phase, double seconds)
{
    return QStringLiteral(
               "%1: %2 s, %3 wake-ups (%4 a second), %5 reads, %6 bytes, %7 bytes per "
               "read; a byte waits %8 ms on average until a poll hands it out, %9 ms at worst\n")
        .arg(QLatin1String(name))
        .arg(seconds)
        .arg(phase.wakeUps)
        .arg(phase.wakeUps / seconds, 0, 'f', 1)
        .arg(phase.reads)
        .arg(phase.bytes)
        .arg(phase.reads ? double(phase.bytes) / phase.reads : 0, 0, 'f', 1)
        .arg(phase.polls ? phase.lateSumMs / phase.polls : 0, 0, 'f', 1)
        .arg(phase.worstLateMs, 0, 'f', 1);
}

// Runs `ticks` polls; in a stream, byte n left the peer n / 1920 s after `streamStart`.
Phase poll(Win32CommComponent &comm, int ticks, const QElapsedTimer *streamStart)
{
    const Win32CommCounters before = comm.diagnostics().counters();
    Phase phase;
    QEventLoop loop;
    QTimer timer;
    int done = 0;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        const CommResult<qint64> waiting = comm.inBufferCount();
        if (waiting.ok() && waiting.value() > 0) {
            // The oldest byte of the chunk waited longest: byte n left the peer at n / 1920 s.
            const double sentMs = phase.bytes * 1000.0 / kBytesPerSecond;
            phase.bytes += comm.input().value().size();
            if (streamStart) {
                const double lateMs = std::max(0.0, streamStart->elapsed() - sentMs);
                phase.worstLateMs = std::max(phase.worstLateMs, lateMs);
                phase.lateSumMs += lateMs;
                ++phase.polls;
            }
        }
        if (++done == ticks)
            loop.quit();
    });
    timer.start(kTickMs);
    loop.exec();
    phase.wakeUps = comm.diagnostics().counters().wakeUps - before.wakeUps;
    phase.reads = comm.diagnostics().counters().reads - before.reads;
    return phase;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QFile result(app.arguments().value(1));
    if (!result.open(QIODevice::WriteOnly | QIODevice::Text))
        return 2;
    Win32CommComponent comm;
    comm.setCommPort(1);
    comm.setDevice(QStringLiteral("COM1"));
    if (comm.setPortOpen(true))
        return 3;
    const Phase idle = poll(comm, kIdleTicks, nullptr);
    result.write(describe("idle", idle, kIdleTicks * kTickMs / 1000.0).toUtf8());
    QElapsedTimer streamStart;
    streamStart.start();
    comm.output("\x06");
    const Phase stream = poll(comm, kStreamTicks, &streamStart);
    comm.output("\x07");
    result.write(describe("stream", stream, kStreamTicks * kTickMs / 1000.0).toUtf8());
    result.write(QStringLiteral("largest read since the open: %1 bytes\n")
                     .arg(comm.diagnostics().counters().largestRead)
                     .toUtf8());
    return 0;
}
