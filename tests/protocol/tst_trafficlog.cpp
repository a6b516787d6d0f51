// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/references.h"
#include "trafficlog.h"

#include <QRandomGenerator>
#include <QTest>

using talvor::TrafficLog;
using talvor::test::ReferenceLog;

namespace {

// Runs a script on a log: hex bytes form a chunk, "|" ends it, "M60" appends the send marker of
// byte 0x60, "C" clears the log.
template <typename Log> void runScript(Log &log, const QByteArray &script)
{
    QByteArray chunk;
    const auto flush = [&] {
        log.appendReceived(chunk);
        chunk.clear();
    };
    for (const QByteArray &token : script.split(' ')) {
        if (token.isEmpty() || token == "|") {
            flush();
        } else if (token == "C") {
            flush();
            log.clear();
        } else if (token.startsWith('M')) {
            flush();
            log.appendMarker("0x" + token.mid(1));
        } else {
            chunk.append(char(token.toUInt(nullptr, 16)));
        }
    }
    flush();
}

// A random script, biased to the bytes that make line breaks; chunkEnds sets how often (in
// percent of the steps) a chunk ends.
QByteArray randomScript(QRandomGenerator &random, int steps, int chunkEnds = 32)
{
    static constexpr uchar kFrameBytes[] = {0xFF, 0xFC, 0xFD, 0xFE};
    const auto randomByte = [&] {
        return random.bounded(100) < 60 ? kFrameBytes[random.bounded(4)]
                                        : uchar(random.bounded(256));
    };
    const auto randomPair = [&] {
        return QByteArray::number(randomByte() | 0x100, 16).mid(1).toUpper();
    };
    QByteArrayList tokens;
    for (int step = 0; step < steps; ++step) {
        const int roll = random.bounded(100);
        if (roll < 2)
            tokens << "C";
        else if (roll < 8)
            tokens << "M" + randomPair();
        else if (roll < 8 + chunkEnds)
            tokens << "|";
        else
            tokens << randomPair();
    }
    return tokens.join(' ');
}

void verifyLinesMatchText(const TrafficLog &log)
{
    const QByteArray problem = talvor::test::linesMismatch(log);
    QVERIFY2(problem.isEmpty(), problem.constData());
}

void verifyBoundedTail(const TrafficLog &log, const QByteArray &full, TrafficLog::Limits limits)
{
    const QByteArray problem = talvor::test::boundedTailMismatch(log, full, limits);
    QVERIFY2(problem.isEmpty(), problem.constData());
}

} // namespace

class TestTrafficLog : public QObject {
    Q_OBJECT

private slots:
    void text_data();
    void text();
    void matchesWholeTextReplacement_data();
    void matchesWholeTextReplacement();
    void keepsNewestTextWithinLimits_data();
    void keepsNewestTextWithinLimits();
    void dropsOldestLines();
    void overlongLineKeepsNewestPairs();
    void overlongLineDropsItsMarkerFirst();
    void overlongLineAfterFrames();
    void noiseLineAfterADroppedNoiseLine();
    void clearCountsDroppedLines();
    void emptyChunkChangesNothing();
};

