// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

#include <optional>

namespace talvor {

// Answers "--help" (or "-h") and "--version" on standard output before any window exists; the
// first of them on the command line counts. Returns the exit status when it answered, nothing
// when the program goes on to open its window (every other argument is the port list's).
std::optional<int> answerCommandLine(int argc, const char *const argv[]);

// While it lives, Qt failing to reach a display (no X11 or Wayland session, or one that does not
// answer) ends the program with status 1 and a German message on standard error instead of Qt's
// abort. Held around the construction of the QApplication: Qt's messages about the display are
// held back until then, and passed on if the display was reached after all.
class DisplayCheck {
public:
    DisplayCheck();
    ~DisplayCheck();

    DisplayCheck(const DisplayCheck &) = delete;
    DisplayCheck &operator=(const DisplayCheck &) = delete;
};

} // namespace talvor
