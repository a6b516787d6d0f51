#pragma once

namespace talvor {

// Makes the traffic log view readable by assistive technology as read-only multi-line text: its
// name and description, the log's text with its lines joined by CR LF, text at and around an
// offset by char, word (a hex pair or marker with the blanks after it), line (a row on screen, as
// the log wraps it) and paragraph or sentence (a line of the log), the selection, and events when
// text comes and goes.
// Qt builds the interface only when assistive technology asks. Safe to call more than once.
void installTrafficLogAccessibility();

} // namespace talvor
