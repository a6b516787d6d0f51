// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "trafficlog.h"

#include <QByteArray>

#include <deque>
#include <utility>

namespace talvor {

// The rows of a TrafficLog's text at a wrap width of a number of columns. With a fixed-width font
// wrapping is plain arithmetic: a line takes its length divided by the columns, rounded up, and at
// least one row. The layout keeps a row count and the start of every line, and brings them up to
// the log in time proportional to what changed (lines appended, grown or dropped at the front).
//
// Text is addressed by places: TrafficLog::droppedChars() + offset in TrafficLog::text(). A char
// keeps its place for as long as it stays, so a selection held as places stays on its text while
// lines are dropped in front of it. Every answer is as of the last sync().
class LogRowLayout {
public:
    // Counts the rows of log afresh; nullptr: an empty layout.
    void setLog(const TrafficLog *log);
    const TrafficLog *log() const { return m_log; }
    // The log changed since the last sync.
    bool isBehind() const { return m_log && m_log->revision() != m_seenRevision; }
    // Brings the rows up to the log; returns the rows dropped at the front.
    qint64 sync();
    int columns() const { return m_columns; }
    // Wraps at columns (at least 1) and returns the row that now starts the line that held keepRow.
    qint64 setColumns(int columns, qint64 keepRow);

    qint64 rowCount() const { return m_totalRows; }
    qsizetype lineCount() const { return qsizetype(m_rows.size()); }
    int rowsOf(qsizetype line) const { return m_rows[size_t(line)]; }
    qint64 lineStart(qsizetype line) const { return m_starts[size_t(line)]; }
    qsizetype lineLength(qsizetype line) const;
    // The place of the text's first char, and the place after its last.
    qint64 textStart() const { return m_textStart; }
    qint64 textEnd() const;
    // The end of the text as assistive technology is told it: before a blank at the very end. That
    // blank, after a frame's last pair, becomes a line break when the next frame starts, and
    // telling the change would cost a removal on every frame.
    qint64 readableEnd() const;
    bool holds(qint64 place) const { return place >= m_textStart && place <= textEnd(); }
    qint64 clamped(qint64 place) const;

    qsizetype lineOf(qint64 place) const;
    // The line that holds row, and the row that line starts at.
    std::pair<qsizetype, qint64> lineOfRow(qint64 row) const;
    // The place in row at column, kept within the row's chars.
    qint64 placeOfRow(qint64 row, qint64 column) const;
    // The row that shows place, and its column there.
    std::pair<qint64, qint64> rowOfPlace(qint64 place) const;

    // A line break is CR LF; at the end of a line that is not the last, place is on its CR.
    char charAt(qint64 place) const;
    QByteArray textBetween(qint64 from, qint64 to) const;
    // The line holding place: from its start to the start of the next line (after the CR LF), or
    // to the end of the text.
    std::pair<qint64, qint64> lineAround(qint64 place) const;
    // The row holding place, with the line break after it if the line ends there.
    std::pair<qint64, qint64> rowAround(qint64 place) const;
    // The run of a hex pair or a marker that holds place, with the blanks and line break after it.
    std::pair<qint64, qint64> wordAround(qint64 place) const;
    // The hex pair or marker that holds place, without the blanks after it; a blank or a line
    // break alone where place is on one.
    std::pair<qint64, qint64> pairAround(qint64 place) const;
    // The start of the last hex pair or marker in row, or the row's start where it has none.
    qint64 lastPairOfRow(qint64 row) const;
    // The start of the newest line that ends a frame (its last pair FF): the line still coming in
    // at the end is skipped while it has not. The start of the last line where no other has text.
    qint64 newestFrameLine() const;

private:
    int countRows(qsizetype line) const;
    void recount(qsizetype keepLine);
    void setStart(qsizetype line);
    void seekRow(qint64 row) const;
    void seekLine(qsizetype line) const;

    const TrafficLog *m_log = nullptr;
    quint64 m_seenRevision = 0;
    qint64 m_seenDropped = 0;
    std::deque<int> m_rows; // rows taken by each line of the log
    // Where each line starts, as a place.
    std::deque<qint64> m_starts;
    qint64 m_textStart = 0;
    qint64 m_totalRows = 0;
    int m_columns = 3;
    // A line and the row it starts at, kept next to the rows last asked for, so that finding the
    // line of a row walks over few lines.
    mutable qsizetype m_seenLine = 0;
    mutable qint64 m_seenLineRow = 0;
};

} // namespace talvor
