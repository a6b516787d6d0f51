#include "soakchecks.h"

#include "hexformat.h"
#include "support/references.h"
#include "trafficlog.h"

#include <QLabel>

namespace talvor::soak {

ExpectedTable expectedTable(const QByteArray &sent, const std::vector<qsizetype> &chunks)
{
    ExpectedTable table;
    QByteArray buffer;
    qsizetype pos = 0;
    for (const qsizetype chunk : chunks) {
        buffer.append(sent.sliced(pos, chunk));
        pos += chunk;
        for (const Report &report : test::referenceDecoderRun(buffer)) {
            ++table.reports;
            switch (report.kind) {
            case ReportKind::Address:
                table.address[size_t(report.detector)] = report.frame().toByteArray();
                break;
            case ReportKind::Cv:
                table.cv[size_t(report.detector)] = report.frame().toByteArray();
                break;
            case ReportKind::SystemInfo:
                table.systemInfo = report.frame().toByteArray();
                break;
            }
        }
    }
    return table;
}

namespace {

void compare(QStringList &mismatches, const QLabel *label, const QByteArray &frame)
{
    const QString expected = hexPairs(frame);
    if (label->text() != expected)
        mismatches << QStringLiteral("%1 shows \"%2\" instead of \"%3\"")
                          .arg(label->objectName(), label->text(), expected);
}

} // namespace

QStringList tableMismatches(const Controls &c, const ExpectedTable &expected)
{
    QStringList mismatches;
    for (int d = 1; d <= kDetectorCount; ++d) {
        compare(mismatches, c.lblRaw[d], expected.address[size_t(d)]);
        compare(mismatches, c.lblRawCV[d], expected.cv[size_t(d)]);
        const QByteArray &cv = expected.cv[size_t(d)];
        if (!cv.isEmpty() && c.lblCV[d]->text() != QString::number(quint8(cv[2])))
            mismatches << c.lblCV[d]->objectName() + QStringLiteral(" shows ") + c.lblCV[d]->text();
    }
    compare(mismatches, c.lblSysRaw, expected.systemInfo);
    return mismatches;
}

QString logTailMismatch(const TrafficLog &log, const QByteArray &sent, qsizetype count)
{
    test::ReferenceLog reference;
    reference.appendReceived(sent.last(std::min(count, sent.size())));
    // A line break in front of the first pair depends on the byte before it.
    const QByteArray expected = reference.text().mid(3);
    const QByteArray text = log.text();
    if (text.endsWith(expected))
        return {};
    return QStringLiteral("the log ends with\n%1\ninstead of\n%2")
        .arg(QString::fromLatin1(text.right(120)), QString::fromLatin1(expected.right(120)));
}

} // namespace talvor::soak
