// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "commcomponent.h"

#include <QObject>

#include <windows.h>

class QWinEventNotifier;

namespace talvor {

// MSComm1 on the Win32 communications API: "COM n" is \\.\COMn, 19200 baud, 8 data bits, no
// parity, 1 stop bit, RTS/CTS as chosen. The port is opened for overlapped I/O and one read is
// always pending: it completes as soon as a byte arrives, its event wakes the event loop through
// a QWinEventNotifier, and the bytes move into the component at once, so that nothing is left in
// the system when the adapter is pulled. A failed read means the device is gone: the port is
// closed, the bytes kept, and the loss kept for takeDeviceLost().
class Win32CommComponent : public QObject, public CommComponent {
    Q_OBJECT

public:
    explicit Win32CommComponent(QObject *parent = nullptr);
    ~Win32CommComponent() override;

    CommResult<bool> portOpen() const override;
    CommStatus setPortOpen(bool open) override;
    CommStatus setHandshaking(int handshake) override;
    CommStatus setCommPort(int port) override;

    CommResult<bool> rtsEnable() const override;
    CommResult<bool> ctsHolding() const override;
    CommResult<qint64> inBufferCount() override;
    CommResult<QByteArray> input() override;
    CommStatus output(QByteArrayView bytes) override;

    std::optional<CommError> takeDeviceLost() override;

private:
    bool isOpen() const { return m_handle != INVALID_HANDLE_VALUE; }
    CommStatus openPort();
    CommStatus setUpLine();
    void closePort();
    void startRead();
    void takeFromSystem();
    void finishRead();
    void loseDevice(DWORD systemError);
    CommResult<DWORD> modemStatus() const;
    CommStatus writeAll(QByteArrayView bytes);
    // A failure naming the open port, or the chosen one while the port is closed.
    CommError failure(CommErrorCode code, const QString &detail = {}) const;

    HANDLE m_handle = INVALID_HANDLE_VALUE;
    HANDLE m_readEvent;
    HANDLE m_writeEvent;
    OVERLAPPED m_readState = {};
    QWinEventNotifier *m_readNotifier;
    bool m_reading = false;
    QByteArray m_readChunk;
    int m_commPort = kDefaultPort;
    int m_handshake = NoHandshake;
    int m_openPort = 0;
    // Bytes read from the port and not yet handed out; after a loss, the last the device sent.
    QByteArray m_keptInput;
    std::optional<CommError> m_deviceLost;
    // Why the open port has no modem lines to read (a virtual port), once that is known.
    mutable std::optional<CommError> m_noModemLines;

    static constexpr int kDefaultPort = 1;
    static constexpr DWORD kBaudRate = 19200;
    // Twice a byte's time on the line: a pause this long ends a burst of received bytes.
    static constexpr DWORD kReadIntervalMs = 1;
    // One read takes what arrived, up to this much; the next read is started at once.
    static constexpr qsizetype kReadChunk = 64 * 1024;
    // Reading pauses while this much waits unread, so that a flood is held in the system and the
    // sender slowed by the handshake, as on Linux; the next input() starts it again.
    static constexpr qsizetype kMostPerPoll = 512 * 1024;
    // A byte takes half a millisecond on the line; the system takes it into its queue at once
    // unless the device holds CTS low. Longer than this and the write counts as refused.
    static constexpr DWORD kWriteWaitMs = 50;
};

} // namespace talvor
