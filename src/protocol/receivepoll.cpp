#include "receivepoll.h"

#include "commcomponent.h"
#include "trafficlog.h"

namespace talvor {

namespace {

bool readOrFalse(const CommResult<bool> &result)
{
    return result.ok() && result.value();
}

} // namespace

PollOutcome runReceivePoll(CommComponent &comm, ReportDecoder &decoder, TrafficLog &log)
{
    PollOutcome outcome;
    QByteArray received;
    outcome.lines.open = readOrFalse(comm.portOpen());
    if (outcome.lines.open) {
        outcome.lines.rts = readOrFalse(comm.rtsEnable());
        outcome.lines.cts = readOrFalse(comm.ctsHolding());
        const CommResult<qint64> waiting = comm.inBufferCount();
        if (waiting.ok() && waiting.value() > 0) {
            const CommResult<QByteArray> chunk = comm.input();
            if (chunk.ok() && !chunk.value().isEmpty()) {
                received = chunk.value();
                log.appendReceived(received);
                outcome.received = true;
            }
        }
    }
    // The chunk enters the receive buffer inside the decoder run, read where it lies.
    outcome.reports = decoder.decodeLatest(received);
    return outcome;
}

} // namespace talvor
