#include "trafficlogview.h"

#include "accessibletrafficlog.h"
#include "trafficlog.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QGlyphRun>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionSlider>
#include <QtMath>

#include <algorithm>
#include <climits>

namespace talvor {

namespace {

constexpr int kMargin = 2;
// Rows are cut at a multiple of a hex pair and its blank, so no pair is split over two rows.
constexpr int kPairWidth = 3;

// A scroll bar that repaints only when it would look different. While the view follows a log of
// thousands of lines, every poll moves the range and the value, but the handle stays on the same
// pixels; repainting the bar would also repaint the frames behind it, every 50 ms.
class LogScrollBar : public QScrollBar {
public:
    using QScrollBar::QScrollBar;

    // Sets all three at once, so that the steps between (a larger range with the old value) are
    // never painted.
    void setState(int pageStep, int maximum, int value)
    {
        m_setting = true;
        setPageStep(pageStep);
        setRange(0, maximum);
        setValue(value);
        m_setting = false;
        sliderChange(SliderValueChange);
    }

protected:
    void sliderChange(SliderChange change) override
    {
        if (m_setting)
            return;
        const Look now = look();
        if (now == m_painted)
            return;
        m_painted = now;
        QScrollBar::sliderChange(change);
    }

private:
    struct Look {
        QRect handle;
        bool atMinimum = false;
        bool atMaximum = false;
        friend bool operator==(const Look &, const Look &) = default;
    };

    Look look() const
    {
        QStyleOptionSlider option;
        initStyleOption(&option);
        return {style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider,
                                        this),
                value() == minimum(), value() == maximum()};
    }

    Look m_painted;
    bool m_setting = false;
};

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

    m_copyAction = new QAction(QStringLiteral("Kopieren"), this);
    m_copyAction->setShortcut(QKeySequence::Copy);
    m_copyAction->setEnabled(false);
    connect(m_copyAction, &QAction::triggered, this,
            [this] { copySelection(QClipboard::Clipboard); });
    auto *copyAllAction = new QAction(QStringLiteral("Alles kopieren"), this);
    connect(copyAllAction, &QAction::triggered, this, &TrafficLogView::copyAll);
    auto *selectAllAction = new QAction(QStringLiteral("Alles auswählen"), this);
    selectAllAction->setShortcut(QKeySequence::SelectAll);
    connect(selectAllAction, &QAction::triggered, this,
            [this] { selectPlaces(m_textStart, textEnd()); });
    for (QAction *action : {m_copyAction, copyAllAction, selectAllAction}) {
        action->setShortcutContext(Qt::WidgetShortcut);
        addAction(action);
    }
    setContextMenuPolicy(Qt::ActionsContextMenu);
    setFocusPolicy(Qt::StrongFocus);
    installTrafficLogAccessibility();
    relayout();
}

void TrafficLogView::setLog(const TrafficLog *log)
{
    m_log = log;
    m_follow = true;
    m_anchor = m_caret = -1;
    m_copyAction->setEnabled(false);
    recountRows(0);
    setTopRow(0);
    notifyTextChange();
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
    if (!m_log || m_log->revision() == m_seenRevision)
        return;
    const qint64 rowsBefore = m_totalRows;
    const qint64 topBefore = verticalScrollBar()->value();
    // The row that showed at the top before, counted as now (rows dropped at the front are gone).
    const qint64 sameTop = syncRows(topBefore);
    const qint64 lastRowBefore = rowsBefore - 1 - (topBefore - sameTop);
    setTopRow(sameTop, false);
    repaintChanges(sameTop, lastRowBefore);
    notifyTextChange();
}

QRect TrafficLogView::charRect(qsizetype offset)
{
    const auto [row, column] =
        rowOfPlace(m_textStart + std::clamp<qsizetype>(offset, 0, textLength()));
    const qint64 top = verticalScrollBar()->value();
    if (m_starts.empty() || row < top || row >= top + visibleRows())
        return {};
    const qreal x = kMargin + column * m_charWidth;
    return QRect(QPoint(int(x), int(row - top) * m_lineHeight),
                 QPoint(int(x + m_charWidth) - 1, int(row - top + 1) * m_lineHeight - 1));
}

qsizetype TrafficLogView::offsetAt(QPoint viewportPos)
{
    return qsizetype(placeAt(viewportPos) - m_textStart);
}

void TrafficLogView::scrollToOffset(qsizetype offset)
{
    showRow(rowOfPlace(m_textStart + std::clamp<qsizetype>(offset, 0, textLength())).first);
}

