// SPDX-License-Identifier: GPL-3.0-or-later
#include "csvreport.h"
#include "expectation.h"
#include "reportsamples.h"
#include "textreport.h"

#include <QTest>

using namespace talvor;
using namespace talvor::test;

namespace {

// The CSV report's lines, each as its fields joined by ';' again.
QStringList csvLines(const TestReport &report)
{
    QStringList lines;
    for (const QStringList &fields : readCsv(csvReport(report)))
        lines << fields.join(u';');
    return lines;
}

Expectation expectationFrom(const QByteArray &goodUnit)
{
    const auto read = readExpectation(csvReport(reportOf(goodUnit)));
    if (!std::holds_alternative<Expectation>(read))
        qFatal("no expectation");
    return std::get<Expectation>(read);
}

} // namespace

class TestTestReport : public QObject {
    Q_OBJECT

private slots:
    void content_data();
    void content();
    void tableHasEveryDetector();
    void fieldsAreQuoted();
    void comparison_data();
    void comparison();
    void expectationNeedsTable();
    void emptyModelAfterReset();
    void summary_data();
    void summary();
};

void TestTestReport::content_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("nothing came") << QByteArray()
                                  << QStringList{"Prüfbericht;Talvor-Tester 1.0.1",
                                                 "Datum;08.12.2026 14:03:27",
                                                 "Schnittstelle;COM 3;/dev/ttyUSB0",
                                                 "Seriennummer;keine Antwort",
                                                 "Hardware-Version;keine Antwort",
                                                 "Software-Version;keine Antwort",
                                                 "Sys-Info Rohdaten;keine Antwort",
                                                 "Detektoren;0 von 24 Detektoren gemeldet",
                                                 "1;keine Meldung;;;;;",
                                                 "24;keine Meldung;;;;;"};
    QTest::newRow("system information")
        << QByteArray::fromHex("FD54261E15FF")
        << QStringList{"Seriennummer;21542", "Hardware-Version;2.1", "Software-Version;3.0",
                       "Sys-Info Rohdaten;FD 54 26 1E 15 FF"};
    QTest::newRow("address kinds as the table shows them")
        << QByteArray::fromHex("FC01000FFFFC02802AFFFC037777FFFC04012AFF")
        << QStringList{"1;> 15;FC 01 00 0F FF;14:03:27;;;", "2;< 42;FC 02 80 2A FF;14:03:27;;;",
                       "3;unbek.;FC 03 77 77 FF;14:03:27;;;", "4;> 298;FC 04 01 2A FF;14:03:27;;;",
                       "Detektoren;4 von 24 Detektoren gemeldet"};
    QTest::newRow("free address") << QByteArray::fromHex("FC058000FF")
                                  << QStringList{"5;frei;FC 05 80 00 FF;14:03:27;;;"};
    QTest::newRow("CV beside the address")
        << QByteArray::fromHex("FC070001FFFE072AFF")
        << QStringList{"7;> 1;FC 07 00 01 FF;14:03:27;42;FE 07 2A FF;14:03:27"};
    QTest::newRow("CV alone counts as an answer")
        << QByteArray::fromHex("FE0900FF")
        << QStringList{"9;;;;0;FE 09 00 FF;14:03:27", "Detektoren;1 von 24 Detektoren gemeldet"};
    QTest::newRow("the later report of a row counts")
        << QByteArray::fromHex("FC0A0001FFFC0A0002FF")
        << QStringList{"10;> 2;FC 0A 00 02 FF;14:03:27;;;"};
    QTest::newRow("22 of 24") << addressReports(1, 22)
                              << QStringList{"Detektoren;22 von 24 Detektoren gemeldet",
                                             "22;> 278;FC 16 01 16 FF;14:03:27;;;",
                                             "23;keine Meldung;;;;;"};
}

void TestTestReport::content()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, lines);
    const QStringList csv = csvLines(reportOf(bytes));
    for (const QString &line : lines)
        QVERIFY2(csv.contains(line), qPrintable(line + u'\n' + csv.join(u'\n')));
}

void TestTestReport::tableHasEveryDetector()
{
    const QByteArray csv = csvReport(reportOf(addressReports(1, 24)));
    QVERIFY(csv.startsWith("\xEF\xBB\xBF"));
    QVERIFY(csv.contains("\r\n"));
    const QList<QStringList> lines = readCsv(csv);
    const auto heading = std::find_if(lines.begin(), lines.end(), [](const QStringList &fields) {
        return fields.value(0) == u"Detektor";
    });
    QVERIFY(heading != lines.end());
    QCOMPARE(*heading, (QStringList{"Detektor", "Adresse", "Rohdaten", "Zeit", "CV", "Rohdaten CV",
                                    "Zeit CV"}));
    QCOMPARE(lines.end() - heading - 1, 24);
    for (int n = 1; n <= 24; ++n)
        QCOMPARE(heading[n].value(0), QString::number(n));
}

