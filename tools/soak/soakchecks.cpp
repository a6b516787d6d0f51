// SPDX-License-Identifier: GPL-3.0-or-later
#include "soakchecks.h"

#include "hexformat.h"
#include "support/references.h"
#include "trafficlog.h"

namespace talvor::soak {

void ReportTable::add(const Report &report)
{
    ++reports;
    switch (report.kind) {
    case ReportKind::Address:
        address[size_t(report.detector)] = report.frame().toByteArray();
        break;
    case ReportKind::Cv:
        cv[size_t(report.detector)] = report.frame().toByteArray();
        break;
    case ReportKind::SystemInfo:
        systemInfo = report.frame().toByteArray();
        break;
    }
}

ReportTable expectedTable(const QByteArray &sent, const std::vector<qsizetype> &chunks)
{
    ReportTable table;
    QByteArray buffer;
    qsizetype pos = 0;
    for (const qsizetype chunk : chunks) {
        buffer.append(sent.sliced(pos, chunk));
        pos += chunk;
        for (const Report &report : test::referenceDecoderRun(buffer))
            table.add(report);
    }
    return table;
}

namespace {

void compare(QStringList &mismatches, const QString &cell, const QByteArray &told,
             const QByteArray &expected)
{
    if (told != expected)
        mismatches << QStringLiteral("%1 was told \"%2\" last instead of \"%3\"")
                          .arg(cell, hexPairs(told), hexPairs(expected));
}

} // namespace

QStringList tableMismatches(const ReportTable &told, const ReportTable &expected)
{
    QStringList mismatches;
    for (size_t d = 1; d <= kDetectorCount; ++d) {
        compare(mismatches, QStringLiteral("address %1").arg(d), told.address[d],
                expected.address[d]);
        compare(mismatches, QStringLiteral("CV %1").arg(d), told.cv[d], expected.cv[d]);
    }
    compare(mismatches, QStringLiteral("system information"), told.systemInfo, expected.systemInfo);
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
