// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "commerror.h"
#include "linestates.h"
#include "reportdecoder.h"

#include <span>

namespace talvor {

class CommComponent;
class TrafficLog;

struct PollOutcome {
    LineStates lines;
    bool received = false; // bytes were read and written into the log
    QByteArray chunk;      // the bytes read
    // Of the reports found, the last one of each cell; valid until the decoder runs again.
    std::span<const Report> reports;
    std::optional<CommError> lost; // the device vanished since the last poll
};

// One receive poll: the line states, the waiting bytes into the receive buffer and the traffic
// log (after a lost device the bytes it sent before it vanished), then one decoder run. A step that
// fails is left undone and the next one runs; a state that cannot be read counts as false (port not
// open, line not active, no bytes waiting). A loss already taken from the component comes as lost.
PollOutcome runReceivePoll(CommComponent &comm, ReportDecoder &decoder, TrafficLog &log,
                           std::optional<CommError> lost = std::nullopt);

} // namespace talvor
