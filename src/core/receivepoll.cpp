// SPDX-License-Identifier: GPL-3.0-or-later
#include "receivepoll.h"

#include "commcomponent.h"
#include "trafficlog.h"

namespace talvor {

namespace {

bool readOrFalse(const CommResult<bool> &result)
{
    return result.ok() && result.value();
}

// The waiting bytes, written into the log; empty when there were none.
QByteArray takeWaitingBytes(CommComponent &comm, TrafficLog &log)
{
    const CommResult<qint64> waiting = comm.inBufferCount();
    if (!waiting.ok() || waiting.value() <= 0)
        return {};
    const CommResult<QByteArray> chunk = comm.input();
    if (!chunk.ok())
        return {};
    log.appendReceived(chunk.value());
    return chunk.value();
}

} // namespace

PollOutcome runReceivePoll(CommComponent &comm, ReportDecoder &decoder, TrafficLog &log,
                           std::optional<CommError> lost)
{
    PollOutcome outcome;
    outcome.lines.open = readOrFalse(comm.portOpen());
    outcome.lost = lost ? std::move(lost) : comm.takeDeviceLost();
    if (outcome.lines.open) {
        outcome.lines.rts = readOrFalse(comm.rtsEnable());
        outcome.lines.cts = readOrFalse(comm.ctsHolding());
    }
    // A device that vanished since the last poll left the port closed, but the bytes it sent
    // last are still in the component: they are often the ones that tell what went wrong.
    if (outcome.lines.open || outcome.lost) {
        outcome.chunk = takeWaitingBytes(comm, log);
        outcome.received = !outcome.chunk.isEmpty();
    }
    // The chunk enters the receive buffer inside the decoder run, read where it lies.
    outcome.reports = decoder.decodeLatest(outcome.chunk);
    return outcome;
}

} // namespace talvor
