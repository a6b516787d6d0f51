// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32linesetup.h"

namespace talvor {

namespace {

constexpr DWORD kBaudRate = 19200;
constexpr char kXon = 0x11;
constexpr char kXoff = 0x13;

} // namespace

// Reads with an interval of MAXDWORD and no total time return at once with what is there, on
// serial.sys and the USB drivers alike; they are started only when EV_RXCHAR or ClearCommError
// says that bytes are there. An interval timeout instead ends a read on serial.sys only at a
// clock tick that saw no new byte: never while bytes keep coming.
Win32LineSetup talvorLine(const DCB &current, bool rtsCts)
{
    Win32LineSetup setup{current, {MAXDWORD, 0, 0, kWriteMsPerByte, kWriteMs}};
    DCB &dcb = setup.dcb;
    dcb.DCBlength = sizeof dcb;
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
    dcb.fTXContinueOnXoff = TRUE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fAbortOnError = FALSE;
    dcb.XonChar = kXon;
    dcb.XoffChar = kXoff;
    dcb.ErrorChar = 0;
    dcb.EofChar = 0;
    dcb.EvtChar = 0;
    return setup;
}

} // namespace talvor
