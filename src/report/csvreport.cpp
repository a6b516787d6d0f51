// SPDX-License-Identifier: GPL-3.0-or-later
#include "csvreport.h"

#include <utility>

namespace talvor {

namespace {

constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";

QString field(const QString &text)
{
    if (!text.contains(u';') && !text.contains(u'"') && !text.contains(u'\n') &&
        !text.contains(u'\r'))
        return text;
    return u'"' + QString(text).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

void addLine(QString &out, const QStringList &fields)
{
    QStringList quoted;
    for (const QString &text : fields)
        quoted << field(text);
    out += quoted.join(u';') + QStringLiteral("\r\n");
}

void addHead(QString &out, const TestReport &report)
{
    using namespace reporttext;
    const SystemLine &system = report.system;
    addLine(out, {QStringLiteral("Prüfbericht"), report.program});
    addLine(out, {QStringLiteral("Datum"), createdText(report.context.created)});
    addLine(out, {QStringLiteral("Schnittstelle"), portText(report.context.port),
                  report.context.device});
    addLine(out, {QStringLiteral("Seriennummer"), orNoAnswer(system.serialNumber)});
    addLine(out, {QStringLiteral("Hardware-Version"), orNoAnswer(system.hardware)});
    addLine(out, {QStringLiteral("Software-Version"), orNoAnswer(system.software)});
    addLine(out, {QStringLiteral("Sys-Info Rohdaten"), orNoAnswer(system.frame)});
    addLine(out, {QStringLiteral("Detektoren"), answeredSummary(report)});
    if (report.verdict) {
        addLine(out, {QStringLiteral("Ergebnis"), verdictText(*report.verdict)});
        for (const QString &finding : report.verdict->findings)
            addLine(out, {QStringLiteral("Abweichung"), finding});
    }
}

} // namespace

QByteArray csvReport(const TestReport &report)
{
    QString out;
    addHead(out, report);
    out += QStringLiteral("\r\n");
    addLine(out, {QStringLiteral("Detektor"), QStringLiteral("Adresse"), QStringLiteral("Rohdaten"),
                  QStringLiteral("Zeit"), QStringLiteral("CV"), QStringLiteral("Rohdaten CV"),
                  QStringLiteral("Zeit CV")});
    for (int n = 1; n <= kDetectorCount; ++n) {
        const DetectorLine &line = report.detectors[size_t(n - 1)];
        const QString address = line.answered() ? line.address : reporttext::kNoReport;
        addLine(out, {QString::number(n), address, line.addressFrame, line.addressTime, line.cv,
                      line.cvFrame, line.cvTime});
    }
    return kByteOrderMark + out.toUtf8();
}

QList<QStringList> readCsv(const QByteArray &bytes)
{
    QString text = QString::fromUtf8(bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    QList<QStringList> lines;
    QStringList fields;
    QString current;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"')
                current += text[++i];
            else if (c == u'"')
                quoted = false;
            else
                current += c;
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u';') {
            fields << std::exchange(current, {});
        } else if (c == u'\n') {
            if (current.endsWith(u'\r'))
                current.chop(1);
            fields << std::exchange(current, {});
            lines << std::exchange(fields, {});
        } else {
            current += c;
        }
    }
    if (!current.isEmpty() || !fields.isEmpty())
        lines << (fields << current);
    return lines;
}

} // namespace talvor
