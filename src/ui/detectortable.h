// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "design.h"

#include <QWidget>

#include <array>

namespace talvor {

// The detector table as one keyboard stop: it holds the table's labels and "Anfordern" buttons,
// which paint as before, and keeps a cell cursor that the arrow keys move. The cursor is not
// drawn; it exists for assistive technology, which reads the cell under it with its column
// heading and its row ("Adresse", "Detektor 5"). Space or Enter on an "Anfordern" cell clicks it.
class DetectorTable : public QWidget {
    Q_OBJECT
public:
    static constexpr int kColumnCount = 8;
    static constexpr int kRequestColumn = 4; // the "Anfordern" buttons, without a heading
    // Row 0 holds the headings, rows 1 to 24 the detectors; each row left to right.
    using Grid = std::array<std::array<QWidget *, kColumnCount>, kDetectorCount + 1>;

    // Takes the grid's controls, which stay where they are in the window.
    DetectorTable(const Grid &cells, QWidget *window);

    // The control at `row` (0 for the headings) and `column`; null for the request column's
    // heading.
    QWidget *cellAt(int row, int column) const { return m_cells[size_t(row)][size_t(column)]; }
    // Row (1 to 24) and column of a control of the table; {-1, -1} for any other.
    QPoint placeOf(const QWidget *cell) const;

    int cursorRow() const { return m_row; }
    int cursorColumn() const { return m_column; }
    QWidget *cursorCell() const { return cellAt(m_row, m_column); }

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;

private:
    bool moveCursor(int key, Qt::KeyboardModifiers modifiers);
    void tellCursor();

    Grid m_cells;
    int m_row = 1;
    int m_column = 0;
};

} // namespace talvor
