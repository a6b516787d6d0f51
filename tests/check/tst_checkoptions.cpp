// SPDX-License-Identifier: GPL-3.0-or-later
#include "checkoptions.h"

#include <QTest>

using namespace talvor;
using namespace std::chrono_literals;

Q_DECLARE_METATYPE(CheckOptions)

namespace {

template <typename Change> CheckOptions portOneWith(Change change)
{
    CheckOptions options;
    options.port = 1;
    change(options);
    return options;
}

} // namespace

class TestCheckOptions : public QObject {
    Q_OBJECT

private slots:
    void acceptsValidLines_data();
    void acceptsValidLines();
    void rejectsWrongLines_data();
    void rejectsWrongLines();
    void findsTheCheck_data();
    void findsTheCheck();
};

void TestCheckOptions::acceptsValidLines_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<CheckOptions>("expected");

    QTest::newRow("port alone") << QStringList{"--check", "1"}
                                << portOneWith([](CheckOptions &) {});
    QTest::newRow("port after =") << QStringList{"--check=255"}
                                  << portOneWith([](CheckOptions &o) { o.port = 255; });
    QTest::newRow("handshake off") << QStringList{"--check", "1", "--rtscts", "0"}
                                   << portOneWith([](CheckOptions &o) { o.rtsCts = false; });
    QTest::newRow("handshake on") << QStringList{"--rtscts=1", "--check", "1"}
                                  << portOneWith([](CheckOptions &o) { o.rtsCts = true; });
    QTest::newRow("wait in tenths") << QStringList{"--check", "1", "--wait", "0.5"}
                                    << portOneWith([](CheckOptions &o) { o.wait = 500ms; });
    QTest::newRow("files") << QStringList{"--check",           "1",        "--report", "a/B.PDF",
                                          "--expect=good.csv", "--record", "rec.txt"}
                           << portOneWith([](CheckOptions &o) {
                                  o.reportPath = "a/B.PDF";
                                  o.expectPath = "good.csv";
                                  o.recordPath = "rec.txt";
                              });
    QTest::newRow("JSON report") << QStringList{"--check", "1", "--report", "r.json"}
                                 << portOneWith([](CheckOptions &o) { o.reportPath = "r.json"; });
}

void TestCheckOptions::acceptsValidLines()
{
    QFETCH(QStringList, arguments);
    QFETCH(CheckOptions, expected);
    const ParsedCheckOptions parsed = parseCheckOptions(arguments);
    QVERIFY2(parsed.options.has_value(), qPrintable(parsed.error));
    QVERIFY(*parsed.options == expected);
}

void TestCheckOptions::rejectsWrongLines_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("error");

    QTest::newRow("port 0")
        << QStringList{"--check", "0"}
        << "--check erwartet eine Schnittstellennummer von 1 bis 255, nicht \"0\".";
    QTest::newRow("port 256") << QStringList{"--check=256"} << "--check erwartet";
    QTest::newRow("port missing") << QStringList{"--check"} << "--check fehlt ein Wert.";
    QTest::newRow("handshake 2") << QStringList{"--check", "1", "--rtscts", "2"}
                                 << "--rtscts erwartet 0 oder 1, nicht \"2\".";
    QTest::newRow("wait 0") << QStringList{"--check", "1", "--wait", "0"} << "--wait erwartet";
    QTest::newRow("wait too long")
        << QStringList{"--check", "1", "--wait", "3601"} << "--wait erwartet";
    QTest::newRow("wait word") << QStringList{"--check", "1", "--wait", "lang"}
                               << "--wait erwartet";
    QTest::newRow("report as text")
        << QStringList{"--check", "1", "--report", "r.txt"}
        << "--report erwartet eine Datei mit der Endung .pdf, .csv oder "
           ".json, nicht \"r.txt\".";
    QTest::newRow("empty record") << QStringList{"--check", "1", "--record="}
                                  << "--record erwartet einen Dateinamen.";
    QTest::newRow("unknown") << QStringList{"--check", "1", "/NOPORTLIMIT"}
                             << "Unbekannte Angabe \"/NOPORTLIMIT\" bei --check.";
}

void TestCheckOptions::rejectsWrongLines()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, error);
    const ParsedCheckOptions parsed = parseCheckOptions(arguments);
    QVERIFY(!parsed.options);
    QVERIFY2(parsed.error.startsWith(error), qPrintable(parsed.error));
}

void TestCheckOptions::findsTheCheck_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("check");

    QTest::newRow("window") << QStringList{} << false;
    QTest::newRow("wide port list") << QStringList{"/NOPORTLIMIT"} << false;
    QTest::newRow("check last") << QStringList{"--wait", "1", "--check", "2"} << true;
    QTest::newRow("check after =") << QStringList{"--check=2"} << true;
    QTest::newRow("something else") << QStringList{"--checked"} << false;
}

void TestCheckOptions::findsTheCheck()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, check);
    QCOMPARE(asksForCheck(arguments), check);
}

QTEST_GUILESS_MAIN(TestCheckOptions)
#include "tst_checkoptions.moc"
