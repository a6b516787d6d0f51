#pragma once

#include "controls.h"

#include <QByteArray>
#include <QStringList>

#include <array>
#include <vector>

namespace talvor {
class TrafficLog;
}

namespace talvor::soak {

// The last frame of every kind of report in every row, as the receive poll done the literal way
// finds them in the bytes the device sent, read in the same chunks as the program read them.
struct ExpectedTable {
    std::array<QByteArray, kDetectorCount + 1> address;
    std::array<QByteArray, kDetectorCount + 1> cv;
    QByteArray systemInfo;
    qint64 reports = 0;
};

ExpectedTable expectedTable(const QByteArray &sent, const std::vector<qsizetype> &chunks);

// Every cell that does not show the expected report, or nothing.
QStringList tableMismatches(const Controls &controls, const ExpectedTable &expected);

// What is wrong with the end of the log against the hex of the last `count` bytes sent, or nothing.
QString logTailMismatch(const TrafficLog &log, const QByteArray &sent, qsizetype count);

} // namespace talvor::soak
