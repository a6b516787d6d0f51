// SPDX-License-Identifier: GPL-3.0-or-later
#include "logselection.h"

#include <algorithm>

namespace talvor {

LogSelection LogSelection::between(const LogRowLayout &layout, qint64 anchor, qint64 caret)
{
    LogSelection selection;
    selection.m_anchor = layout.clamped(anchor);
    selection.m_caret = layout.clamped(caret);
    return selection;
}

LogSelection LogSelection::all()
{
    LogSelection selection;
    selection.m_all = true;
    return selection;
}

LogSelection LogSelection::wordAt(const LogRowLayout &layout, qint64 place)
{
    auto [start, end] = layout.wordAround(place);
    while (end > start && QByteArrayView(" \r\n").contains(layout.charAt(end - 1)))
        --end;
    return between(layout, start, end);
}

LogSelection LogSelection::lineAt(const LogRowLayout &layout, qint64 place)
{
    const qsizetype line = layout.lineOf(place);
    if (line >= layout.lineCount())
        return between(layout, place, place);
    const qint64 start = layout.lineStart(line);
    return between(layout, start, start + layout.lineLength(line));
}

qint64 LogSelection::anchor(const LogRowLayout &layout) const
{
    return m_all || m_anchor < 0 ? layout.textStart() : m_anchor;
}

qint64 LogSelection::caret(const LogRowLayout &layout) const
{
    if (m_all)
        return layout.textEnd();
    return m_caret < 0 ? layout.textStart() : m_caret;
}

qint64 LogSelection::start(const LogRowLayout &layout) const
{
    return std::min(anchor(layout), caret(layout));
}

qint64 LogSelection::end(const LogRowLayout &layout) const
{
    return std::max(anchor(layout), caret(layout));
}

LogSelection LogSelection::extendedTo(const LogRowLayout &layout, qint64 place) const
{
    return between(layout, anchor(layout), place);
}

LogSelection LogSelection::keptOn(const LogRowLayout &layout) const
{
    if (m_all || m_caret < 0 || start(layout) >= layout.textStart())
        return *this;
    return {};
}

} // namespace talvor
