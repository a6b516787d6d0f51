// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "portdevice.h"

#include <QString>

#include <optional>
#include <utility>

namespace talvor {

// The failures of the serial port component. The numbers are this program's own and are shown to
// the user as "Fehler <number> <text>"; README.md lists them. Never renumber an entry: users quote
// these numbers when they ask for help.
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
    // 13 is a file that could not be written (FileWriteError of the recording).
};

struct CommError {
    int number = 0;
    QString description;

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

// The German text the user sees for a failure: what happened, on which port and device, and what
// to do. `port` is the port number, `device` its device path or name (may be empty), `detail` the
// operating system's own message where one helps.
CommError makeCommError(CommErrorCode code, int port, const QString &device,
                        const QString &detail = {});

// Failure 2 for an entry under [Devices] that exists but names no device: which entry, and what is
// wrong with it.
CommError unusableEntryError(int port, PortDevice::Entry entry);

// "Fehler <number> <description>", the form in which the error line shows every failure.
QString errorLineText(const CommError &error);

} // namespace talvor