void TrafficLogView::paintEvent(QPaintEvent *event)
{
    if (!m_log || m_rows.empty())
        return;
    QPainter painter(viewport());
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::Text));
    // Only the rows in the area to paint.
    const QRect area = event->rect();
    const int firstRow = std::max(area.top(), 0) / m_lineHeight;
    const qint64 top = verticalScrollBar()->value() + firstRow;
    if (top >= m_totalRows)
        return;
    seekRow(top);
    qsizetype line = m_anchorLine;
    qint64 rowInLine = top - m_anchorRow;
    // Until the next refresh the log may hold fewer lines than counted here.
    const qsizetype lines = std::min(qsizetype(m_rows.size()), m_log->lineCount());
    const int ascent = fontMetrics().ascent();
    const qint64 selectedFrom = std::min(m_anchor, m_caret);
    const qint64 selectedTo = std::max(m_anchor, m_caret);
    const int bottom = std::min(area.bottom() + 1, viewport()->height());
    for (int y = firstRow * m_lineHeight; y < bottom && line < lines; y += m_lineHeight) {
        const QByteArrayView text = m_log->line(line);
        const qsizetype from = std::min(rowInLine * m_columns, text.size());
        const QByteArrayView row =
            text.sliced(from).first(std::min<qsizetype>(m_columns, text.size() - from));
        const QGlyphRun shown = glyphsOf(row);
        painter.drawGlyphRun(QPointF(kMargin, y + ascent), shown);
        const bool lastRow = rowInLine + 1 >= m_rows[size_t(line)];
        // A selected line break shows as one selected blank after the line.
        const qint64 rowStart = m_starts[size_t(line)] + from;
        const qint64 rowEnd = rowStart + row.size() + (lastRow && line + 1 < lines ? 1 : 0);
        const qint64 selectedStart = std::max(selectedFrom, rowStart);
        const qint64 selectedEnd = std::min(selectedTo, rowEnd);
        if (selectedStart < selectedEnd) {
            const QRectF marked(kMargin + (selectedStart - rowStart) * m_charWidth, y,
                                (selectedEnd - selectedStart) * m_charWidth, m_lineHeight);
            painter.save();
            painter.fillRect(marked, palette().brush(QPalette::Highlight));
            painter.setClipRect(marked);
            painter.setPen(palette().color(QPalette::HighlightedText));
            painter.drawGlyphRun(QPointF(kMargin, y + ascent), shown);
            painter.restore();
        }
        if (lastRow) {
            ++line;
            rowInLine = 0;
        } else {
            ++rowInLine;
        }
    }
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

int TrafficLogView::rowsOf(qsizetype line) const
{
    const qsizetype length = m_log->line(line).size();
    return std::max(1, int((length + m_columns - 1) / m_columns));
}

// Brings the row counts up to the log and returns topRow moved so that it shows the same text as
// before, as far as that text is still there.
qint64 TrafficLogView::syncRows(qint64 topRow)
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
    topRow -= poppedRows;
    m_anchorLine -= qsizetype(dropped);
    m_anchorRow -= poppedRows;
    if (m_anchorLine < 0) {
        m_anchorLine = 0;
        m_anchorRow = 0;
    }

    // Only the last line can have changed (grown, or lost its oldest pairs as the only line left);
    // the lines behind it are new.
    const auto known = qsizetype(m_rows.size());
    m_rows.resize(size_t(m_log->lineCount()));
    m_starts.resize(m_rows.size());
    m_textStart = m_log->droppedChars();
    for (qsizetype i = std::max<qsizetype>(known - 1, 0); i < qsizetype(m_rows.size()); ++i) {
        const int rows = rowsOf(i);
        m_totalRows += rows - m_rows[size_t(i)];
        m_rows[size_t(i)] = rows;
        setStart(i);
    }
    if (!m_starts.empty())
        m_starts.front() = m_textStart;
    // A selection whose text went with the dropped lines goes too.
    if (m_caret >= 0 && std::min(m_anchor, m_caret) < m_textStart) {
        m_anchor = m_caret = -1;
        m_copyAction->setEnabled(false);
        viewport()->update();
    }
    return topRow;
}

