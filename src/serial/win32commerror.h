// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "commerror.h"

#include <windows.h>

namespace talvor {

// "Windows-Fehler 5: Zugriff verweigert." in the user's language, for the cases that no text of
// ours explains.
QString systemMessage(DWORD error);

// What opening \\.\COMn failed with, as this program's failure.
CommErrorCode openFailure(DWORD error);

// Whether a call failed because the port cannot do it (a virtual port without modem lines) rather
// than because the device is gone.
bool isNotSupported(DWORD error);

} // namespace talvor
