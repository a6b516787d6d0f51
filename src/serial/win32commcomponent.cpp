// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32commcomponent.h"

#include "win32commerror.h"

#include <QWinEventNotifier>

#include <string>
#include <utility>

namespace talvor {

Win32CommComponent::Win32CommComponent(QObject *parent)
    : QObject(parent)
    , m_readEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr))
    , m_writeEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr))
    , m_readNotifier(new QWinEventNotifier(m_readEvent, this))
    , m_readChunk(kReadChunk, Qt::Uninitialized)
{
    m_readNotifier->setEnabled(false);
    connect(m_readNotifier, &QWinEventNotifier::activated, this, &Win32CommComponent::finishRead);
}

Win32CommComponent::~Win32CommComponent()
{
    closePort();
    delete m_readNotifier;
    CloseHandle(m_readEvent);
    CloseHandle(m_writeEvent);
}

bool Win32CommComponent::isOpen() const
{
    return m_handle != INVALID_HANDLE_VALUE;
}

void Win32CommComponent::closeDevice()
{
    closePort();
}

CommResult<qint64> Win32CommComponent::waitingCount()
{
    // Bytes the system holds beyond the pending read: only while reading pauses under a flood.
    COMSTAT state = {};
    DWORD errors = 0;
    if (!ClearCommError(m_handle, &errors, &state))
        return failure(CommErrorCode::ReadFailed, systemMessage(GetLastError()));
    return qint64(m_keptInput.size()) + state.cbInQue;
}

QByteArray Win32CommComponent::takeWaiting()
{
    takeFromSystem();
    QByteArray bytes = std::exchange(m_keptInput, {});
    if (isOpen() && !m_reading)
        startRead();
    return bytes;
}

CommStatus Win32CommComponent::write(QByteArrayView bytes)
{
    // Under RTS/CTS a device that holds CTS low takes nothing: refused before anything waits.
    COMSTAT state = {};
    DWORD errors = 0;
    if (ClearCommError(m_handle, &errors, &state) && state.fCtsHold)
        return failure(CommErrorCode::WriteFailed);
    const CommStatus error = writeAll(bytes);
    if (!error)
        return {};
    // The refused bytes must not go out later, unasked, when the device takes data again. A
    // vanished device refuses that too, and the port is closed as lost.
    if (!PurgeComm(m_handle, PURGE_TXABORT | PURGE_TXCLEAR)) {
        loseDevice(GetLastError());
        return m_deviceLost;
    }
    return error;
}

CommStatus Win32CommComponent::openDevice()
{
    const std::wstring path = L"\\\\.\\" + device().toStdWString();
    m_handle = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_FLAG_OVERLAPPED, nullptr);
    if (!isOpen()) {
        const DWORD error = GetLastError();
        const CommErrorCode code = openFailure(error);
        return failure(code, code == CommErrorCode::OpenFailed ? systemMessage(error) : QString());
    }
    if (CommStatus error = setUpLine()) {
        closePort();
        return error;
    }
    startRead();
    return {};
}

// 19200 8N1, the handshake, and reads that wait for the first byte without a time limit and then
// return once the line has been quiet for kReadIntervalMs: a burst of bytes comes in one read, as
// soon as it is over. (The usual "return at once with what is there" settings, an interval of
// MAXDWORD with or without MAXDWORD multipliers, never complete an overlapped read under Wine.)
CommStatus Win32CommComponent::setUpLine()
{
    DCB dcb = {};
    dcb.DCBlength = sizeof dcb;
    const bool rtsCts = this->rtsCts();
    bool done = GetCommState(m_handle, &dcb);
    dcb.BaudRate = kBaudRate;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    dcb.fOutxCtsFlow = rtsCts;
    dcb.fRtsControl = rtsCts ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_ENABLE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fNull = FALSE;
    dcb.fAbortOnError = FALSE;
    COMMTIMEOUTS timeouts = {kReadIntervalMs, 0, 0, 0, kWriteWaitMs};
    done = done && SetCommState(m_handle, &dcb) && SetCommTimeouts(m_handle, &timeouts) &&
           PurgeComm(m_handle, PURGE_RXCLEAR | PURGE_TXCLEAR);
    if (done)
        return {};
    return failure(CommErrorCode::OpenFailed, systemMessage(GetLastError()));
}

