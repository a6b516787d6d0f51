// The traffic log view's text as the selection, the clipboard and assistive technology read it,
// and the keys and mouse gestures that select and copy it.

#include "trafficlogview.h"

#include "trafficlog.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

#include <algorithm>

namespace talvor {

namespace {

bool isWordChar(char c)
{
    return c != ' ' && c != '\r' && c != '\n';
}

} // namespace

qsizetype TrafficLogView::textLength() const
{
    return qsizetype(textEnd() - m_textStart);
}

QString TrafficLogView::textBetween(qsizetype start, qsizetype end) const
{
    const qint64 from = m_textStart + std::clamp<qsizetype>(start, 0, textLength());
    const qint64 to = m_textStart + std::clamp<qsizetype>(end, 0, textLength());
    QByteArray text;
    text.reserve(std::max<qint64>(to - from, 0));
    const auto lines = qsizetype(m_starts.size());
    for (qsizetype line = lineOf(from); line < lines && m_starts[size_t(line)] < to; ++line) {
        const qint64 lineStart = m_starts[size_t(line)];
        const QByteArrayView chars = m_log->line(line);
        const QByteArrayView withBreak =
            line + 1 < lines ? QByteArrayView("\r\n") : QByteArrayView();
        qint64 at = std::max(from, lineStart) - lineStart;
        const qint64 until = to - lineStart;
        if (at < chars.size()) {
            text.append(chars.sliced(at, std::min<qint64>(until, chars.size()) - at));
            at = chars.size();
        }
        for (; at < until && at - chars.size() < withBreak.size(); ++at)
            text.append(withBreak[at - chars.size()]);
    }
    return QString::fromLatin1(text);
}

char TrafficLogView::charAt(qsizetype offset) const
{
    const qint64 place = m_textStart + offset;
    const qsizetype line = lineOf(place);
    const qint64 column = place - m_starts[size_t(line)];
    const qsizetype length = lineLength(line);
    if (column < length)
        return m_log->line(line)[column];
    return column == length ? '\r' : '\n';
}

std::pair<qsizetype, qsizetype> TrafficLogView::lineAround(qsizetype offset) const
{
    if (m_starts.empty())
        return {0, 0};
    const qsizetype line = lineOf(m_textStart + offset);
    const qsizetype start = qsizetype(m_starts[size_t(line)] - m_textStart);
    if (line + 1 < qsizetype(m_starts.size()))
        return {start, qsizetype(m_starts[size_t(line) + 1] - m_textStart)};
    return {start, textLength()};
}

std::pair<qsizetype, qsizetype> TrafficLogView::rowAround(qsizetype offset) const
{
    if (m_rows.empty())
        return {0, 0};
    const qint64 place = m_textStart + std::clamp<qsizetype>(offset, 0, textLength());
    const qsizetype line = lineOf(place);
    const auto rows = m_rows[size_t(line)];
    const qint64 rowInLine =
        std::min<qint64>((place - m_starts[size_t(line)]) / m_columns, rows - 1);
    const qint64 start = m_starts[size_t(line)] + rowInLine * m_columns;
    qint64 end = textEnd();
    if (rowInLine + 1 < rows)
        end = start + m_columns;
    else if (line + 1 < qsizetype(m_starts.size()))
        end = m_starts[size_t(line) + 1];
    return {qsizetype(start - m_textStart), qsizetype(end - m_textStart)};
}

std::pair<qsizetype, qsizetype> TrafficLogView::wordAround(qsizetype offset) const
{
    const auto [lineStart, lineEnd] = lineAround(offset);
    const auto startsWord = [this](qsizetype at) {
        return isWordChar(charAt(at)) && !isWordChar(charAt(at - 1));
    };
    qsizetype start = std::clamp(offset, lineStart, lineEnd);
    while (start > lineStart && !startsWord(start))
        --start;
    qsizetype end = std::min(start + 1, lineEnd);
    while (end < lineEnd && !startsWord(end))
        ++end;
    return {start, end};
}

qsizetype TrafficLogView::selectionStart() const
{
    return hasSelection() ? qsizetype(std::min(m_anchor, m_caret) - m_textStart) : caret();
}

qsizetype TrafficLogView::selectionEnd() const
{
    return hasSelection() ? qsizetype(std::max(m_anchor, m_caret) - m_textStart) : caret();
}

qsizetype TrafficLogView::caret() const
{
    return m_caret < 0 ? 0 : qsizetype(m_caret - m_textStart);
}

void TrafficLogView::select(qsizetype anchor, qsizetype caret)
{
    const qsizetype length = textLength();
    selectPlaces(m_textStart + std::clamp<qsizetype>(anchor, 0, length),
                 m_textStart + std::clamp<qsizetype>(caret, 0, length));
}

QString TrafficLogView::selectedText() const
{
    return textBetween(selectionStart(), selectionEnd());
}

void TrafficLogView::keyPressEvent(QKeyEvent *event)
{
    enum class Move { Back, On, Up, Down, RowStart, RowEnd, First, Last };
    static constexpr std::pair<QKeySequence::StandardKey, Move> kMoves[] = {
        {QKeySequence::SelectPreviousChar, Move::Back},
        {QKeySequence::SelectNextChar, Move::On},
        {QKeySequence::SelectPreviousLine, Move::Up},
        {QKeySequence::SelectNextLine, Move::Down},
        {QKeySequence::SelectStartOfLine, Move::RowStart},
        {QKeySequence::SelectEndOfLine, Move::RowEnd},
        {QKeySequence::SelectStartOfDocument, Move::First},
        {QKeySequence::SelectEndOfDocument, Move::Last},
    };
    const auto *found =
        std::find_if(std::begin(kMoves), std::end(kMoves),
                     [event](const auto &move) { return event->matches(move.first); });
    if (found == std::end(kMoves) || !m_log) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    if (m_caret < 0) {
        // Without a caret the selection starts where the user looks.
        m_caret = m_follow ? textEnd() : placeOfRow(verticalScrollBar()->value(), 0);
        m_anchor = m_caret;
    }
    const qint64 end = textEnd();
    qint64 caret = m_caret;
    const auto [row, column] = rowOfPlace(caret);
    switch (found->second) {
    case Move::Back:
        // A line break is passed over as one char.
        caret = std::max(
            m_textStart,
            caret - (caret - 1 > m_textStart && charAt(qsizetype(caret - 1 - m_textStart)) == '\n'
                         ? 2
                         : 1));
        break;
    case Move::On:
        caret = std::min(
            end, caret + (caret < end && charAt(qsizetype(caret - m_textStart)) == '\r' ? 2 : 1));
        break;
    case Move::Up:
        caret = row > 0 ? placeOfRow(row - 1, column) : m_textStart;
        break;
    case Move::Down:
        caret = row + 1 < m_totalRows ? placeOfRow(row + 1, column) : end;
        break;
    case Move::RowStart:
        caret = placeOfRow(row, 0);
        break;
    case Move::RowEnd:
        caret = placeOfRow(row, m_columns);
        break;
    case Move::First:
        caret = m_textStart;
        break;
    case Move::Last:
        caret = end;
        break;
    }
    selectPlaces(m_anchor, caret);
    showRow(rowOfPlace(caret).first);
}

void TrafficLogView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_log) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    const QPoint pos = event->position().toPoint();
    const qint64 place = placeAt(pos);
    if (m_sinceDoubleClick.isValid() &&
        m_sinceDoubleClick.elapsed() < QApplication::doubleClickInterval() &&
        (pos - m_doubleClickPos).manhattanLength() < QApplication::startDragDistance()) {
        m_sinceDoubleClick.invalidate();
        const qsizetype line = lineOf(place);
        if (line < qsizetype(m_starts.size()))
            selectPlaces(m_starts[size_t(line)], m_starts[size_t(line)] + lineLength(line));
        return;
    }
    m_sinceDoubleClick.invalidate();
    const bool extend = event->modifiers().testFlag(Qt::ShiftModifier) && m_caret >= 0;
    selectPlaces(extend ? m_anchor : place, place);
}

void TrafficLogView::mouseMoveEvent(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton) || m_caret < 0) {
        QAbstractScrollArea::mouseMoveEvent(event);
        return;
    }
    const qint64 place = placeAt(event->position().toPoint());
    selectPlaces(m_anchor, place);
    // Dragged above or below the rows: the view scrolls a row at a time.
    showRow(rowOfPlace(place).first);
}

void TrafficLogView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mouseReleaseEvent(event);
        return;
    }
    if (QGuiApplication::clipboard()->supportsSelection())
        copySelection(QClipboard::Selection);
}

void TrafficLogView::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_log) {
        QAbstractScrollArea::mouseDoubleClickEvent(event);
        return;
    }
    // The hex pair (or marker) under the pointer, without the blank after it.
    const QPoint pos = event->position().toPoint();
    auto [start, end] = wordAround(qsizetype(placeAt(pos) - m_textStart));
    while (end > start && !isWordChar(charAt(end - 1)))
        --end;
    selectPlaces(m_textStart + start, m_textStart + end);
    m_sinceDoubleClick.start();
    m_doubleClickPos = pos;
}

} // namespace talvor
