// SPDX-License-Identifier: GPL-3.0-or-later
// The one sentence a screen reader hears about the device's answer to a command.
#include "answersummary.h"
#include "reportdecoder.h"

#include <QSignalSpy>
#include <QTest>

using namespace talvor;

class TestAnswerSummary : public QObject {
    Q_OBJECT

private slots:
    void answerIsSummed_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<QByteArray>("received");
        QTest::addColumn<QString>("summary");
        const QByteArray address5("\xFC\x05\x00\x1F\xFF", 5);
        const QByteArray cv5("\xFE\x05\x20\xFF", 4);
        QTest::newRow("request answered")
            << 0x45 << address5 + cv5 << "Detektor 5: Adresse > 31, CV 32";
        QTest::newRow("CV first") << 0x45 << cv5 + address5 << "Detektor 5: Adresse > 31, CV 32";
        QTest::newRow("address only") << 0x45 << address5 << "Detektor 5: Adresse > 31";
        QTest::newRow("CV only") << 0x45 << cv5 << "Detektor 5: CV 32";
        QTest::newRow("no answer") << 0x45 << QByteArray() << "Detektor 5: keine Antwort";
        QTest::newRow("another detector") << 0x58 << address5 + cv5 << "Detektor 24: keine Antwort";
        QTest::newRow("free detector")
            << 0x41 << QByteArray("\xFC\x01\x00\x00\xFF\xFE\x01\x00\xFF", 9)
            << "Detektor 1: Adresse frei, CV 0";
        QTest::newRow("system information")
            << 0x60 << QByteArray("\xFD\x54\x26\x1E\x15\xFF", 6)
            << "Sys-Info: Seriennummer 21542, Hardware 2.1, Software 3.0";
        QTest::newRow("initialise") << 0x20 << address5 << "1 Detektor gemeldet";
    }

    void answerIsSummed()
    {
        QFETCH(int, command);
        QFETCH(QByteArray, received);
        QFETCH(QString, summary);
        AnswerSummary answers;
        QSignalSpy ready(&answers, &AnswerSummary::ready);
        answers.expect(quint8(command));
        ReportDecoder decoder;
        decoder.append(received);
        answers.take(decoder.decode());
        QTRY_COMPARE_WITH_TIMEOUT(ready.count(), 1, 10000);
        QCOMPARE(ready.at(0).at(0).toString(), summary);
    }

    void otherCommandsAreNotSummed_data()
    {
        QTest::addColumn<int>("command");
        QTest::newRow("program address") << 0x85;
        QTest::newRow("request of detector 0") << 0x40;
        QTest::newRow("request beyond 24") << 0x59;
    }

    void otherCommandsAreNotSummed()
    {
        QFETCH(int, command);
        AnswerSummary answers;
        QSignalSpy ready(&answers, &AnswerSummary::ready);
        answers.expect(quint8(command));
        ReportDecoder decoder;
        decoder.append(QByteArray("\xFC\x05\x00\x1F\xFF", 5));
        answers.take(decoder.decode());
        // Longer than the wait for a requested detector's answer.
        QTest::qWait(int(AnswerSummary::kQuiet.count()) * 3 / 2);
        QCOMPARE(ready.count(), 0);
    }
};

QTEST_MAIN(TestAnswerSummary)
#include "tst_answersummary.moc"
