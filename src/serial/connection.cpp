// SPDX-License-Identifier: GPL-3.0-or-later
#include "connection.h"

namespace talvor {

ConnectOutcome openConnection(CommComponent &comm, int portNumber, bool rtsCts)
{
    const CommResult<bool> open = comm.portOpen();
    if (!open.ok())
        return {false, open.error()};
    if (open.value())
        return {};
    if (CommStatus error =
            comm.setHandshaking(rtsCts ? CommComponent::RtsCts : CommComponent::NoHandshake))
        return {false, error};
    if (CommStatus error = comm.setCommPort(portNumber))
        return {false, error};
    if (CommStatus error = comm.setPortOpen(true))
        return {false, error};
    return {true, {}};
}

DisconnectOutcome closeConnection(CommComponent &comm)
{
    const CommResult<bool> open = comm.portOpen();
    if (!open.ok())
        return {false, open.error()};
    if (!open.value())
        return {};
    if (CommStatus error = comm.setPortOpen(false))
        return {false, error};
    return {true, {}};
}

} // namespace talvor
