// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTimer>
#include <QtGlobal>

#include <chrono>

namespace talvor {

class LogRowLayout;
class TrafficLogView;

// Makes the traffic log view readable by assistive technology as read-only multi-line text: its
// name and description, the log's text with its lines joined by CR LF, text at and around an
// offset by char, word (a hex pair or marker with the blanks after it), line (a row on screen, as
// the log wraps it) and paragraph or sentence (a line of the log), the selection, and events when
// text comes and goes.
// Qt builds the interface only when assistive technology asks. Safe to call more than once.
void installTrafficLogAccessibility();

// Tells assistive technology what changed in a traffic log view since it last heard, if it listens:
// chars dropped at the front and the text appended. While a device streams, that is told at most
// once in kInterval, as one removal and one insert: each event costs a D-Bus message and the screen
// reader's handling, and nobody reads twenty lines a second.
class AccessibleLogNews {
public:
    static constexpr std::chrono::milliseconds kInterval{500};

    AccessibleLogNews(TrafficLogView *view, const LogRowLayout &layout);
    // The view's text changed as layout holds it now.
    void textChanged();
    // Tells at once, as when the view shows another log.
    void tellNow();
    // The view's selection and caret.
    static void selectionChanged(TrafficLogView *view);

private:
    void tell();

    TrafficLogView *m_view;
    const LogRowLayout &m_layout;
    QTimer m_pause;
    bool m_pending = false;
    // The text as assistive technology last heard of it: its first and end place and last char.
    qint64 m_toldStart = 0;
    qint64 m_toldEnd = 0;
    char m_toldLast = 0;
};

} // namespace talvor
