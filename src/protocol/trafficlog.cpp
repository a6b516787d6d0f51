// SPDX-License-Identifier: GPL-3.0-or-later
#include "trafficlog.h"

#include "hexdigits.h"
#include "talvorprotocol.h"

#include <algorithm>

namespace talvor {

namespace {

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
    bytes = skipUnseen(bytes);
    makeRoom(3 * bytes.size());
    // Line by line: the pairs up to the next line break are written in one go.
    for (qsizetype start = 0; start < bytes.size();) {
        if (breaksBefore(bytes, start)) {
            // The blank after FF becomes the line break.
            m_lines.back().chop(1);
            m_size -= 1;
            startLine();
        }
        qsizetype end = start + 1;
        while (end < bytes.size() && !breaksBefore(bytes, end))
            ++end;
        QByteArray &line = m_lines.back();
        const qsizetype written = line.size();
        line.resize(written + 3 * (end - start));
        char *out = line.data() + written;
        for (qsizetype i = start; i < end; ++i) {
            out = writeHexPair(out, quint8(bytes[i]));
            *out++ = ' ';
        }
        m_endsWithFF = quint8(bytes[end - 1]) == kEndOfFrame;
        start = end;
    }
    m_size += 3 * bytes.size();
    enforceLimits();
    ++m_revision;
}

void TrafficLog::appendMarker(QByteArrayView marker)
{
    // CR LF CR LF: the current line ends, an empty line follows, and the marker opens the next.
    if (m_lines.empty())
        startLine();
    startLine();
    startLine();
    m_lines.back().append(marker).append("->");
    m_markerAtLineStart = marker.size() + 2;
    m_size += m_markerAtLineStart;
    m_endsWithFF = false;
    enforceLimits();
    ++m_revision;
}

void TrafficLog::clear()
{
    m_droppedLines += lineCount();
    m_droppedChars += m_size;
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

// The bounds are applied once, after the whole chunk has been appended, and they drop whole lines
// from the front while there are too many, then the oldest pairs of a single overlong line. Walking
// the chunk backwards finds where that would cut: everything before is dropped here without being
// written, and only the rest is appended. The result is exactly the same.
QByteArrayView TrafficLog::skipUnseen(QByteArrayView bytes)
{
    const qsizetype n = bytes.size();
    if (3 * n <= m_limits.maxBytes && n / 2 < m_limits.maxLines)
        return bytes;
    // A line of this many pairs is longer than the log may be: only its newest pairs stay.
    const qsizetype overlong = m_limits.maxBytes / 3 + 1;
    qsizetype lines = 0; // complete lines behind position end, the newest ones of the chunk
    qsizetype size = 0;  // their chars, with the line breaks between them
    qsizetype end = n;   // where the line being walked ends
    for (qsizetype i = n - 1; i >= 1; --i) {
        if (lines >= m_limits.maxLines)
            return dropBefore(bytes, end, true);
        // The line ending at `end` holds at least the pairs from i on; a line followed by another
        // has lost the blank after its last pair to the line break.
        const qsizetype chars = 3 * (end - i) - (end < n ? 1 : 0);
        if (lines > 0 && size + 2 + chars > m_limits.maxBytes)
            return dropBefore(bytes, end, true);
        if (lines == 0 && end - i >= overlong)
            return dropBefore(bytes, i, false);
        if (breaksBefore(bytes, i)) {
            size += (lines > 0 ? 2 : 0) + chars;
            ++lines;
            end = i;
        }
    }
    return bytes;
}

// Drops the log's lines and the chunk's bytes before pos as the bounds would, counting the lines
// that go, and returns the bytes still to append. lineStartsAtPos: a line of its own starts at
// pos; otherwise pos lies inside an overlong last line whose older pairs are dropped.
QByteArrayView TrafficLog::dropBefore(QByteArrayView bytes, qsizetype pos, bool lineStartsAtPos)
{
    const qint64 oldEnd = m_droppedChars + m_size;
    qsizetype breaks = 0;
    for (qsizetype i = 0; i < pos; ++i)
        breaks += breaksBefore(bytes, i) ? 1 : 0;
    const bool ownLine = lineStartsAtPos || breaksBefore(bytes, pos);
    if (ownLine || breaks > 0) {
        while (!m_lines.empty())
            dropFirstLine();
        m_droppedLines += ownLine ? breaks : breaks - 1;
        startLine();
    } else {
        // The log's last line goes on through pos: only the lines before it go whole.
        while (m_lines.size() > 1)
            dropFirstLine();
        m_lines.back().resize(0);
        m_frontSkip = 0;
    }
    m_markerAtLineStart = 0;
    m_size = 0;
    m_droppedChars = oldEnd;
    m_endsWithFF = false;
    return bytes.sliced(pos);
}

// Whether a line break comes before bytes[pos]: a frame's end FF, in the chunk or at the end of
// the log, followed by a type byte.
bool TrafficLog::breaksBefore(QByteArrayView bytes, qsizetype pos) const
{
    const bool afterFF = pos > 0 ? quint8(bytes[pos - 1]) == kEndOfFrame : m_endsWithFF;
    return afterFF && opensReport(quint8(bytes[pos]));
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
    m_droppedChars += line(0).size() + 2;
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
    m_droppedChars += drop;
    QByteArray &line = m_lines.front();
    if (m_frontSkip > line.size() / 3) {
        std::copy(line.cbegin() + m_frontSkip, line.cend(), line.begin());
        line.truncate(line.size() - m_frontSkip);
        m_frontSkip = 0;
    }
}

} // namespace talvor
