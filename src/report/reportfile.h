// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "testreport.h"

#include "errormessage.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

namespace talvor {

enum class ReportFormat { Pdf, Csv, Json };

// The form a file's name asks for by its ending (".pdf", ".csv", ".json", in any letter case);
// none for any other.
std::optional<ReportFormat> reportFormatFor(const QString &path);

// The report's bytes in that form.
QByteArray renderReport(const TestReport &report, ReportFormat format);

// Makes the report's file and replaces the file at path with it as a whole, or leaves that file
// as it was and tells why ("Fehler 13 ..."). `made` hears the size once the bytes are made.
std::optional<ErrorMessage> saveReport(const QString &path, const TestReport &report,
                                       ReportFormat format,
                                       const std::function<void(qint64)> &made = {});

} // namespace talvor
