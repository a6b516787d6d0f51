// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "testreport.h"

#include "reportdecoder.h"

#include <span>

namespace talvor {

// What the detector table and the system-information labels show, as texts and without widgets:
// filled from the core's reports by the window and by the unattended check alike, so that a
// report holds what the window would show.
class ReportModel {
public:
    // The reports of one decoder run, in order, each received at the time of day `time`.
    void take(std::span<const Report> reports, const QString &time);
    // The display reset: every row and the system information empty.
    void clear();

    const DetectorLine &detector(int number) const { return m_detectors.at(size_t(number - 1)); }
    const SystemLine &system() const { return m_system; }
    // The report of this moment, made by `program` ("Talvor-Tester 1.0.1").
    TestReport report(const QString &program, const ReportContext &context) const;

private:
    std::array<DetectorLine, kDetectorCount> m_detectors;
    SystemLine m_system;
};

} // namespace talvor
