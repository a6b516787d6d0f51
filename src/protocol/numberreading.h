// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringView>
#include <QtGlobal>

#include <optional>

namespace talvor {

// The one way this program turns a text into a number, used for the typed byte and the
// remembered settings. Blanks, tabs and line feeds anywhere are ignored. "&H" followed by
// hexadecimal digits reads hexadecimal, "&O" followed by octal digits reads octal (either letter
// case); otherwise an optional sign, digits, an optional "." with digits and an optional exponent
// ("E" or "D", optional sign, digits). "." is the only decimal separator, whatever the locale.
// Reading stops at the first character that does not fit; a text without a number reads as 0.
double readLenientNumber(QStringView text);

// Rounds to the nearest whole number, halves to the even neighbour (2.5 gives 2, 3.5 gives 4);
// nothing when the result lies outside the signed 32-bit range or the value is not finite.
std::optional<qint32> roundToInt32(double value);

// A remembered setting's stored text: read leniently and rounded, accepted only within the
// signed 16-bit range.
std::optional<qint16> readStoredNumber(QStringView text);

} // namespace talvor