void TestTrafficLog::text_data()
{
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("hex pairs") << QByteArray("00 0A 7F 80 AB") << QByteArray("00 0A 7F 80 AB ");
    QTest::newRow("no frame start") << QByteArray("01 02 FD") << QByteArray("01 02 FD ");
    QTest::newRow("frames in one chunk") << QByteArray("FC 05 12 34 FF FE 07 2A FF FC")
                                         << QByteArray("FC 05 12 34 FF\r\nFE 07 2A FF\r\nFC ");
    QTest::newRow("FF | FC") << QByteArray("FC 05 12 34 FF | FC 07")
                             << QByteArray("FC 05 12 34 FF\r\nFC 07 ");
    QTest::newRow("FF | FD") << QByteArray("FF | FD") << QByteArray("FF\r\nFD ");
    QTest::newRow("FF | FE") << QByteArray("FF | FE") << QByteArray("FF\r\nFE ");
    QTest::newRow("FF FF FC") << QByteArray("FF FF FC") << QByteArray("FF FF\r\nFC ");
    QTest::newRow("FF | FF | FC") << QByteArray("FF | FF | FC") << QByteArray("FF FF\r\nFC ");
    QTest::newRow("FD FE after others")
        << QByteArray("00 FD 12 FE FC FC") << QByteArray("00 FD 12 FE FC FC ");
    QTest::newRow("break inside data")
        << QByteArray("FC FF FD FF") << QByteArray("FC FF\r\nFD FF ");
    QTest::newRow("all three") << QByteArray("FF FC FF FD FF FE")
                               << QByteArray("FF\r\nFC FF\r\nFD FF\r\nFE ");
    QTest::newRow("empty chunk between") << QByteArray("FF | | FC") << QByteArray("FF\r\nFC ");
    QTest::newRow("marker between FF and FC")
        << QByteArray("FF M60 FC") << QByteArray("FF \r\n\r\n0x60->FC ");
    QTest::newRow("marker on empty log") << QByteArray("M60") << QByteArray("\r\n\r\n0x60->");
    QTest::newRow("two markers") << QByteArray("M60 M60")
                                 << QByteArray("\r\n\r\n0x60->\r\n\r\n0x60->");
    QTest::newRow("answer behind marker")
        << QByteArray("FC 05 M60 FE 01") << QByteArray("FC 05 \r\n\r\n0x60->FE 01 ");
    QTest::newRow("frame end after marker")
        << QByteArray("M60 FF FC") << QByteArray("\r\n\r\n0x60->FF\r\nFC ");
    QTest::newRow("marker of byte FF") << QByteArray("MFF FC") << QByteArray("\r\n\r\n0xFF->FC ");
    QTest::newRow("clear empties") << QByteArray("FC 01 FF C") << QByteArray("");
    QTest::newRow("first byte after clear") << QByteArray("FC 01 FF C FC") << QByteArray("FC ");
    QTest::newRow("marker after clear") << QByteArray("FC C M60") << QByteArray("\r\n\r\n0x60->");
}

void TestTrafficLog::text()
{
    QFETCH(QByteArray, script);
    QFETCH(QByteArray, expected);
    TrafficLog log;
    runScript(log, script);
    QCOMPARE(log.text(), expected);
    verifyLinesMatchText(log);
}

void TestTrafficLog::matchesWholeTextReplacement_data()
{
    QTest::addColumn<quint32>("seed");
    for (quint32 seed = 1; seed <= 200; ++seed)
        QTest::addRow("seed %u", seed) << seed;
}

void TestTrafficLog::matchesWholeTextReplacement()
{
    QFETCH(quint32, seed);
    QRandomGenerator random(seed);
    const QByteArray script = randomScript(random, 600);
    TrafficLog log;
    ReferenceLog reference;
    runScript(log, script);
    runScript(reference, script);
    QCOMPARE(log.text(), reference.text());
    verifyLinesMatchText(log);
}

void TestTrafficLog::keepsNewestTextWithinLimits_data()
{
    QTest::addColumn<quint32>("seed");
    for (quint32 seed = 1; seed <= 200; ++seed)
        QTest::addRow("seed %u", seed) << seed;
}

// Checks the bounds after every step of a random script, against the unbounded reference; steps
// larger than the bounds are cut before they are written.
void TestTrafficLog::keepsNewestTextWithinLimits()
{
    QFETCH(quint32, seed);
    QRandomGenerator random(seed);
    const TrafficLog::Limits limits{random.bounded(1, 12), random.bounded(3, 120)};
    TrafficLog log(limits);
    TrafficLog unbounded;
    ReferenceLog reference;
    QByteArray before;
    qint64 beforeDropped = 0;
    for (const QByteArray &step : randomScript(random, 400, random.bounded(2, 32)).split('|')) {
        runScript(log, step.trimmed());
        runScript(unbounded, step.trimmed());
        runScript(reference, step.trimmed());
        verifyBoundedTail(log, reference.text(), limits);
        verifyLinesMatchText(log);
        // Every line made is either still there or counted as dropped, also the lines of a chunk
        // that were dropped before they were written.
        QCOMPARE(log.droppedLines() + log.lineCount(),
                 unbounded.droppedLines() + unbounded.lineCount());
        // What stays of the earlier text keeps its place; only its last char may have become CR.
        const QByteArray text = log.text();
        const qint64 kept = beforeDropped + before.size() - 1 - log.droppedChars();
        QVERIFY(log.droppedChars() >= beforeDropped);
        if (kept > 0)
            QCOMPARE(text.first(kept), before.sliced(before.size() - 1 - kept, kept));
        before = text;
        beforeDropped = log.droppedChars();
        if (QTest::currentTestFailed())
            return;
    }
}

