// SPDX-License-Identifier: GPL-3.0-or-later
// The sending half of the Win32 serial component.
#include "win32commcomponent.h"

#include "win32linesetup.h"

namespace talvor {

namespace {

const CommError kRefused{CommErrorCode::WriteFailed, {}};

} // namespace

CommStatus Win32CommComponent::write(QByteArrayView bytes)
{
    if (CommStatus refused = refusal())
        return refused;
    const CommStatus error = writeAll(bytes);
    if (!error || !isOpen())
        return error;
    // The refused bytes must not go out later, unasked, when the device takes data again. A
    // vanished device refuses that too, and the port is closed as lost.
    if (!PurgeComm(m_handle, PURGE_TXABORT | PURGE_TXCLEAR))
        return loseDevice("PurgeComm", GetLastError());
    return error;
}

// Under RTS/CTS a device that holds CTS low takes nothing: refused before anything waits.
// serial.sys says so in fCtsHold; FTDI, CP210x and PL2303 hold the byte in the chip and never set
// it, so CTS itself is asked as well.
CommStatus Win32CommComponent::refusal()
{
    COMSTAT state = {};
    DWORD errors = 0;
    if (!ClearCommError(m_handle, &errors, &state))
        return loseDevice("ClearCommError", GetLastError());
    if (state.fCtsHold)
        return kRefused;
    if (!rtsCts())
        return {};
    const CommResult<ModemLines> lines = modemLines();
    if (lines.ok() && !lines.value().cts)
        return kRefused;
    return isOpen() ? CommStatus() : CommStatus(lines.error());
}

// The write timeouts end a write that the device does not take on the system's side; the wait
// here allows that time and kEndWaitMs more, and a write that then still has not ended is
// cancelled, once more with a bounded wait.
CommStatus Win32CommComponent::writeAll(QByteArrayView bytes)
{
    m_io->outgoing = bytes.toByteArray();
    const DWORD size = DWORD(bytes.size());
    if (!WriteFile(m_handle, m_io->outgoing.constData(), size, nullptr, m_io->write.start()) &&
        GetLastError() != ERROR_IO_PENDING) {
        m_io->write.pending = false;
        m_diagnostics.systemError("WriteFile", GetLastError());
        return kRefused;
    }
    Win32Outcome written =
        m_io->finish(m_handle, m_io->write, kWriteMs + kWriteMsPerByte * size + kEndWaitMs);
    if (!written.ended) {
        CancelIoEx(m_handle, &m_io->write.state);
        written = m_io->finish(m_handle, m_io->write, kEndWaitMs);
        if (!written.ended)
            return loseDevice("WriteFile", WAIT_TIMEOUT);
    }
    if (written.ok && written.count == size)
        return {};
    m_diagnostics.systemError("WriteFile", written.ok ? ERROR_TIMEOUT : written.error);
    return kRefused;
}

} // namespace talvor
