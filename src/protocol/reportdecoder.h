#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <array>
#include <vector>

namespace talvor {

enum class ReportKind { Address, Cv, SystemInfo };

// One report of the device: its kind, the detector it is about (1 to 24; 0 for the system
// information) and its whole frame from the type byte to the closing 0xFF. The frame is held in
// place, so that a poll that finds a hundred thousand reports allocates nothing for each.
class Report {
public:
    static constexpr qsizetype kLongestFrame = 6;

    Report() = default;
    // Frames longer than the longest report are cut there.
    Report(ReportKind kind, int detector, QByteArrayView frame);

    ReportKind kind = ReportKind::Address;
    int detector = 0;
    QByteArrayView frame() const { return QByteArrayView(m_frame.data(), m_length); }

private:
    std::array<char, kLongestFrame> m_frame{};
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
    QByteArrayView pending() const { return m_buffer; }

private:
    QByteArray m_buffer;
    std::vector<Report> m_reports;
};

} // namespace talvor
