// SPDX-License-Identifier: GPL-3.0-or-later
#include "testreport.h"

#include <algorithm>

namespace talvor {

int TestReport::answeredCount() const
{
    return int(std::count_if(detectors.begin(), detectors.end(),
                             [](const DetectorLine &line) { return line.answered(); }));
}

namespace reporttext {

QString answeredSummary(const TestReport &report)
{
    return QStringLiteral("%1 von %2 Detektoren gemeldet")
        .arg(report.answeredCount())
        .arg(kDetectorCount);
}

QString createdText(const QDateTime &created)
{
    return created.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
}

QString portText(int port)
{
    return QStringLiteral("COM %1").arg(port);
}

QString portAndDevice(const ReportContext &context)
{
    if (context.device.isEmpty())
        return portText(context.port);
    return QStringLiteral("%1 (%2)").arg(portText(context.port), context.device);
}

QString verdictText(const CheckVerdict &verdict)
{
    return verdict.passed ? QStringLiteral("bestanden") : QStringLiteral("nicht bestanden");
}

QString orNoAnswer(const QString &text)
{
    return text.isEmpty() ? kNoAnswer : text;
}

} // namespace reporttext

} // namespace talvor
