// SPDX-License-Identifier: GPL-3.0-or-later
#include "trafficlogview.h"

#include "logscrollbar.h"
#include "trafficlogcontroller.h"

#include <QAccessible>
#include <QAction>
#include <QFontDatabase>
#include <QPainter>
#include <QtMath>

#include <algorithm>
#include <climits>

namespace talvor {

namespace {

constexpr int kMargin = 2;
// Rows are cut at a multiple of a hex pair and its blank, so no pair is split over two rows.
constexpr int kPairWidth = 3;

} // namespace

TrafficLogView::TrafficLogView(QWidget *parent)
    : QAbstractScrollArea(parent)
{
    // First: every layout of the rows, also the one that the font below causes, sets its state.
    setVerticalScrollBar(new LogScrollBar(Qt::Vertical, this));
    // Wrapping is arithmetic on the width of one character, so the face must be truly fixed-width;
    // the system's "monospace" may resolve to a face that Qt does not take for one.
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setFamilies({QStringLiteral("Liberation Mono"), QStringLiteral("DejaVu Sans Mono"),
                      QStringLiteral("Consolas"), QStringLiteral("Courier New"), font.family()});
    font.setStyleHint(QFont::Monospace);
    font.setPointSize(8);
    setFont(font);
    // A bar that came and went with the content would change the wrap width and so the content.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setBackgroundRole(QPalette::Base);

    m_controller = new TrafficLogController(this, m_layout);
    connect(m_controller, &TrafficLogController::selectionChanged, this, [this] {
        viewport()->update();
        if (!m_quietCaret)
            AccessibleLogNews::selectionChanged(this);
    });
    connect(m_controller, &TrafficLogController::placeToShow, this,
            [this](qint64 place) { showRow(m_layout.rowOfPlace(place).first); });
    setContextMenuPolicy(Qt::ActionsContextMenu);
    setFocusPolicy(Qt::StrongFocus);
    installTrafficLogAccessibility();
    relayout();
}

void TrafficLogView::setLog(const TrafficLog *log)
{
    m_follow = true;
    m_controller->forget();
    m_layout.setLog(log);
    setTopRow(0);
    m_news.tellNow();
}

void TrafficLogView::appendMenuActions(const QList<QAction *> &actions)
{
    auto *separator = new QAction(this);
    separator->setSeparator(true);
    addAction(separator);
    addActions(actions);
}

void TrafficLogView::refresh()
{
    if (!m_layout.isBehind())
        return;
    const qint64 rowsBefore = m_layout.rowCount();
    const qint64 topBefore = verticalScrollBar()->value();
    // The row that showed at the top before, counted as now (rows dropped at the front are gone).
    const qint64 dropped = m_layout.sync();
    const qint64 sameTop = topBefore - dropped;
    const qint64 lastRowBefore = rowsBefore - 1 - dropped;
    if (m_controller->keepOnText())
        viewport()->update();
    setTopRow(sameTop, false);
    repaintChanges(sameTop, lastRowBefore);
    // The caret stays on its text: a caret that went on to each new line would have a screen
    // reader read every line as it comes. Ctrl+End reads the newest line when the reader asks.
    m_news.textChanged();
}

qsizetype TrafficLogView::textLength() const
{
    return offsetOf(m_layout.textEnd());
}

qsizetype TrafficLogView::readableLength() const
{
    return offsetOf(m_layout.readableEnd());
}

QString TrafficLogView::textBetween(qsizetype start, qsizetype end) const
{
    return QString::fromLatin1(m_layout.textBetween(place(start), place(end)));
}

char TrafficLogView::charAt(qsizetype offset) const
{
    return m_layout.charAt(m_layout.textStart() + offset);
}

std::pair<qsizetype, qsizetype> TrafficLogView::lineAround(qsizetype offset) const
{
    const auto [start, end] = m_layout.lineAround(m_layout.textStart() + offset);
    return {offsetOf(start), offsetOf(end)};
}

std::pair<qsizetype, qsizetype> TrafficLogView::rowAround(qsizetype offset) const
{
    const auto [start, end] = m_layout.rowAround(m_layout.textStart() + offset);
    return {offsetOf(start), offsetOf(end)};
}

std::pair<qsizetype, qsizetype> TrafficLogView::wordAround(qsizetype offset) const
{
    const auto [start, end] = m_layout.wordAround(m_layout.textStart() + offset);
    return {offsetOf(start), offsetOf(end)};
}

std::pair<qsizetype, qsizetype> TrafficLogView::pairAround(qsizetype offset) const
{
    const auto [start, end] = m_layout.pairAround(m_layout.textStart() + offset);
    return {offsetOf(start), offsetOf(end)};
}

bool TrafficLogView::hasSelection() const
{
    return !m_controller->selection().isEmpty(m_layout);
}

qsizetype TrafficLogView::selectionStart() const
{
    return offsetOf(m_controller->selection().start(m_layout));
}

qsizetype TrafficLogView::selectionEnd() const
{
    return offsetOf(m_controller->selection().end(m_layout));
}

qsizetype TrafficLogView::caret() const
{
    return offsetOf(m_controller->selection().caret(m_layout));
}

void TrafficLogView::select(qsizetype anchor, qsizetype caret)
{
    m_controller->select(LogSelection::between(m_layout, place(anchor), place(caret)));
}

QString TrafficLogView::selectedText() const
{
    return m_controller->selectedText();
}

QRect TrafficLogView::charRect(qsizetype offset)
{
    const auto [row, column] = m_layout.rowOfPlace(place(offset));
    const qint64 top = verticalScrollBar()->value();
    if (m_layout.lineCount() == 0 || row < top || row >= top + visibleRows())
        return {};
    const qreal x = kMargin + column * m_glyphs.charWidth();
    return QRect(QPoint(int(x), int(row - top) * m_lineHeight),
                 QPoint(int(x + m_glyphs.charWidth()) - 1, int(row - top + 1) * m_lineHeight - 1));
}

qsizetype TrafficLogView::offsetAt(QPoint viewportPos)
{
    return offsetOf(placeAt(viewportPos));
}

void TrafficLogView::scrollToOffset(qsizetype offset)
{
    showRow(m_layout.rowOfPlace(place(offset)).first);
}

void TrafficLogView::paintEvent(QPaintEvent *event)
{
    if (m_layout.lineCount() == 0)
        return;
    // Only the rows in the area to paint.
    const QRect area = event->rect();
    const int firstRow = std::max(area.top(), 0) / m_lineHeight;
    const qint64 top = verticalScrollBar()->value() + firstRow;
    if (top >= m_layout.rowCount())
        return;
    QPainter painter(viewport());
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::Text));
    auto [line, lineRow] = m_layout.lineOfRow(top);
    qint64 rowInLine = top - lineRow;
    // Until the next refresh the log may hold fewer lines than counted here.
    const qsizetype lines = std::min(m_layout.lineCount(), m_layout.log()->lineCount());
    const LogSelection &selection = m_controller->selection();
    const std::pair selected{selection.start(m_layout), selection.end(m_layout)};
    const int bottom = std::min(area.bottom() + 1, viewport()->height());
    for (int y = firstRow * m_lineHeight; y < bottom && line < lines; y += m_lineHeight) {
        paintRow(painter, y, line, rowInLine, selected);
        if (rowInLine + 1 >= m_layout.rowsOf(line)) {
            ++line;
            rowInLine = 0;
        } else {
            ++rowInLine;
        }
    }
}

