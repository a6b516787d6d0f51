// SPDX-License-Identifier: GPL-3.0-or-later
#include "accessiblelabel.h"

#include <QAccessibleWidget>
#include <QLabel>

namespace talvor {

namespace {

class AccessibleLabel : public QAccessibleWidget {
public:
    explicit AccessibleLabel(QLabel *label)
        : QAccessibleWidget(label, QAccessible::StaticText)
    {
    }

    QString text(QAccessible::Text kind) const override
    {
        if (kind != QAccessible::Name)
            return QAccessibleWidget::text(kind);
        const auto *label = static_cast<const QLabel *>(widget());
        return label->accessibleName().isEmpty() ? label->text() : label->accessibleName();
    }
};

QAccessibleInterface *labelInterface(const QString &className, QObject *object)
{
    if (className == QLatin1String("QLabel") && object && object->isWidgetType())
        return new AccessibleLabel(static_cast<QLabel *>(object));
    return nullptr;
}

} // namespace

void installLabelAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(labelInterface);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace talvor
