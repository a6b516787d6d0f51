// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "commerror.h"
#include "errormessage.h"
#include "portdirectory.h"

namespace talvor {

// The German text for a failure of the serial component: what happened, on which port and device,
// and what to do; the system's own detail follows where the component gave one.
ErrorMessage failureMessage(const CommError &error, const PortTarget &target,
                            const PortDirectory &ports);

// Failure 2 for an entry under [Devices] that exists but names no device: which entry, and what is
// wrong with it.
ErrorMessage unusableEntryMessage(int port, PortDevice::Entry entry);

} // namespace talvor
