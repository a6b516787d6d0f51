// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settingswrite.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

namespace talvor::settingsfile {

struct Contents {
    bool readable = true; // a missing file is readable and empty
    QByteArray bytes;
};

Contents read(const QString &path);

// Changes the file whole or not at all: `edit` gets its bytes, read under the lock that other
// writers of the file take too, and gives the new bytes (nothing: refused). The new file is
// written beside the old one and renamed over it only once every byte is on the disk, so a full
// disk, a short write or a file that may not be replaced leaves the old file byte for byte.
SettingsWrite replace(const QString &path,
                      const std::function<std::optional<QByteArray>(const QByteArray &)> &edit);

} // namespace talvor::settingsfile
