// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace talvor {

// What the link indicator and the RTS and CTS labels show.
struct LineStates {
    bool open = false; // the port is open
    bool rts = false;  // the component drives RTS
    bool cts = false;  // the device holds CTS active
    friend bool operator==(const LineStates &, const LineStates &) = default;
};

} // namespace talvor
