// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>
#include <utility>

namespace talvor {

// What went wrong on the line. The numbers are the ones the user sees as "Fehler <number> ..."
// (README.md lists them), so never renumber an entry: users quote them when they ask for help.
// The words around them are the core's; the component only says which failure and, where the
// system gave one, its own message.
enum class CommErrorCode : int {
    InvalidPortNumber = 1, // port number 0 or beyond the last port
    DeviceNotFound = 2,    // no device behind the port's path
    PermissionDenied = 3,  // the user may not open the device
    DeviceBusy = 4,        // another program holds the device
    AlreadyOpen = 5,       // the port is open already
    NotOpen = 6,           // an operation that needs an open port
    ReadFailed = 7,        // reading received bytes or a line state failed
    WriteFailed = 8,       // a byte could not be sent
    DeviceLost = 9,        // the device vanished while the port was open
    OpenFailed = 10,       // the port could not be opened or set up for another reason
    InvalidHandshake = 11, // a handshake other than 0 (none) or 2 (RTS/CTS)
    PathTooLong = 12,      // the device path is too long for the lock file that guards the device
    // 13 is a file that could not be written (the recording or a saved log).
};

struct CommError {
    CommErrorCode code = CommErrorCode::OpenFailed;
    QString detail; // the system's own message, where one helps; the handshake value for 11

    friend bool operator==(const CommError &, const CommError &) = default;
};

// The outcome of a component operation: a value, or the failure that prevented it.
template <typename T> class CommResult {
public:
    CommResult(T value)
        : m_value(std::move(value))
    {
    }
    CommResult(CommError error)
        : m_error(std::move(error))
    {
    }

    bool ok() const { return m_value.has_value(); }
    const T &value() const { return *m_value; }
    const CommError &error() const { return *m_error; }

private:
    std::optional<T> m_value;
    std::optional<CommError> m_error;
};

// An operation without a value: empty on success.
using CommStatus = std::optional<CommError>;

// Port numbers run from 1 to 255, as in the port list with /NOPORTLIMIT.
inline constexpr int kFirstPort = 1;
inline constexpr int kLastPort = 255;

// QSerialPort locks a device with a file in /var/lock named "LCK.." and the device's path, without
// a leading "/dev/" and with '/' as '_'. A file name holds at most 255 bytes on Linux, so a longer
// path can never be locked and its port never opens. The most bytes the path may have: 255 under
// /dev/, 250 elsewhere.
int longestLockablePath(const QString &device);

} // namespace talvor
