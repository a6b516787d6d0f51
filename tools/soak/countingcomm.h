// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "commcomponent.h"

#include <memory>
#include <vector>

namespace talvor::soak {

// Passes every operation to the real serial port component and notes the size of every chunk the
// receive poll reads, so that the bytes the device sent can be replayed in the same chunks.
class CountingComm : public CommComponent {
public:
    explicit CountingComm(std::unique_ptr<CommComponent> port)
        : m_port(std::move(port))
    {
    }

    const std::vector<qsizetype> &chunks() const { return m_chunks; }
    qint64 received() const { return m_received; }

    CommResult<bool> portOpen() const override { return m_port->portOpen(); }
    CommStatus setPortOpen(bool open) override { return m_port->setPortOpen(open); }
    CommStatus setHandshaking(int handshake) override { return m_port->setHandshaking(handshake); }
    CommStatus setCommPort(int port) override { return m_port->setCommPort(port); }
    void setDevice(const QString &device) override { m_port->setDevice(device); }
    CommResult<bool> rtsEnable() const override { return m_port->rtsEnable(); }
    CommResult<bool> ctsHolding() const override { return m_port->ctsHolding(); }
    CommResult<qint64> inBufferCount() override { return m_port->inBufferCount(); }
    CommResult<QByteArray> input() override
    {
        CommResult<QByteArray> bytes = m_port->input();
        if (bytes.ok() && !bytes.value().isEmpty()) {
            m_chunks.push_back(bytes.value().size());
            m_received += bytes.value().size();
        }
        return bytes;
    }
    CommStatus output(QByteArrayView bytes) override { return m_port->output(bytes); }
    std::optional<CommError> takeDeviceLost() override { return m_port->takeDeviceLost(); }

private:
    std::unique_ptr<CommComponent> m_port;
    std::vector<qsizetype> m_chunks;
    qint64 m_received = 0;
};

} // namespace talvor::soak