// The log holds only ASCII, one glyph to a char in a fixed-width face: a row is drawn from the
// glyph of each char at its column, without shaping the text anew on every paint.
QGlyphRun TrafficLogView::glyphsOf(QByteArrayView row)
{
    m_rowGlyphs.resize(row.size());
    m_rowPositions.resize(row.size());
    for (qsizetype i = 0; i < row.size(); ++i) {
        m_rowGlyphs[i] = m_glyphs[quint8(row[i]) & 0x7F];
        m_rowPositions[i] = QPointF(i * m_charWidth, 0);
    }
    QGlyphRun glyphs;
    glyphs.setRawFont(m_rawFont);
    glyphs.setRawData(m_rowGlyphs.constData(), m_rowPositions.constData(), int(row.size()));
    return glyphs;
}

void TrafficLogView::relayout()
{
    m_rawFont = QRawFont::fromFont(font());
    for (int c = 0; c < int(m_glyphs.size()); ++c) {
        const QList<quint32> glyph = m_rawFont.glyphIndexesForString(QString(QChar(c)));
        m_glyphs[size_t(c)] = glyph.isEmpty() ? 0 : glyph.first();
    }
    const QFontMetrics metrics = fontMetrics();
    // Characters are fractions of a pixel wide at small sizes; a row of them is as wide as the
    // sum, not as the rounded single width times their count.
    m_charWidth =
        std::max<qreal>(QFontMetricsF(font()).horizontalAdvance(QString(64, u'0')) / 64, 1);
    m_lineHeight = std::max(1, metrics.lineSpacing());
    const auto fitting = int((viewport()->width() - 2 * kMargin) / m_charWidth);
    const int columns = std::max(kPairWidth, fitting / kPairWidth * kPairWidth);
    qint64 top = verticalScrollBar()->value();
    if (columns != m_columns) {
        seekRow(top);
        m_columns = columns;
        recountRows(m_anchorLine);
        top = m_anchorRow;
    }
    setTopRow(top);
}

// Counts the rows of every line afresh and puts the anchor on keepLine.
void TrafficLogView::recountRows(qsizetype keepLine)
{
    const qsizetype count = m_log ? m_log->lineCount() : 0;
    m_seenRevision = m_log ? m_log->revision() : 0;
    m_seenDropped = m_log ? m_log->droppedLines() : 0;
    m_rows.resize(size_t(count));
    m_starts.resize(size_t(count));
    m_textStart = m_log ? m_log->droppedChars() : 0;
    m_totalRows = 0;
    m_anchorLine = std::clamp<qsizetype>(keepLine, 0, std::max<qsizetype>(count - 1, 0));
    m_anchorRow = 0;
    for (qsizetype i = 0; i < count; ++i) {
        if (i == m_anchorLine)
            m_anchorRow = m_totalRows;
        m_rows[size_t(i)] = rowsOf(i);
        m_totalRows += m_rows[size_t(i)];
        setStart(i);
    }
}

void TrafficLogView::setStart(qsizetype line)
{
    m_starts[size_t(line)] =
        line == 0 ? m_textStart : m_starts[size_t(line) - 1] + lineLength(line - 1) + 2;
}

