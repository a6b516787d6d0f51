// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "testreport.h"

#include <QString>

namespace talvor {

// The report as plain German text for a terminal: the device block, the count, one line per
// detector and, for a check, the verdict with each finding.
QString summaryText(const TestReport &report);

// "Ergebnis: nicht bestanden" and a line for each finding.
QString verdictLines(const CheckVerdict &verdict);

} // namespace talvor