void TrafficLogView::paintRow(QPainter &painter, int y, qsizetype line, qint64 rowInLine,
                              std::pair<qint64, qint64> selected)
{
    const QByteArrayView text = m_layout.log()->line(line);
    const qint64 columns = m_layout.columns();
    const qsizetype from = std::min(rowInLine * columns, text.size());
    const QByteArrayView row =
        text.sliced(from).first(std::min<qsizetype>(columns, text.size() - from));
    const QGlyphRun shown = m_glyphs.row(row);
    const int baseline = y + m_ascent;
    painter.drawGlyphRun(QPointF(kMargin, baseline), shown);
    const bool lastRow = rowInLine + 1 >= m_layout.rowsOf(line);
    // A selected line break shows as one selected blank after the line.
    const qint64 rowStart = m_layout.lineStart(line) + from;
    const qint64 rowEnd =
        rowStart + row.size() + (lastRow && line + 1 < m_layout.lineCount() ? 1 : 0);
    const qint64 selectedStart = std::max(selected.first, rowStart);
    const qint64 selectedEnd = std::min(selected.second, rowEnd);
    if (selectedStart >= selectedEnd)
        return;
    const QRectF marked(kMargin + (selectedStart - rowStart) * m_glyphs.charWidth(), y,
                        (selectedEnd - selectedStart) * m_glyphs.charWidth(), m_lineHeight);
    painter.save();
    painter.fillRect(marked, palette().brush(QPalette::Highlight));
    painter.setClipRect(marked);
    painter.setPen(palette().color(QPalette::HighlightedText));
    painter.drawGlyphRun(QPointF(kMargin, baseline), shown);
    painter.restore();
}

void TrafficLogView::resizeEvent(QResizeEvent *)
{
    relayout();
}

void TrafficLogView::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange)
        relayout();
    QAbstractScrollArea::changeEvent(event);
}

void TrafficLogView::scrollContentsBy(int, int)
{
    // While the rows are brought up to the log, refresh() repaints what changed.
    if (m_syncing)
        return;
    m_follow = verticalScrollBar()->value() == verticalScrollBar()->maximum();
    viewport()->update();
}

