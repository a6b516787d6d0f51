#include "trafficlogview.h"

#include "trafficlog.h"

#include <QAction>
#include <QClipboard>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionSlider>

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
        const Look now = look();
        if (m_setting || now == m_painted)
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

    auto *copyAction = new QAction(QStringLiteral("Alles kopieren"), this);
    connect(copyAction, &QAction::triggered, this, &TrafficLogView::copyAll);
    addAction(copyAction);
    setContextMenuPolicy(Qt::ActionsContextMenu);
    relayout();
}

void TrafficLogView::setLog(const TrafficLog *log)
{
    m_log = log;
    m_follow = true;
    recountRows(0);
    setTopRow(0);
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
    setTopRow(syncRows(verticalScrollBar()->value()));
}

void TrafficLogView::paintEvent(QPaintEvent *)
{
    if (!m_log || m_rows.empty())
        return;
    QPainter painter(viewport());
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::Text));
    const qint64 top = verticalScrollBar()->value();
    seekRow(top);
    qsizetype line = m_anchorLine;
    qint64 rowInLine = top - m_anchorRow;
    // Until the next refresh the log may hold fewer lines than counted here.
    const qsizetype lines = std::min(qsizetype(m_rows.size()), m_log->lineCount());
    const int ascent = fontMetrics().ascent();
    for (int y = 0; y < viewport()->height() && line < lines; y += m_lineHeight) {
        const QByteArrayView text = m_log->line(line);
        const qsizetype from = std::min(rowInLine * m_columns, text.size());
        const QByteArrayView row =
            text.sliced(from).first(std::min<qsizetype>(m_columns, text.size() - from));
        painter.drawText(kMargin, y + ascent, QString::fromLatin1(row));
        if (++rowInLine >= m_rows[size_t(line)]) {
            ++line;
            rowInLine = 0;
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
    if (!m_syncing)
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
    for (qsizetype i = std::max<qsizetype>(known - 1, 0); i < qsizetype(m_rows.size()); ++i) {
        const int rows = rowsOf(i);
        m_totalRows += rows - m_rows[size_t(i)];
        m_rows[size_t(i)] = rows;
    }
    return topRow;
}

void TrafficLogView::relayout()
{
    const QFontMetrics metrics = fontMetrics();
    // Characters are fractions of a pixel wide at small sizes; a row of them is as wide as the
    // sum, not as the rounded single width times their count.
    const qreal charWidth = QFontMetricsF(font()).horizontalAdvance(QString(64, u'0')) / 64;
    m_lineHeight = std::max(1, metrics.lineSpacing());
    const auto fitting = int((viewport()->width() - 2 * kMargin) / std::max<qreal>(charWidth, 1));
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
    m_totalRows = 0;
    m_anchorLine = std::clamp<qsizetype>(keepLine, 0, std::max<qsizetype>(count - 1, 0));
    m_anchorRow = 0;
    for (qsizetype i = 0; i < count; ++i) {
        if (i == m_anchorLine)
            m_anchorRow = m_totalRows;
        m_rows[size_t(i)] = rowsOf(i);
        m_totalRows += m_rows[size_t(i)];
    }
}

// Sets the scroll range and shows topRow, or the last rows while following the end.
void TrafficLogView::setTopRow(qint64 topRow)
{
    auto *bar = static_cast<LogScrollBar *>(verticalScrollBar());
    const int page = visibleRows();
    const int maximum = int(std::clamp<qint64>(m_totalRows - page, 0, INT_MAX));
    m_syncing = true;
    bar->setState(page, maximum, m_follow ? maximum : int(std::clamp<qint64>(topRow, 0, maximum)));
    m_syncing = false;
    m_follow = bar->value() == maximum;
    viewport()->update();
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

void TrafficLogView::copyAll()
{
    QGuiApplication::clipboard()->setText(m_log ? QString::fromLatin1(m_log->text()) : QString());
}

} // namespace talvor
