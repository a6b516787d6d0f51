// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "win32commcomponent.h"

#include <QTest>
#include <QThread>

#include <functional>

namespace talvor {

// Runs under Wine against echopeer.py: COM 1 to COM 6 are the peer's pseudo-terminals, which send
// back what they receive, stream on request and hang up on request; COM 255 has no device.
inline constexpr int kPeerPort = 1;
inline constexpr int kPeerPorts = 6;
inline constexpr int kMissingPort = 255;
inline const QByteArray kReportSettings("\x05");
inline const QByteArray kHangUp("\x04");
inline const QByteArray kStartStream("\x06");
inline const QByteArray kStopStream("\x07");

template <typename T> int failureNumber(const CommResult<T> &result)
{
    return result.ok() ? 0 : int(result.error().code);
}

inline int failureNumber(const CommStatus &status)
{
    return status ? int(status->code) : 0;
}

// Runs the event loop, as between two ticks, until `count` bytes wait; then takes them all.
inline QByteArray receive(Win32CommComponent &comm, qint64 count)
{
    const bool came = QTest::qWaitFor([&] {
        const CommResult<qint64> waiting = comm.inBufferCount();
        return waiting.ok() && waiting.value() >= count;
    });
    const CommResult<QByteArray> bytes = comm.input();
    return came && bytes.ok() ? bytes.value() : QByteArray();
}

// Takes chunks until `until` holds for all bytes taken; the chunks as they came.
inline QList<QByteArray> receiveChunks(Win32CommComponent &comm,
                                       const std::function<bool(const QByteArray &)> &until)
{
    QList<QByteArray> chunks;
    QByteArray all;
    while (!until(all)) {
        const QByteArray chunk = receive(comm, 1);
        if (chunk.isEmpty())
            break;
        chunks.append(chunk);
        all += chunk;
    }
    return chunks;
}

inline CommStatus openPeer(Win32CommComponent &comm, int handshake = CommComponent::NoHandshake,
                           int port = kPeerPort)
{
    comm.setHandshaking(handshake);
    comm.setCommPort(port);
    comm.setDevice(QStringLiteral("COM%1").arg(port));
    return comm.setPortOpen(true);
}

// Calls `query` every 20 ms without running the event loop, until it fails other than with 7
// (a pseudo-terminal has no modem lines) or 10 s have passed; its failure's number.
inline int firstLoss(const std::function<int()> &query)
{
    for (int i = 0; i < 500; ++i) {
        const int failure = query();
        if (failure != 0 && failure != 7)
            return failure;
        QThread::msleep(20);
    }
    return 0;
}

} // namespace talvor
