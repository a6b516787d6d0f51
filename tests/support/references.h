// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The receive path done the slow, obvious way, exactly as the device's protocol and the traffic
// log are described: an unbounded receive buffer scanned again from its first byte after every
// report, and a log text that is read, extended and written back for every byte, then searched
// three times as a whole for frame boundaries. The unit tests, the fuzzers and the benchmark
// hold the real units against these.

#include "hexformat.h"
#include "reportdecoder.h"
#include "trafficlog.h"

#include <QByteArray>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <vector>

namespace talvor::test {

// One decoder run: positions count from 1, each position is tried in the order address, CV,
// system information; a report is removed with everything before it and the scan starts again at
// the first byte. Quadratic, unbounded, and obviously right.
inline std::vector<Report> referenceDecoderRun(QByteArray &buffer)
{
    std::vector<Report> reports;
    for (bool found = true; found && buffer.size() >= 4;) {
        found = false;
        const qsizetype last = buffer.size();
        const auto at = [&](qsizetype pos) {
            return pos <= last ? int(quint8(buffer[pos - 1])) : -1;
        };
        for (qsizetype p = 1; p <= last - 3 && !found; ++p) {
            const bool detector = at(p + 1) >= 1 && at(p + 1) <= 24;
            ReportKind kind = ReportKind::Address;
            qsizetype length = 0;
            if (at(p) == 0xFC && at(p + 4) == 0xFF && detector) {
                length = 5;
            } else if (at(p) == 0xFE && at(p + 3) == 0xFF && detector) {
                kind = ReportKind::Cv;
                length = 4;
            } else if (at(p) == 0xFD && at(p + 5) == 0xFF) {
                kind = ReportKind::SystemInfo;
                length = 6;
            }
            if (length > 0) {
                const int number = kind == ReportKind::SystemInfo ? 0 : at(p + 1);
                reports.emplace_back(kind, number, QByteArrayView(buffer).sliced(p - 1, length));
                buffer.remove(0, p - 1 + length);
                found = true;
            }
        }
    }
    return reports;
}

// "A5 FC 05 00 00 FF": kind, detector and frame, for comparing runs and reading failures.
inline QString describe(const Report &report)
{
    static const QString kinds[] = {QStringLiteral("A"), QStringLiteral("C"), QStringLiteral("S")};
    QString text = kinds[int(report.kind)];
    if (report.kind != ReportKind::SystemInfo)
        text += QString::number(report.detector);
    return text + u' ' + hexPairs(report.frame());
}

inline QString describe(const std::vector<Report> &reports)
{
    QStringList texts;
    for (const Report &report : reports)
        texts << describe(report);
    return texts.join(QStringLiteral(" | "));
}

// The traffic log as a text control holds it, without bounds.
class ReferenceLog {
public:
    void appendReceived(QByteArrayView bytes)
    {
        if (bytes.isEmpty())
            return;
        for (const char c : bytes) {
            QString text = m_text; // read the whole text ...
            text += QString::fromLatin1(QByteArray(1, c).toHex().toUpper()) + u' ';
            m_text = text; // ... and write it back, one byte at a time
        }
        m_text.replace(QStringLiteral("FF FC"), QStringLiteral("FF\r\nFC"));
        m_text.replace(QStringLiteral("FF FD"), QStringLiteral("FF\r\nFD"));
        m_text.replace(QStringLiteral("FF FE"), QStringLiteral("FF\r\nFE"));
    }
    void appendMarker(QByteArrayView captionStart)
    {
        m_text +=
            QStringLiteral("\r\n\r\n") + QString::fromLatin1(captionStart) + QStringLiteral("->");
    }
    void clear() { m_text.clear(); }
    // Replaces the whole text, as the control allows.
    void setText(const QString &text) { m_text = text; }
    QByteArray text() const { return m_text.toLatin1(); }
    qsizetype size() const { return m_text.size(); }

private:
    QString m_text;
};

// What is wrong with the log's lines against its text, or nothing.
inline QByteArray linesMismatch(const TrafficLog &log)
{
    QByteArrayList lines;
    for (qsizetype i = 0; i < log.lineCount(); ++i)
        lines << log.line(i).toByteArray();
    const QByteArray text = log.text();
    if (lines.join("\r\n") != text)
        return "the lines joined differ from the text";
    if (log.size() != text.size())
        return "size() is " + QByteArray::number(log.size()) + ", the text has " +
               QByteArray::number(text.size());
    return {};
}

// What is wrong with the kept text of a bounded log, or nothing. It must be the newest part of the
// full text: cut at a line start such that the line before would not fit, or, inside a line that
// outgrew the log on its own, after a marker or a pair such that this marker or pair would not fit.
inline QByteArray boundedTailMismatch(const TrafficLog &log, const QByteArray &full,
                                      TrafficLog::Limits limits)
{
    const QByteArray kept = log.text();
    if (log.size() > limits.maxBytes || log.lineCount() > limits.maxLines)
        return "over the limits";
    if (!full.endsWith(kept))
        return "not the end of the full text";
    const qsizetype start = full.size() - kept.size();
    if (start == 0)
        return {};
    const qsizetype lineStart = full.lastIndexOf('\n', start - 1) + 1;
    if (lineStart == start) {
        // (lastIndexOf would read a negative start as "from the end")
        const qsizetype previousStart = start >= 3 ? full.lastIndexOf('\n', start - 3) + 1 : 0;
        const qsizetype withPrevious = start - previousStart + kept.size();
        if (withPrevious <= limits.maxBytes && log.lineCount() + 1 <= limits.maxLines)
            return "dropped a line that would have fitted";
        return {};
    }
    static const QRegularExpression kUnits(QStringLiteral("^(0x[0-9A-F]{2}->)?([0-9A-F]{2} )*$"));
    const QByteArray dropped = full.mid(lineStart, start - lineStart);
    if (!kUnits.match(QString::fromLatin1(dropped)).hasMatch())
        return "cut inside a pair or marker: " + dropped;
    const qsizetype lastUnit = dropped.endsWith(' ') ? 3 : dropped.size();
    if (lastUnit + kept.size() <= limits.maxBytes)
        return "dropped a pair or marker that would have fitted";
    return {};
}

} // namespace talvor::test
