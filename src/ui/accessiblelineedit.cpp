// SPDX-License-Identifier: GPL-3.0-or-later
#include "accessiblelineedit.h"

#include <QAccessibleWidget>
#include <QLineEdit>

namespace talvor {

namespace {

class AccessibleLineEdit : public QAccessibleWidget,
                           public QAccessibleTextInterface,
                           public QAccessibleEditableTextInterface {
public:
    explicit AccessibleLineEdit(QLineEdit *edit)
        : QAccessibleWidget(edit, QAccessible::EditableText)
    {
    }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface *>(this);
        if (type == QAccessible::EditableTextInterface)
            return static_cast<QAccessibleEditableTextInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Value)
            return shown();
        return QAccessibleWidget::text(kind);
    }
    void setText(QAccessible::Text kind, const QString &text) override
    {
        if (kind == QAccessible::Value && !edit()->isReadOnly())
            edit()->setText(text);
        else
            QAccessibleWidget::setText(kind, text);
    }
    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.readOnly = edit()->isReadOnly();
        state.editable = !edit()->isReadOnly();
        state.passwordEdit = edit()->echoMode() != QLineEdit::Normal;
        state.selectableText = true;
        return state;
    }

    void selection(int index, int *startOffset, int *endOffset) const override
    {
        const bool exists = index == 0 && edit()->hasSelectedText();
        *startOffset = exists ? edit()->selectionStart() : 0;
        *endOffset = exists ? edit()->selectionEnd() : 0;
    }
    int selectionCount() const override { return edit()->hasSelectedText() ? 1 : 0; }
    void addSelection(int startOffset, int endOffset) override
    {
        setSelection(0, startOffset, endOffset);
    }
    void removeSelection(int index) override
    {
        if (index == 0)
            edit()->deselect();
    }
    void setSelection(int index, int startOffset, int endOffset) override
    {
        if (index == 0)
            edit()->setSelection(startOffset, endOffset - startOffset);
    }
    int cursorPosition() const override { return edit()->cursorPosition(); }
    void setCursorPosition(int position) override { edit()->setCursorPosition(position); }
    QString text(int startOffset, int endOffset) const override
    {
        return startOffset > endOffset ? QString()
                                       : shown().mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return int(shown().size()); }
    QRect characterRect(int offset) const override
    {
        // The text starts at the cursor's place when the cursor is at its start.
        const QString text = shown();
        const QFontMetrics metrics = edit()->fontMetrics();
        const int x = metrics.horizontalAdvance(text.left(offset));
        const int width = metrics.horizontalAdvance(text.mid(offset, 1));
        const QRect line = edit()->rect().marginsRemoved(edit()->textMargins());
        const QPoint at = edit()->mapToGlobal(QPoint(line.left() + x, line.top()));
        return {at, QSize(width, line.height())};
    }
    int offsetAtPoint(const QPoint &point) const override
    {
        return edit()->cursorPositionAt(edit()->mapFromGlobal(point));
    }
    void scrollToSubstring(int startIndex, int endIndex) override
    {
        edit()->setCursorPosition(endIndex);
        edit()->setCursorPosition(startIndex);
    }
    QString attributes(int, int *startOffset, int *endOffset) const override
    {
        *startOffset = 0;
        *endOffset = characterCount();
        return {};
    }

    void deleteText(int startOffset, int endOffset) override
    {
        replaceText(startOffset, endOffset, {});
    }
    void insertText(int offset, const QString &text) override { replaceText(offset, offset, text); }
    void replaceText(int startOffset, int endOffset, const QString &text) override
    {
        if (edit()->isReadOnly())
            return;
        QString changed = edit()->text();
        changed.replace(startOffset, endOffset - startOffset, text);
        edit()->setText(changed);
    }

private:
    QLineEdit *edit() const { return static_cast<QLineEdit *>(widget()); }
    // A password field tells nothing of what was typed.
    QString shown() const
    {
        return edit()->echoMode() == QLineEdit::Normal ? edit()->text() : QString();
    }
};

QAccessibleInterface *lineEditInterface(const QString &className, QObject *object)
{
    if (className == QLatin1String("QLineEdit") && object && object->isWidgetType())
        return new AccessibleLineEdit(static_cast<QLineEdit *>(object));
    return nullptr;
}

} // namespace

void installLineEditAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(lineEditInterface);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace talvor