void TrafficLogView::keyPressEvent(QKeyEvent *event)
{
    const qint64 look =
        m_follow ? m_layout.textEnd() : m_layout.placeOfRow(verticalScrollBar()->value(), 0);
    if (!m_controller->keyPress(event, look, visibleRows()))
        QAbstractScrollArea::keyPressEvent(event);
}

void TrafficLogView::focusInEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusInEvent(event);
    // Reached by the keyboard, the log puts its caret on the newest line, which a screen reader
    // then reads; a selection that the user made stays. The move is not told: Qt tells the focus
    // only after this handler, and a screen reader that heard of the caret first would take the
    // log for focused already and not announce it.
    const bool byKeyboard =
        event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
    if (byKeyboard && m_controller->selection().isEmpty(m_layout)) {
        m_quietCaret = true;
        m_controller->placeCaretOnLastLine();
        m_quietCaret = false;
    }
}

void TrafficLogView::mousePressEvent(QMouseEvent *event)
{
    if (!m_controller->mousePress(event, placeAt(event->position().toPoint())))
        QAbstractScrollArea::mousePressEvent(event);
}

void TrafficLogView::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_controller->mouseMove(event, placeAt(event->position().toPoint())))
        QAbstractScrollArea::mouseMoveEvent(event);
}

void TrafficLogView::mouseReleaseEvent(QMouseEvent *event)
{
    if (!m_controller->mouseRelease(event))
        QAbstractScrollArea::mouseReleaseEvent(event);
}

void TrafficLogView::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (!m_controller->mouseDoubleClick(event, placeAt(event->position().toPoint())))
        QAbstractScrollArea::mouseDoubleClickEvent(event);
}

void TrafficLogView::relayout()
{
    m_glyphs.setFont(font());
    const QFontMetrics metrics = fontMetrics();
    m_lineHeight = std::max(1, metrics.lineSpacing());
    m_ascent = metrics.ascent();
    const auto fitting = int((viewport()->width() - 2 * kMargin) / m_glyphs.charWidth());
    const int columns = std::max(kPairWidth, fitting / kPairWidth * kPairWidth);
    qint64 top = verticalScrollBar()->value();
    if (columns != m_layout.columns())
        top = m_layout.setColumns(columns, top);
    setTopRow(top);
}

// Sets the scroll range and shows topRow, or the last rows while following the end.
void TrafficLogView::setTopRow(qint64 topRow, bool repaint)
{
    auto *bar = static_cast<LogScrollBar *>(verticalScrollBar());
    const int page = visibleRows();
    const int maximum = int(std::clamp<qint64>(m_layout.rowCount() - page, 0, INT_MAX));
    m_syncing = true;
    bar->setState(page, maximum, m_follow ? maximum : int(std::clamp<qint64>(topRow, 0, maximum)));
    m_syncing = false;
    m_follow = bar->value() == maximum;
    if (repaint)
        viewport()->update();
}

// After a refresh: the rows that stay on screen move up by as many rows as the view scrolled, so
// their pixels are moved; only the rows from the last row before the refresh on are painted (that
// row may have grown). sameTop is the row that was at the top, counted as now.
void TrafficLogView::repaintChanges(qint64 sameTop, qint64 lastRowBefore)
{
    const qint64 shift = verticalScrollBar()->value() - sameTop;
    const int height = viewport()->height();
    if (sameTop < 0 || shift < 0 || shift * m_lineHeight >= height) {
        viewport()->update();
        return;
    }
    if (shift > 0)
        viewport()->scroll(0, -int(shift) * m_lineHeight);
    const qint64 changedFrom = lastRowBefore - verticalScrollBar()->value();
    if (changedFrom * m_lineHeight < height)
        viewport()->update(0, int(std::max<qint64>(changedFrom, 0)) * m_lineHeight,
                           viewport()->width(), height);
}

int TrafficLogView::visibleRows() const
{
    return std::max(1, viewport()->height() / m_lineHeight);
}

qint64 TrafficLogView::placeAt(QPoint viewportPos) const
{
    const qint64 row = verticalScrollBar()->value() + qFloor(qreal(viewportPos.y()) / m_lineHeight);
    if (row >= m_layout.rowCount())
        return m_layout.textEnd();
    return m_layout.placeOfRow(row, qRound((viewportPos.x() - kMargin) / m_glyphs.charWidth()));
}

qint64 TrafficLogView::place(qsizetype offset) const
{
    return m_layout.textStart() + std::clamp<qsizetype>(offset, 0, textLength());
}

// Scrolls as little as needed to show row.
void TrafficLogView::showRow(qint64 row)
{
    const qint64 top = verticalScrollBar()->value();
    if (row < top)
        verticalScrollBar()->setValue(int(row));
    else if (row >= top + visibleRows())
        verticalScrollBar()->setValue(int(row - visibleRows() + 1));
}

} // namespace talvor
