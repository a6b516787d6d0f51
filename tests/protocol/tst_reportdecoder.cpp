// SPDX-License-Identifier: GPL-3.0-or-later
#include "hexformat.h"
#include "reportdecoder.h"
#include "support/references.h"

#include <QRandomGenerator>
#include <QTest>

#include <algorithm>

using namespace talvor;
using talvor::test::describe;
using talvor::test::referenceDecoderRun;

namespace {

// Mostly type bytes, closing bytes and detector numbers, so that reports, near misses and
// frames inside frames occur often.
char biasedByte(QRandomGenerator &random)
{
    const quint32 pick = random.bounded(10);
    if (pick < 4)
        return char(0xFC + random.bounded(4));
    if (pick < 7)
        return char(random.bounded(26));
    return char(random.bounded(256));
}

// What stays visible of one run: the last report of each cell, in buffer order.
std::vector<Report> lastOfEachCell(const std::vector<Report> &reports)
{
    std::vector<Report> last;
    for (auto it = reports.rbegin(); it != reports.rend(); ++it) {
        const bool shadowed = std::any_of(last.begin(), last.end(), [&](const Report &later) {
            return later.kind == it->kind && later.detector == it->detector;
        });
        if (!shadowed)
            last.insert(last.begin(), *it);
    }
    return last;
}

} // namespace

class TestReportDecoder : public QObject {
    Q_OBJECT

private slots:
    void runs_data();
    void runs();
    void clearDropsAnUnfinishedFrame();
    void reportHoldsAtMostTheLongestFrame();
    void noiseKeepsTheBufferSmall();
    void sameReportsAsTheReference_data();
    void sameReportsAsTheReference();
};

// Each chunk is appended and followed by one decoder run, as one receive poll does; "runs" holds
// the reports of each run.
void TestReportDecoder::runs_data()
{
    QTest::addColumn<QStringList>("chunks");
    QTest::addColumn<QStringList>("runs");
    QTest::addColumn<QString>("pending");

    using L = QStringList;
    // clang-format off
    QTest::newRow("address, free") << L{"FC 05 00 00 FF"} << L{"A5 FC 05 00 00 FF"} << "";
    QTest::newRow("CV") << L{"FE 07 2A FF"} << L{"C7 FE 07 2A FF"} << "";
    QTest::newRow("system info") << L{"FD 01 02 17 0B FF"} << L{"S FD 01 02 17 0B FF"} << "";
    QTest::newRow("leading noise leaves with it") << L{"00 11 FC 05 00 00 FF"}
                                                  << L{"A5 FC 05 00 00 FF"} << "";
    QTest::newRow("closing bytes as data") << L{"FC 05 FF FF FF FF"}
                                           << L{"A5 FC 05 FF FF FF"} << "FF";
    QTest::newRow("detector 24") << L{"FE 18 00 FF"} << L{"C24 FE 18 00 FF"} << "";
    QTest::newRow("detector 25 stays") << L{"FC 19 00 00 FF"} << L{""} << "FC 19 00 00 FF";
    QTest::newRow("CV for detector 0 stays") << L{"FE 00 2A FF"} << L{""} << "FE 00 2A FF";
    QTest::newRow("detector 0 leaves with the next report")
        << L{"FC 00 00 00 FF", "FE 07 2A FF"} << L{"", "C7 FE 07 2A FF"} << "";
    QTest::newRow("several in one chunk, in order")
        << L{"FC 05 00 00 FF FE 07 2A FF 33 FD 01 02 17 0B FF FC 05 01 00 FF FE"}
        << L{"A5 FC 05 00 00 FF | C7 FE 07 2A FF | S FD 01 02 17 0B FF | A5 FC 05 01 00 FF"}
        << "FE";
    QTest::newRow("same row twice") << L{"FE 07 01 FF FE 07 02 FF"}
                                    << L{"C7 FE 07 01 FF | C7 FE 07 02 FF"} << "";
    QTest::newRow("split over three polls")
        << L{"FC 05", "00 00", "FF"} << L{"", "", "A5 FC 05 00 00 FF"} << "";
    QTest::newRow("shown in the poll of its closing byte")
        << L{"FE 07 2A", "FF FC 03 80"} << L{"", "C7 FE 07 2A FF"} << "FC 03 80";
    QTest::newRow("fewer than four bytes") << L{"FE 07 FF"} << L{""} << "FE 07 FF";
    QTest::newRow("system info one byte short") << L{"FD 01 02 17 0B", "FF"}
                                                << L{"", "S FD 01 02 17 0B FF"} << "";
    QTest::newRow("FD with four bytes only") << L{"FD 01 02 FF"} << L{""} << "FD 01 02 FF";
    QTest::newRow("earlier position wins") << L{"FD FC 05 00 00 FF"}
                                           << L{"S FD FC 05 00 00 FF"} << "";
    QTest::newRow("type byte inside an unfinished frame")
        << L{"FD FE 03 2A FF", "FF"} << L{"C3 FE 03 2A FF", ""} << "FF";
    QTest::newRow("same bytes in one chunk") << L{"FD FE 03 2A FF FF"}
                                             << L{"S FD FE 03 2A FF FF"} << "";
    QTest::newRow("address needs its closing byte") << L{"FC 05 00 00 00 FE 07 2A FF"}
                                                    << L{"C7 FE 07 2A FF"} << "";
    QTest::newRow("only the last five bytes are kept") << L{"00 01 02 03 04 05 06 07"}
                                                       << L{""} << "03 04 05 06 07";
    QTest::newRow("kept tail completes a report") << L{"00 01 02 03 FD 01 02", "17 0B FF"}
                                                  << L{"", "S FD 01 02 17 0B FF"} << "";
    QTest::newRow("empty poll") << L{"FC 05 00", ""} << L{"", ""} << "FC 05 00";
    // clang-format on
}

