// SPDX-License-Identifier: GPL-3.0-or-later
#include "expectation.h"

#include "csvreport.h"

namespace talvor {

namespace {

constexpr int kAddressColumn = 1;
constexpr int kCvColumn = 4;

bool isTableHeading(const QStringList &fields)
{
    return fields.size() > kCvColumn && fields[0] == u"Detektor" &&
           fields[kAddressColumn] == u"Adresse" && fields[kCvColumn] == u"CV";
}

// A finding for one detector, or an empty text where it passes.
QString findingFor(int number, const DetectorLine &line, const ExpectedDetector &expected)
{
    const QString detector = QStringLiteral("Detektor %1: ").arg(number);
    if (!line.answered())
        return detector + reporttext::kNoReport;
    if (!expected.address.isEmpty() && line.address != expected.address)
        return detector + QStringLiteral("Adresse %1 statt %2")
                              .arg(line.address.isEmpty() ? reporttext::kNoReport : line.address,
                                   expected.address);
    if (!expected.cv.isEmpty() && line.cv != expected.cv)
        return detector +
               QStringLiteral("CV %1 statt %2")
                   .arg(line.cv.isEmpty() ? reporttext::kNoReport : line.cv, expected.cv);
    return {};
}

} // namespace

Expectation Expectation::everyDetectorAnswers()
{
    Expectation expectation;
    for (ExpectedDetector &detector : expectation.detectors)
        detector.expected = true;
    return expectation;
}

QList<int> Expectation::detectorsWithCv() const
{
    QList<int> numbers;
    for (int n = 1; n <= kDetectorCount; ++n)
        if (!detectors[size_t(n - 1)].cv.isEmpty())
            numbers << n;
    return numbers;
}

std::variant<Expectation, QString> readExpectation(const QByteArray &csv)
{
    const QList<QStringList> lines = readCsv(csv);
    auto line = lines.cbegin();
    while (line != lines.cend() && !isTableHeading(*line))
        ++line;
    if (line == lines.cend())
        return QStringLiteral("Die Datei enthält keine Detektortabelle (Zeile "
                              "\"Detektor;Adresse;...\"). Nehmen Sie einen als CSV gespeicherten "
                              "Prüfbericht eines guten Geräts.");
    Expectation expectation;
    for (++line; line != lines.cend() && line->size() > kCvColumn; ++line) {
        bool isNumber = false;
        const int n = line->at(0).toInt(&isNumber);
        if (!isNumber || n < 1 || n > kDetectorCount)
            break;
        const QString address = line->at(kAddressColumn).trimmed();
        if (address.isEmpty() || address == reporttext::kNoReport)
            continue;
        expectation.detectors[size_t(n - 1)] = {true, address, line->at(kCvColumn).trimmed()};
    }
    return expectation;
}

CheckVerdict compareWithExpectation(const TestReport &report, const Expectation &expectation)
{
    CheckVerdict verdict;
    for (int n = 1; n <= kDetectorCount; ++n) {
        const ExpectedDetector &expected = expectation.detectors[size_t(n - 1)];
        if (!expected.expected)
            continue;
        const QString finding = findingFor(n, report.detectors[size_t(n - 1)], expected);
        if (!finding.isEmpty())
            verdict.findings << finding;
    }
    verdict.passed = verdict.findings.isEmpty();
    return verdict;
}

} // namespace talvor
