// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "commcomponentbase.h"

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
class Win32CommComponent : public QObject, public CommComponentBase {
    Q_OBJECT

public:
    explicit Win32CommComponent(QObject *parent = nullptr);
    ~Win32CommComponent() override;

protected:
    bool isOpen() const override;
    CommStatus openDevice() override;
    // Waits for the pending read to end, as its buffer is the system's until then.
    void closeDevice() override;
    // Refused at once while the device holds CTS low under RTS/CTS; waits kWriteWaitMs at most.
    CommStatus write(QByteArrayView bytes) override;
    // Also what the system holds beside the pending read, which the next input() takes.
    CommResult<qint64> waitingCount() override;
    QByteArray takeWaiting() override;
    CommResult<ModemLines> modemLines() const override;

private:
    CommStatus setUpLine();
    void closePort();
    void startRead();
    void takeFromSystem();
    void finishRead();
    void loseDevice(DWORD systemError);
    CommStatus writeAll(QByteArrayView bytes);
    static CommError failure(CommErrorCode code, const QString &detail = {});

    HANDLE m_handle = INVALID_HANDLE_VALUE;
    HANDLE m_readEvent;
    HANDLE m_writeEvent;
    OVERLAPPED m_readState = {};
    QWinEventNotifier *m_readNotifier;
    bool m_reading = false;
    QByteArray m_readChunk;

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
