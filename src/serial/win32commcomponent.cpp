// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32commcomponent.h"

#include "portdevice.h"
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

CommResult<bool> Win32CommComponent::portOpen() const
{
    return isOpen();
}

CommStatus Win32CommComponent::setPortOpen(bool open)
{
    if (open)
        return openPort();
    // Closing on purpose drops what was not read; only a lost device's last bytes are kept.
    if (isOpen()) {
        closePort(QStringLiteral("asked"));
        m_keptInput.clear();
    }
    return {};
}

CommStatus Win32CommComponent::setHandshaking(int handshake)
{
    if (handshake != NoHandshake && handshake != RtsCts)
        return failure(CommErrorCode::InvalidHandshake, QStringLiteral("Wert %1").arg(handshake));
    m_handshake = handshake;
    return {};
}

CommStatus Win32CommComponent::setCommPort(int port)
{
    m_commPort = port;
    return {};
}

// The component drives RTS whenever the port is open (on, or by the handshake); where the port
// has no modem lines at all, that is said instead, as for CTS.
CommResult<bool> Win32CommComponent::rtsEnable()
{
    const CommResult<DWORD> status = modemStatus();
    return status.ok() ? CommResult<bool>(true) : CommResult<bool>(status.error());
}

CommResult<bool> Win32CommComponent::ctsHolding()
{
    const CommResult<DWORD> status = modemStatus();
    return status.ok() ? CommResult<bool>((status.value() & MS_CTS_ON) != 0)
                       : CommResult<bool>(status.error());
}

CommResult<qint64> Win32CommComponent::inBufferCount()
{
    if (!isOpen()) {
        if (!m_keptInput.isEmpty())
            return qint64(m_keptInput.size());
        return failure(CommErrorCode::NotOpen);
    }
    if (!takeFromSystem())
        return *m_deviceLost;
    // A wait that ended without bytes is started again here, once a tick.
    armWait();
    return qint64(m_keptInput.size());
}

CommResult<QByteArray> Win32CommComponent::input()
{
    if (!isOpen() && m_keptInput.isEmpty())
        return failure(CommErrorCode::NotOpen);
    if (isOpen())
        takeFromSystem();
    QByteArray bytes = std::exchange(m_keptInput, {});
    if (isOpen())
        armWait();
    return bytes;
}

std::optional<CommError> Win32CommComponent::takeDeviceLost()
{
    return std::exchange(m_deviceLost, std::nullopt);
}

CommStatus Win32CommComponent::openPort()
{
    if (isOpen())
        return failure(CommErrorCode::AlreadyOpen);
    m_keptInput.clear();
    m_deviceLost.reset();
    m_emptyWakeUps = 0;
    if (m_commPort < kFirstPort || m_commPort > kLastPort)
        return failure(CommErrorCode::InvalidPortNumber);
    const std::wstring path = L"\\\\.\\COM" + std::to_wstring(m_commPort);
    m_handle = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_FLAG_OVERLAPPED, nullptr);
    if (!isOpen()) {
        const DWORD error = GetLastError();
        const CommErrorCode code = openFailure(error);
        return failure(code, code == CommErrorCode::OpenFailed ? systemMessage(error) : QString());
    }
    m_openPort = m_commPort;
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

// The line as talvorLine() says, read back for the diagnostics; the wait for received bytes.
CommStatus Win32CommComponent::setUpLine()
{
    DCB current = {};
    current.DCBlength = sizeof current;
    bool done = GetCommState(m_handle, &current);
    Win32LineSetup setup = talvorLine(current, m_handshake == RtsCts);
    done = done && SetCommState(m_handle, &setup.dcb) &&
           SetCommTimeouts(m_handle, &setup.timeouts) && SetCommMask(m_handle, EV_RXCHAR) &&
           PurgeComm(m_handle, PURGE_RXCLEAR | PURGE_TXCLEAR) &&
           GetCommState(m_handle, &setup.dcb) && GetCommTimeouts(m_handle, &setup.timeouts);
    if (done) {
        m_diagnostics.opened(m_openPort, setup);
        return {};
    }
    const DWORD error = GetLastError();
    m_diagnostics.systemError("SetCommState", error);
    return failure(CommErrorCode::OpenFailed, systemMessage(error));
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
        m_io->wait.pending = false;
        loseDevice("WaitCommEvent", GetLastError());
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
    m_deviceLost = failure(CommErrorCode::DeviceLost, systemMessage(systemError));
    closePort(QStringLiteral("lost"));
    return *m_deviceLost;
}

// A port without modem lines (a virtual one) says "not supported"; any other failure is a lost
// device, which some USB drivers report only here and in ClearCommError.
CommResult<DWORD> Win32CommComponent::modemStatus()
{
    if (!isOpen())
        return failure(CommErrorCode::NotOpen);
    DWORD status = 0;
    if (GetCommModemStatus(m_handle, &status))
        return status;
    const DWORD error = GetLastError();
    if (isNotSupported(error))
        return failure(CommErrorCode::ReadFailed, systemMessage(error));
    return loseDevice("GetCommModemStatus", error);
}

CommError Win32CommComponent::failure(CommErrorCode code, const QString &detail) const
{
    const int port = isOpen() || code == CommErrorCode::DeviceLost ? m_openPort : m_commPort;
    return makeCommError(code, port, deviceForPort(port).path, detail);
}

} // namespace talvor
