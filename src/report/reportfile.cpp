// SPDX-License-Identifier: GPL-3.0-or-later
#include "reportfile.h"

#include "csvreport.h"
#include "jsonreport.h"
#include "pdfreport.h"
#include "plainfile.h"

#include <QFileInfo>

namespace talvor {

std::optional<ReportFormat> reportFormatFor(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == u"pdf")
        return ReportFormat::Pdf;
    if (suffix == u"csv")
        return ReportFormat::Csv;
    if (suffix == u"json")
        return ReportFormat::Json;
    return std::nullopt;
}

QByteArray renderReport(const TestReport &report, ReportFormat format)
{
    switch (format) {
    case ReportFormat::Pdf:
        return pdfReport(report);
    case ReportFormat::Csv:
        return csvReport(report);
    case ReportFormat::Json:
        return jsonReport(report);
    }
    return {};
}

std::optional<ErrorMessage> saveReport(const QString &path, const TestReport &report,
                                       ReportFormat format, const std::function<void(qint64)> &made)
{
    const QByteArray bytes = renderReport(report, format);
    if (made)
        made(bytes.size());
    if (const FileStatus failure = plainfile::saveWhole(path, bytes))
        return ErrorMessage{FileWriteError::kNumber, failure->description};
    return std::nullopt;
}

} // namespace talvor
