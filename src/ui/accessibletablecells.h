// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAccessible>
#include <QPointer>

namespace talvor {

class DetectorTable;

// "Detektor n" before the cells of row n: no control of its own, so an object made for it that
// lives as long as the table's interface.
class RowHeader : public QAccessibleInterface {
public:
    RowHeader(DetectorTable *table, int row);

    bool isValid() const override { return m_table; }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override;
    QAccessibleInterface *parent() const override;
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text kind) const override;
    void setText(QAccessible::Text, const QString &) override {}
    QRect rect() const override;
    QAccessible::Role role() const override { return QAccessible::RowHeader; }
    QAccessible::State state() const override { return {}; }

private:
    QPointer<DetectorTable> m_table;
    int m_row;
};

// The "Anfordern" cell of row n as the table shows it to assistive technology: a cell that
// presses its row's button. The button stays a button of its own for Tab; a screen reader keeps
// a role it has seen, so one object cannot be both.
class RequestCell : public QAccessibleInterface,
                    public QAccessibleActionInterface,
                    public QAccessibleTableCellInterface {
public:
    RequestCell(DetectorTable *table, int row, QAccessibleInterface *rowHeader);

    bool isValid() const override { return m_table; }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override;
    QAccessibleInterface *parent() const override;
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text kind) const override;
    void setText(QAccessible::Text, const QString &) override {}
    QRect rect() const override;
    QAccessible::Role role() const override { return QAccessible::Cell; }
    QAccessible::State state() const override;
    void *interface_cast(QAccessible::InterfaceType type) override;

    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString &action) override;
    QStringList keyBindingsForAction(const QString &) const override { return {}; }

    bool isSelected() const override { return false; }
    QList<QAccessibleInterface *> columnHeaderCells() const override { return {}; }
    QList<QAccessibleInterface *> rowHeaderCells() const override { return {m_rowHeader}; }
    int columnIndex() const override;
    int rowIndex() const override { return m_row - 1; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface *table() const override { return parent(); }

private:
    QAccessibleInterface *button() const;

    QPointer<DetectorTable> m_table;
    int m_row;
    QAccessibleInterface *m_rowHeader;
};

} // namespace talvor
