// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "commcomponentbase.h"
#include "win32commdiagnostics.h"
#include "win32portio.h"

#include <QObject>

#include <memory>

#include <windows.h>

class QWinEventNotifier;

namespace talvor {

// MSComm1 on the Win32 communications API: the device is the port's name (COM3), opened as
// \\.\COM3 for overlapped I/O with 19200 baud, 8 data bits, no parity, 1 stop bit and RTS/CTS as
// chosen. A wait for received bytes (WaitCommEvent, EV_RXCHAR) is pending while the port is idle;
// when it ends, its event wakes the window's thread, which reads what the system holds, in reads
// that return at once with what is there, so that the bytes are in the component before the
// adapter can be pulled. The poll reads too, so that a driver that never ends the wait costs no
// more than a tick. Any failure of the line's calls other than "not supported" means the device
// is gone: the port is closed, the bytes kept, and the loss kept for takeDeviceLost().
class Win32CommComponent : public QObject, public CommComponentBase {
    Q_OBJECT

public:
    explicit Win32CommComponent(QObject *parent = nullptr);
    ~Win32CommComponent() override;

    const Win32CommDiagnostics &diagnostics() const { return m_diagnostics; }

    // Waits that ended without a byte, in a row, after which the port is read by the poll alone.
    static constexpr int kEmptyWakeUps = 3;
    // Bytes per read at most.
    static constexpr DWORD kReadChunk = Win32PortIo::kReadChunk;

protected:
    bool isOpen() const override { return m_handle != INVALID_HANDLE_VALUE; }
    // Asked on every poll: a failure here is the only sign of an unplug that some USB drivers give.
    CommResult<ModemLines> modemLines() override;
    // Refused at once while the device holds CTS low under RTS/CTS.
    CommStatus write(QByteArrayView bytes) override;
    CommStatus openDevice() override;
    void closeDevice() override;
    CommResult<qint64> waitingCount() override;
    QByteArray takeWaiting() override;

private:
    CommStatus setUpLine();
    void closePort(const QString &why);
    void armWait();
    void finishWait();
    bool takeFromSystem();
    bool readWaiting(DWORD count);
    CommError loseDevice(const char *call, DWORD systemError);
    CommStatus refusal();
    CommStatus writeAll(QByteArrayView bytes);

    HANDLE m_handle = INVALID_HANDLE_VALUE;
    // While the port is open; see Win32PortIo for why it may outlive the port.
    std::unique_ptr<Win32PortIo> m_io;
    QWinEventNotifier *m_waitNotifier = nullptr;
    int m_emptyWakeUps = 0; // in a row
    Win32CommDiagnostics m_diagnostics;

    // Reading pauses while this much waits unread, so that a flood is held in the system and the
    // sender slowed by the handshake, as on Linux; the next input() starts it again.
    static constexpr qsizetype kMostPerPoll = 512 * 1024;
    // A request that returns at once, or a cancelled one, that has not ended after this long
    // never will: the port counts as lost and the request's memory is left to the system.
    static constexpr DWORD kEndWaitMs = 500;
};

} // namespace talvor
