// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "reportdecoder.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <bitset>
#include <chrono>
#include <span>

namespace talvor {

// After "Initialisiere Detektoren" or "Sys-Info", one short sentence on the device's answer once
// it is in: "24 Detektoren gemeldet" when every detector has reported, or when the reports have
// stopped for kQuiet; "Sys-Info: Seriennummer 21542, Hardware 2.1, Software 3.0" on the first
// system information; after "Anfordern" of a detector "Detektor 5: Adresse > 31, CV 32" once both
// its reports are in, with what came once the reports stop for kQuiet, or "Detektor 5: keine
// Antwort" when none came within kQuiet. An answer to the other two that does not begin within
// kWait is given up without a word, so that later reports are not taken for it.
class AnswerSummary : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kQuiet{1000};
    static constexpr std::chrono::milliseconds kWait{3000};

    explicit AnswerSummary(QObject *parent = nullptr);

    // A command went out; any other than the two ends the wait for an answer.
    void expect(quint8 command);
    void cancel();
    // The reports of one decoder run.
    void take(std::span<const Report> reports);

signals:
    void ready(const QString &summary);

private:
    void finish();
    void takeRequested(const Report &report);
    QString requestSummary() const;

    quint8 m_command = 0; // 0: no answer awaited
    std::bitset<kDetectorCount + 1> m_reported;
    int m_requested = 0; // the detector "Anfordern" asked for; 0 for none
    QString m_address;   // what the requested detector reported so far
    QString m_cv;
    QTimer m_timer;
};

} // namespace talvor
