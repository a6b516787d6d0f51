// SPDX-License-Identifier: GPL-3.0-or-later
#include "checkrun.h"

#include "reportformat.h"
#include "talvorversion.h"
#include "testercore.h"

#include <QLocale>
#include <QTime>

namespace talvor {

CheckRun::CheckRun(TesterCore &core, CheckPlan plan, QObject *parent)
    : QObject(parent)
    , m_core(core)
    , m_plan(std::move(plan))
    , m_quiet(this)
    , m_limit(this)
{
    m_quiet.setSingleShot(true);
    m_quiet.setInterval(m_plan.wait);
    connect(&m_quiet, &QTimer::timeout, this, &CheckRun::finish);
    m_limit.setSingleShot(true);
    m_limit.setInterval(2 * m_plan.wait);
    connect(&m_limit, &QTimer::timeout, this, &CheckRun::finish);
    connect(&m_core, &TesterCore::reportsReceived, this, &CheckRun::takeReports);
    connect(&m_core, &TesterCore::failed, this, &CheckRun::takeFailure);
}

void CheckRun::start()
{
    m_core.startPolling();
    m_core.connectPort(m_plan.port, m_plan.rtsCts);
    QList<quint8> commands{kInitCommand, kSysInfoCommand};
    for (const int detector : m_plan.expectation.detectorsWithCv())
        commands << quint8(kRequestCommand + detector);
    for (const quint8 command : commands) {
        if (m_done)
            return;
        m_core.sendCommand(command);
    }
    // Until the first answer the wait counts from the commands.
    if (!m_done) {
        m_quiet.start();
        m_limit.start();
    }
}

void CheckRun::takeReports(std::span<const Report> reports)
{
    if (m_done)
        return;
    m_anyAnswer = true;
    m_model.take(reports, timeOfDayText(QTime::currentTime(), QLocale()));
    if (allExpectedAnswered())
        finish();
    else
        m_quiet.start();
}

void CheckRun::takeFailure(const ErrorMessage &error)
{
    if (m_done)
        return;
    m_failure = error;
    finish();
}

bool CheckRun::allExpectedAnswered() const
{
    if (!m_model.system().answered())
        return false;
    for (int n = 1; n <= kDetectorCount; ++n) {
        const ExpectedDetector &expected = m_plan.expectation.detectors[size_t(n - 1)];
        const DetectorLine &line = m_model.detector(n);
        if ((expected.expected && line.addressFrame.isEmpty()) ||
            (!expected.cv.isEmpty() && line.cvFrame.isEmpty()))
            return false;
    }
    return true;
}

void CheckRun::finish()
{
    m_done = true;
    m_quiet.stop();
    m_limit.stop();
    m_core.disconnectPort();
    m_core.stopPolling();
    emit finished(outcome());
}

CheckOutcome CheckRun::outcome() const
{
    CheckOutcome outcome;
    const QString device = m_core.ports().deviceFor(m_plan.port).path;
    const ReportContext context{QDateTime::currentDateTime(), m_plan.port, device};
    outcome.report =
        m_model.report(QStringLiteral("Talvor-Tester %1").arg(kProgramVersion), context);
    if (m_failure) {
        outcome.error = errorLineText(*m_failure);
        return outcome;
    }
    if (!m_anyAnswer) {
        const QString seconds =
            QLocale(QLocale::German).toString(double(m_plan.wait.count()) / 1000);
        outcome.error = errorLineText(
            {kNoAnswerNumber, QStringLiteral("%1 (%2): Keine Antwort vom Gerät in %3 s. Kabel, "
                                             "Stromversorgung und \"RTS/CTS\" (--rtscts) prüfen.")
                                  .arg(reporttext::portText(m_plan.port), device, seconds)});
        return outcome;
    }
    outcome.report.verdict = compareWithExpectation(outcome.report, m_plan.expectation);
    outcome.status = outcome.report.verdict->passed ? CheckStatus::Passed : CheckStatus::Failed;
    return outcome;
}

} // namespace talvor
