// SPDX-License-Identifier: GPL-3.0-or-later
// talvor-tester --check against the real simulator on its pseudo-terminal, as a production line
// runs it: one case for each exit status.
#include "csvreport.h"

#include "support/pdftext.h"
#include "support/ptypair.h"
#include "support/simulator.h"
#include "support/testsettings.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace talvor;
using test::pdfText;

namespace {

struct CheckResult {
    int status = -1;
    QString out;
    QString err;
};

// Runs the check; no check takes a minute, however loaded the machine.
CheckResult runCheck(const QStringList &arguments)
{
    QProcess tester;
    tester.start(TALVOR_TESTER_PATH, QStringList{"--check"} + arguments);
    if (!tester.waitForFinished(60000))
        qFatal("talvor-tester --check did not end within a minute");
    return {tester.exitStatus() == QProcess::NormalExit ? tester.exitCode() : -1,
            QString::fromLocal8Bit(tester.readAllStandardOutput()),
            QString::fromLocal8Bit(tester.readAllStandardError())};
}

QByteArray fileContents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestCheck : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void passesAgainstGoodUnit_data();
    void passesAgainstGoodUnit();
    void failsNamingEachDetector();
    void cannotRun_data();
    void cannotRun();

private:
    QTemporaryDir m_settingsFallback;
    std::unique_ptr<QTemporaryDir> m_dir;
    QProcess m_sim;
};

void TestCheck::init()
{
    test::isolateSettings(m_settingsFallback);
    test::clearSettings();
    m_dir = std::make_unique<QTemporaryDir>();
}

void TestCheck::cleanup()
{
    m_sim.kill();
    m_sim.waitForFinished(10000);
}

void TestCheck::passesAgainstGoodUnit_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");

    QTest::newRow("PDF") << "r.pdf"
                         << "Seriennummer 21542";
    QTest::newRow("CSV") << "r.csv"
                         << "Seriennummer;21542";
    QTest::newRow("JSON") << "r.json"
                          << "\"serialNumber\": \"21542\"";
}

void TestCheck::passesAgainstGoodUnit()
{
    QFETCH(QString, name);
    QFETCH(QString, expected);
    test::startSimulatorOnCom1(m_sim, TALVOR_SIM_PATH, {});
    const QString path = m_dir->filePath(name);
    // A passing check ends as soon as every answer is in; the wait only bounds a slow machine.
    const CheckResult result = runCheck({"1", "--wait", "10", "--report", path});
    QVERIFY2(result.status == 0, qPrintable(result.out + result.err));
    QCOMPARE(result.out, QStringLiteral("Ergebnis: bestanden\n"));
    QString text = name.endsWith(".pdf") ? pdfText(path) : QString::fromUtf8(fileContents(path));
    text.replace(QRegularExpression(" {2,}"), " ");
    QVERIFY2(text.contains(expected), qPrintable(text));
    QVERIFY2(text.contains("24 von 24 Detektoren gemeldet") || text.contains("\"answered\": 24"),
             qPrintable(text));
}

void TestCheck::failsNamingEachDetector()
{
    // The good unit's CSV report is the expectation for the faulty one.
    test::startSimulatorOnCom1(m_sim, TALVOR_SIM_PATH, {});
    const QString good = m_dir->filePath("good.csv");
    QCOMPARE(runCheck({"1", "--wait", "10", "--report", good}).status, 0);
    cleanup();
    test::startSimulatorOnCom1(m_sim, TALVOR_SIM_PATH, {"--silent", "3,7", "--address", "5=77"});
    const QString record = m_dir->filePath("rec.txt");
    // The wait after the last answer: the silent detectors never come, the others long before.
    const CheckResult result = runCheck({"1", "--wait", "5", "--expect", good, "--record", record});
    QVERIFY2(result.status == 1, qPrintable(result.out + result.err));
    QVERIFY(result.out.contains("22 von 24 Detektoren gemeldet\n"));
    QVERIFY(result.out.endsWith("Ergebnis: nicht bestanden\nDetektor 3: keine Meldung\n"
                                "Detektor 5: Adresse > 77 statt > 31\n"
                                "Detektor 7: keine Meldung\n"));
    const QString recorded = QString::fromUtf8(fileContents(record));
    for (const QString &line : QStringList{" CONNECT COM 1\n", " TX 20\n", " TX 60\n", " RX FC 01 ",
                                           " DISCONNECT\n", " STOP\n"})
        QVERIFY2(recorded.contains(line), qPrintable(line + recorded));
}

void TestCheck::cannotRun_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("error");

    QTest::newRow("port pointing nowhere") << QStringList{"2"} << "Fehler 2 COM 2 (/nirgends/tty)";
    QTest::newRow("no answer") << QStringList{"3", "--wait", "0.5"}
                               << "Fehler 14 COM 3 (%1): Keine Antwort vom Gerät in 0,5 s.";
    QTest::newRow("port 0") << QStringList{"0"} << "--check erwartet eine Schnittstellennummer";
    QTest::newRow("report ending")
        << QStringList{"1", "--report", "r.txt"} << "--report erwartet eine Datei mit der Endung";
    QTest::newRow("expectation missing") << QStringList{"1", "--expect", "/nirgends/good.csv"}
                                         << "/nirgends/good.csv kann nicht gelesen werden";
}

void TestCheck::cannotRun()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, error);
    // COM 3 is a line on which no device answers.
    test::PtyPair silentLine;
    QVERIFY(silentLine.isValid());
    test::setPortDevice(2, QStringLiteral("/nirgends/tty"));
    test::setPortDevice(3, silentLine.slavePath());
    const QString report = m_dir->filePath("r.pdf");
    const CheckResult result = runCheck(arguments + QStringList{"--report", report});
    QCOMPARE(result.status, 2);
    error.replace(QStringLiteral("%1"), silentLine.slavePath());
    QVERIFY2(result.err.contains("talvor-tester: " + error), qPrintable(result.err));
    QCOMPARE(result.out, QString());
    QVERIFY(!QFile::exists(report));
}

QTEST_GUILESS_MAIN(TestCheck)
#include "tst_check.moc"
