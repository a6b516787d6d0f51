// SPDX-License-Identifier: GPL-3.0-or-later
#include "accessibledetectortable.h"

#include "detectortable.h"

#include <QAccessibleWidget>
#include <QLabel>
#include <QPushButton>

namespace talvor {

namespace {

DetectorTable *tableOf(const QWidget *cell)
{
    return qobject_cast<DetectorTable *>(cell->parentWidget());
}

// "Detektor n" before the cells of row n: no control of its own, so an object made for it, which
// lives as long as the table's interface.
class RowHeader : public QAccessibleInterface {
public:
    RowHeader(DetectorTable *table, int row)
        : m_table(table)
        , m_row(row)
    {
    }

    bool isValid() const override { return m_table; }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return parent()->window(); }
    QAccessibleInterface *parent() const override
    {
        return QAccessible::queryAccessibleInterface(m_table);
    }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text kind) const override
    {
        return kind == QAccessible::Name ? QStringLiteral("Detektor %1").arg(m_row) : QString();
    }
    void setText(QAccessible::Text, const QString &) override {}
    QRect rect() const override
    {
        return QAccessible::queryAccessibleInterface(m_table->cellAt(m_row, 0))->rect();
    }
    QAccessible::Role role() const override { return QAccessible::RowHeader; }
    QAccessible::State state() const override { return {}; }

private:
    QPointer<DetectorTable> m_table;
    int m_row;
};

class AccessibleTable : public QAccessibleWidget, public QAccessibleTableInterface {
public:
    explicit AccessibleTable(DetectorTable *table)
        : QAccessibleWidget(table, QAccessible::Table)
    {
        for (int row = 1; row <= kDetectorCount; ++row) {
            auto *header = new RowHeader(table, row);
            QAccessible::registerAccessibleInterface(header);
            m_rowHeaders.push_back(header);
        }
    }
    ~AccessibleTable() override
    {
        for (QAccessibleInterface *header : m_rowHeaders)
            QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(header));
    }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TableInterface)
            return static_cast<QAccessibleTableInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QAccessibleInterface *focusChild() const override
    {
        return table()->hasFocus() ? QAccessible::queryAccessibleInterface(table()->cursorCell())
                                   : QAccessibleWidget::focusChild();
    }

    QAccessibleInterface *rowHeader(int row) const { return m_rowHeaders.value(row - 1); }

    QAccessibleInterface *caption() const override { return nullptr; }
    QAccessibleInterface *summary() const override { return nullptr; }
    QAccessibleInterface *cellAt(int row, int column) const override
    {
        if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
            return nullptr;
        return QAccessible::queryAccessibleInterface(table()->cellAt(row + 1, column));
    }
    int selectedCellCount() const override { return 0; }
    QList<QAccessibleInterface *> selectedCells() const override { return {}; }
    QString columnDescription(int column) const override
    {
        const auto *heading = qobject_cast<QLabel *>(table()->cellAt(0, column));
        return heading ? heading->text() : QString();
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

    QList<QAccessibleInterface *> m_rowHeaders;
};

// A label or button of the table: a heading (a column header) or a cell with its place.
class AccessibleCell : public QAccessibleWidget, public QAccessibleTableCellInterface {
public:
    AccessibleCell(QWidget *cell, QAccessible::Role role)
        : QAccessibleWidget(cell, role)
    {
        if (role == QAccessible::Button)
            addControllingSignal(QStringLiteral("clicked(bool)"));
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
        if (const auto *label = qobject_cast<const QLabel *>(widget()))
            return label->text().isEmpty() && place().y() > 0 ? QStringLiteral("leer")
                                                              : label->text();
        return widget()->accessibleName();
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
    QStringList actionNames() const override
    {
        QStringList names = QAccessibleWidget::actionNames();
        if (role() == QAccessible::Button)
            names.prepend(pressAction());
        return names;
    }
    void doAction(const QString &action) override
    {
        if (action == pressAction())
            static_cast<QPushButton *>(widget())->click();
        else
            QAccessibleWidget::doAction(action);
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
    if (className == QLatin1String("QLabel")) {
        const bool heading = table->placeOf(widget).y() == 0;
        return new AccessibleCell(widget, heading ? QAccessible::ColumnHeader : QAccessible::Cell);
    }
    if (className == QLatin1String("QPushButton"))
        return new AccessibleCell(widget, QAccessible::Button);
    return nullptr;
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
