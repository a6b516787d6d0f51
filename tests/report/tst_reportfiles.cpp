// SPDX-License-Identifier: GPL-3.0-or-later
#include "csvreport.h"
#include "reportsamples.h"
#include "reportsaver.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace talvor;
using namespace talvor::test;

namespace {

// A unit with 22 detectors, a CV of detector 5 and its system information.
TestReport sampleReport()
{
    return reportOf(addressReports(1, 22) + QByteArray::fromHex("FC0B7777FFFE052AFFFD54261E15FF"));
}

QString runPoppler(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        qFatal("%s failed; it is in Debian's poppler-utils", qPrintable(program));
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

class TestReportFiles : public QObject {
    Q_OBJECT

private slots:
    void init();
    void savesEachForm_data();
    void savesEachForm();
    void pdfIsOnePageWithEveryText();
    void csvReadsBack();
    void jsonHoldsEveryDetector();
    void failedSaveKeepsOldFile();
    void unknownEndingHasNoForm();

private:
    // Saves the report through the writer thread; the path once the saver said it is saved.
    QString save(const QString &name, const TestReport &report);
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestReportFiles::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
}

QString TestReportFiles::save(const QString &name, const TestReport &report)
{
    const QString path = m_dir->filePath(name);
    ReportSaver saver;
    QSignalSpy saved(&saver, &ReportSaver::saved);
    QSignalSpy failed(&saver, &ReportSaver::failed);
    saver.save(path, report, *reportFormatFor(path));
    if (!QTest::qWaitFor([&] { return saved.count() + failed.count() == 1; }, 60000))
        qFatal("the report was not saved within a minute");
    if (failed.count() != 0)
        qFatal("%s", qPrintable(failed.at(0).at(0).value<ErrorMessage>().description));
    return saved.at(0).at(0).toString();
}

void TestReportFiles::savesEachForm_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("start");

    QTest::newRow("PDF") << "bericht.pdf" << QByteArray("%PDF-");
    QTest::newRow("CSV") << "bericht.CSV" << QByteArray("\xEF\xBB\xBFPrüfbericht;");
    QTest::newRow("JSON") << "bericht.json" << QByteArray("{");
}

void TestReportFiles::savesEachForm()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, start);
    QFile file(save(name, sampleReport()));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().startsWith(start));
}

void TestReportFiles::pdfIsOnePageWithEveryText()
{
    TestReport report = sampleReport();
    report.verdict = CheckVerdict{false, {QStringLiteral("Detektor 23: keine Meldung")}};
    const QString path = save(QStringLiteral("bericht.pdf"), report);
    QVERIFY(
        runPoppler(QStringLiteral("pdfinfo"), {path}).contains(QRegularExpression("Pages: +1\n")));
    const QString text =
        runPoppler(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, "-"});
    const QStringList expected{"Prüfbericht Talvor",
                               "Talvor-Tester 1.0.1",
                               "08.12.2026 14:03:27",
                               "COM 3 (/dev/ttyUSB0)",
                               "21542",
                               "2.1",
                               "3.0",
                               "FD 54 26 1E 15 FF",
                               "22 von 24 Detektoren gemeldet",
                               "Ergebnis der Prüfung: nicht bestanden",
                               "Detektor 23: keine Meldung",
                               "unbek.",
                               "FE 05 2A FF",
                               "Talvor-Tester 1.0.1 – Seite 1 von 1"};
    for (const QString &line : expected)
        QVERIFY2(text.contains(line), qPrintable(line + u'\n' + text));
    // Every row, each on a line of its own, starting with its number.
    for (int n = 1; n <= 22; ++n)
        if (n != 11)
            QVERIFY2(text.contains(QRegularExpression(
                         QStringLiteral("\\n\\s*%1\\s+> %2\\s+FC ").arg(n).arg(256 + n))),
                     qPrintable(QString::number(n)));
    QVERIFY(text.contains(QRegularExpression("\\n\\s*11\\s+unbek\\.\\s+FC 0B 77 77 FF")));
    QCOMPARE(text.count(QStringLiteral("keine Meldung")), 3);
}

void TestReportFiles::csvReadsBack()
{
    QFile file(save(QStringLiteral("bericht.csv"), sampleReport()));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QStringList> lines = readCsv(file.readAll());
    QCOMPARE(lines.first(), (QStringList{"Prüfbericht", "Talvor-Tester 1.0.1"}));
    const QList<QStringList> rows = lines.mid(lines.size() - 24);
    QCOMPARE(rows.at(4),
             (QStringList{"5", "> 261", "FC 05 01 05 FF", kTime, "42", "FE 05 2A FF", kTime}));
    QCOMPARE(rows.at(10).value(1), QStringLiteral("unbek."));
    QCOMPARE(rows.at(23), (QStringList{"24", "keine Meldung", "", "", "", "", ""}));
}

void TestReportFiles::jsonHoldsEveryDetector()
{
    QFile file(save(QStringLiteral("bericht.json"), sampleReport()));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QJsonObject root = QJsonDocument::fromJson(file.readAll()).object();
    QCOMPARE(root.value("answered").toInt(), 22);
    QCOMPARE(root.value("port").toString(), QStringLiteral("COM 3"));
    QCOMPARE(root.value("system").toObject().value("serialNumber").toString(),
             QStringLiteral("21542"));
    const QJsonArray detectors = root.value("detectors").toArray();
    QCOMPARE(detectors.size(), 24);
    QCOMPARE(detectors.at(4).toObject().value("cv").toInt(), 42);
    QVERIFY(detectors.at(23).toObject().value("address").isNull());
    QVERIFY(!root.contains("check"));
}

void TestReportFiles::failedSaveKeepsOldFile()
{
    // A folder in place of the file: the save fails and says so with the file's name.
    const QString path = m_dir->filePath(QStringLiteral("bericht.csv"));
    QVERIFY(QDir().mkpath(path + QStringLiteral("/inhalt")));
    ReportSaver saver;
    QSignalSpy saved(&saver, &ReportSaver::saved);
    QSignalSpy failed(&saver, &ReportSaver::failed);
    saver.save(path, sampleReport(), ReportFormat::Csv);
    QTRY_COMPARE_WITH_TIMEOUT(failed.count(), 1, 60000);
    QCOMPARE(saved.count(), 0);
    const auto error = failed.at(0).at(0).value<ErrorMessage>();
    QCOMPARE(error.number, 13);
    QVERIFY(error.description.contains("bericht.csv"));
    QVERIFY(QFileInfo(path + QStringLiteral("/inhalt")).isDir());
}

void TestReportFiles::unknownEndingHasNoForm()
{
    QVERIFY(!reportFormatFor(QStringLiteral("bericht.txt")));
    QVERIFY(!reportFormatFor(QStringLiteral("bericht")));
    QCOMPARE(reportFormatFor(QStringLiteral("/a.b/Bericht.Pdf")), ReportFormat::Pdf);
}

QTEST_MAIN(TestReportFiles)
#include "tst_reportfiles.moc"
