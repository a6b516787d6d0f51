// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "talvorprotocol.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace talvor {

// One detector row as the window's table shows it; every text empty where no report came.
struct DetectorLine {
    QString address; // "> 42", "< 42", "frei", "unbek."
    bool lightGreen = false;
    QString addressFrame;
    QString addressTime;
    QString cv;
    QString cvFrame;
    QString cvTime;

    bool answered() const { return !addressFrame.isEmpty() || !cvFrame.isEmpty(); }
    friend bool operator==(const DetectorLine &, const DetectorLine &) = default;
};

// The system-information labels; all empty where no report came.
struct SystemLine {
    QString serialNumber;
    QString software;
    QString hardware;
    QString frame;

    bool answered() const { return !frame.isEmpty(); }
    friend bool operator==(const SystemLine &, const SystemLine &) = default;
};

// Where and when a report was made.
struct ReportContext {
    QDateTime created;
    int port = 0;   // "COM n"
    QString device; // the device behind it
};

// The verdict of an unattended check; none for a report saved from the window.
struct CheckVerdict {
    bool passed = false;
    QStringList findings; // one German sentence per detector that failed
};

// A test report: what the window shows at one moment, and where and when.
struct TestReport {
    QString program; // "Talvor-Tester 1.0.1"
    ReportContext context;
    SystemLine system;
    std::array<DetectorLine, kDetectorCount> detectors;
    std::optional<CheckVerdict> verdict;

    int answeredCount() const;
};

// The texts shared by every form of the report.
namespace reporttext {
inline const QString kNoAnswer = QStringLiteral("keine Antwort");
inline const QString kNoReport = QStringLiteral("keine Meldung");
// "22 von 24 Detektoren gemeldet"
QString answeredSummary(const TestReport &report);
// "08.12.2026 14:03:27"
QString createdText(const QDateTime &created);
// "COM 1"
QString portText(int port);
// "COM 1 (/dev/ttyUSB0)", or "COM 1" where the port names no device.
QString portAndDevice(const ReportContext &context);
// "bestanden" or "nicht bestanden"
QString verdictText(const CheckVerdict &verdict);
// A system-information text, or "keine Antwort" where none came.
QString orNoAnswer(const QString &text);
} // namespace reporttext

} // namespace talvor
