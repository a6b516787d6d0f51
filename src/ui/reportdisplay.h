// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "controls.h"

#include "linestates.h"
#include "reportdecoder.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <span>

namespace talvor {

// What the detector table and the system-information labels show, as the reports that filled
// them. A report equal to the one a cell shows, in the same second, changes nothing there, so a
// device that repeats its reports costs no label update.
struct ShownReports {
    struct Cells {
        QByteArray frame;
        qint64 second = -1; // the second of its time text, as seconds since 1970 (UTC)
    };
    std::array<Cells, kDetectorCount + 1> address;
    std::array<Cells, kDetectorCount + 1> cv;
    QByteArray systemInfo;
    // The time of day of the current second, made once a second.
    qint64 second = -1;
    QString time;
};

// Numbers the rows 1 to 24 and empties the detector table and the system-information labels.
void resetDetectorTable(const Controls &controls, ShownReports &shown);

// The link indicator and the RTS and CTS labels.
void showLineStates(const Controls &controls, const LineStates &lines);

// Shows the reports of one decoder run, in order, each with the current time of day.
void showReports(const Controls &controls, ShownReports &shown, std::span<const Report> reports);

} // namespace talvor
