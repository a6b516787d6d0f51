// SPDX-License-Identifier: GPL-3.0-or-later
#include "accessibleeventfilter.h"

#include "detectortable.h"

#include <QAccessible>
#include <QSet>

namespace talvor {

namespace {

QSet<const QObject *> &quietControls()
{
    static QSet<const QObject *> controls;
    return controls;
}

QAccessible::UpdateHandler g_next = nullptr;

// A control that is not on screen (the cell picture's model label, whose text changes every
// second), or a table cell that the reader is not on.
bool isUnaskedName(const QObject *object)
{
    const auto *control = qobject_cast<const QWidget *>(object);
    if (!control)
        return false;
    if (!control->isVisible())
        return true;
    const auto *table = qobject_cast<const DetectorTable *>(control->parentWidget());
    return table && !(table->hasFocus() && table->cursorCell() == control);
}

bool isQuiet(const QAccessibleEvent *event)
{
    switch (event->type()) {
    case QAccessible::ValueChanged:
        return quietControls().contains(event->object());
    case QAccessible::NameChanged:
        return isUnaskedName(event->object());
    default:
        return false;
    }
}

void filter(QAccessibleEvent *event)
{
    if (isQuiet(event))
        return;
    if (g_next) {
        g_next(event);
        return;
    }
    // Without a handler before this one, Qt hands the event to the platform's bridge.
    QAccessible::installUpdateHandler(nullptr);
    QAccessible::updateAccessibility(event);
    QAccessible::installUpdateHandler(filter);
}

} // namespace

void installAccessibleEventFilter()
{
    static const bool installed = [] {
        g_next = QAccessible::installUpdateHandler(filter);
        return true;
    }();
    Q_UNUSED(installed);
}

QuietValueChanges::QuietValueChanges(const QObject *control)
    : m_control(control)
{
    quietControls().insert(control);
}

QuietValueChanges::~QuietValueChanges()
{
    quietControls().remove(m_control);
}

} // namespace talvor
