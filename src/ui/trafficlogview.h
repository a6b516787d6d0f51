// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "accessibletrafficlog.h"
#include "logglyphs.h"
#include "logrowlayout.h"

#include <QAbstractScrollArea>

class QPainter;

namespace talvor {

class TrafficLogController;

// The traffic log control (RichTextBox1): shows a TrafficLog read-only in a small fixed-width font
// and wraps long lines to the viewport's width, in rows that a LogRowLayout counts.
// Only the visible rows are painted, and a refresh costs time in proportion to what changed in the
// log, so an endless stream of frames or a 16 MiB line of noise stays cheap. The view follows the
// end of the log until the user scrolls up, and again once the user scrolls back to the bottom.
//
// The user selects with the mouse (drag, double-click for a hex pair, triple-click for a line) or
// with Shift and the cursor keys, and copies with Ctrl+C or the context menu
// (TrafficLogController). The selection is held as places in the log's text, so it moves with its
// text when lines are dropped at the front and goes when its text is dropped; everything selected
// stays everything. Offsets below count the chars of the log's text as TrafficLog::text() gives it
// (lines joined by CR LF), as of the last refresh().
class TrafficLogView : public QAbstractScrollArea {
    Q_OBJECT

public:
    explicit TrafficLogView(QWidget *parent = nullptr);

    void setLog(const TrafficLog *log);
    // Entries that others add to the context menu, below the view's own, after a separator.
    void appendMenuActions(const QList<QAction *> &actions);
    // Takes in the changes of the log since the last refresh; cheap when there are none.
    void refresh();

    qsizetype textLength() const;
    // The length of the text that assistive technology is told (LogRowLayout::readableEnd()).
    qsizetype readableLength() const;
    QString textBetween(qsizetype start, qsizetype end) const;
    char charAt(qsizetype offset) const;
    // The line holding offset: from its start to the start of the next line (after the CR LF), or
    // to the end of the text.
    std::pair<qsizetype, qsizetype> lineAround(qsizetype offset) const;
    // The row on screen that holds offset, with the line break after it if the line ends there.
    std::pair<qsizetype, qsizetype> rowAround(qsizetype offset) const;
    // The run of a hex pair or a marker that holds offset, with the blanks and line break after it.
    std::pair<qsizetype, qsizetype> wordAround(qsizetype offset) const;
    // The hex pair or marker that holds offset, without the blanks after it.
    std::pair<qsizetype, qsizetype> pairAround(qsizetype offset) const;

    bool hasSelection() const;
    qsizetype selectionStart() const;
    qsizetype selectionEnd() const;
    qsizetype caret() const;
    // Selects from anchor to caret; both are clamped to the text.
    void select(qsizetype anchor, qsizetype caret);
    QString selectedText() const;

    // Viewport coordinates; an empty rectangle for a char that is not on screen.
    QRect charRect(qsizetype offset);
    qsizetype offsetAt(QPoint viewportPos);
    void scrollToOffset(qsizetype offset);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    void relayout();
    void setTopRow(qint64 topRow, bool repaint = true);
    void repaintChanges(qint64 sameTop, qint64 lastRowBefore);
    void paintRow(QPainter &painter, int y, qsizetype line, qint64 rowInLine,
                  std::pair<qint64, qint64> selected);
    int visibleRows() const;
    qint64 placeAt(QPoint viewportPos) const;
    qint64 place(qsizetype offset) const;
    qsizetype offsetOf(qint64 place) const { return qsizetype(place - m_layout.textStart()); }
    void showRow(qint64 row);

    LogRowLayout m_layout;
    TrafficLogController *m_controller = nullptr;
    int m_lineHeight = 1;
    int m_ascent = 0;
    LogGlyphs m_glyphs;
    bool m_follow = true;
    bool m_syncing = false;
    bool m_quietCaret = false; // the caret moves without telling assistive technology
    AccessibleLogNews m_news{this, m_layout};
};

} // namespace talvor
