// SPDX-License-Identifier: GPL-3.0-or-later
#include "logselection.h"
#include "support/logsteps.h"

#include <QTest>

using talvor::LogRowLayout;
using talvor::LogSelection;
using talvor::TrafficLog;

class TestLogSelection : public QObject {
    Q_OBJECT

private slots:
    void selectsItsText_data();
    void selectsItsText();
};

void TestLogSelection::selectsItsText_data()
{
    // A log of at most 20 lines; a frame's line is "FC hh ll FF", 13 chars with its CR LF. The
    // steps run before the selection is made and after; "*" is the whole text at the end.
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("selection");
    QTest::addColumn<QByteArray>("after");
    QTest::addColumn<QString>("selected");
    QTest::newRow("nothing") << QByteArray("F 2") << QByteArray("none") << QByteArray("F 1") << "";
    QTest::newRow("all stays all")
        << QByteArray("F 3") << QByteArray("all") << QByteArray("F 30|N 5") << "*";
    QTest::newRow("all after a reset")
        << QByteArray("F 3") << QByteArray("all") << QByteArray("C|F 2") << "*";
    QTest::newRow("clamped to the text")
        << QByteArray("F 2") << QByteArray("between -5 900") << QByteArray("F 0") << "*";
    QTest::newRow("lines dropped before it")
        << QByteArray("F 3") << QByteArray("between 26 31") << QByteArray("F 19") << "FC 00";
    QTest::newRow("dropped with its line")
        << QByteArray("F 3") << QByteArray("between 13 15") << QByteArray("F 19") << "";
    QTest::newRow("extended back from its anchor")
        << QByteArray("F 2") << QByteArray("between 3 5|extend 0") << QByteArray("F 0") << "FC ";
    QTest::newRow("the word at a pair")
        << QByteArray("F 2") << QByteArray("word 16") << QByteArray("F 0") << "00";
    QTest::newRow("the word at the blank after it")
        << QByteArray("F 2") << QByteArray("word 5") << QByteArray("F 0") << "00";
    QTest::newRow("the line, without its break")
        << QByteArray("F 3") << QByteArray("line 17") << QByteArray("F 0") << "FC 00 01 FF";
    QTest::newRow("the last line")
        << QByteArray("F 2") << QByteArray("line 20") << QByteArray("F 0") << "FC 00 01 FF ";
}

void TestLogSelection::selectsItsText()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, selection);
    QFETCH(QByteArray, after);
    QFETCH(QString, selected);
    TrafficLog log(TrafficLog::Limits{20, 1 << 20});
    int frames = 0;
    runSteps(log, before, frames);
    LogRowLayout layout;
    layout.setColumns(12, 0);
    layout.setLog(&log);
    LogSelection made;
    for (const QByteArray &step : selection.split('|')) {
        const QList<QByteArray> words = step.split(' ');
        const qint64 a = words.size() > 1 ? words[1].toLongLong() : 0;
        const qint64 b = words.size() > 2 ? words[2].toLongLong() : 0;
        if (words[0] == "all")
            made = LogSelection::all();
        else if (words[0] == "between")
            made = LogSelection::between(layout, a, b);
        else if (words[0] == "extend")
            made = made.extendedTo(layout, a);
        else if (words[0] == "word")
            made = LogSelection::wordAt(layout, a);
        else if (words[0] == "line")
            made = LogSelection::lineAt(layout, a);
    }
    runSteps(log, after, frames);
    layout.sync();
    made = made.keptOn(layout);
    const QString text =
        QString::fromLatin1(layout.textBetween(made.start(layout), made.end(layout)));
    QCOMPARE(text, selected == "*" ? QString::fromLatin1(log.text()) : selected);
    QCOMPARE(made.hasCaret(), selection != "none" && !text.isEmpty());
}

QTEST_APPLESS_MAIN(TestLogSelection)

#include "tst_logselection.moc"
