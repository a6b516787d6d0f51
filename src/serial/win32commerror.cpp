// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32commerror.h"

namespace talvor {

// "Windows-Fehler 5: Zugriff verweigert." in the user's language, for the cases that no text of
// ours explains.
QString systemMessage(DWORD error)
{
    wchar_t *text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
    const QString message =
        length > 0 ? QString::fromWCharArray(text, length).trimmed() : QString();
    LocalFree(text);
    return message.isEmpty() ? QStringLiteral("Windows-Fehler %1").arg(error)
                             : QStringLiteral("Windows-Fehler %1: %2").arg(error).arg(message);
}

// What opening \\.\COMn failed with. Windows refuses a COM port that another program holds with
// ERROR_ACCESS_DENIED: a COM port has no rights of its own to lack.
CommErrorCode openFailure(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return CommErrorCode::DeviceNotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
        return CommErrorCode::DeviceBusy;
    default:
        return CommErrorCode::OpenFailed;
    }
}

// Windows and Wine (for a pseudo-terminal's modem lines) say ERROR_NOT_SUPPORTED.
bool isNotSupported(DWORD error)
{
    return error == ERROR_NOT_SUPPORTED;
}

} // namespace talvor
