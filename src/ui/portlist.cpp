// SPDX-License-Identifier: GPL-3.0-or-later
#include "portlist.h"

#include "portdirectory.h"

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QMenu>

namespace talvor {

namespace {

void showChosenSummary(QComboBox *list)
{
    list->setToolTip(list->itemData(list->currentIndex(), Qt::ToolTipRole).toString());
}

const QString kSummaryRefreshName = QStringLiteral("portSummaryRefresh");

// Tells the summaries anew as the list's popup opens: a device may have come or gone since. Found
// again by its name: it has no meta-object of its own for findChild to tell it by.
class SummaryRefresh : public QObject {
public:
    SummaryRefresh(QComboBox *list, const PortDirectory &ports)
        : QObject(list)
        , m_list(list)
        , m_ports(ports)
    {
        setObjectName(kSummaryRefreshName);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show)
            showPortSummaries(m_list, m_ports);
        return QObject::eventFilter(watched, event);
    }

private:
    QComboBox *m_list;
    const PortDirectory &m_ports;
};

} // namespace

void showPortSummaries(QComboBox *list, const PortDirectory &ports)
{
    const QList<AttachedDevice> present = ports.presentDevices();
    for (int i = 0; i < list->count(); ++i) {
        const QString text = portSummaryText(i + 1, ports.summarize(i + 1, present));
        list->setItemData(i, text, Qt::ToolTipRole);
        list->setItemData(i, text, Qt::AccessibleDescriptionRole);
    }
    showChosenSummary(list);
    if (!list->findChild<QObject *>(kSummaryRefreshName, Qt::FindDirectChildrenOnly)) {
        list->view()->installEventFilter(new SummaryRefresh(list, ports));
        QObject::connect(list, &QComboBox::currentIndexChanged, list,
                         [list] { showChosenSummary(list); });
    }
}

void installPortMenu(QComboBox *list, const std::function<void()> &assignPorts)
{
    auto *menu = new QMenu(list);
    QAction *assign = menu->addAction(QStringLiteral("Schnittstellen zuordnen..."));
    // Queued: the dialog opens after the menu has closed and given the focus back, so that it
    // takes the focus itself.
    QObject::connect(assign, &QAction::triggered, list, assignPorts, Qt::QueuedConnection);
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(list, &QWidget::customContextMenuRequested, menu,
                     [list, menu](const QPoint &at) { menu->popup(list->mapToGlobal(at)); });
    // Shift+F10 is the context-menu key of keyboards that have none.
    auto *keyboardMenu = new QAction(list);
    keyboardMenu->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10));
    keyboardMenu->setShortcutContext(Qt::WidgetShortcut);
    QObject::connect(keyboardMenu, &QAction::triggered, menu,
                     [list, menu] { menu->popup(list->mapToGlobal(list->rect().center())); });
    list->addAction(keyboardMenu);
}

} // namespace talvor
