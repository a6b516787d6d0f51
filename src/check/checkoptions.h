// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>

namespace talvor {

// The unattended check's command line: talvor-tester --check N [--rtscts 0|1] [--wait SECONDS]
// [--report FILE] [--expect FILE] [--record FILE].
struct CheckOptions {
    static constexpr std::chrono::milliseconds kDefaultWait{3000};

    int port = 0;               // "COM n"
    std::optional<bool> rtsCts; // none: the remembered choice
    std::chrono::milliseconds wait = kDefaultWait;
    QString reportPath; // none: a summary on standard output
    QString expectPath; // none: every detector must answer
    QString recordPath; // none: no recording

    friend bool operator==(const CheckOptions &, const CheckOptions &) = default;
};

struct ParsedCheckOptions {
    std::optional<CheckOptions> options; // none when the command line is wrong
    QString error;                       // what is wrong, in German
};

// Whether the command line (the arguments after the program's name) asks for the check.
bool asksForCheck(const QStringList &arguments);

// Values follow as the next argument or after "=".
ParsedCheckOptions parseCheckOptions(const QStringList &arguments);

} // namespace talvor
