#include "trafficlog.h"

#include "talvorprotocol.h"

#include <algorithm>

namespace talvor {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";
// Lines longer than this are noise, not frames; only they take over spare storage.
constexpr qsizetype kLongLine = 64 * 1024;

} // namespace

TrafficLog::TrafficLog()
    : TrafficLog(Limits{})
{
}

TrafficLog::TrafficLog(Limits limits)
    : m_limits{std::max<qsizetype>(limits.maxLines, 1), std::max<qsizetype>(limits.maxBytes, 3)}
{
}

void TrafficLog::appendReceived(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return;
    if (m_lines.empty())
        startLine();
    makeRoom(3 * bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<uchar>(c);
        if (m_endsWithFF && opensReport(byte)) {
            // The blank after FF becomes the line break.
            m_lines.back().chop(1);
            m_size -= 1;
            startLine();
        }
        m_lines.back().append(kHexDigits[byte >> 4]).append(kHexDigits[byte & 0x0F]).append(' ');
        m_endsWithFF = byte == kEndOfFrame;
    }
    m_size += 3 * bytes.size();
    enforceLimits();
    ++m_revision;
}

void TrafficLog::appendMarker(QByteArrayView captionStart)
{
    // CR LF CR LF: the current line ends, an empty line follows, and the marker opens the next.
    if (m_lines.empty())
        startLine();
    startLine();
    startLine();
    m_lines.back().append(captionStart).append("->");
    m_markerAtLineStart = captionStart.size() + 2;
    m_size += m_markerAtLineStart;
    m_endsWithFF = false;
    enforceLimits();
    ++m_revision;
}

void TrafficLog::clear()
{
    m_droppedLines += lineCount();
    m_lines.clear();
    m_spare = QByteArray();
    m_frontSkip = 0;
    m_markerAtLineStart = 0;
    m_size = 0;
    m_endsWithFF = false;
    ++m_revision;
}

QByteArray TrafficLog::text() const
{
    QByteArray text;
    text.reserve(m_size);
    for (qsizetype i = 0; i < lineCount(); ++i) {
        if (i > 0)
            text.append("\r\n");
        text.append(line(i));
    }
    return text;
}

QByteArrayView TrafficLog::line(qsizetype index) const
{
    const QByteArray &line = m_lines[size_t(index)];
    return index == 0 ? QByteArrayView(line).sliced(m_frontSkip) : QByteArrayView(line);
}

void TrafficLog::startLine()
{
    if (!m_lines.empty())
        m_size += 2;
    m_lines.emplace_back();
    m_markerAtLineStart = 0;
}

// A line that outgrows its storage takes over the spare one if that is larger, so the storage of
// an endless line of noise is made once and then passed on from line to line.
void TrafficLog::makeRoom(qsizetype chars)
{
    QByteArray &last = m_lines.back();
    const qsizetype needed = last.size() + chars;
    if (needed <= last.capacity() || needed < kLongLine || m_spare.capacity() < needed)
        return;
    m_spare.resize(0);
    m_spare.append(last);
    last.swap(m_spare);
    m_spare = QByteArray();
}

void TrafficLog::dropFirstLine()
{
    m_size -= line(0).size() + 2;
    QByteArray &first = m_lines.front();
    if (first.capacity() > m_spare.capacity()) {
        first.resize(0);
        m_spare.swap(first);
    }
    m_lines.pop_front();
    m_frontSkip = 0;
    ++m_droppedLines;
}

void TrafficLog::enforceLimits()
{
    while (m_lines.size() > 1 && (lineCount() > m_limits.maxLines || m_size > m_limits.maxBytes))
        dropFirstLine();
    if (m_size > m_limits.maxBytes)
        trimOverlongLine();
}

// The one line left is longer than the whole log may be: drop the marker that opens it, then its
// oldest pairs. The dropped chars are only counted; the array is compacted in place once they
// reach half the live ones, which keeps the cost per appended byte constant and the storage at
// most one and a half times the log's size (the storage never moves from the front by itself).
void TrafficLog::trimOverlongLine()
{
    const qsizetype excess = m_size - m_limits.maxBytes;
    qsizetype drop = m_markerAtLineStart;
    m_markerAtLineStart = 0;
    if (excess > drop)
        drop += (excess - drop + 2) / 3 * 3;
    m_frontSkip += drop;
    m_size -= drop;
    QByteArray &line = m_lines.front();
    if (m_frontSkip > line.size() / 3) {
        std::copy(line.cbegin() + m_frontSkip, line.cend(), line.begin());
        line.truncate(line.size() - m_frontSkip);
        m_frontSkip = 0;
    }
}

} // namespace talvor
