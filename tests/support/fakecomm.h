// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "commcomponent.h"

#include <QByteArray>

#include <array>
#include <optional>
#include <utility>
#include <vector>

namespace talvor::test {

// A serial port component for the failure paths that a pseudo-terminal cannot produce: each
// operation can be made to fail, received bytes are queued by the test, sent bytes recorded.
class FakeComm : public CommComponent {
public:
    enum Op { PortOpenRead, Open, Close, Handshaking, CommPort, Rts, Cts, Count, Input, Output };

    bool open = false;
    bool rts = false;
    bool cts = false;
    int handshake = -1;
    int port = -1;
    QString device;
    QByteArray waiting;
    QByteArray sent;
    std::optional<CommError> lost;
    mutable std::vector<Op> calls;

    // Makes the operation fail with this error from now on (until cleared).
    void failOn(Op op, CommError error) { m_failures[op] = std::move(error); }
    void clearFailures() { m_failures = {}; }

    CommResult<bool> portOpen() const override
    {
        return record(PortOpenRead) ? CommResult<bool>(*failure(PortOpenRead)) : open;
    }
    CommStatus setPortOpen(bool value) override
    {
        if (record(value ? Open : Close))
            return failure(value ? Open : Close);
        open = value;
        return {};
    }
    CommStatus setHandshaking(int value) override { return set(Handshaking, handshake, value); }
    CommStatus setCommPort(int value) override { return set(CommPort, port, value); }
    void setDevice(const QString &value) override { device = value; }
    CommResult<bool> rtsEnable() const override { return read(Rts, rts); }
    CommResult<bool> ctsHolding() const override { return read(Cts, cts); }
    CommResult<qint64> inBufferCount() override
    {
        return record(Count) ? CommResult<qint64>(*failure(Count)) : waiting.size();
    }
    CommResult<QByteArray> input() override
    {
        if (record(Input))
            return *failure(Input);
        return std::exchange(waiting, {});
    }
    CommStatus output(QByteArrayView bytes) override
    {
        if (record(Output))
            return failure(Output);
        sent += bytes;
        return {};
    }
    std::optional<CommError> takeDeviceLost() override { return std::exchange(lost, {}); }

private:
    // Notes the call; true when it is to fail.
    bool record(Op op) const
    {
        calls.push_back(op);
        return failure(op).has_value();
    }
    std::optional<CommError> failure(Op op) const { return m_failures[op]; }
    CommResult<bool> read(Op op, bool value) const
    {
        return record(op) ? CommResult<bool>(*failure(op)) : value;
    }
    CommStatus set(Op op, int &target, int value)
    {
        if (record(op))
            return failure(op);
        target = value;
        return {};
    }

    std::array<std::optional<CommError>, Output + 1> m_failures{};
};

} // namespace talvor::test
