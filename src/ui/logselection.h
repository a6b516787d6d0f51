// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "logrowlayout.h"

namespace talvor {

// A selection in the traffic log's text: an anchor where it began and a caret where it ends, as
// places of a LogRowLayout, so that it stays on its text while lines are dropped in front of it.
// Anchor and caret are equal when nothing is selected; a default selection has no caret yet.
// "Select all" is a selection of its own that stays the whole text as lines arrive and go.
class LogSelection {
public:
    LogSelection() = default;
    // Anchor and caret kept within the layout's text.
    static LogSelection between(const LogRowLayout &layout, qint64 anchor, qint64 caret);
    static LogSelection all();
    // The hex pair or marker at place, without the blank after it (a double-click).
    static LogSelection wordAt(const LogRowLayout &layout, qint64 place);
    // The line at place, without its line break (a triple-click).
    static LogSelection lineAt(const LogRowLayout &layout, qint64 place);

    bool hasCaret() const { return m_all || m_caret >= 0; }
    bool isAll() const { return m_all; }
    // Without a caret both are the start of the text.
    qint64 anchor(const LogRowLayout &layout) const;
    qint64 caret(const LogRowLayout &layout) const;
    qint64 start(const LogRowLayout &layout) const;
    qint64 end(const LogRowLayout &layout) const;
    bool isEmpty(const LogRowLayout &layout) const { return start(layout) == end(layout); }
    // The same anchor with the caret moved to place.
    LogSelection extendedTo(const LogRowLayout &layout, qint64 place) const;
    // After the layout's sync: a selection whose text went with dropped lines goes too.
    LogSelection keptOn(const LogRowLayout &layout) const;

    friend bool operator==(const LogSelection &, const LogSelection &) = default;

private:
    qint64 m_anchor = -1;
    qint64 m_caret = -1;
    bool m_all = false;
};

} // namespace talvor
