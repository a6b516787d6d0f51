// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

namespace talvor {

class SettingsStore;

inline constexpr int kDefaultPortCount = 16;
inline constexpr int kWidePortCount = 255;

// 255 ports when the command line (the arguments after the program's own) is the switch
// "/NOPORTLIMIT" alone, in any letter case; 16 otherwise.
int portCountFor(const QStringList &arguments);

struct RestoredChoices {
    int portPosition = 0; // zero-based entry of the port list
    bool rtsCts = true;
};

// The remembered port and handshake choice, with the defaults for missing values and the
// fallbacks for values that are not accepted.
RestoredChoices restoredChoices(const SettingsStore &settings, int portCount);

} // namespace talvor
