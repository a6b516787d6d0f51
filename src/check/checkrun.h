// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "expectation.h"
#include "reportmodel.h"

#include "errormessage.h"

#include <QObject>
#include <QTimer>

#include <chrono>
#include <optional>

namespace talvor {

class TesterCore;

// How the check went: the exit status's three cases.
enum class CheckStatus { Passed = 0, Failed = 1, NotRun = 2 };

struct CheckOutcome {
    CheckStatus status = CheckStatus::NotRun;
    TestReport report; // with the verdict where the check ran
    QString error;     // "Fehler n ..." where it could not run
};

struct CheckPlan {
    int port = 0;
    bool rtsCts = true;
    std::chrono::milliseconds wait{3000};
    Expectation expectation = Expectation::everyDetectorAnswers();
};

// The unattended check, driving the core as the window's buttons would: connect, "Initialisiere
// Detektoren" and "Sys-Info" (and "Anfordern" for each detector whose CV value is expected),
// collect the answers until every expected one is in or for `wait` after the last answer, but
// never longer than twice `wait` after the commands (a device that keeps sending does not hold
// the check up), and disconnect. A failure of the core (the port does not open, the device goes
// away, the recording cannot be written) ends the check as not run.
class CheckRun : public QObject {
    Q_OBJECT
public:
    // The number of the failure where the device sent nothing at all; after the file error 13.
    static constexpr int kNoAnswerNumber = 14;

    CheckRun(TesterCore &core, CheckPlan plan, QObject *parent = nullptr);

    void start();

signals:
    void finished(const CheckOutcome &outcome);

private:
    void takeReports(std::span<const Report> reports);
    void takeFailure(const ErrorMessage &error);
    bool allExpectedAnswered() const;
    void finish();
    CheckOutcome outcome() const;

    TesterCore &m_core;
    CheckPlan m_plan;
    ReportModel m_model;
    QTimer m_quiet;
    QTimer m_limit;
    std::optional<ErrorMessage> m_failure;
    bool m_anyAnswer = false;
    bool m_done = false;
};

} // namespace talvor
