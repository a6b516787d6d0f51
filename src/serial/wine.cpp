// SPDX-License-Identifier: GPL-3.0-or-later
#include "wine.h"

#include <bit>

#include <windows.h>

namespace talvor {

QString wineVersion()
{
    using VersionFunction = const char *(*)();
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    const FARPROC function = ntdll ? GetProcAddress(ntdll, "wine_get_version") : nullptr;
    if (!function)
        return {};
    return QString::fromLatin1(std::bit_cast<VersionFunction>(function)());
}

} // namespace talvor
