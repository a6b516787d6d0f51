// SPDX-License-Identifier: GPL-3.0-or-later
#include "reportdecoder.h"

#include <algorithm>
#include <array>
#include <numeric>
#include <optional>

namespace talvor {

namespace {

struct FrameType {
    ReportKind kind;
    quint8 typeByte;
    qsizetype length;
    bool forDetector; // the byte after the type byte names a detector, 1 to 24
};

// Tried in this order at each position. The type byte and the closing 0xFF are the only
// synchronisation there is: no length, no checksum, data bytes may take any value.
constexpr std::array<FrameType, 3> kFrameTypes{{
    {ReportKind::Address, kAddressReport, kAddressReportLength, true},
    {ReportKind::Cv, kCvReport, kCvReportLength, true},
    {ReportKind::SystemInfo, kSystemInfoReport, kSystemInfoReportLength, false},
}};

bool matches(QByteArrayView bytes, qsizetype pos, const FrameType &type)
{
    const qsizetype end = pos + type.length - 1;
    if (end >= bytes.size() || quint8(bytes[pos]) != type.typeByte ||
        quint8(bytes[end]) != kEndOfFrame)
        return false;
    const int detector = quint8(bytes[pos + 1]);
    return !type.forDetector || (detector >= 1 && detector <= kDetectorCount);
}

std::optional<Report> reportAt(QByteArrayView bytes, qsizetype pos)
{
    for (const FrameType &type : kFrameTypes) {
        if (matches(bytes, pos, type)) {
            const int detector = type.forDetector ? quint8(bytes[pos + 1]) : 0;
            return Report(type.kind, detector, bytes.sliced(pos, type.length));
        }
    }
    return std::nullopt;
}

} // namespace

Report::Report(ReportKind kind, int detector, QByteArrayView frame)
    : kind(kind)
    , detector(detector)
    , m_length(std::min<qsizetype>(frame.size(), kLongestReport))
{
    std::copy_n(frame.data(), m_length, m_frame.begin());
    const auto byte = [this](qsizetype i) {
        return i < m_length ? quint8(m_frame[i]) : 0;
    };
    switch (kind) {
    case ReportKind::Address:
        address = (byte(2) & ~kDirectionFlag) * 256 + byte(3);
        directionFlag = (byte(2) & kDirectionFlag) != 0;
        break;
    case ReportKind::Cv:
        cv = byte(2);
        break;
    case ReportKind::SystemInfo:
        serialNumber = byte(1) * 256 + byte(2);
        softwareVersion = byte(3);
        hardwareVersion = byte(4);
        break;
    }
}

void ReportDecoder::append(QByteArrayView bytes)
{
    m_buffer.append(bytes);
}

void ReportDecoder::clear()
{
    m_buffer.clear();
}

// Removing a report and scanning again from the front is the same as going on right behind the
// report: the bytes before it have gone, and no test looks backwards. So one pass does it, over
// the buffer followed by `received`. A report that starts in the buffer ends within the first
// bytes of `received`, so only those are joined to it; the rest is scanned where it lies.
template <typename OnReport> void ReportDecoder::run(QByteArrayView received, OnReport &&onReport)
{
    const qsizetype held = m_buffer.size();
    const qsizetype total = held + received.size();
    const QByteArray seam = QByteArray(m_buffer).append(
        received.first(std::min<qsizetype>(received.size(), kLongestReport - 1)));
    qsizetype consumed = 0;
    qsizetype pos = 0;
    while (pos < held && pos + kShortestReport <= seam.size()) {
        const auto report = reportAt(seam, pos);
        pos += report ? report->frame().size() : 1;
        if (report) {
            consumed = pos;
            onReport(*report, pos);
        }
    }
    for (pos -= held; pos + kShortestReport <= received.size();) {
        const auto report = reportAt(received, pos);
        pos += report ? report->frame().size() : 1;
        if (report) {
            consumed = held + pos;
            onReport(*report, held + pos);
        }
    }
    // A byte with a full longest frame behind it has had every test decided, and it failed them
    // all; it could only leave with the next shown report, never be shown itself. Keeping just the
    // last five bytes therefore shows exactly the same reports and bounds the buffer.
    const qsizetype keep = std::max(consumed, total - (kLongestReport - 1));
    if (keep >= held)
        m_buffer = received.sliced(keep - held).toByteArray();
    else
        m_buffer = m_buffer.sliced(keep).append(received);
}

const std::vector<Report> &ReportDecoder::decode()
{
    m_reports.clear();
    run({}, [this](const Report &report, qsizetype) { m_reports.push_back(report); });
    return m_reports;
}

const std::vector<Report> &ReportDecoder::decodeLatest(QByteArrayView received)
{
    // One cell per detector and kind, and one for the system information; each remembers the
    // end of its report in the stream, which puts them back in buffer order.
    constexpr size_t kCells = 2 * kDetectorCount + 1;
    std::array<Report, kCells> latest;
    std::array<qsizetype, kCells> end{};
    run(received, [&](const Report &report, qsizetype at) {
        const size_t cell = report.kind == ReportKind::SystemInfo ? 0
                            : report.kind == ReportKind::Address
                                ? size_t(report.detector)
                                : size_t(kDetectorCount + report.detector);
        latest[cell] = report;
        end[cell] = at;
    });
    std::array<size_t, kCells> order{};
    std::iota(order.begin(), order.end(), size_t(0));
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return end[a] < end[b]; });
    m_reports.clear();
    for (const size_t cell : order) {
        if (end[cell] > 0)
            m_reports.push_back(latest[cell]);
    }
    return m_reports;
}

} // namespace talvor
