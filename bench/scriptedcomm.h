// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "commcomponent.h"

#include <QByteArray>

#include <utility>

namespace talvor::bench {

// MSComm1 for the benchmark: an open port with RTS and CTS active, handing out what the
// benchmark queued, as a port that received it would.
class ScriptedComm : public CommComponent {
public:
    void queue(const QByteArray &bytes) { m_waiting += bytes; }

    CommResult<bool> portOpen() const override { return true; }
    CommStatus setPortOpen(bool) override { return {}; }
    CommStatus setHandshaking(int) override { return {}; }
    CommStatus setCommPort(int) override { return {}; }
    void setDevice(const QString &) override {}
    CommResult<bool> rtsEnable() const override { return true; }
    CommResult<bool> ctsHolding() const override { return true; }
    CommResult<qint64> inBufferCount() override { return m_waiting.size(); }
    CommResult<QByteArray> input() override { return std::exchange(m_waiting, {}); }
    CommStatus output(QByteArrayView) override { return {}; }
    std::optional<CommError> takeDeviceLost() override { return std::nullopt; }

private:
    QByteArray m_waiting;
};

} // namespace talvor::bench
