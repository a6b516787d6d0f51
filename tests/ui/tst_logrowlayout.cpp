// SPDX-License-Identifier: GPL-3.0-or-later
#include "logrowlayout.h"
#include "support/logsteps.h"

#include <QTest>

using talvor::LogRowLayout;
using talvor::TrafficLog;

class TestLogRowLayout : public QObject {
    Q_OBJECT

private slots:
    void findsRowsAndPlaces_data();
    void findsRowsAndPlaces();
    void keepsInStepWithTheLog_data();
    void keepsInStepWithTheLog();
    void rewrapKeepsTheLine_data();
    void rewrapKeepsTheLine();
};

void TestLogRowLayout::findsRowsAndPlaces_data()
{
    // A log of at most 4 lines; a frame's line is "FC hh ll FF", 13 chars with its CR LF.
    QTest::addColumn<int>("columns");
    QTest::addColumn<QByteArray>("steps");
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::newRow("a row to a line") << 12 << QByteArray("F 3") << 13 << 1 << 0;
    QTest::newRow("the line break") << 12 << QByteArray("F 3") << 24 << 1 << 11;
    QTest::newRow("lines over two rows") << 6 << QByteArray("F 2") << 19 << 3 << 0;
    QTest::newRow("the end of a wrapped line") << 6 << QByteArray("F 2") << 11 << 1 << 5;
    QTest::newRow("a line of noise") << 30 << QByteArray("N 40") << 95 << 3 << 5;
    QTest::newRow("after dropped lines") << 12 << QByteArray("F 6") << 16 << 1 << 3;
}

void TestLogRowLayout::findsRowsAndPlaces()
{
    QFETCH(int, columns);
    QFETCH(QByteArray, steps);
    QFETCH(int, offset);
    QFETCH(int, row);
    QFETCH(int, column);
    TrafficLog log(TrafficLog::Limits{4, 1 << 20});
    int frames = 0;
    runSteps(log, steps, frames);
    LogRowLayout layout;
    layout.setColumns(columns, 0);
    layout.setLog(&log);
    const qint64 place = log.droppedChars() + offset;
    QCOMPARE(layout.rowOfPlace(place), (std::pair<qint64, qint64>(row, column)));
    QCOMPARE(layout.placeOfRow(row, column), place);
}

void TestLogRowLayout::keepsInStepWithTheLog_data()
{
    // 10 frames first, in a log of at most 20 lines and 300 bytes, then the steps.
    QTest::addColumn<int>("columns");
    QTest::addColumn<QByteArray>("steps");
    QTest::newRow("lines appended") << 12 << QByteArray("F 5");
    QTest::newRow("older lines dropped") << 6 << QByteArray("F 15");
    QTest::newRow("the last line grows") << 9 << QByteArray("N 30");
    QTest::newRow("a noise line loses its oldest pairs") << 9 << QByteArray("N 200");
    QTest::newRow("reset") << 12 << QByteArray("C|F 3");
}

void TestLogRowLayout::keepsInStepWithTheLog()
{
    QFETCH(int, columns);
    QFETCH(QByteArray, steps);
    TrafficLog log(TrafficLog::Limits{20, 300});
    int frames = 0;
    runSteps(log, "F 10", frames);
    LogRowLayout layout;
    layout.setColumns(columns, 0);
    layout.setLog(&log);
    const qint64 kept = layout.lineStart(layout.lineCount() - 1);
    const qint64 keptRow = layout.rowOfPlace(kept).first;
    runSteps(log, steps, frames);
    QVERIFY(layout.isBehind());
    const qint64 droppedRows = layout.sync();
    QVERIFY(!layout.isBehind());

    LogRowLayout fresh;
    fresh.setColumns(columns, 0);
    fresh.setLog(&log);
    QCOMPARE(layout.rowCount(), fresh.rowCount());
    QCOMPARE(layout.lineCount(), fresh.lineCount());
    QCOMPARE(layout.textStart(), fresh.textStart());
    QCOMPARE(layout.textEnd(), fresh.textEnd());
    for (qsizetype line = 0; line < fresh.lineCount(); ++line) {
        QCOMPARE(layout.lineStart(line), fresh.lineStart(line));
        QCOMPARE(layout.rowsOf(line), fresh.rowsOf(line));
    }
    if (layout.holds(kept))
        QCOMPARE(layout.rowOfPlace(kept).first, keptRow - droppedRows);
}

void TestLogRowLayout::rewrapKeepsTheLine_data()
{
    // Lines of 11 and 12 chars, and a line of noise between.
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<int>("row");
    QTest::newRow("narrower") << 12 << 3 << 11;
    QTest::newRow("wider") << 3 << 30 << 9;
    QTest::newRow("within the noise line") << 30 << 6 << 3;
}

void TestLogRowLayout::rewrapKeepsTheLine()
{
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(int, row);
    TrafficLog log;
    int frames = 0;
    runSteps(log, "F 2|N 30|F 3", frames);
    LogRowLayout layout;
    layout.setColumns(from, 0);
    layout.setLog(&log);
    const qsizetype line = layout.lineOfRow(row).first;
    const qint64 startRow = layout.setColumns(to, row);
    QCOMPARE(layout.columns(), to);
    QCOMPARE(layout.lineOfRow(startRow), (std::pair(line, startRow)));
}

QTEST_APPLESS_MAIN(TestLogRowLayout)

#include "tst_logrowlayout.moc"
