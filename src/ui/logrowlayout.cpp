// SPDX-License-Identifier: GPL-3.0-or-later
#include "logrowlayout.h"

#include <algorithm>

namespace talvor {

namespace {

bool isWordChar(char c)
{
    return c != ' ' && c != '\r' && c != '\n';
}

} // namespace

void LogRowLayout::setLog(const TrafficLog *log)
{
    m_log = log;
    recount(0);
}

qint64 LogRowLayout::sync()
{
    m_seenRevision = m_log->revision();
    const qint64 dropped = m_log->droppedLines() - m_seenDropped;
    m_seenDropped = m_log->droppedLines();
    const qint64 popped = std::min(dropped, qint64(m_rows.size()));
    qint64 poppedRows = 0;
    for (qint64 i = 0; i < popped; ++i) {
        poppedRows += m_rows.front();
        m_rows.pop_front();
        m_starts.pop_front();
    }
    m_totalRows -= poppedRows;
    m_seenLine -= qsizetype(dropped);
    m_seenLineRow -= poppedRows;
    if (m_seenLine < 0) {
        m_seenLine = 0;
        m_seenLineRow = 0;
    }

    // Only the last line can have changed (grown, or lost its oldest pairs as the only line left);
    // the lines behind it are new.
    const auto known = qsizetype(m_rows.size());
    m_rows.resize(size_t(m_log->lineCount()));
    m_starts.resize(m_rows.size());
    m_textStart = m_log->droppedChars();
    for (qsizetype i = std::max<qsizetype>(known - 1, 0); i < qsizetype(m_rows.size()); ++i) {
        const int rows = countRows(i);
        m_totalRows += rows - m_rows[size_t(i)];
        m_rows[size_t(i)] = rows;
        setStart(i);
    }
    if (!m_starts.empty())
        m_starts.front() = m_textStart;
    return poppedRows;
}

qint64 LogRowLayout::setColumns(int columns, qint64 keepRow)
{
    seekRow(keepRow);
    m_columns = std::max(columns, 1);
    recount(m_seenLine);
    return m_seenLineRow;
}

qsizetype LogRowLayout::lineLength(qsizetype line) const
{
    return line < m_log->lineCount() ? m_log->line(line).size() : 0;
}

qint64 LogRowLayout::textEnd() const
{
    if (m_starts.empty())
        return m_textStart;
    return m_starts.back() + lineLength(lineCount() - 1);
}

qint64 LogRowLayout::clamped(qint64 place) const
{
    return std::clamp(place, m_textStart, textEnd());
}

qsizetype LogRowLayout::lineOf(qint64 place) const
{
    const auto after = std::upper_bound(m_starts.begin(), m_starts.end(), place);
    return std::max<qsizetype>(qsizetype(after - m_starts.begin()) - 1, 0);
}

std::pair<qsizetype, qint64> LogRowLayout::lineOfRow(qint64 row) const
{
    seekRow(row);
    return {m_seenLine, m_seenLineRow};
}

qint64 LogRowLayout::placeOfRow(qint64 row, qint64 column) const
{
    if (m_rows.empty())
        return m_textStart;
    const qint64 kept = std::clamp<qint64>(row, 0, m_totalRows - 1);
    seekRow(kept);
    const qint64 from = (kept - m_seenLineRow) * m_columns;
    const qint64 length = std::clamp<qint64>(lineLength(m_seenLine) - from, 0, m_columns);
    return m_starts[size_t(m_seenLine)] + from + std::clamp<qint64>(column, 0, length);
}

std::pair<qint64, qint64> LogRowLayout::rowOfPlace(qint64 place) const
{
    if (m_rows.empty())
        return {0, 0};
    const qsizetype line = lineOf(place);
    const qint64 column = place - m_starts[size_t(line)];
    const qint64 rowInLine = std::min<qint64>(column / m_columns, m_rows[size_t(line)] - 1);
    seekLine(line);
    return {m_seenLineRow + rowInLine, column - rowInLine * m_columns};
}

char LogRowLayout::charAt(qint64 place) const
{
    const qsizetype line = lineOf(place);
    const qint64 column = place - m_starts[size_t(line)];
    const qsizetype length = lineLength(line);
    if (column < length)
        return m_log->line(line)[column];
    return column == length ? '\r' : '\n';
}

QByteArray LogRowLayout::textBetween(qint64 from, qint64 to) const
{
    from = clamped(from);
    to = clamped(to);
    QByteArray text;
    text.reserve(std::max<qint64>(to - from, 0));
    const qsizetype lines = lineCount();
    for (qsizetype line = lineOf(from); line < lines && m_starts[size_t(line)] < to; ++line) {
        const qint64 start = m_starts[size_t(line)];
        const QByteArrayView chars = m_log->line(line);
        const QByteArrayView withBreak =
            line + 1 < lines ? QByteArrayView("\r\n") : QByteArrayView();
        qint64 at = std::max(from, start) - start;
        const qint64 until = to - start;
        if (at < chars.size()) {
            text.append(chars.sliced(at, std::min<qint64>(until, chars.size()) - at));
            at = chars.size();
        }
        for (; at < until && at - chars.size() < withBreak.size(); ++at)
            text.append(withBreak[at - chars.size()]);
    }
    return text;
}

std::pair<qint64, qint64> LogRowLayout::lineAround(qint64 place) const
{
    if (m_starts.empty())
        return {m_textStart, m_textStart};
    const qsizetype line = lineOf(place);
    if (line + 1 < lineCount())
        return {m_starts[size_t(line)], m_starts[size_t(line) + 1]};
    return {m_starts[size_t(line)], textEnd()};
}

std::pair<qint64, qint64> LogRowLayout::rowAround(qint64 place) const
{
    if (m_rows.empty())
        return {m_textStart, m_textStart};
    place = clamped(place);
    const qsizetype line = lineOf(place);
    const auto rows = m_rows[size_t(line)];
    const qint64 rowInLine =
        std::min<qint64>((place - m_starts[size_t(line)]) / m_columns, rows - 1);
    const qint64 start = m_starts[size_t(line)] + rowInLine * m_columns;
    if (rowInLine + 1 < rows)
        return {start, start + m_columns};
    return {start, line + 1 < lineCount() ? m_starts[size_t(line) + 1] : textEnd()};
}

std::pair<qint64, qint64> LogRowLayout::wordAround(qint64 place) const
{
    const auto [lineStart, lineEnd] = lineAround(place);
    const auto startsWord = [this](qint64 at) {
        return isWordChar(charAt(at)) && !isWordChar(charAt(at - 1));
    };
    qint64 start = std::clamp(place, lineStart, lineEnd);
    while (start > lineStart && !startsWord(start))
        --start;
    qint64 end = std::min(start + 1, lineEnd);
    while (end < lineEnd && !startsWord(end))
        ++end;
    return {start, end};
}

std::pair<qint64, qint64> LogRowLayout::pairAround(qint64 place) const
{
    if (!isWordChar(charAt(place)))
        return {place, std::min(place + 1, textEnd())};
    const qint64 start = wordAround(place).first;
    qint64 end = start;
    while (end < textEnd() && isWordChar(charAt(end)))
        ++end;
    return {start, end};
}

qint64 LogRowLayout::lastPairOfRow(qint64 row) const
{
    const qint64 rowStart = placeOfRow(row, 0);
    qint64 place = placeOfRow(row, m_columns);
    while (place > rowStart && !isWordChar(charAt(place - 1)))
        --place;
    while (place > rowStart && isWordChar(charAt(place - 1)))
        --place;
    return place;
}

qint64 LogRowLayout::readableEnd() const
{
    const qint64 end = textEnd();
    return end > m_textStart && charAt(end - 1) == ' ' ? end - 1 : end;
}

qint64 LogRowLayout::newestFrameLine() const
{
    const auto lastPairBefore = [this](qint64 place) {
        while (place > m_textStart && !isWordChar(charAt(place - 1)))
            --place;
        return place > m_textStart ? pairAround(place - 1).first : -1;
    };
    const qint64 last = lastPairBefore(textEnd());
    if (last < 0)
        return m_textStart;
    const qint64 lastLine = lineAround(last).first;
    if (textBetween(last, pairAround(last).second) == "FF")
        return lastLine;
    const qint64 earlier = lastPairBefore(lastLine);
    return earlier < 0 ? lastLine : lineAround(earlier).first;
}

int LogRowLayout::countRows(qsizetype line) const
{
    const qsizetype length = m_log->line(line).size();
    return std::max(1, int((length + m_columns - 1) / m_columns));
}

// Counts the rows of every line afresh and keeps the walk's place on keepLine.
void LogRowLayout::recount(qsizetype keepLine)
{
    const qsizetype count = m_log ? m_log->lineCount() : 0;
    m_seenRevision = m_log ? m_log->revision() : 0;
    m_seenDropped = m_log ? m_log->droppedLines() : 0;
    m_rows.resize(size_t(count));
    m_starts.resize(size_t(count));
    m_textStart = m_log ? m_log->droppedChars() : 0;
    m_totalRows = 0;
    m_seenLine = std::clamp<qsizetype>(keepLine, 0, std::max<qsizetype>(count - 1, 0));
    m_seenLineRow = 0;
    for (qsizetype i = 0; i < count; ++i) {
        if (i == m_seenLine)
            m_seenLineRow = m_totalRows;
        m_rows[size_t(i)] = countRows(i);
        m_totalRows += m_rows[size_t(i)];
        setStart(i);
    }
}

void LogRowLayout::setStart(qsizetype line)
{
    m_starts[size_t(line)] =
        line == 0 ? m_textStart : m_starts[size_t(line) - 1] + lineLength(line - 1) + 2;
}

// Moves the walk to the line that holds row, from where it stands.
void LogRowLayout::seekRow(qint64 row) const
{
    if (m_rows.empty())
        return;
    while (m_seenLine > 0 && m_seenLineRow > row) {
        --m_seenLine;
        m_seenLineRow -= m_rows[size_t(m_seenLine)];
    }
    while (m_seenLine + 1 < lineCount() && m_seenLineRow + m_rows[size_t(m_seenLine)] <= row) {
        m_seenLineRow += m_rows[size_t(m_seenLine)];
        ++m_seenLine;
    }
}

// Moves the walk to the start of line, from where it stands.
void LogRowLayout::seekLine(qsizetype line) const
{
    while (m_seenLine > line) {
        --m_seenLine;
        m_seenLineRow -= m_rows[size_t(m_seenLine)];
    }
    while (m_seenLine < line) {
        m_seenLineRow += m_rows[size_t(m_seenLine)];
        ++m_seenLine;
    }
}

} // namespace talvor
