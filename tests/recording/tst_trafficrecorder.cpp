// SPDX-License-Identifier: GPL-3.0-or-later
#include "trafficrecorder.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

using talvor::TrafficRecorder;

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestTrafficRecorder : public QObject {
    Q_OBJECT

private slots:
    void lineTime_data()
    {
        QTest::addColumn<int>("offsetSeconds");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("CET") << 3600 << QByteArray("2026-12-07T14:03:27.045+01:00 RX FC FF\n");
        QTest::newRow("UTC") << 0 << QByteArray("2026-12-07T14:03:27.045+00:00 RX FC FF\n");
        QTest::newRow("Newfoundland")
            << -(3 * 3600 + 1800) << QByteArray("2026-12-07T14:03:27.045-03:30 RX FC FF\n");
    }

    void lineTime()
    {
        QFETCH(int, offsetSeconds);
        QFETCH(QByteArray, line);
        const QDateTime time(QDate(2026, 12, 7), QTime(14, 3, 27, 45), QTimeZone(offsetSeconds));
        QCOMPARE(talvor::recordLine(time, "RX", "FC FF"), line);
    }

    // Every byte handed over reaches the file in order, or is counted where it is missing; the
    // file's earlier content stays in front.
    void everyByteRecordedOrCounted_data()
    {
        QTest::addColumn<qsizetype>("maxPending");
        QTest::newRow("keeps up") << qsizetype(64 * 1024 * 1024);
        QTest::newRow("flood beyond the buffer") << qsizetype(4096);
    }

    void everyByteRecordedOrCounted()
    {
        QFETCH(qsizetype, maxPending);
        const QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("rec.txt"));
        {
            QFile old(path);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("earlier recording\n");
        }
        TrafficRecorder recorder({maxPending, std::chrono::milliseconds(1000)});
        recorder.start(path);
        QRandomGenerator random(5);
        QByteArray received;
        for (int i = 0; i < 2000; ++i) {
            QByteArray chunk(random.bounded(1, 300), Qt::Uninitialized);
            for (char &c : chunk)
                c = char(random.bounded(256));
            recorder.recordReceived(chunk);
            received += chunk;
            if (i % 100 == 0)
                recorder.recordSent("\x20");
        }
        QTRY_VERIFY_WITH_TIMEOUT(readAll(path).contains(" RX "), 1500);
        recorder.stop();
        QTRY_VERIFY(readAll(path).endsWith(" STOP\n"));

        const QList<QByteArray> lines = readAll(path).split('\n');
        QCOMPARE(lines.at(0), QByteArray("earlier recording"));
        QVERIFY(lines.at(1).startsWith("# Talvor-Tester "));
        QVERIFY(lines.at(2).endsWith(" START"));
        QVERIFY(lines.at(lines.size() - 2).endsWith(" STOP"));
        QByteArray recorded;
        qint64 sent = 0;
        qint64 counted = 0;
        for (const QByteArray &line : lines.mid(2)) {
            const QList<QByteArray> fields = line.split(' ');
            if (fields.size() > 2 && fields[1] == "RX")
                recorded += QByteArray::fromHex(line.mid(line.indexOf(" RX ") + 4));
            else if (fields.size() > 2 && fields[1] == "TX")
                sent += fields.size() - 2;
            else if (fields.size() > 2 && fields[1] == "UNRECORDED")
                counted += fields[2].toLongLong();
        }
        QCOMPARE(recorded.size() + sent + counted, received.size() + 20);
        QCOMPARE(counted > 0, maxPending < received.size());
        if (counted == 0)
            QCOMPARE(recorded, received);
    }
};

QTEST_GUILESS_MAIN(TestTrafficRecorder)
#include "tst_trafficrecorder.moc"
