#pragma once

#include "reportdecoder.h"

#include <span>

namespace talvor {

class CommComponent;
class TrafficLog;

struct LineStates {
    bool open = false; // the port is open
    bool rts = false;  // the component drives RTS
    bool cts = false;  // the device holds CTS active
};

struct PollOutcome {
    LineStates lines;
    bool received = false; // bytes were read and written into the log
    // Of the reports found, the last one of each cell; valid until the decoder runs again.
    std::span<const Report> reports;
};

// One receive poll: the line states, the waiting bytes into the receive buffer and the traffic
// log, then one decoder run. A step that fails is left undone and the next one runs; a state that
// cannot be read counts as false (port not open, line not active, no bytes waiting).
PollOutcome runReceivePoll(CommComponent &comm, ReportDecoder &decoder, TrafficLog &log);

} // namespace talvor
