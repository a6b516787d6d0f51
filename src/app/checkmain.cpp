// SPDX-License-Identifier: GPL-3.0-or-later
#include "checkmain.h"

#include "checkoptions.h"
#include "checkrun.h"
#include "reportfile.h"
#include "startup.h"
#include "testercore.h"
#include "textreport.h"

#include <QFile>
#include <QGuiApplication>

#include <cstdio>

namespace talvor {

namespace {

constexpr int kNotRun = int(CheckStatus::NotRun);
constexpr std::chrono::seconds kFileWriterGrace{3};

QStringList argumentsOf(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

void printTo(FILE *stream, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

void printError(const QString &text)
{
    printTo(stderr, QStringLiteral("talvor-tester: %1\n").arg(text));
}

// The expectation of a good unit's CSV report, or every detector where none is named.
std::optional<Expectation> loadExpectation(const QString &path)
{
    if (path.isEmpty())
        return Expectation::everyDetectorAnswers();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        printError(
            QStringLiteral("%1 kann nicht gelesen werden (%2).").arg(path, file.errorString()));
        return std::nullopt;
    }
    auto read = readExpectation(file.readAll());
    if (const QString *error = std::get_if<QString>(&read)) {
        printError(QStringLiteral("%1: %2").arg(path, *error));
        return std::nullopt;
    }
    return std::get<Expectation>(read);
}

// Runs the check in the event loop; the outcome once it is over.
CheckOutcome runOnCore(TesterCore &core, const CheckPlan &plan, const QString &recordPath)
{
    CheckOutcome outcome;
    CheckRun run(core, plan);
    QObject::connect(&run, &CheckRun::finished, &run, [&outcome](const CheckOutcome &result) {
        outcome = result;
        QCoreApplication::exit();
    });
    if (!recordPath.isEmpty())
        core.startRecording(recordPath);
    // Started from the loop, so that a failure at once still ends the loop.
    QMetaObject::invokeMethod(&run, &CheckRun::start, Qt::QueuedConnection);
    QCoreApplication::exec();
    // A recording's last write can still fail: then the record is not complete.
    QObject::connect(&core, &TesterCore::failed, &run, [&outcome](const ErrorMessage &error) {
        outcome.status = CheckStatus::NotRun;
        outcome.error = errorLineText(error);
    });
    core.stopRecording();
    return outcome;
}

int tellOutcome(const CheckOutcome &outcome, const QString &reportPath)
{
    if (outcome.status == CheckStatus::NotRun) {
        printError(outcome.error);
        return kNotRun;
    }
    if (!reportPath.isEmpty()) {
        if (const auto failure =
                saveReport(reportPath, outcome.report, *reportFormatFor(reportPath))) {
            printError(errorLineText(*failure));
            return kNotRun;
        }
        printTo(stdout, verdictLines(*outcome.report.verdict));
    } else {
        printTo(stdout, summaryText(outcome.report));
    }
    return int(outcome.status);
}

} // namespace

bool wantsCheck(int argc, char *argv[])
{
    return asksForCheck(argumentsOf(argc, argv));
}

int runCheck(int argc, char *argv[])
{
    const ParsedCheckOptions parsed = parseCheckOptions(argumentsOf(argc, argv));
    if (!parsed.options) {
        printError(parsed.error + QStringLiteral(" Mehr mit \"talvor-tester --help\"."));
        return kNotRun;
    }
    const CheckOptions &options = *parsed.options;
    // The PDF needs Qt's fonts, not a display. Windows always has its own platform, and the
    // program built for it has no other.
#ifndef Q_OS_WIN
    qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    QGuiApplication app(argc, argv);
    loadQtGermanTexts();
    const std::optional<Expectation> expectation = loadExpectation(options.expectPath);
    if (!expectation)
        return kNotRun;
    TesterCore core;
    CheckPlan plan{options.port,
                   options.rtsCts.value_or(core.restoreChoices(kDefaultPortCount).rtsCts),
                   options.wait, *expectation};
    const CheckOutcome outcome = runOnCore(core, plan, options.recordPath);
    const int status = tellOutcome(outcome, options.reportPath);
    if (const qint64 unwritten = TesterCore::finishFileWriters(kFileWriterGrace); unwritten > 0) {
        printError(QStringLiteral("%1 Bytes des Mitschnitts konnten nicht mehr geschrieben werden.")
                       .arg(unwritten));
        return kNotRun;
    }
    return status;
}

} // namespace talvor
