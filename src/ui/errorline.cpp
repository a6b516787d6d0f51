// SPDX-License-Identifier: GPL-3.0-or-later
#include "errorline.h"

#include <QFontMetrics>
#include <QRegularExpression>

#include <algorithm>

namespace talvor {

namespace {

// Where the text names a device path: the longest run of characters from a "/" up to a blank or a
// bracket (the texts put the path in brackets after the port's name).
QRegularExpressionMatch longestPath(const QString &text)
{
    static const QRegularExpression path(QStringLiteral(R"(/[^\s()\[\]]+)"));
    QRegularExpressionMatch longest;
    for (const QRegularExpressionMatch &match : path.globalMatch(text)) {
        if (match.capturedLength() > longest.capturedLength())
            longest = match;
    }
    return longest;
}

} // namespace

QString fittedErrorLine(const QString &text, const QFontMetrics &metrics, int width)
{
    if (metrics.horizontalAdvance(text) <= width)
        return text;
    if (const QRegularExpressionMatch path = longestPath(text); path.hasMatch()) {
        const QString before = text.left(path.capturedStart());
        const QString after = text.mid(path.capturedEnd());
        // The pieces' widths do not quite add up (kerning), so the room is narrowed until the
        // whole line fits.
        for (int room = width - metrics.horizontalAdvance(before + after); room > 0;
             room -= std::max(1, metrics.averageCharWidth())) {
            const QString shortened =
                before + metrics.elidedText(path.captured(), Qt::ElideMiddle, room) + after;
            if (metrics.horizontalAdvance(shortened) <= width)
                return shortened;
        }
    }
    return metrics.elidedText(text, Qt::ElideRight, width);
}

} // namespace talvor
