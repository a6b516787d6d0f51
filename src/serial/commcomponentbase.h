// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "commcomponent.h"

namespace talvor {

// What the system components share: the handshake, port number and device set before an open,
// the checks every operation makes first, the bytes kept for the next input(), a lost device's
// failure, and a port without modem lines. A system component only opens, closes, counts, takes,
// writes and reads the modem lines of an open port.
class CommComponentBase : public CommComponent {
public:
    CommResult<bool> portOpen() const final { return isOpen(); }
    CommStatus setPortOpen(bool open) final;
    CommStatus setHandshaking(int handshake) final;
    CommStatus setCommPort(int port) final;
    void setDevice(const QString &device) final;

    CommResult<bool> rtsEnable() const final;
    CommResult<bool> ctsHolding() const final;
    CommResult<qint64> inBufferCount() final;
    CommResult<QByteArray> input() final;
    CommStatus output(QByteArrayView bytes) final;

    std::optional<CommError> takeDeviceLost() final;

protected:
    struct ModemLines {
        bool rts = false; // the component drives RTS
        bool cts = false; // the device holds CTS active
    };

    virtual bool isOpen() const = 0;
    // Opens device() with rtsCts(); the checks are made and the last open's leftovers gone.
    virtual CommStatus openDevice() = 0;
    // Closes on purpose: what was not read is dropped, as the port's own buffer would drop it.
    virtual void closeDevice() = 0;
    // Of the open port. A port that has none at all says so with m_noModemLines as well.
    virtual CommResult<ModemLines> modemLines() const = 0;
    virtual CommResult<qint64> waitingCount() = 0;
    virtual QByteArray takeWaiting() = 0;
    virtual CommStatus write(QByteArrayView bytes) = 0;

    bool rtsCts() const { return m_handshake == RtsCts; }
    const QString &device() const { return m_device; }

    // Bytes received and not yet handed out; after a loss, the last ones the device sent.
    QByteArray m_keptInput;
    std::optional<CommError> m_deviceLost;
    // Why the open port has no modem lines to read (a pseudo-terminal, a virtual port), once that
    // is known: they do not appear while it is open, and asking on every poll costs.
    mutable std::optional<CommError> m_noModemLines;

private:
    CommResult<ModemLines> openPortLines() const;

    int m_commPort = kFirstPort;
    int m_handshake = NoHandshake;
    QString m_device;
};

} // namespace talvor
