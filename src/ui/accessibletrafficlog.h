// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

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

// Tells assistive technology what changed in a traffic log view since it last heard, if it listens.
class AccessibleLogNews {
public:
    // Chars dropped at the front, the blank after a frame's FF that became a line break, and the
    // text appended, as layout holds the view's text now.
    void textChanged(TrafficLogView *view, const LogRowLayout &layout);
    // The view's selection and caret.
    static void selectionChanged(TrafficLogView *view);

private:
    // The text as assistive technology last heard of it: its first and end place and last char.
    qint64 m_toldStart = 0;
    qint64 m_toldEnd = 0;
    char m_toldLast = 0;
};

} // namespace talvor
