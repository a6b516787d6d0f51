// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "commcomponent.h"

#include <memory>

namespace talvor {

// The serial component for the system the program runs on: QSerialPort on Linux, the Win32
// communications API on Windows.
std::unique_ptr<CommComponent> makeSystemCommComponent();

} // namespace talvor
