// SPDX-License-Identifier: GPL-3.0-or-later
#include "announcer.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QComboBox>

namespace talvor {

namespace {

QString messageOf(const QAccessibleInterface *announcer, QAccessible::Text kind)
{
    return kind == QAccessible::Name ? static_cast<Announcer *>(announcer->object())->message()
                                     : QString();
}

// The message as the notification's one text, where a screen reader looks for what to say.
class MessageText : public QAccessibleInterface {
public:
    explicit MessageText(QAccessibleInterface *announcer)
        : m_announcer(announcer)
    {
    }

    bool isValid() const override { return m_announcer->isValid(); }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return m_announcer->window(); }
    QAccessibleInterface *parent() const override { return m_announcer; }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text kind) const override { return messageOf(m_announcer, kind); }
    void setText(QAccessible::Text, const QString &) override {}
    QRect rect() const override { return m_announcer->rect(); }
    QAccessible::Role role() const override { return QAccessible::StaticText; }
    QAccessible::State state() const override { return m_announcer->state(); }

private:
    QAccessibleInterface *m_announcer;
};

class AccessibleAnnouncer : public QAccessibleWidget {
public:
    explicit AccessibleAnnouncer(Announcer *announcer)
        : QAccessibleWidget(announcer, QAccessible::Notification)
        , m_text(new MessageText(this))
    {
        QAccessible::registerAccessibleInterface(m_text);
    }
    ~AccessibleAnnouncer() override
    {
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(m_text));
    }

    QString text(QAccessible::Text kind) const override { return messageOf(this, kind); }
    int childCount() const override { return 1; }
    QAccessibleInterface *child(int index) const override { return index == 0 ? m_text : nullptr; }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return child == m_text ? 0 : -1;
    }

private:
    MessageText *m_text;
};

QAccessibleInterface *announcerInterface(const QString &className, QObject *object)
{
    if (className == QLatin1String("talvor::Announcer") && object)
        return new AccessibleAnnouncer(static_cast<Announcer *>(object));
    return nullptr;
}

QString joined(const QStringList &messages)
{
    QString text;
    for (const QString &message : messages) {
        if (!text.isEmpty())
            text += text.endsWith(u'.') ? QStringLiteral(" ") : QStringLiteral(". ");
        text += message;
    }
    return text;
}

} // namespace

Announcer::Announcer(QWidget *window)
    : QWidget(window)
{
    static const bool installed = [] {
        QAccessible::installFactory(announcerInterface);
        return true;
    }();
    Q_UNUSED(installed);
    setObjectName(QStringLiteral("Announcer"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setGeometry(0, 0, 1, 1);
    m_turn.setSingleShot(true);
    m_turn.setInterval(0);
    connect(&m_turn, &QTimer::timeout, this, &Announcer::tell);
}

void Announcer::announce(const QString &message)
{
    m_pending.append(message);
    m_turn.start();
}

void Announcer::tell()
{
    // Hidden and shown again: each message is a new appearance, also one equal to the last.
    hide();
    m_message = joined(m_pending);
    m_pending.clear();
    show();
}

void announceKeyboardChoices(QComboBox *list, Announcer *announcer)
{
    QObject::connect(list, &QComboBox::currentIndexChanged, announcer, [list, announcer] {
        // An open list's entries are read by the list itself.
        if (list->hasFocus() && !list->view()->isVisible())
            announcer->announce(list->currentText());
    });
}

} // namespace talvor
