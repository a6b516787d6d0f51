// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

namespace talvor {

// A recording or a saved log that could not be written. The error line shows it as
// "Fehler 13 ...", after the serial port's failures 1 to 12; README.md lists the numbers, and users
// quote them, so it never changes.
struct FileWriteError {
    static constexpr int kNumber = 13;
    QString description;

    friend bool operator==(const FileWriteError &, const FileWriteError &) = default;
};

// A file operation without a value: empty on success.
using FileStatus = std::optional<FileWriteError>;

// "<file name> kann nicht geschrieben werden. Ordner und freien Platz prüfen. (<detail>)"
FileWriteError fileWriteError(const QString &path, const QString &detail);

} // namespace talvor
