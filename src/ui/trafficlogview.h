#pragma once

#include <QAbstractScrollArea>

#include <deque>

namespace talvor {

class TrafficLog;

// The traffic log control (RichTextBox1): shows a TrafficLog read-only in a small fixed-width font
// and wraps long lines to the viewport's width, which with a fixed-width font is plain arithmetic.
// Only the visible rows are painted, and a refresh costs time in proportion to what changed in the
// log, so an endless stream of frames or a 16 MiB line of noise stays cheap. The view follows the
// end of the log until the user scrolls up, and again once the user scrolls back to the bottom.
class TrafficLogView : public QAbstractScrollArea {
    Q_OBJECT

public:
    explicit TrafficLogView(QWidget *parent = nullptr);

    void setLog(const TrafficLog *log);
    // Entries that others add to the context menu, below the view's own, after a separator.
    void appendMenuActions(const QList<QAction *> &actions);
    // Takes in the changes of the log since the last refresh; cheap when there are none.
    void refresh();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    int rowsOf(qsizetype line) const;
    qint64 syncRows(qint64 topRow);
    void relayout();
    void recountRows(qsizetype keepLine);
    void setTopRow(qint64 topRow);
    void seekRow(qint64 row);
    int visibleRows() const;
    void copyAll();

    const TrafficLog *m_log = nullptr;
    quint64 m_seenRevision = 0;
    qint64 m_seenDropped = 0;
    std::deque<int> m_rows; // rows taken by each line of the log at the current wrap width
    qint64 m_totalRows = 0;
    // A line and the row it starts at, kept next to the visible rows so that finding the line
    // of a row walks over few lines.
    qsizetype m_anchorLine = 0;
    qint64 m_anchorRow = 0;
    int m_columns = 3;
    int m_lineHeight = 1;
    bool m_follow = true;
    bool m_syncing = false;
};

} // namespace talvor
