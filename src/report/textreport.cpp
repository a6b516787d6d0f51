// SPDX-License-Identifier: GPL-3.0-or-later
#include "textreport.h"

namespace talvor {

namespace {

QString detectorText(int number, const DetectorLine &line)
{
    QString text = QStringLiteral("Detektor %1: ").arg(number, 2);
    if (!line.answered())
        return text + reporttext::kNoReport;
    text += line.address.isEmpty() ? reporttext::kNoReport : line.address;
    if (!line.cv.isEmpty())
        text += QStringLiteral(", CV %1").arg(line.cv);
    return text;
}

} // namespace

QString summaryText(const TestReport &report)
{
    using namespace reporttext;
    const SystemLine &system = report.system;
    QString text = QStringLiteral("Prüfbericht Talvor (%1)\n").arg(report.program);
    text += QStringLiteral("Datum: %1\n").arg(createdText(report.context.created));
    text += QStringLiteral("Schnittstelle: %1\n").arg(portAndDevice(report.context));
    text += QStringLiteral("Seriennummer: %1, Hardware-Version: %2, Software-Version: %3\n")
                .arg(orNoAnswer(system.serialNumber), orNoAnswer(system.hardware),
                     orNoAnswer(system.software));
    text += answeredSummary(report) + u'\n';
    for (int n = 1; n <= kDetectorCount; ++n)
        text += detectorText(n, report.detectors[size_t(n - 1)]) + u'\n';
    if (report.verdict)
        text += verdictLines(*report.verdict);
    return text;
}

QString verdictLines(const CheckVerdict &verdict)
{
    QString text = QStringLiteral("Ergebnis: %1\n").arg(reporttext::verdictText(verdict));
    for (const QString &finding : verdict.findings)
        text += finding + u'\n';
    return text;
}

} // namespace talvor
