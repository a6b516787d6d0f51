// SPDX-License-Identifier: GPL-3.0-or-later
#include "answersummary.h"

#include "reportformat.h"

#include "talvorprotocol.h"

namespace talvor {

AnswerSummary::AnswerSummary(QObject *parent)
    : QObject(parent)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &AnswerSummary::finish);
}

void AnswerSummary::expect(quint8 command)
{
    cancel();
    if (command != kInitCommand && command != kSysInfoCommand)
        return;
    m_command = command;
    m_timer.start(kWait);
}

void AnswerSummary::cancel()
{
    m_command = 0;
    m_reported.reset();
    m_timer.stop();
}

void AnswerSummary::take(std::span<const Report> reports)
{
    for (const Report &report : reports) {
        if (m_command == kSysInfoCommand && report.kind == ReportKind::SystemInfo) {
            cancel();
            emit ready(
                QStringLiteral("Sys-Info: Seriennummer %1, Hardware %2, Software %3")
                    .arg(report.serialNumber)
                    .arg(versionText(report.hardwareVersion), versionText(report.softwareVersion)));
            return;
        }
        if (m_command == kInitCommand && report.kind == ReportKind::Address) {
            m_reported.set(size_t(report.detector));
            m_timer.start(kQuiet);
        }
    }
    if (m_command == kInitCommand && m_reported.count() == kDetectorCount)
        finish();
}

void AnswerSummary::finish()
{
    const auto count = int(m_reported.count());
    const bool answered = m_command == kInitCommand && count > 0;
    cancel();
    if (answered)
        emit ready(count == 1 ? QStringLiteral("1 Detektor gemeldet")
                              : QStringLiteral("%1 Detektoren gemeldet").arg(count));
}

} // namespace talvor
