// SPDX-License-Identifier: GPL-3.0-or-later
#include "trafficlogcontroller.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

#include <algorithm>

namespace talvor {

TrafficLogController::TrafficLogController(QWidget *view, const LogRowLayout &layout)
    : QObject(view)
    , m_layout(layout)
{
    m_copyAction = new QAction(QStringLiteral("Kopieren"), view);
    m_copyAction->setShortcut(QKeySequence::Copy);
    m_copyAction->setEnabled(false);
    connect(m_copyAction, &QAction::triggered, this,
            [this] { copySelection(QClipboard::Clipboard); });
    auto *copyAllAction = new QAction(QStringLiteral("Alles kopieren"), view);
    connect(copyAllAction, &QAction::triggered, this, &TrafficLogController::copyAll);
    auto *selectAllAction = new QAction(QStringLiteral("Alles auswählen"), view);
    selectAllAction->setShortcut(QKeySequence::SelectAll);
    connect(selectAllAction, &QAction::triggered, this, [this] { select(LogSelection::all()); });
    for (QAction *action : {m_copyAction, copyAllAction, selectAllAction}) {
        action->setShortcutContext(Qt::WidgetShortcut);
        view->addAction(action);
    }
}

QString TrafficLogController::selectedText() const
{
    return QString::fromLatin1(
        m_layout.textBetween(m_selection.start(m_layout), m_selection.end(m_layout)));
}

void TrafficLogController::select(const LogSelection &selection)
{
    const bool same = selection.hasCaret() == m_selection.hasCaret() &&
                      selection.anchor(m_layout) == m_selection.anchor(m_layout) &&
                      selection.caret(m_layout) == m_selection.caret(m_layout);
    m_selection = selection;
    m_copyAction->setEnabled(!selection.isEmpty(m_layout));
    if (!same)
        emit selectionChanged();
}

void TrafficLogController::forget()
{
    m_selection = {};
    m_copyAction->setEnabled(false);
}

bool TrafficLogController::keepOnText()
{
    const LogSelection kept = m_selection.keptOn(m_layout);
    const bool went = !(kept == m_selection);
    m_selection = kept;
    // Everything selected grows from nothing with the first lines.
    m_copyAction->setEnabled(!m_selection.isEmpty(m_layout));
    return went;
}

bool TrafficLogController::keyPress(QKeyEvent *event, qint64 lookPlace, int pageRows)
{
    m_pageRows = std::max(1, pageRows);
    static constexpr std::pair<QKeySequence::StandardKey, Move> kMoves[] = {
        {QKeySequence::SelectPreviousChar, Move::Back},
        {QKeySequence::SelectNextChar, Move::On},
        {QKeySequence::SelectPreviousLine, Move::Up},
        {QKeySequence::SelectNextLine, Move::Down},
        {QKeySequence::SelectStartOfLine, Move::RowStart},
        {QKeySequence::SelectEndOfLine, Move::RowEnd},
        {QKeySequence::SelectStartOfDocument, Move::First},
        {QKeySequence::SelectEndOfDocument, Move::Last},
        {QKeySequence::SelectPreviousPage, Move::PageUp},
        {QKeySequence::SelectNextPage, Move::PageDown},
    };
    // Without Shift the same keys move the caret alone, sideways by a hex pair, for a reader
    // who goes through the log by keyboard; its ends are the last pair of a row and the start
    // of the newest whole frame's line, where there is something to read.
    static constexpr std::pair<QKeySequence::StandardKey, Move> kCaretMoves[] = {
        {QKeySequence::MoveToPreviousChar, Move::PairBack},
        {QKeySequence::MoveToNextChar, Move::PairOn},
        {QKeySequence::MoveToPreviousLine, Move::Up},
        {QKeySequence::MoveToNextLine, Move::Down},
        {QKeySequence::MoveToStartOfLine, Move::RowStart},
        {QKeySequence::MoveToEndOfLine, Move::RowLastPair},
        {QKeySequence::MoveToStartOfDocument, Move::First},
        {QKeySequence::MoveToEndOfDocument, Move::LastLine},
        {QKeySequence::MoveToPreviousPage, Move::PageUp},
        {QKeySequence::MoveToNextPage, Move::PageDown},
    };
    const auto matching = [event](const auto &move) {
        return event->matches(move.first);
    };
    const auto *found = std::find_if(std::begin(kMoves), std::end(kMoves), matching);
    const auto *caretMove = std::find_if(std::begin(kCaretMoves), std::end(kCaretMoves), matching);
    const bool extend = found != std::end(kMoves);
    if ((!extend && caretMove == std::end(kCaretMoves)) || !m_layout.log())
        return false;
    // Without a caret the selection starts where the user looks.
    const LogSelection from = m_selection.hasCaret()
                                  ? m_selection
                                  : LogSelection::between(m_layout, lookPlace, lookPlace);
    const qint64 caret = moved(from.caret(m_layout), extend ? found->second : caretMove->second);
    m_selection = from;
    select(extend ? from.extendedTo(m_layout, caret)
                  : LogSelection::between(m_layout, caret, caret));
    emit placeToShow(caret);
    return true;
}

void TrafficLogController::placeCaretOnLastLine()
{
    if (!m_layout.log() || m_layout.rowCount() == 0)
        return;
    const qint64 caret = m_layout.placeOfRow(m_layout.rowCount() - 1, 0);
    select(LogSelection::between(m_layout, caret, caret));
    emit placeToShow(caret);
}

qint64 TrafficLogController::moved(qint64 caret, Move move) const
{
    const qint64 start = m_layout.textStart();
    const qint64 end = m_layout.textEnd();
    const auto [row, column] = m_layout.rowOfPlace(caret);
    switch (move) {
    case Move::Back:
        // A line break is passed over as one char.
        return std::max(start,
                        caret - (caret - 1 > start && m_layout.charAt(caret - 1) == '\n' ? 2 : 1));
    case Move::On:
        return std::min(end, caret + (caret < end && m_layout.charAt(caret) == '\r' ? 2 : 1));
    case Move::PairBack:
    case Move::PairOn: {
        // A hex pair and its blank are three chars.
        qint64 place = caret;
        for (int i = 0; i < 3; ++i)
            place = moved(place, move == Move::PairBack ? Move::Back : Move::On);
        return place;
    }
    case Move::Up:
        return row > 0 ? m_layout.placeOfRow(row - 1, column) : start;
    case Move::Down:
        return row + 1 < m_layout.rowCount() ? m_layout.placeOfRow(row + 1, column) : end;
    case Move::PageUp:
        return row >= m_pageRows ? m_layout.placeOfRow(row - m_pageRows, column) : start;
    case Move::PageDown:
        return row + m_pageRows < m_layout.rowCount()
                   ? m_layout.placeOfRow(row + m_pageRows, column)
                   : end;
    case Move::RowStart:
        return m_layout.placeOfRow(row, 0);
    case Move::RowEnd:
        return m_layout.placeOfRow(row, m_layout.columns());
    case Move::RowLastPair:
        return m_layout.lastPairOfRow(row);
    case Move::First:
        return start;
    case Move::LastLine:
        return m_layout.newestFrameLine();
    case Move::Last:
        break;
    }
    return end;
}

bool TrafficLogController::mousePress(QMouseEvent *event, qint64 place)
{
    if (event->button() != Qt::LeftButton || !m_layout.log())
        return false;
    const bool tripleClick = isTripleClick(event->position().toPoint());
    m_sinceDoubleClick.invalidate();
    if (tripleClick) {
        select(LogSelection::lineAt(m_layout, m_doubleClickPlace));
        return true;
    }
    const bool extend = event->modifiers().testFlag(Qt::ShiftModifier) && m_selection.hasCaret();
    select(extend ? m_selection.extendedTo(m_layout, place)
                  : LogSelection::between(m_layout, place, place));
    return true;
}

// A press soon after a double-click near it, on a line that is still there.
bool TrafficLogController::isTripleClick(QPoint pos) const
{
    return m_sinceDoubleClick.isValid() &&
           m_sinceDoubleClick.elapsed() < QApplication::doubleClickInterval() &&
           (pos - m_doubleClickPos).manhattanLength() < QApplication::startDragDistance() &&
           m_layout.holds(m_doubleClickPlace);
}

bool TrafficLogController::mouseMove(QMouseEvent *event, qint64 place)
{
    if (!(event->buttons() & Qt::LeftButton) || !m_selection.hasCaret())
        return false;
    select(m_selection.extendedTo(m_layout, place));
    // Dragged above or below the rows: the view scrolls a row at a time.
    emit placeToShow(place);
    return true;
}

bool TrafficLogController::mouseRelease(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return false;
    if (QGuiApplication::clipboard()->supportsSelection())
        copySelection(QClipboard::Selection);
    return true;
}

bool TrafficLogController::mouseDoubleClick(QMouseEvent *event, qint64 place)
{
    if (event->button() != Qt::LeftButton || !m_layout.log())
        return false;
    select(LogSelection::wordAt(m_layout, place));
    m_sinceDoubleClick.start();
    m_doubleClickPos = event->position().toPoint();
    m_doubleClickPlace = place;
    return true;
}

void TrafficLogController::copySelection(QClipboard::Mode mode)
{
    if (!m_selection.isEmpty(m_layout))
        QGuiApplication::clipboard()->setText(selectedText(), mode);
}

void TrafficLogController::copyAll()
{
    const TrafficLog *log = m_layout.log();
    QGuiApplication::clipboard()->setText(log ? QString::fromLatin1(log->text()) : QString());
}

} // namespace talvor
