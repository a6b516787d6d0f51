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
    const int detector = command - kRequestCommand;
    if (detector >= 1 && detector <= kDetectorCount) {
        m_requested = detector;
        m_timer.start(kQuiet);
        return;
    }
    if (command != kInitCommand && command != kSysInfoCommand)
        return;
    m_command = command;
    m_timer.start(kWait);
}

void AnswerSummary::cancel()
{
    m_command = 0;
    m_reported.reset();
    m_requested = 0;
    m_address.clear();
    m_cv.clear();
    m_timer.stop();
}

void AnswerSummary::take(std::span<const Report> reports)
{
    for (const Report &report : reports) {
        if (m_requested > 0 && report.detector == m_requested) {
            takeRequested(report);
            continue;
        }
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

void AnswerSummary::takeRequested(const Report &report)
{
    if (report.kind == ReportKind::Address)
        m_address = addressText(report.address, report.directionFlag).text;
    else if (report.kind == ReportKind::Cv)
        m_cv = QString::number(report.cv);
    if (!m_address.isEmpty() && !m_cv.isEmpty())
        finish();
    else
        m_timer.start(kQuiet);
}

QString AnswerSummary::requestSummary() const
{
    QStringList parts;
    if (!m_address.isEmpty())
        parts << QStringLiteral("Adresse ") + m_address;
    if (!m_cv.isEmpty())
        parts << QStringLiteral("CV ") + m_cv;
    const QString said = parts.isEmpty() ? QStringLiteral("keine Antwort") : parts.join(u", ");
    return QStringLiteral("Detektor %1: %2").arg(m_requested).arg(said);
}

void AnswerSummary::finish()
{
    if (m_requested > 0) {
        const QString summary = requestSummary();
        cancel();
        emit ready(summary);
        return;
    }
    const auto count = int(m_reported.count());
    const bool answered = m_command == kInitCommand && count > 0;
    cancel();
    if (answered)
        emit ready(count == 1 ? QStringLiteral("1 Detektor gemeldet")
                              : QStringLiteral("%1 Detektoren gemeldet").arg(count));
}

} // namespace talvor
