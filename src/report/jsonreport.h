// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "testreport.h"

#include <QByteArray>

namespace talvor {

// The report for other programs: one JSON object with the same texts as the other forms, the
// time in ISO 8601 and null where no report came. The keys are English, as other programs expect.
QByteArray jsonReport(const TestReport &report);

} // namespace talvor
