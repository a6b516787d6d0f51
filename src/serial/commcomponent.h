// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "commerror.h"

#include <QByteArray>
#include <QByteArrayView>

namespace talvor {

// The serial port component MSComm1: the operations that the window's handlers use, each able to
// fail with a code and the system's detail. The line settings (19200 baud, 8 data bits, no
// parity, 1 stop bit) are the component's own and never change.
class CommComponent {
public:
    enum Handshake : int { NoHandshake = 0, RtsCts = 2 };

    virtual ~CommComponent() = default;

    virtual CommResult<bool> portOpen() const = 0;
    // true opens the device set before, for the port number and with the handshake set before;
    // false closes it.
    virtual CommStatus setPortOpen(bool open) = 0;
    virtual CommStatus setHandshaking(int handshake) = 0;
    virtual CommStatus setCommPort(int port) = 0;
    // The device that the port number stands for: a path, or on Windows the port's name (COM3).
    virtual void setDevice(const QString &device) = 0;

    virtual CommResult<bool> rtsEnable() const = 0;
    virtual CommResult<bool> ctsHolding() const = 0;
    // Number of received bytes waiting to be read.
    virtual CommResult<qint64> inBufferCount() = 0;
    // All waiting bytes, oldest first; they leave the component.
    virtual CommResult<QByteArray> input() = 0;
    // Sends exactly these bytes.
    virtual CommStatus output(QByteArrayView bytes) = 0;

    // When the device vanished while the port was open, the component closed the port by itself
    // and kept the failure; this hands it over once (and forgets it).
    virtual std::optional<CommError> takeDeviceLost() = 0;
};

} // namespace talvor
