// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "commcomponent.h"
#include "failuretexts.h"

#include <optional>

namespace talvor {

struct ConnectOutcome {
    bool opened = false; // false also when the port was open already
    std::optional<ErrorMessage> error;
};

// Opens the port with the given number and handshake unless it is open already, on the device
// that the number stands for. Stops at the first failure; the handshake and port number set
// before it stay set in the component. `target` follows the port number set: the port that the
// component's later failures are about.
ConnectOutcome openConnection(CommComponent &comm, const PortDirectory &ports, int portNumber,
                              bool rtsCts, PortTarget &target);

struct DisconnectOutcome {
    bool closed = false; // false also when the port was not open
    std::optional<ErrorMessage> error;
};

DisconnectOutcome closeConnection(CommComponent &comm, const PortDirectory &ports,
                                  const PortTarget &target);

} // namespace talvor
