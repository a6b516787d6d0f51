// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace talvor {

// Whether the command line asks for the check instead of the window.
bool wantsCheck(int argc, char *argv[]);

// talvor-tester --check N ...: the unattended check, without a window and without a display.
// Returns the exit status: 0 every expected detector passed, 1 at least one did not, 2 the check
// could not run (a wrong command line, the port, no answer at all, a file not written).
int runCheck(int argc, char *argv[]);

} // namespace talvor
