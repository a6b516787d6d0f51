// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QObject;

namespace talvor {

// Keeps from assistive technology the events that tell a reader nothing they asked for. Each
// event costs the program a D-Bus message and the screen reader its handling, and while a device
// streams, the window changes many times a second. Dropped are value changes of a control while a
// QuietValueChanges guard for it lives (the log's scroll bar as the log follows its end), name
// changes of controls not on screen, and those of the detector table's cells other than the one
// under the focused table's cursor (a reader hears a cell's content when moving onto it).
// Everything else goes on to the screen reader or to the handler that was installed before. Safe to
// call more than once.
void installAccessibleEventFilter();

class QuietValueChanges {
public:
    explicit QuietValueChanges(const QObject *control);
    ~QuietValueChanges();
    QuietValueChanges(const QuietValueChanges &) = delete;
    QuietValueChanges &operator=(const QuietValueChanges &) = delete;

private:
    const QObject *m_control;
};

} // namespace talvor
