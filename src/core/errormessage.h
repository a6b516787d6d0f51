// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace talvor {

// A failure as the user sees it: this program's number (README.md lists them) and a German text
// that says what happened, where, and what to do.
struct ErrorMessage {
    int number = 0;
    QString description;

    friend bool operator==(const ErrorMessage &, const ErrorMessage &) = default;
};

// "Fehler <number> <description>", the form in which the error line shows every failure.
QString errorLineText(const ErrorMessage &error);

} // namespace talvor