void Win32CommComponent::closePort()
{
    if (!isOpen())
        return;
    m_readNotifier->setEnabled(false);
    if (m_reading) {
        // The read's buffer is ours until the system says that the cancelled read is over.
        DWORD count = 0;
        CancelIoEx(m_handle, &m_readState);
        GetOverlappedResult(m_handle, &m_readState, &count, TRUE);
        m_reading = false;
    }
    CloseHandle(m_handle);
    m_handle = INVALID_HANDLE_VALUE;
}

void Win32CommComponent::startRead()
{
    if (m_keptInput.size() >= kMostPerPoll)
        return;
    m_readState = {};
    m_readState.hEvent = m_readEvent;
    ResetEvent(m_readEvent);
    // Done at once or pending: either way the event is set when the bytes are there.
    if (!ReadFile(m_handle, m_readChunk.data(), DWORD(m_readChunk.size()), nullptr, &m_readState) &&
        GetLastError() != ERROR_IO_PENDING) {
        loseDevice(GetLastError());
        return;
    }
    m_reading = true;
    m_readNotifier->setEnabled(true);
}

// Bytes that the system holds beside a pending read (Wine at times leaves a read waiting while
// bytes wait in the queue) are taken now: the pending read ends, with what it took, and the next
// one, started at once, finds the bytes there and completes.
void Win32CommComponent::takeFromSystem()
{
    COMSTAT state = {};
    DWORD errors = 0;
    if (!m_reading || !ClearCommError(m_handle, &errors, &state) || state.cbInQue == 0)
        return;
    m_readNotifier->setEnabled(false);
    DWORD count = 0;
    CancelIoEx(m_handle, &m_readState);
    GetOverlappedResult(m_handle, &m_readState, &count, TRUE);
    m_reading = false;
    m_keptInput.append(m_readChunk.constData(), count);
    startRead();
}

void Win32CommComponent::finishRead()
{
    DWORD count = 0;
    if (!m_reading || !GetOverlappedResult(m_handle, &m_readState, &count, FALSE)) {
        const DWORD error = GetLastError();
        if (m_reading && error != ERROR_IO_INCOMPLETE) {
            m_reading = false;
            loseDevice(error);
        }
        return;
    }
    m_reading = false;
    m_readNotifier->setEnabled(false);
    m_keptInput.append(m_readChunk.constData(), count);
    startRead();
}

// A pulled USB adapter fails the pending read (ERROR_ACCESS_DENIED, ERROR_GEN_FAILURE, ...), a
// virtual port whose other end closed with ERROR_BROKEN_PIPE. The bytes read so far stay.
void Win32CommComponent::loseDevice(DWORD systemError)
{
    m_deviceLost = failure(CommErrorCode::DeviceLost, systemMessage(systemError));
    closePort();
}

// The component drives RTS whenever the port is open (on, or by the handshake).
CommResult<CommComponentBase::ModemLines> Win32CommComponent::modemLines() const
{
    DWORD status = 0;
    if (GetCommModemStatus(m_handle, &status))
        return ModemLines{true, (status & MS_CTS_ON) != 0};
    const DWORD error = GetLastError();
    const CommError failed = failure(CommErrorCode::ReadFailed, systemMessage(error));
    if (error == ERROR_NOT_SUPPORTED)
        m_noModemLines = failed;
    return failed;
}

// The write waits at most kWriteWaitMs (the write timeout ends it on the system's side too), so
// that a device that takes nothing costs the window no more than one tick.
CommStatus Win32CommComponent::writeAll(QByteArrayView bytes)
{
    OVERLAPPED state = {};
    state.hEvent = m_writeEvent;
    ResetEvent(m_writeEvent);
    DWORD written = 0;
    bool done = WriteFile(m_handle, bytes.data(), DWORD(bytes.size()), nullptr, &state);
    if (!done && GetLastError() == ERROR_IO_PENDING) {
        if (WaitForSingleObject(m_writeEvent, kWriteWaitMs) != WAIT_OBJECT_0)
            CancelIoEx(m_handle, &state);
        done = true;
    }
    done = done && GetOverlappedResult(m_handle, &state, &written, TRUE);
    if (done && written == DWORD(bytes.size()))
        return {};
    return failure(CommErrorCode::WriteFailed);
}

CommError Win32CommComponent::failure(CommErrorCode code, const QString &detail)
{
    return {code, detail};
}

} // namespace talvor
