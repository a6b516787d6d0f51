// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QFontMetrics;

namespace talvor {

// The error line's text shortened to `width` pixels. A failure names its device by path, and a
// /dev/serial/by-id/... path alone can be wider than the line: where the text does not fit, the
// path (the longest word beginning with "/") is shortened in the middle with "…", so that
// "Fehler <n> " before it and the remedy after it stay readable. Only a text that does not fit
// even so is cut at its end.
QString fittedErrorLine(const QString &text, const QFontMetrics &metrics, int width);

} // namespace talvor
