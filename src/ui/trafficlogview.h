#pragma once

#include <QAbstractScrollArea>
#include <QClipboard>
#include <QElapsedTimer>
#include <QGlyphRun>
#include <QRawFont>

#include <array>
#include <deque>

namespace talvor {

class TrafficLog;

// The traffic log control (RichTextBox1): shows a TrafficLog read-only in a small fixed-width font
// and wraps long lines to the viewport's width, which with a fixed-width font is plain arithmetic.
// Only the visible rows are painted, and a refresh costs time in proportion to what changed in the
// log, so an endless stream of frames or a 16 MiB line of noise stays cheap. The view follows the
// end of the log until the user scrolls up, and again once the user scrolls back to the bottom.
//
// The user selects with the mouse (drag, double-click for a hex pair, triple-click for a line) or
// with Shift and the cursor keys, and copies with Ctrl+C or the context menu. The selection is
// held as places in the log's text, so it moves with its text when lines are dropped at the front
// and goes when its text is dropped. Offsets below count the chars of the log's text as
// TrafficLog::text() gives it (lines joined by CR LF), as of the last refresh().
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
    QString textBetween(qsizetype start, qsizetype end) const;
    char charAt(qsizetype offset) const;
    // The line holding offset: from its start to the start of the next line (after the CR LF), or
    // to the end of the text.
    std::pair<qsizetype, qsizetype> lineAround(qsizetype offset) const;
    // The row on screen that holds offset, with the line break after it if the line ends there.
    std::pair<qsizetype, qsizetype> rowAround(qsizetype offset) const;
    // The run of a hex pair or a marker that holds offset, with the blanks and line break after it.
    std::pair<qsizetype, qsizetype> wordAround(qsizetype offset) const;

    bool hasSelection() const { return m_anchor != m_caret; }
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
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    int rowsOf(qsizetype line) const;
    qint64 syncRows(qint64 topRow);
    void relayout();
    void recountRows(qsizetype keepLine);
    void setTopRow(qint64 topRow, bool repaint = true);
    void repaintChanges(qint64 sameTop, qint64 lastRowBefore);
    void seekRow(qint64 row);
    void seekLine(qsizetype line);
    void setStart(qsizetype line);
    int visibleRows() const;
    qsizetype lineOf(qint64 place) const;
    qsizetype lineLength(qsizetype line) const;
    qint64 textEnd() const;
    qint64 placeOfRow(qint64 row, qint64 column);
    std::pair<qint64, qint64> rowOfPlace(qint64 place);
    qint64 placeAt(QPoint viewportPos);
    void selectPlaces(qint64 anchor, qint64 caret);
    void showRow(qint64 row);
    void copySelection(QClipboard::Mode mode);
    void copyAll();
    void notifyTextChange();
    QGlyphRun glyphsOf(QByteArrayView row);

    const TrafficLog *m_log = nullptr;
    quint64 m_seenRevision = 0;
    qint64 m_seenDropped = 0;
    std::deque<int> m_rows; // rows taken by each line of the log at the current wrap width
    // Where each line starts, as a place: TrafficLog::droppedChars() + offset in its text.
    std::deque<qint64> m_starts;
    qint64 m_textStart = 0; // the place of the text's first char
    qint64 m_totalRows = 0;
    // A line and the row it starts at, kept next to the visible rows so that finding the line
    // of a row walks over few lines.
    qsizetype m_anchorLine = 0;
    qint64 m_anchorRow = 0;
    int m_columns = 3;
    int m_lineHeight = 1;
    qreal m_charWidth = 1;
    QRawFont m_rawFont;
    std::array<quint32, 128> m_glyphs{}; // the glyph of each ASCII char in the log's face
    QList<quint32> m_rowGlyphs;          // the glyphs and places of the row being painted
    QList<QPointF> m_rowPositions;
    bool m_follow = true;
    bool m_syncing = false;
    // The selection, as places; equal when nothing is selected. -1: no caret set yet.
    qint64 m_anchor = -1;
    qint64 m_caret = -1;
    QElapsedTimer m_sinceDoubleClick;
    QPoint m_doubleClickPos;
    QAction *m_copyAction = nullptr;
    // The text as assistive technology last heard of it: its first and end place and last char.
    qint64 m_toldStart = 0;
    qint64 m_toldEnd = 0;
    char m_toldLast = 0;
};

} // namespace talvor
