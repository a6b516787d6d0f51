// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>
#include <QTimer>
#include <QWidget>

class QComboBox;

namespace talvor {

// Tells assistive technology what happened without moving the focus: an object of role
// notification, holding the message as its text, that shows up anew with each message; a screen
// reader speaks a notification as it appears. It paints nothing. The messages of one turn of the
// event loop (a failure and the lost link it caused, a new port and the disconnect it caused) are
// told together, as one.
class Announcer : public QWidget {
    Q_OBJECT
public:
    explicit Announcer(QWidget *window);

    void announce(const QString &message);
    QString message() const { return m_message; }

private:
    void tell();

    QString m_message;
    QStringList m_pending;
    QTimer m_turn;
};

// The entry that the arrow keys choose in a closed list is announced: Qt's own change event
// for it goes unspoken.
void announceKeyboardChoices(QComboBox *list, Announcer *announcer);

} // namespace talvor
