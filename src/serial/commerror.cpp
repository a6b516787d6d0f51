// SPDX-License-Identifier: GPL-3.0-or-later
#include "commerror.h"

namespace talvor {

int longestLockablePath(const QString &device)
{
    constexpr int kLongestFileName = 255;
    const QString lockPrefix = QStringLiteral("LCK..");
    const QString devPrefix = QStringLiteral("/dev/");
    return kLongestFileName - lockPrefix.size() +
           (device.startsWith(devPrefix) ? devPrefix.size() : 0);
}

} // namespace talvor
