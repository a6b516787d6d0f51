// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "testreport.h"

#include <QByteArray>

#include <array>
#include <variant>

namespace talvor {

// What a good unit answers for one detector. An empty text asks for no particular value.
struct ExpectedDetector {
    bool expected = false; // the detector must answer
    QString address;       // as the table shows it: "> 42", "frei", "unbek."
    QString cv;

    friend bool operator==(const ExpectedDetector &, const ExpectedDetector &) = default;
};

// What a check compares a unit's answers with.
struct Expectation {
    std::array<ExpectedDetector, kDetectorCount> detectors;

    // Every detector answers, with any address: the check without a good unit's report.
    static Expectation everyDetectorAnswers();
    // The detectors whose CV value is expected, so that the check asks for it.
    QList<int> detectorsWithCv() const;
    bool operator==(const Expectation &) const = default;
};

// Reads the expectation from a CSV report of a good unit: a detector that answered there must
// answer with the same address, and with the same CV value where that report has one; one with
// "keine Meldung" is not asked for. A German sentence when the file holds no detector table.
std::variant<Expectation, QString> readExpectation(const QByteArray &csv);

// Compares a unit's report with the expectation; the findings name each detector that failed.
CheckVerdict compareWithExpectation(const TestReport &report, const Expectation &expectation);

} // namespace talvor
