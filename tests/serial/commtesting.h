// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "qtcommcomponent.h"
#include "support/ptypair.h"

#include <QTest>

namespace talvor::test {

inline constexpr int kPort = 7;

inline int codeOf(const CommStatus &status)
{
    return status ? int(status->code) : 0;
}

template <typename T> CommStatus failureOf(const CommResult<T> &result)
{
    return result.ok() ? CommStatus() : CommStatus(result.error());
}

// Opens port `port` on the slave of `pty`.
inline CommStatus openOn(QtCommComponent &component, const PtyPair &pty, int port = kPort)
{
    component.setCommPort(port);
    component.setDevice(pty.slavePath());
    return component.setPortOpen(true);
}

// Runs the event loop, as it runs between two ticks, until `count` bytes wait in the component.
inline bool waitForInput(QtCommComponent &component, qint64 count)
{
    return QTest::qWaitFor([&] {
        const CommResult<qint64> waiting = component.inBufferCount();
        return waiting.ok() && waiting.value() >= count;
    });
}

} // namespace talvor::test