void TestTrafficLog::dropsOldestLines()
{
    TrafficLog log({3, 1000});
    runScript(log, QByteArray("FC 01 FF ").repeated(10));
    QCOMPARE(log.text(), "FC 01 FF\r\nFC 01 FF\r\nFC 01 FF ");
    QCOMPARE(log.droppedLines(), 7);
}

void TestTrafficLog::overlongLineKeepsNewestPairs()
{
    TrafficLog log({10, 31});
    ReferenceLog reference;
    for (int i = 0; i < 1000; ++i) {
        const QByteArray chunk(1, char(i % 0xFC));
        log.appendReceived(chunk);
        reference.appendReceived(chunk);
    }
    QCOMPARE(log.text(), reference.text().right(30));
    QCOMPARE(log.lineCount(), 1);
}

void TestTrafficLog::overlongLineDropsItsMarkerFirst()
{
    TrafficLog log({1, 20});
    runScript(log, "M60 11 22 33 44");
    QCOMPARE(log.text(), "0x60->11 22 33 44 ");
    runScript(log, "55");
    QCOMPARE(log.text(), "11 22 33 44 55 ");
    runScript(log, "66 77");
    QCOMPARE(log.text(), "22 33 44 55 66 77 ");
}

void TestTrafficLog::overlongLineAfterFrames()
{
    TrafficLog log({10, 30});
    runScript(log, "FC 01 FF FC 02 FF FE 03 FF FD");
    QCOMPARE(log.text(), "FC 02 FF\r\nFE 03 FF\r\nFD ");
    runScript(log, QByteArray("| 12 ").repeated(10));
    QCOMPARE(log.text(), QByteArray("12 ").repeated(10));
    QCOMPARE(log.droppedLines(), 3);
    // Once a frame ends the overlong line, it is an old line like any other and goes whole.
    runScript(log, "FF | FC 05");
    QCOMPARE(log.text(), "FC 05 ");
    QCOMPARE(log.droppedLines(), 4);
}

// The storage of a dropped line of noise goes on to the next line that grows long; that line must
// still keep exactly its newest pairs, and its text must not mix with the old one's.
void TestTrafficLog::noiseLineAfterADroppedNoiseLine()
{
    const TrafficLog::Limits limits{100, 300 * 1024};
    TrafficLog log(limits);
    QByteArray noise(4096, Qt::Uninitialized);
    for (qsizetype i = 0; i < noise.size(); ++i)
        noise[i] = char(i % 0xFF);
    for (int i = 0; i < 100; ++i)
        log.appendReceived(noise);
    QCOMPARE(log.lineCount(), 1);
    log.appendReceived(QByteArray::fromHex("FF FC 01 FF"));
    QCOMPARE(log.text(), "FC 01 FF ");

    const QByteArray second = noise.sliced(7);
    QByteArray received;
    for (int i = 0; i < 100; ++i) {
        log.appendReceived(second);
        received += second;
    }
    QCOMPARE(log.lineCount(), 1);
    QCOMPARE(log.text(), received.last(limits.maxBytes / 3).toHex(' ').toUpper() + ' ');
    verifyLinesMatchText(log);
}

void TestTrafficLog::clearCountsDroppedLines()
{
    TrafficLog log;
    runScript(log, "FC 01 FF FC 02 FF FC");
    log.clear();
    QCOMPARE(log.lineCount(), 0);
    QCOMPARE(log.size(), 0);
    QCOMPARE(log.droppedLines(), 3);
}

void TestTrafficLog::emptyChunkChangesNothing()
{
    TrafficLog log;
    runScript(log, "FC 01");
    const quint64 revision = log.revision();
    log.appendReceived({});
    QCOMPARE(log.revision(), revision);
    log.appendReceived("\x02");
    QVERIFY(log.revision() > revision);
}

QTEST_APPLESS_MAIN(TestTrafficLog)

#include "tst_trafficlog.moc"