// Sets the scroll range and shows topRow, or the last rows while following the end.
void TrafficLogView::setTopRow(qint64 topRow, bool repaint)
{
    auto *bar = static_cast<LogScrollBar *>(verticalScrollBar());
    const int page = visibleRows();
    const int maximum = int(std::clamp<qint64>(m_totalRows - page, 0, INT_MAX));
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

// Moves the anchor to the line that holds row, walking from where it stands.
void TrafficLogView::seekRow(qint64 row)
{
    if (m_rows.empty())
        return;
    while (m_anchorLine > 0 && m_anchorRow > row) {
        --m_anchorLine;
        m_anchorRow -= m_rows[size_t(m_anchorLine)];
    }
    while (m_anchorLine + 1 < qsizetype(m_rows.size()) &&
           m_anchorRow + m_rows[size_t(m_anchorLine)] <= row) {
        m_anchorRow += m_rows[size_t(m_anchorLine)];
        ++m_anchorLine;
    }
}

int TrafficLogView::visibleRows() const
{
    return std::max(1, viewport()->height() / m_lineHeight);
}

// Moves the anchor to the start of line, walking from where it stands.
void TrafficLogView::seekLine(qsizetype line)
{
    while (m_anchorLine > line) {
        --m_anchorLine;
        m_anchorRow -= m_rows[size_t(m_anchorLine)];
    }
    while (m_anchorLine < line) {
        m_anchorRow += m_rows[size_t(m_anchorLine)];
        ++m_anchorLine;
    }
}

qsizetype TrafficLogView::lineOf(qint64 place) const
{
    const auto after = std::upper_bound(m_starts.begin(), m_starts.end(), place);
    return std::max<qsizetype>(qsizetype(after - m_starts.begin()) - 1, 0);
}

qsizetype TrafficLogView::lineLength(qsizetype line) const
{
    return line < m_log->lineCount() ? m_log->line(line).size() : 0;
}

qint64 TrafficLogView::textEnd() const
{
    if (m_starts.empty())
        return m_textStart;
    return m_starts.back() + lineLength(qsizetype(m_starts.size()) - 1);
}

// The place in row at column, kept within the row's chars.
qint64 TrafficLogView::placeOfRow(qint64 row, qint64 column)
{
    if (m_rows.empty())
        return m_textStart;
    seekRow(std::clamp<qint64>(row, 0, m_totalRows - 1));
    const qint64 from = (std::clamp<qint64>(row, 0, m_totalRows - 1) - m_anchorRow) * m_columns;
    const qint64 length = std::clamp<qint64>(lineLength(m_anchorLine) - from, 0, m_columns);
    return m_starts[size_t(m_anchorLine)] + from + std::clamp<qint64>(column, 0, length);
}

// The row that shows place, and its column there.
std::pair<qint64, qint64> TrafficLogView::rowOfPlace(qint64 place)
{
    if (m_rows.empty())
        return {0, 0};
    const qsizetype line = lineOf(place);
    const qint64 column = place - m_starts[size_t(line)];
    const qint64 rowInLine = std::min<qint64>(column / m_columns, m_rows[size_t(line)] - 1);
    seekLine(line);
    return {m_anchorRow + rowInLine, column - rowInLine * m_columns};
}

qint64 TrafficLogView::placeAt(QPoint viewportPos)
{
    const qint64 row = verticalScrollBar()->value() + qFloor(qreal(viewportPos.y()) / m_lineHeight);
    if (row >= m_totalRows)
        return textEnd();
    return placeOfRow(row, qRound((viewportPos.x() - kMargin) / m_charWidth));
}

void TrafficLogView::selectPlaces(qint64 anchor, qint64 caret)
{
    if (anchor == m_anchor && caret == m_caret)
        return;
    m_anchor = anchor;
    m_caret = caret;
    m_copyAction->setEnabled(anchor != caret);
    viewport()->update();
    if (!QAccessible::isActive())
        return;
    QAccessibleTextSelectionEvent selection(this, int(selectionStart()), int(selectionEnd()));
    selection.setCursorPosition(int(this->caret()));
    QAccessible::updateAccessibility(&selection);
    QAccessibleTextCursorEvent moved(this, int(this->caret()));
    QAccessible::updateAccessibility(&moved);
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

void TrafficLogView::copySelection(QClipboard::Mode mode)
{
    if (hasSelection())
        QGuiApplication::clipboard()->setText(selectedText(), mode);
}

void TrafficLogView::copyAll()
{
    QGuiApplication::clipboard()->setText(m_log ? QString::fromLatin1(m_log->text()) : QString());
}

// Tells assistive technology what changed since it last heard: chars dropped at the front, the
// blank after a frame's FF that became a line break, and the text appended. The dropped text itself
// is no longer held, so its removal is told by place and length (as blanks).
void TrafficLogView::notifyTextChange()
{
    const qint64 start = m_textStart;
    const qint64 end = textEnd();
    const char last = end > start ? charAt(qsizetype(end - 1 - start)) : 0;
    if (QAccessible::isActive()) {
        const qint64 keptFrom = std::min(start, m_toldEnd);
        if (keptFrom > m_toldStart) {
            QAccessibleTextRemoveEvent removed(this, 0, QString(keptFrom - m_toldStart, u' '));
            QAccessible::updateAccessibility(&removed);
        }
        qint64 from = std::max(m_toldEnd, start);
        if (m_toldEnd > start && m_toldEnd <= end &&
            charAt(qsizetype(m_toldEnd - 1 - start)) != m_toldLast) {
            from = m_toldEnd - 1;
            QAccessibleTextRemoveEvent changed(this, int(from - start),
                                               QString(QLatin1Char(m_toldLast)));
            QAccessible::updateAccessibility(&changed);
        }
        if (end > from) {
            QAccessibleTextInsertEvent inserted(
                this, int(from - start),
                textBetween(qsizetype(from - start), qsizetype(end - start)));
            QAccessible::updateAccessibility(&inserted);
        }
    }
    m_toldStart = start;
    m_toldEnd = end;
    m_toldLast = last;
}

} // namespace talvor
