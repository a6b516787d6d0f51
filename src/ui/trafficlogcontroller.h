// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "logselection.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QObject>
#include <QPoint>

class QAction;
class QKeyEvent;
class QMouseEvent;
class QWidget;

namespace talvor {

// What the user does to the traffic log's text with keys, the mouse and the clipboard: select by
// dragging, a double-click for a hex pair, a triple-click for a line, Shift and the cursor keys,
// Ctrl+A for everything, and copy with Ctrl+C or the context menu. The view hands in each event
// with the place under the pointer and shows what the controller signals.
class TrafficLogController : public QObject {
    Q_OBJECT

public:
    // Adds "Kopieren", "Alles kopieren" and "Alles auswählen" to view's actions (its context menu).
    TrafficLogController(QWidget *view, const LogRowLayout &layout);

    const LogSelection &selection() const { return m_selection; }
    QString selectedText() const;
    // Signals selectionChanged() if the selected range or the caret moved.
    void select(const LogSelection &selection);
    // A new log: no selection and no caret, without a signal.
    void forget();
    // After the layout's sync: keeps the selection on its text; true if it went.
    bool keepOnText();

    // Each returns false for an event it leaves to the view. lookPlace: where the user looks, the
    // caret's start if there is none yet; pageRows: how many rows Page Up and Page Down move.
    bool keyPress(QKeyEvent *event, qint64 lookPlace, int pageRows);
    // The caret alone at the start of the newest line.
    void placeCaretOnLastLine();
    bool mousePress(QMouseEvent *event, qint64 place);
    bool mouseMove(QMouseEvent *event, qint64 place);
    bool mouseRelease(QMouseEvent *event);
    bool mouseDoubleClick(QMouseEvent *event, qint64 place);

signals:
    void selectionChanged();
    // The view scrolls as little as needed to show place.
    void placeToShow(qint64 place);

private:
    enum class Move {
        Back,
        On,
        PairBack,
        PairOn,
        Up,
        Down,
        PageUp,
        PageDown,
        RowStart,
        RowEnd,
        RowLastPair,
        First,
        Last,
        LastLine
    };
    qint64 moved(qint64 caret, Move move) const;
    void copySelection(QClipboard::Mode mode);
    void copyAll();
    bool isTripleClick(QPoint pos) const;

    const LogRowLayout &m_layout;
    LogSelection m_selection;
    QAction *m_copyAction = nullptr;
    // The double-click that a third click makes a triple-click: when and where, and its place, so
    // that the line clicked on is selected even when the rows moved in between.
    QElapsedTimer m_sinceDoubleClick;
    QPoint m_doubleClickPos;
    qint64 m_doubleClickPlace = 0;
    int m_pageRows = 1;
};

} // namespace talvor
