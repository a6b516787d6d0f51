// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "testreport.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace talvor {

enum class ReportFormat { Pdf, Csv, Json };

// The form a file's name asks for by its ending (".pdf", ".csv", ".json", in any letter case);
// none for any other.
std::optional<ReportFormat> reportFormatFor(const QString &path);

// The report's bytes in that form.
QByteArray renderReport(const TestReport &report, ReportFormat format);

} // namespace talvor
