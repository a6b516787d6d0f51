#include "reportdecoder.h"

#include <algorithm>
#include <array>
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
// report: the bytes before it have gone, and no test looks backwards. So one pass does it.
const std::vector<Report> &ReportDecoder::decode()
{
    m_reports.clear();
    qsizetype consumed = 0;
    qsizetype pos = 0;
    while (pos + kShortestReport <= m_buffer.size()) {
        auto report = reportAt(m_buffer, pos);
        if (!report) {
            ++pos;
            continue;
        }
        pos += report->frame().size();
        consumed = pos;
        m_reports.push_back(*report);
    }
    // A byte with a full longest frame behind it has had every test decided, and it failed them
    // all; it could only leave with the next shown report, never be shown itself. Keeping just the
    // last five bytes therefore shows exactly the same reports and bounds the buffer.
    m_buffer.remove(0, std::max(consumed, m_buffer.size() - (kLongestReport - 1)));
    return m_reports;
}

} // namespace talvor
