#pragma once

namespace talvor {

// Makes the traffic log view readable by assistive technology as read-only multi-line text: its
// name and description, the log's text with its lines joined by CR LF, text at and around an
// offset by char, word (hex pair) and line, the selection, and events when text comes and goes.
// Qt builds the interface only when assistive technology asks. Safe to call more than once.
void installTrafficLogAccessibility();

} // namespace talvor
