// SPDX-License-Identifier: GPL-3.0-or-later
#include "connection.h"

namespace talvor {

ConnectOutcome openConnection(CommComponent &comm, const PortDirectory &ports, int portNumber,
                              bool rtsCts, PortTarget &target)
{
    const auto failed = [&](const CommError &error) {
        return ConnectOutcome{false, failureMessage(error, target, ports)};
    };
    const CommResult<bool> open = comm.portOpen();
    if (!open.ok())
        return failed(open.error());
    if (open.value())
        return {};
    if (CommStatus error =
            comm.setHandshaking(rtsCts ? CommComponent::RtsCts : CommComponent::NoHandshake))
        return failed(*error);
    const PortDevice device = ports.deviceFor(portNumber);
    target = {portNumber, device.path};
    if (CommStatus error = comm.setCommPort(portNumber))
        return failed(*error);
    // A number outside the list is the component's to refuse; an entry that names no device is
    // never replaced by another device.
    if (device.entry == PortDevice::Empty || device.entry == PortDevice::NotText)
        return {false, unusableEntryMessage(portNumber, device.entry)};
    comm.setDevice(device.path);
    if (CommStatus error = comm.setPortOpen(true))
        return failed(*error);
    return {true, {}};
}

DisconnectOutcome closeConnection(CommComponent &comm, const PortDirectory &ports,
                                  const PortTarget &target)
{
    const auto failed = [&](const CommError &error) {
        return DisconnectOutcome{false, failureMessage(error, target, ports)};
    };
    const CommResult<bool> open = comm.portOpen();
    if (!open.ok())
        return failed(open.error());
    if (!open.value())
        return {};
    if (CommStatus error = comm.setPortOpen(false))
        return failed(*error);
    return {true, {}};
}

} // namespace talvor
