#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <vector>

namespace talvor {

enum class ReportKind { Address, Cv, SystemInfo };

// One report of the device: its kind, the detector it is about (1 to 24; 0 for the system
// information) and its whole frame from the type byte to the closing 0xFF.
struct Report {
    ReportKind kind = ReportKind::Address;
    int detector = 0;
    QByteArray frame;
};

// Finds the device's reports in the received bytes. It owns the receive buffer: each poll appends
// what it read and runs decode() once; connect empties the buffer.
class ReportDecoder {
public:
    void append(QByteArrayView bytes);
    void clear();
    // Every report the buffer holds, in buffer order. Each report leaves the buffer together with
    // every byte before it.
    std::vector<Report> decode();
    QByteArrayView pending() const { return m_buffer; }

private:
    QByteArray m_buffer;
};

} // namespace talvor
