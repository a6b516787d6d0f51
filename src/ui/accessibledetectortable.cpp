// SPDX-License-Identifier: GPL-3.0-or-later
#include "accessibledetectortable.h"

#include "accessibletablecells.h"
#include "detectortable.h"

#include <QAccessibleWidget>
#include <QLabel>

namespace talvor {

namespace {

DetectorTable *tableOf(const QWidget *cell)
{
    return qobject_cast<DetectorTable *>(cell->parentWidget());
}

class AccessibleTable : public QAccessibleWidget, public QAccessibleTableInterface {
public:
    explicit AccessibleTable(DetectorTable *table)
        : QAccessibleWidget(table, QAccessible::Table)
    {
        for (int row = 1; row <= kDetectorCount; ++row) {
            auto *header = new RowHeader(table, row);
            auto *request = new RequestCell(table, row, header);
            QAccessible::registerAccessibleInterface(header);
            QAccessible::registerAccessibleInterface(request);
            m_rowHeaders.push_back(header);
            m_requestCells.push_back(request);
        }
        for (int column = 0; column < kColumnCount; ++column)
            if (table->cellAt(0, column))
                m_headings.push_back(column);
    }
    ~AccessibleTable() override
    {
        for (QAccessibleInterface *made : m_rowHeaders + m_requestCells)
            QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
    }

    // The headings, then the cells row by row, then the "Anfordern" buttons, which their cells
    // stand for in the table.
    int childCount() const override
    {
        return int(m_headings.size()) + kDetectorCount * (kColumnCount + 1);
    }
    QAccessibleInterface *child(int index) const override
    {
        const int headings = int(m_headings.size());
        const int cells = kDetectorCount * kColumnCount;
        if (index < 0 || index >= childCount())
            return nullptr;
        if (index < headings)
            return QAccessible::queryAccessibleInterface(table()->cellAt(0, m_headings[index]));
        if (index < headings + cells)
            return cellAt((index - headings) / kColumnCount, (index - headings) % kColumnCount);
        return QAccessible::queryAccessibleInterface(
            table()->cellAt(index - headings - cells + 1, DetectorTable::kRequestColumn));
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        const int headings = int(m_headings.size());
        const int cells = kDetectorCount * kColumnCount;
        if (const int request = m_requestCells.indexOf(child); request >= 0)
            return headings + request * kColumnCount + DetectorTable::kRequestColumn;
        const QPoint place = table()->placeOf(qobject_cast<const QWidget *>(child->object()));
        if (place.y() < 0)
            return -1;
        if (place.y() == 0)
            return int(m_headings.indexOf(place.x()));
        if (place.x() == DetectorTable::kRequestColumn)
            return headings + cells + place.y() - 1;
        return headings + (place.y() - 1) * kColumnCount + place.x();
    }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TableInterface)
            return static_cast<QAccessibleTableInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QAccessibleInterface *focusChild() const override
    {
        return table()->hasFocus() ? cellAt(table()->cursorRow() - 1, table()->cursorColumn())
                                   : QAccessibleWidget::focusChild();
    }

    QAccessibleInterface *rowHeader(int row) const { return m_rowHeaders.value(row - 1); }

    QAccessibleInterface *caption() const override { return nullptr; }
    QAccessibleInterface *summary() const override { return nullptr; }
    QAccessibleInterface *cellAt(int row, int column) const override
    {
        if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
            return nullptr;
        if (column == DetectorTable::kRequestColumn)
            return m_requestCells[row];
        return QAccessible::queryAccessibleInterface(table()->cellAt(row + 1, column));
    }
    int selectedCellCount() const override { return 0; }
    QList<QAccessibleInterface *> selectedCells() const override { return {}; }
    QString columnDescription(int column) const override
    {
        QWidget *heading = table()->cellAt(0, column);
        return heading ? QAccessible::queryAccessibleInterface(heading)->text(QAccessible::Name)
                       : QString();
    }
    int columnCount() const override { return DetectorTable::kColumnCount; }
    QString rowDescription(int row) const override
    {
        return row >= 0 && row < rowCount() ? m_rowHeaders[row]->text(QAccessible::Name)
                                            : QString();
    }
    int rowCount() const override { return kDetectorCount; }
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override { return 0; }
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override { return {}; }
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int) const override { return false; }
    bool selectRow(int) override { return false; }
    bool selectColumn(int) override { return false; }
    bool unselectRow(int) override { return false; }
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent *) override {}

private:
    DetectorTable *table() const { return static_cast<DetectorTable *>(widget()); }

    static constexpr int kColumnCount = DetectorTable::kColumnCount;
    QList<QAccessibleInterface *> m_rowHeaders;
    QList<QAccessibleInterface *> m_requestCells;
    QList<int> m_headings; // the columns that have one
};

// A label of the table: a heading (a column header) or a cell with its place.
class AccessibleCell : public QAccessibleWidget, public QAccessibleTableCellInterface {
public:
    AccessibleCell(QLabel *cell, QAccessible::Role role)
        : QAccessibleWidget(cell, role)
    {
    }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TableCellInterface && place().y() > 0)
            return static_cast<QAccessibleTableCellInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text kind) const override
    {
        if (kind != QAccessible::Name)
            return QAccessibleWidget::text(kind);
        if (!widget()->accessibleName().isEmpty())
            return widget()->accessibleName();
        const QString shown = static_cast<const QLabel *>(widget())->text();
        return shown.isEmpty() ? QStringLiteral("leer") : shown;
    }
    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        const DetectorTable *table = tableOf(widget());
        state.focusable = true;
        if (table->hasFocus() && table->cursorCell() == widget())
            state.focused = true;
        return state;
    }
    bool isSelected() const override { return false; }
    QList<QAccessibleInterface *> columnHeaderCells() const override
    {
        QWidget *heading = tableOf(widget())->cellAt(0, place().x());
        if (!heading)
            return {};
        return {QAccessible::queryAccessibleInterface(heading)};
    }
    QList<QAccessibleInterface *> rowHeaderCells() const override
    {
        return {static_cast<AccessibleTable *>(table())->rowHeader(place().y())};
    }
    int columnIndex() const override { return place().x(); }
    int rowIndex() const override { return place().y() - 1; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface *table() const override
    {
        return QAccessible::queryAccessibleInterface(tableOf(widget()));
    }

private:
    QPoint place() const { return tableOf(widget())->placeOf(widget()); }
};

QAccessibleInterface *tableInterface(const QString &className, QObject *object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    auto *widget = static_cast<QWidget *>(object);
    if (auto *table = qobject_cast<DetectorTable *>(widget);
        table && className == QLatin1String("talvor::DetectorTable"))
        return new AccessibleTable(table);
    const DetectorTable *table = tableOf(widget);
    if (!table || table->placeOf(widget).y() < 0)
        return nullptr;
    if (className != QLatin1String("QLabel"))
        return nullptr;
    const bool heading = table->placeOf(widget).y() == 0;
    return new AccessibleCell(static_cast<QLabel *>(widget),
                              heading ? QAccessible::ColumnHeader : QAccessible::Cell);
}

} // namespace

void installDetectorTableAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(tableInterface);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace talvor
