// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "commcomponent.h"

namespace talvor {

struct ConnectOutcome {
    bool opened = false; // false also when the port was open already
    CommStatus error;
};

// Opens the port with the given number and handshake unless it is open already. Stops at the
// first failure; the handshake and port number set before it stay set in the component.
ConnectOutcome openConnection(CommComponent &comm, int portNumber, bool rtsCts);

struct DisconnectOutcome {
    bool closed = false; // false also when the port was not open
    CommStatus error;
};

DisconnectOutcome closeConnection(CommComponent &comm);

} // namespace talvor
