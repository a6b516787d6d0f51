// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace talvor {

// The outcome of a write of the settings. A write that fails leaves the store as it was.
struct SettingsWrite {
    enum Failure {
        None,
        InvalidValue, // a line break or a NUL in the value: no line can hold it
        Locked,       // another program is writing the settings (its lock file stands)
        NoLock,       // the lock file cannot be made: no room or no permission in the folder
        NotAFile,     // a folder or something else that is no plain file stands in its place
        NotReadable,  // the file cannot be read, so it cannot be changed without losing it
        ReadOnly,     // the file or its folder may not be written (read-only, immutable)
        NoRoom,       // the disk or the user's quota is full
        Failed,       // anything else; systemError says what
    };
    Failure failure = None;
    int systemError = 0; // the system's error number where it said why, or 0

    bool ok() const { return failure == None; }
};

} // namespace talvor
