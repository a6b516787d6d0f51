// SPDX-License-Identifier: GPL-3.0-or-later
#include "systemcommcomponent.h"

#ifdef Q_OS_WIN
#include "win32commcomponent.h"
#else
#include "qtcommcomponent.h"
#endif

namespace talvor {

std::unique_ptr<CommComponent> makeSystemCommComponent()
{
#ifdef Q_OS_WIN
    return std::make_unique<Win32CommComponent>();
#else
    return std::make_unique<QtCommComponent>();
#endif
}

} // namespace talvor
