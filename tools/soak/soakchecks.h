// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "reportdecoder.h"

#include <QByteArray>
#include <QStringList>

#include <array>
#include <vector>

namespace talvor {
class TrafficLog;
}

namespace talvor::soak {

// The last frame of every kind of report in every row, and how many reports came.
struct ReportTable {
    std::array<QByteArray, kDetectorCount + 1> address;
    std::array<QByteArray, kDetectorCount + 1> cv;
    QByteArray systemInfo;
    qint64 reports = 0;

    void add(const Report &report);
};

// What the receive poll done the literal way finds in the bytes the device sent, read in the
// same chunks as the program read them.
ReportTable expectedTable(const QByteArray &sent, const std::vector<qsizetype> &chunks);

// Every cell whose last report told by the program is not the expected one, or nothing.
QStringList tableMismatches(const ReportTable &told, const ReportTable &expected);

// What is wrong with the end of the log against the hex of the last `count` bytes sent, or nothing.
QString logTailMismatch(const TrafficLog &log, const QByteArray &sent, qsizetype count);

} // namespace talvor::soak
