// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32commcomponent.h"

#include "win32commerror.h"
#include "win32linesetup.h"

#include <QWinEventNotifier>

#include <algorithm>
#include <string>
#include <utility>

namespace talvor {

Win32CommComponent::Win32CommComponent(QObject *parent)
    : QObject(parent)
{
}

Win32CommComponent::~Win32CommComponent()
{
    closePort(QStringLiteral("end"));
}

CommStatus Win32CommComponent::openDevice()
{
    m_emptyWakeUps = 0;
    const std::wstring path = L"\\\\.\\" + device().toStdWString();
    m_handle = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_FLAG_OVERLAPPED, nullptr);
    if (!isOpen()) {
        const DWORD error = GetLastError();
        const CommErrorCode code = openFailure(error);
        return CommError{code,
                         code == CommErrorCode::OpenFailed ? systemMessage(error) : QString()};
    }
    m_io = std::make_unique<Win32PortIo>();
    m_waitNotifier = new QWinEventNotifier(m_io->wait.event, this);
    m_waitNotifier->setEnabled(false);
    connect(m_waitNotifier, &QWinEventNotifier::activated, this, &Win32CommComponent::finishWait);
    if (CommStatus error = setUpLine()) {
        closePort(QStringLiteral("set-up failed"));
        return error;
    }
    armWait();
    return {};
}

void Win32CommComponent::closeDevice()
{
    closePort(QStringLiteral("asked"));
}

CommResult<qint64> Win32CommComponent::waitingCount()
{
    if (!takeFromSystem())
        return *m_deviceLost;
    // A wait that ended without bytes is started again here, once a tick.
    armWait();
    return qint64(m_keptInput.size());
}

QByteArray Win32CommComponent::takeWaiting()
{
    takeFromSystem();
    QByteArray bytes = std::exchange(m_keptInput, {});
    armWait();
    return bytes;
}

// The line as talvorLine() says, read back for the diagnostics; the wait for received bytes.
CommStatus Win32CommComponent::setUpLine()
{
    DCB current = {};
    current.DCBlength = sizeof current;
    bool done = GetCommState(m_handle, &current);
    Win32LineSetup setup = talvorLine(current, rtsCts());
    done = done && SetCommState(m_handle, &setup.dcb) &&
           SetCommTimeouts(m_handle, &setup.timeouts) && SetCommMask(m_handle, EV_RXCHAR) &&
           PurgeComm(m_handle, PURGE_RXCLEAR | PURGE_TXCLEAR) &&
           GetCommState(m_handle, &setup.dcb) && GetCommTimeouts(m_handle, &setup.timeouts);
    if (done) {
        m_diagnostics.opened(device(), setup);
        return {};
    }
    const DWORD error = GetLastError();
    m_diagnostics.systemError("SetCommState", error);
    return CommError{CommErrorCode::OpenFailed, systemMessage(error)};
}

// Every request still under way is ended (SetCommMask ends the wait, as the documentation of
// WaitCommEvent says) and waited for, but only so long: a driver that never ends a cancelled
// request after its device was pulled must not freeze the window.
void Win32CommComponent::closePort(const QString &why)
{
    if (!isOpen())
        return;
    delete m_waitNotifier;
    m_waitNotifier = nullptr;
    SetCommMask(m_handle, 0);
    CancelIoEx(m_handle, nullptr);
    if (!m_io->settle(kEndWaitMs)) {
        m_diagnostics.leaked();
        // Deliberately never freed: the system may still write into it.
        (void)m_io.release();
    }
    m_io.reset();
    CloseHandle(m_handle);
    m_handle = INVALID_HANDLE_VALUE;
    m_diagnostics.closed(why);
}

void Win32CommComponent::armWait()
{
    if (!isOpen() || m_io->wait.pending || m_keptInput.size() >= kMostPerPoll ||
        m_emptyWakeUps >= kEmptyWakeUps)
        return;
    m_io->events = 0;
    if (!WaitCommEvent(m_handle, &m_io->events, m_io->wait.start()) &&
        GetLastError() != ERROR_IO_PENDING) {
        // A driver that cannot wait is read by the poll alone; whether its device is gone, the
        // poll's ClearCommError tells.
        m_io->wait.pending = false;
        m_diagnostics.waitFailed(GetLastError());
        m_emptyWakeUps = kEmptyWakeUps;
        return;
    }
    m_waitNotifier->setEnabled(true);
}

