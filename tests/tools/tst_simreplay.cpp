// SPDX-License-Identifier: GPL-3.0-or-later
#include "simreplay.h"

#include <QRegularExpression>
#include <QTest>

#include <sstream>

using namespace talvor::sim;

class TestSimReplay : public QObject {
    Q_OBJECT

private slots:
    // What a recording replays: the RX lines with their pauses; every line that cannot be read
    // is named with its number and skipped, once over all rounds of --loop.
    void readsRecording_data()
    {
        QTest::addColumn<QString>("recording");
        QTest::addColumn<QStringList>("chunks"); // "<ms> <hex pairs>"
        QTest::addColumn<QList<int>>("skipped");

        const QString header = "# Talvor-Tester 1.0.1 Mitschnitt, Format 1\n"
                               "2026-12-07T14:03:27.000+01:00 START\n";
        QTest::newRow("pauses, other kinds ignored")
            << header + "2026-12-07T14:03:27.100+01:00 CONNECT COM 1\n"
                        "2026-12-07T14:03:27.150+01:00 TX 20\n"
                        "2026-12-07T14:03:27.200+01:00 RX FC 01 00 05 FF\n"
                        "2026-12-07T14:03:27.250+01:00 UNRECORDED 17\n"
                        "2026-12-07T14:03:28.450+01:00 RX fc 02\n"
                        "2026-12-07T14:03:28.500+01:00 LOST\n"
            << QStringList{"0 FC 01 00 05 FF", "1250 FC 02"} << QList<int>{};
        QTest::newRow("other offset, clock set back")
            << header + "2026-12-07T13:03:27.200+00:00 RX 01\n"
                        "2026-12-07T09:33:27.700-03:30 RX 02\n"
                        "2026-12-07T14:03:27.100+01:00 RX 03\n"
            << QStringList{"0 01", "500 02", "500 03"} << QList<int>{};
        QTest::newRow("appended recording starts without a pause")
            << header + "2026-12-07T14:03:27.200+01:00 RX 01\n"
                        "2026-12-07T14:03:27.300+01:00 STOP\n"
                        "# Talvor-Tester 1.0.1 Mitschnitt, Format 1\n"
                        "2026-12-08T09:00:00.000+01:00 START\n"
                        "2026-12-08T09:00:00.040+01:00 RX 02\n"
                        "2026-12-08T09:00:00.090+01:00 RX 03\n"
            << QStringList{"0 01", "0 02", "50 03"} << QList<int>{};
        QTest::newRow("CR LF line ends") << "# Talvor-Tester 1.0.1 Mitschnitt, Format 1\r\n"
                                            "2026-12-07T14:03:27.200+01:00 RX 01\r\n"
                                            "2026-12-07T14:03:27.300+01:00 RX 02\r\n"
                                         << QStringList{"0 01", "100 02"} << QList<int>{};
        QTest::newRow("a pause beyond the clock's reach")
            << header + "2026-12-07T14:03:27.200+01:00 RX 01\n"
                        "9999-12-07T14:03:27.300+01:00 RX 02\n"
                        "9999-12-07T14:03:27.400+01:00 RX 03\n"
            << QStringList{"0 01", "0 02", "100 03"} << QList<int>{4};
        QTest::newRow("unreadable lines")
            << header + "2026-12-07T14:03:27.200+01:00 RX FC 0\n"  // cut off by a full disk
                        "2026-12-07 14:03:27.200+01:00 RX FC\n"    // not the time's form
                        "2026-13-07T14:03:27.200+01:00 RX FC\n"    // no such month
                        "2026-12-07T14:03:27.200+01:00 RX\n"       // no bytes
                        "2026-12-07T14:03:27.200+01:00 RX FCFF\n"  // no blank
                        "2026-12-07T14:03:27.200+01:00 RX GG\n"    // not hex
                        "2026-12-07T14:03:27.200+01:00 HELLO 01\n" // unknown kind
                        "2026-12-07T14:03:27.300+01:00 RX 0A\n"
                        "\n"
                        "2026-12-07T14:03:27.400+01:00 RX 0B" // no line break at the end
            << QStringList{"0 0A", "100 0B"} << QList<int>{3, 4, 5, 6, 7, 8, 9};
    }

    void readsRecording()
    {
        QFETCH(QString, recording);
        QFETCH(QStringList, chunks);
        QFETCH(QList<int>, skipped);
        std::istringstream in(recording.toStdString());
        std::ostringstream problems;
        ReplayReader reader(in, "rec.txt", problems);
        for (int round = 0; round < 2; ++round) {
            QStringList read;
            while (const auto chunk = reader.next()) {
                const QByteArray bytes(reinterpret_cast<const char *>(chunk->bytes.data()),
                                       qsizetype(chunk->bytes.size()));
                read << QString::number(chunk->at.count()) + ' ' +
                            QString::fromLatin1(bytes.toHex(' ').toUpper());
            }
            QCOMPARE(read, chunks);
            reader.rewind(); // --loop reads it again, the same way
        }
        QList<int> reported;
        static const QRegularExpression where(
            "^talvor-sim: rec\\.txt:(\\d+): .+, (line skipped|pause left out)$");
        for (const QString &line : QString::fromStdString(problems.str()).split('\n')) {
            if (const auto match = where.match(line); match.hasMatch())
                reported << match.captured(1).toInt();
        }
        QCOMPARE(reported, skipped); // once, however often it is read
    }
};

QTEST_GUILESS_MAIN(TestSimReplay)
#include "tst_simreplay.moc"
