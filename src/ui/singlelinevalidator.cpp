// SPDX-License-Identifier: GPL-3.0-or-later
#include "singlelinevalidator.h"

#include <algorithm>

namespace talvor {

namespace {

bool isLineBreak(QChar c)
{
    return c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QChar::LineSeparator ||
           c == QChar::ParagraphSeparator;
}

} // namespace

QValidator::State SingleLineValidator::validate(QString &input, int &position) const
{
    while (!input.isEmpty() && isLineBreak(input.back()))
        input.chop(1);
    position = std::min(position, int(input.size()));
    return std::any_of(input.cbegin(), input.cend(), isLineBreak) ? Invalid : Acceptable;
}

} // namespace talvor
