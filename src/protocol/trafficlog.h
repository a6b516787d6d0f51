// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <deque>

namespace talvor {

// The text of the traffic log: every received byte as its hex pair and a blank, a line break
// wherever a byte FF is followed by FC, FD or FE (a frame's end meeting the next frame's type
// byte), and the send markers. Lines are kept as ASCII text in a bounded store, so a device that
// never stops talking cannot fill the memory: the oldest lines go first, and a single endless line
// (noise without frames) loses its oldest pairs. Every change costs time in proportion to the
// bytes appended, never to the size of the log, and a chunk larger than the log can hold is only
// scanned up to the part that stays: no text is made for what the bounds would drop at once.
class TrafficLog {
public:
    struct Limits {
        qsizetype maxLines = 100000;
        qsizetype maxBytes = 16 * 1024 * 1024;
    };

    TrafficLog();
    // maxLines is taken as at least 1 and maxBytes as at least 3 (one hex pair).
    explicit TrafficLog(Limits limits);

    void appendReceived(QByteArrayView bytes);
    // After an empty line, a sent byte's marker: the given text ("0x60") and "->".
    void appendMarker(QByteArrayView marker);
    void clear();

    // The lines joined by CR LF.
    QByteArray text() const;
    qsizetype lineCount() const { return qsizetype(m_lines.size()); }
    // Valid until the next change of the log.
    QByteArrayView line(qsizetype index) const;
    qsizetype size() const { return m_size; }
    quint64 revision() const { return m_revision; }
    // Lines removed from the front so far, by the bounds or by clear().
    qint64 droppedLines() const { return m_droppedLines; }
    // Chars removed from the front of text() so far, by the bounds or by clear(). A char keeps its
    // place droppedChars() + offset for as long as it stays; text is only appended at the end,
    // where the blank after a frame's FF turns into the line break's CR.
    qint64 droppedChars() const { return m_droppedChars; }

private:
    QByteArrayView skipUnseen(QByteArrayView bytes);
    QByteArrayView dropBefore(QByteArrayView bytes, qsizetype pos, bool lineStartsAtPos);
    bool breaksBefore(QByteArrayView bytes, qsizetype pos) const;
    void startLine();
    void makeRoom(qsizetype chars);
    void dropFirstLine();
    void enforceLimits();
    void trimOverlongLine();

    Limits m_limits;
    std::deque<QByteArray> m_lines;
    // The storage of the largest line dropped since the last clear(): a line of noise holds
    // megabytes, and giving them back to the system would cost milliseconds inside one poll.
    QByteArray m_spare;
    qsizetype m_frontSkip = 0;         // leading chars of the first line that count as dropped
    qsizetype m_markerAtLineStart = 0; // length of the marker that opens the last line, if any
    qsizetype m_size = 0;
    bool m_endsWithFF = false; // the text ends with the pair of a received FF and its blank
    quint64 m_revision = 0;
    qint64 m_droppedLines = 0;
    qint64 m_droppedChars = 0;
};

} // namespace talvor