// A wait that ended with bytes is started again at once; one that found nothing is left to the
// next poll, and after kEmptyWakeUps of these in a row the port is read by the poll alone, so
// that a driver that ends waits without a byte cannot keep waking the window's thread. (Wine
// ends every wait on a port without modem lines so, with ERROR_OPERATION_ABORTED.) A failed wait
// alone is no loss: the ClearCommError that follows tells whether the device is gone.
void Win32CommComponent::finishWait()
{
    const Win32Outcome wait = m_io->finish(m_handle, m_io->wait, 0);
    if (!wait.ended)
        return;
    m_waitNotifier->setEnabled(false);
    if (!wait.ok)
        m_diagnostics.waitFailed(wait.error);
    const qsizetype before = m_keptInput.size();
    if (!takeFromSystem())
        return;
    const bool brought = m_keptInput.size() > before;
    m_diagnostics.wokeUp(brought);
    m_emptyWakeUps = brought ? 0 : m_emptyWakeUps + 1;
    if (brought)
        armWait();
}

// Moves what the system holds into the component, at most kReadChunk a read. False when the
// device is gone.
bool Win32CommComponent::takeFromSystem()
{
    while (m_keptInput.size() < kMostPerPoll) {
        COMSTAT state = {};
        DWORD errors = 0;
        if (!ClearCommError(m_handle, &errors, &state)) {
            loseDevice("ClearCommError", GetLastError());
            return false;
        }
        m_diagnostics.lineErrors(errors);
        const DWORD count =
            std::min({state.cbInQue, kReadChunk, DWORD(kMostPerPoll - m_keptInput.size())});
        if (count == 0)
            return true;
        if (!readWaiting(count))
            return isOpen();
    }
    return true;
}

// Reads `count` bytes that the system holds; the timeouts make the read return at once. False
// when it brought nothing or the device is gone.
bool Win32CommComponent::readWaiting(DWORD count)
{
    if (!ReadFile(m_handle, m_io->incoming.data(), count, nullptr, m_io->read.start()) &&
        GetLastError() != ERROR_IO_PENDING) {
        m_io->read.pending = false;
        loseDevice("ReadFile", GetLastError());
        return false;
    }
    const Win32Outcome read = m_io->finish(m_handle, m_io->read, kEndWaitMs);
    if (!read.ok) {
        loseDevice("ReadFile", read.error);
        return false;
    }
    m_diagnostics.read(read.count);
    m_keptInput.append(m_io->incoming.data(), read.count);
    return read.count > 0;
}

// A pulled USB adapter fails the line's calls (ERROR_ACCESS_DENIED, ERROR_GEN_FAILURE, ...), a
// virtual port whose other end closed with ERROR_BROKEN_PIPE. The bytes read so far stay.
CommError Win32CommComponent::loseDevice(const char *call, DWORD systemError)
{
    m_diagnostics.systemError(call, systemError);
    m_deviceLost = CommError{CommErrorCode::DeviceLost, systemMessage(systemError)};
    closePort(QStringLiteral("lost"));
    return *m_deviceLost;
}

// The component drives RTS whenever the port is open (on, or by the handshake). A port without
// modem lines (a virtual one, a pseudo-terminal under Wine) says ERROR_NOT_SUPPORTED and is asked
// again on the next poll all the same, so that a loss shows here too; any other failure is a lost
// device, which some USB drivers report only here and in ClearCommError.
CommResult<CommComponentBase::ModemLines> Win32CommComponent::modemLines()
{
    DWORD status = 0;
    if (GetCommModemStatus(m_handle, &status))
        return ModemLines{true, (status & MS_CTS_ON) != 0};
    const DWORD error = GetLastError();
    if (isNotSupported(error))
        return CommError{CommErrorCode::ReadFailed, systemMessage(error)};
    return loseDevice("GetCommModemStatus", error);
}

} // namespace talvor
