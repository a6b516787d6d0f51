// SPDX-License-Identifier: GPL-3.0-or-later
#include "accessibletablecells.h"

#include "detectortable.h"

#include <QPushButton>

namespace talvor {

RowHeader::RowHeader(DetectorTable *table, int row)
    : m_table(table)
    , m_row(row)
{
}

QWindow *RowHeader::window() const
{
    return parent()->window();
}

QAccessibleInterface *RowHeader::parent() const
{
    return QAccessible::queryAccessibleInterface(m_table);
}

QString RowHeader::text(QAccessible::Text kind) const
{
    return kind == QAccessible::Name ? QStringLiteral("Detektor %1").arg(m_row) : QString();
}

QRect RowHeader::rect() const
{
    return QAccessible::queryAccessibleInterface(m_table->cellAt(m_row, 0))->rect();
}

RequestCell::RequestCell(DetectorTable *table, int row, QAccessibleInterface *rowHeader)
    : m_table(table)
    , m_row(row)
    , m_rowHeader(rowHeader)
{
}

QWindow *RequestCell::window() const
{
    return parent()->window();
}

QAccessibleInterface *RequestCell::parent() const
{
    return QAccessible::queryAccessibleInterface(m_table);
}

QAccessibleInterface *RequestCell::button() const
{
    return QAccessible::queryAccessibleInterface(
        m_table->cellAt(m_row, DetectorTable::kRequestColumn));
}

QString RequestCell::text(QAccessible::Text kind) const
{
    return button()->text(kind);
}

QRect RequestCell::rect() const
{
    return button()->rect();
}

QAccessible::State RequestCell::state() const
{
    QAccessible::State state = button()->state();
    state.focusable = true;
    state.focused = m_table->hasFocus() && m_table->cursorRow() == m_row &&
                    m_table->cursorColumn() == DetectorTable::kRequestColumn;
    return state;
}

void *RequestCell::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::ActionInterface)
        return static_cast<QAccessibleActionInterface *>(this);
    if (type == QAccessible::TableCellInterface)
        return static_cast<QAccessibleTableCellInterface *>(this);
    return nullptr;
}

void RequestCell::doAction(const QString &action)
{
    if (action == pressAction())
        static_cast<QPushButton *>(m_table->cellAt(m_row, DetectorTable::kRequestColumn))->click();
}

int RequestCell::columnIndex() const
{
    return DetectorTable::kRequestColumn;
}

} // namespace talvor
