// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "talvorprotocol.h"

#include <QtGlobal>

namespace talvor {

// For the button cmdInit(index): 0 initialises the detectors (0x20), 1 to 24 request that
// detector (0x41 to 0x58).
quint8 initCommandByte(int index);

// For cmdProg with the 0-based position of the chosen cmbDetektor entry: programs the address of
// detector position + 1 (0x81 to 0x98).
quint8 programCommandByte(int listPosition);

} // namespace talvor