void TestTestReport::fieldsAreQuoted()
{
    TestReport report = reportOf({});
    report.context.device = QStringLiteral("/dev/a;b \"c\"");
    QVERIFY(csvReport(report).contains("COM 3;\"/dev/a;b \"\"c\"\"\"\r\n"));
    QVERIFY(csvLines(report).contains("Schnittstelle;COM 3;/dev/a;b \"c\""));
}

void TestTestReport::comparison_data()
{
    QTest::addColumn<QByteArray>("goodUnit");
    QTest::addColumn<QByteArray>("unit");
    QTest::addColumn<QStringList>("findings");

    const QByteArray all = addressReports(1, 24);
    QTest::newRow("the same answers") << all << all << QStringList{};
    QTest::newRow("two silent, one other address")
        << all
        << addressReports(1, 2) + QByteArray::fromHex("FC030001FF") + addressReports(4, 6) +
               addressReports(9, 24)
        << QStringList{"Detektor 3: Adresse > 1 statt > 259", "Detektor 7: keine Meldung",
                       "Detektor 8: keine Meldung"};
    QTest::newRow("the flag counts")
        << QByteArray::fromHex("FC010001FF") << QByteArray::fromHex("FC018001FF")
        << QStringList{"Detektor 1: Adresse < 1 statt > 1"};
    QTest::newRow("a detector silent in the good unit is not asked for")
        << addressReports(1, 20) << addressReports(1, 20) << QStringList{};
    QTest::newRow("CV compared where the good unit has one")
        << QByteArray::fromHex("FC010001FFFE0107FFFC020002FF")
        << QByteArray::fromHex("FC010001FFFE0108FFFC020002FFFE0201FF")
        << QStringList{"Detektor 1: CV 8 statt 7"};
    QTest::newRow("missing CV") << QByteArray::fromHex("FC010001FFFE0107FF")
                                << QByteArray::fromHex("FC010001FF")
                                << QStringList{"Detektor 1: CV keine Meldung statt 7"};
}

void TestTestReport::comparison()
{
    QFETCH(QByteArray, goodUnit);
    QFETCH(QByteArray, unit);
    QFETCH(QStringList, findings);
    const CheckVerdict verdict = compareWithExpectation(reportOf(unit), expectationFrom(goodUnit));
    QCOMPARE(verdict.findings, findings);
    QCOMPARE(verdict.passed, findings.isEmpty());
}

void TestTestReport::expectationNeedsTable()
{
    const auto read = readExpectation("Seriennummer;1\r\nirgendwas\r\n");
    QVERIFY(std::holds_alternative<QString>(read));
    QVERIFY(std::get<QString>(read).contains("keine Detektortabelle"));
    // Without a good unit every detector must answer, with any address.
    const CheckVerdict verdict = compareWithExpectation(reportOf(addressReports(2, 24)),
                                                        Expectation::everyDetectorAnswers());
    QCOMPARE(verdict.findings, QStringList{"Detektor 1: keine Meldung"});
}

void TestTestReport::emptyModelAfterReset()
{
    ReportDecoder decoder;
    decoder.append(addressReports(1, 3) + QByteArray::fromHex("FD54261E15FF"));
    ReportModel model;
    model.take(decoder.decode(), kTime);
    QCOMPARE(model.detector(2).address, QStringLiteral("> 258"));
    QVERIFY(model.system().answered());
    model.clear();
    QVERIFY(!model.detector(2).answered());
    QVERIFY(!model.system().answered());
}

void TestTestReport::summary_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("nothing came, no device named")
        << QString() << QByteArray()
        << QStringList{"Schnittstelle: COM 3",
                       "Seriennummer: keine Antwort, Hardware-Version: keine Antwort, "
                       "Software-Version: keine Antwort",
                       "0 von 24 Detektoren gemeldet", "Detektor  1: keine Meldung"};
    QTest::newRow("address and CV")
        << QStringLiteral("/dev/ttyUSB0") << QByteArray::fromHex("FD54261E15FFFC0C0001FFFE0C2AFF")
        << QStringList{"Schnittstelle: COM 3 (/dev/ttyUSB0)",
                       "Seriennummer: 21542, Hardware-Version: 2.1, Software-Version: 3.0",
                       "Detektor 12: > 1, CV 42", "Detektor 24: keine Meldung"};
}

void TestTestReport::summary()
{
    QFETCH(QString, device);
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, lines);
    TestReport report = reportOf(bytes);
    report.context.device = device;
    report.verdict = compareWithExpectation(report, Expectation::everyDetectorAnswers());
    const QStringList text = summaryText(report).split(u'\n');
    for (const QString &line : lines)
        QVERIFY2(text.contains(line), qPrintable(line + u'\n' + text.join(u'\n')));
    // Five lines of the device, 24 detectors, the result, its findings, the empty end.
    QCOMPARE(text.count(), 5 + 24 + 1 + report.verdict->findings.size() + 1);
    QVERIFY(text.contains("Ergebnis: nicht bestanden"));
}

QTEST_GUILESS_MAIN(TestTestReport)
#include "tst_testreport.moc"
