// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace talvor {

// The one place that tells Wine from Windows, at run time: Wine's version ("8.0"), or empty on
// Windows. Wine's ntdll has wine_get_version, which no Windows has.
QString wineVersion();

} // namespace talvor