void TestReportDecoder::runs()
{
    QFETCH(QStringList, chunks);
    QFETCH(QStringList, runs);
    QFETCH(QString, pending);

    ReportDecoder decoder;
    QStringList shown;
    for (const QString &chunk : chunks) {
        decoder.append(QByteArray::fromHex(chunk.toLatin1()));
        shown << describe(decoder.decode());
    }
    QCOMPARE(shown, runs);
    QCOMPARE(hexPairs(decoder.pending()), pending);
}

void TestReportDecoder::clearDropsAnUnfinishedFrame()
{
    ReportDecoder decoder;
    decoder.append(QByteArray::fromHex("FC 05 00"));
    QVERIFY(decoder.decode().empty());
    decoder.clear();
    decoder.append(QByteArray::fromHex("00 FF"));
    QVERIFY(decoder.decode().empty());
    QCOMPARE(hexPairs(decoder.pending()), QStringLiteral("00 FF"));
}

void TestReportDecoder::reportHoldsAtMostTheLongestFrame()
{
    const QByteArray bytes = QByteArray::fromHex("FD 01 02 17 0B FF 33");
    const Report report(ReportKind::SystemInfo, 0, bytes);
    QCOMPARE(report.frame(), bytes.first(6));
    const Report copy = report;
    QCOMPARE(copy.frame(), bytes.first(6));
    QCOMPARE(Report().frame().size(), 0);
}

void TestReportDecoder::noiseKeepsTheBufferSmall()
{
    ReportDecoder decoder;
    const QByteArray noise(4096, '\x2A');
    for (int poll = 0; poll < 256; ++poll) {
        decoder.append(noise);
        QVERIFY(decoder.decode().empty());
        QVERIFY(decoder.pending().size() <= 5);
    }
    decoder.append(QByteArray::fromHex("FE 07 2A FF"));
    QCOMPARE(describe(decoder.decode()), QStringLiteral("C7 FE 07 2A FF"));
}

void TestReportDecoder::sameReportsAsTheReference_data()
{
    QTest::addColumn<quint32>("seed");
    for (const quint32 seed : {1u, 2u, 3u, 4u, 20240607u})
        QTest::addRow("seed %u", seed) << seed;
}

// Random streams in random chunks: the bounded one-pass decoder shows exactly the reports of the
// literal algorithm, run by run, and keeps the last bytes of the unbounded buffer; decodeLatest()
// lists exactly the last report of each cell.
void TestReportDecoder::sameReportsAsTheReference()
{
    QFETCH(quint32, seed);
    QRandomGenerator random(seed);
    int reportCount = 0;
    for (int stream = 0; stream < 1000; ++stream) {
        ReportDecoder decoder;
        ReportDecoder latest;
        QByteArray reference;
        for (int polls = random.bounded(1, 40); polls > 0; --polls) {
            QByteArray chunk(random.bounded(13), Qt::Uninitialized);
            std::generate(chunk.begin(), chunk.end(), [&] { return biasedByte(random); });
            decoder.append(chunk);
            reference.append(chunk);
            const std::vector<Report> expected = referenceDecoderRun(reference);
            QCOMPARE(describe(decoder.decode()), describe(expected));
            QCOMPARE(describe(latest.decodeLatest(chunk)), describe(lastOfEachCell(expected)));
            QCOMPARE(latest.pending(), decoder.pending());
            const qsizetype kept = std::min<qsizetype>(5, reference.size());
            QCOMPARE(hexPairs(decoder.pending()), hexPairs(reference.last(kept)));
            reportCount += int(expected.size());
        }
    }
    QVERIFY2(reportCount > 1000, "the streams should hold many reports");
}

QTEST_APPLESS_MAIN(TestReportDecoder)
#include "tst_reportdecoder.moc"
