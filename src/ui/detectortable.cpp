// SPDX-License-Identifier: GPL-3.0-or-later
#include "detectortable.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QPushButton>

#include <algorithm>

namespace talvor {

DetectorTable::DetectorTable(const Grid &cells, QWidget *window)
    : QWidget(window)
    , m_cells(cells)
{
    setObjectName(QStringLiteral("tblDetektoren"));
    setAccessibleName(QStringLiteral("Detektortabelle"));
    setAccessibleDescription(QStringLiteral("Pfeiltasten wählen eine Zelle, Leertaste fordert in "
                                            "der Spalte Anfordern den Detektor an"));
    // Reached by Tab only: a click on a cell keeps the focus where it was, as before.
    setFocusPolicy(Qt::TabFocus);
    QRect area;
    for (const auto &row : m_cells)
        for (const QWidget *cell : row)
            if (cell)
                area |= cell->geometry();
    // From the window's corner, so that the controls keep their places in window coordinates.
    area.setTopLeft({0, 0});
    setGeometry(area);
    for (const auto &row : m_cells) {
        for (QWidget *cell : row) {
            if (!cell)
                continue;
            const bool shown = !cell->isHidden();
            cell->setParent(this);
            cell->setVisible(shown);
            // An interface made while the control stood in the window is made anew, as a cell.
            // Qt makes and keeps one at the control's first accessibility event, whether or not
            // a screen reader listens yet, so it is dropped whatever the state.
            QAccessible::deleteAccessibleInterface(
                QAccessible::uniqueId(QAccessible::queryAccessibleInterface(cell)));
        }
    }
}

QPoint DetectorTable::placeOf(const QWidget *cell) const
{
    for (int row = 0; row <= kDetectorCount; ++row) {
        const auto &cells = m_cells[size_t(row)];
        const auto found = std::find(cells.begin(), cells.end(), cell);
        if (found != cells.end())
            return {int(found - cells.begin()), row};
    }
    return {-1, -1};
}

bool DetectorTable::moveCursor(int key, Qt::KeyboardModifiers modifiers)
{
    const bool control = modifiers & Qt::ControlModifier;
    int row = m_row;
    int column = m_column;
    switch (key) {
    case Qt::Key_Up:
        row = std::max(1, row - 1);
        break;
    case Qt::Key_Down:
        row = std::min(kDetectorCount, row + 1);
        break;
    case Qt::Key_Left:
        column = std::max(0, column - 1);
        break;
    case Qt::Key_Right:
        column = std::min(kColumnCount - 1, column + 1);
        break;
    case Qt::Key_Home:
        column = 0;
        row = control ? 1 : row;
        break;
    case Qt::Key_End:
        column = kColumnCount - 1;
        row = control ? kDetectorCount : row;
        break;
    case Qt::Key_PageUp:
        row = 1;
        break;
    case Qt::Key_PageDown:
        row = kDetectorCount;
        break;
    default:
        return false;
    }
    m_row = row;
    m_column = column;
    return true;
}

void DetectorTable::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    if (moveCursor(key, event->modifiers())) {
        // At the table's edge the cursor stays, and its cell is read again.
        tellCursor();
        return;
    }
    auto *button = qobject_cast<QPushButton *>(cursorCell());
    if (button && (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter)) {
        button->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void DetectorTable::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    // Qt tells the table's own focus after this handler; the cell is told after that, so that
    // a screen reader lands on the cell.
    QMetaObject::invokeMethod(this, &DetectorTable::tellCursor, Qt::QueuedConnection);
}

void DetectorTable::tellCursor()
{
    if (!hasFocus() || !QAccessible::isActive())
        return;
    QAccessibleInterface *table = QAccessible::queryAccessibleInterface(this);
    QAccessibleEvent event(this, QAccessible::Focus);
    event.setChild(table->indexOfChild(table->tableInterface()->cellAt(m_row - 1, m_column)));
    QAccessible::updateAccessibility(&event);
}

} // namespace talvor
