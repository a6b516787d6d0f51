// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "talvorprotocol.h"

#include <QByteArray>
#include <QByteArrayView>

#include <array>
#include <vector>

namespace talvor {

enum class ReportKind { Address, Cv, SystemInfo };

// One report of the device, with what it says as fields (only those of its kind are set) and its
// whole frame from the type byte to the closing 0xFF for the raw display. The frame is held in
// place, so that a poll that finds a hundred thousand reports allocates nothing for each.
class Report {
public:
    Report() = default;
    // Takes the fields from the frame; frames longer than the longest report are cut there.
    Report(ReportKind kind, int detector, QByteArrayView frame);

    ReportKind kind = ReportKind::Address;
    int detector = 0; // 1 to 24; 0 for the system information

    int address = 0;            // address report: 0 to 32767, 0 is "free"
    bool directionFlag = false; // address report
    int cv = 0;                 // CV report: 0 to 255
    int serialNumber = 0;       // system information: 0 to 65535
    quint8 softwareVersion = 0; // system information: the version times ten
    quint8 hardwareVersion = 0; // system information: the version times ten

    QByteArrayView frame() const { return QByteArrayView(m_frame.data(), m_length); }

private:
    std::array<char, kLongestReport> m_frame{};
    qsizetype m_length = 0;
};

// Finds the device's reports in the received bytes. It owns the receive buffer: each poll appends
// what it read and runs decode() once; connect empties the buffer.
class ReportDecoder {
public:
    void append(QByteArrayView bytes);
    void clear();
    // Every report the buffer holds, in buffer order. Each report leaves the buffer together with
    // every byte before it. The list is the decoder's own and lasts until the next decode(); its
    // storage is kept, so a stream of reports does not allocate and free it on every poll.
    const std::vector<Report> &decode();
    // The same run over the buffer with `received` appended, which is read in place, never copied:
    // of several reports for the same cells (a detector's address or CV, the system information)
    // only the last one is listed, since only it stays visible. However much one poll brings, the
    // list holds at most 49 reports, in buffer order.
    const std::vector<Report> &decodeLatest(QByteArrayView received);
    QByteArrayView pending() const { return m_buffer; }

private:
    template <typename OnReport> void run(QByteArrayView received, OnReport &&onReport);

    QByteArray m_buffer;
    std::vector<Report> m_reports;
};

} // namespace talvor
