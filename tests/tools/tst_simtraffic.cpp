// SPDX-License-Identifier: GPL-3.0-or-later
#include "simtraffic.h"

#include <QTest>

#include <set>

using namespace std::chrono_literals;
using namespace talvor;
using namespace talvor::sim;

namespace {

const Frame kAddressFrame{0xFC, 0x05, 0x81, 0x2A, 0xFF};

SimOptions faults(double noiseLevel, bool split)
{
    SimOptions options;
    options.noiseLevel = noiseLevel;
    options.split = split;
    options.splitPause = 25ms;
    return options;
}

Frame joined(const std::vector<Chunk> &chunks, std::size_t from = 0)
{
    Frame bytes;
    for (std::size_t i = from; i < chunks.size(); ++i)
        bytes.insert(bytes.end(), chunks[i].bytes.begin(), chunks[i].bytes.end());
    return bytes;
}

bool isReportOf(const SimDevice &device, const Frame &frame)
{
    if (frame == device.systemInfoReport())
        return true;
    const int detector = frame.size() > 1 ? frame[1] : 0;
    if (detector < 1 || detector > kDetectorCount)
        return false;
    return frame == device.addressReport(detector) || frame == device.cvReport(detector);
}

} // namespace

class TestSimTraffic : public QObject {
    Q_OBJECT

private slots:
    void plainFrameIsOneWrite();
    void splitPiecesRebuildTheFrame_data();
    void splitPiecesRebuildTheFrame();
    void noiseComesOnlyInFrontOfAFrame();
    void noiseLevelIsTheShareOfFramesWithNoise();
    void sameSeedSameTraffic();
    void unsolicitedReportsAreTheDevicesOwn();
    void streamMixesAllReports();
    void queueRunsUnpausedChunksTogether();
    void queuePauseCountsFromTheWriteBefore();
    void queueClearedTakesNewChunks();
};

void TestSimTraffic::plainFrameIsOneWrite()
{
    TrafficShaper shaper(SimOptions{}, 1);
    const auto chunks = shaper.shape(kAddressFrame);
    QCOMPARE(chunks.size(), 1u);
    QCOMPARE(chunks[0].bytes, kAddressFrame);
    QCOMPARE(chunks[0].pauseBefore, 0ms);
}

void TestSimTraffic::splitPiecesRebuildTheFrame_data()
{
    QTest::addColumn<Frame>("frame");
    QTest::newRow("CV report") << Frame{0xFE, 0x07, 0x2A, 0xFF};
    QTest::newRow("address report") << kAddressFrame;
    QTest::newRow("system information") << Frame{0xFD, 0x01, 0x02, 0x17, 0x0B, 0xFF};
}

void TestSimTraffic::splitPiecesRebuildTheFrame()
{
    QFETCH(Frame, frame);
    TrafficShaper shaper(faults(0, true), 7);
    std::set<std::size_t> pieceCounts;
    for (int i = 0; i < 200; ++i) {
        const auto pieces = shaper.shape(frame);
        pieceCounts.insert(pieces.size());
        QCOMPARE(joined(pieces), frame);
        QCOMPARE(pieces.front().pauseBefore, 0ms);
        for (std::size_t p = 1; p < pieces.size(); ++p) {
            QVERIFY(!pieces[p].bytes.empty());
            QCOMPARE(pieces[p].pauseBefore, 25ms);
        }
    }
    QCOMPARE(pieceCounts, (std::set<std::size_t>{2, 3}));
}

void TestSimTraffic::noiseComesOnlyInFrontOfAFrame()
{
    for (const bool split : {false, true}) {
        TrafficShaper shaper(faults(1.0, split), 3);
        for (int i = 0; i < 200; ++i) {
            const auto chunks = shaper.shape(kAddressFrame);
            QVERIFY(chunks.size() >= 2);
            QVERIFY(!chunks[0].bytes.empty() && chunks[0].bytes.size() <= 8);
            QCOMPARE(chunks[0].pauseBefore, 0ms);
            QCOMPARE(joined(chunks, 1), kAddressFrame);
        }
    }
}

void TestSimTraffic::noiseLevelIsTheShareOfFramesWithNoise()
{
    TrafficShaper shaper(faults(0.3, false), 11);
    int withNoise = 0;
    for (int i = 0; i < 2000; ++i)
        withNoise += shaper.shape(kAddressFrame).size() == 2;
    QVERIFY2(withNoise > 500 && withNoise < 700, qPrintable(QString::number(withNoise)));
}

void TestSimTraffic::sameSeedSameTraffic()
{
    const SimDevice device = SimDevice::fromSeed(1);
    TrafficShaper first(faults(0.5, true), 5);
    TrafficShaper second(faults(0.5, true), 5);
    TrafficShaper other(faults(0.5, true), 6);
    Frame a, b, c;
    for (int i = 0; i < 50; ++i) {
        for (auto [shaper, out] : {std::pair{&first, &a}, {&second, &b}, {&other, &c}}) {
            const Frame bytes = joined(shaper->shape(shaper->streamReport(device)));
            out->insert(out->end(), bytes.begin(), bytes.end());
        }
    }
    QCOMPARE(a, b);
    QVERIFY(a != c);
}

void TestSimTraffic::unsolicitedReportsAreTheDevicesOwn()
{
    const SimDevice device = SimDevice::fromSeed(4);
    TrafficShaper shaper(SimOptions{}, 4);
    std::set<int> detectors;
    std::set<std::uint8_t> kinds;
    for (int i = 0; i < 1000; ++i) {
        const Frame report = shaper.unsolicitedReport(device);
        QVERIFY(isReportOf(device, report));
        QVERIFY(report != device.systemInfoReport());
        detectors.insert(report[1]);
        kinds.insert(report[0]);
    }
    QCOMPARE(detectors.size(), std::size_t(kDetectorCount));
    QCOMPARE(kinds, (std::set<std::uint8_t>{kAddressReport, kCvReport}));
}

void TestSimTraffic::streamMixesAllReports()
{
    const SimDevice device = SimDevice::fromSeed(9);
    TrafficShaper shaper(SimOptions{}, 9);
    std::set<std::uint8_t> kinds;
    for (int i = 0; i < 1000; ++i) {
        const Frame report = shaper.streamReport(device);
        QVERIFY(isReportOf(device, report));
        kinds.insert(report[0]);
    }
    QCOMPARE(kinds, (std::set<std::uint8_t>{kAddressReport, kSystemInfoReport, kCvReport}));
}

void TestSimTraffic::queueRunsUnpausedChunksTogether()
{
    const auto t0 = Clock::now();
    OutputQueue queue;
    queue.push({{{1, 2, 3}, 0ms}, {{4, 5}, 0ms}}, t0);
    queue.push({{{6}, 0ms}}, t0);
    QCOMPARE(queue.pendingBytes(), 6u);
    QCOMPARE(queue.ready(t0, 4), (Frame{1, 2, 3, 4}));
    queue.consume(2, t0);
    QCOMPARE(queue.ready(t0, 100), (Frame{3, 4, 5, 6}));
    queue.consume(4, t0);
    QCOMPARE(queue.pendingBytes(), 0u);
    QVERIFY(!queue.dueAt().has_value());
    QVERIFY(queue.ready(t0, 100).empty());
}

void TestSimTraffic::queuePauseCountsFromTheWriteBefore()
{
    const auto t0 = Clock::now();
    OutputQueue queue;
    queue.push({{{0xFC, 0x05}, 0ms}, {{0x81, 0x2A}, 60ms}, {{0xFF}, 60ms}}, t0);
    QCOMPARE(queue.ready(t0, 100), (Frame{0xFC, 0x05}));
    queue.consume(1, t0 + 5ms);
    QCOMPARE(queue.ready(t0 + 5ms, 100), (Frame{0x05}));
    queue.consume(1, t0 + 10ms);
    QCOMPARE(queue.dueAt(), t0 + 70ms);
    QVERIFY(queue.ready(t0 + 69ms, 100).empty());
    QCOMPARE(queue.ready(t0 + 70ms, 100), (Frame{0x81, 0x2A}));
    queue.consume(2, t0 + 100ms);
    QCOMPARE(queue.dueAt(), t0 + 160ms);
    QVERIFY(queue.ready(t0 + 159ms, 100).empty());
    QCOMPARE(queue.ready(t0 + 160ms, 100), (Frame{0xFF}));
}

void TestSimTraffic::queueClearedTakesNewChunks()
{
    const auto t0 = Clock::now();
    OutputQueue queue;
    queue.push({{{1, 2}, 0ms}, {{3}, 60ms}}, t0);
    queue.consume(1, t0);
    queue.clear();
    QCOMPARE(queue.pendingBytes(), 0u);
    QVERIFY(!queue.dueAt().has_value());
    queue.push({{{7, 8}, 0ms}, {{9}, 30ms}}, t0 + 1s);
    QCOMPARE(queue.ready(t0 + 1s, 100), (Frame{7, 8}));
    queue.consume(2, t0 + 1s);
    QVERIFY(queue.ready(t0 + 1s + 29ms, 100).empty());
    QCOMPARE(queue.ready(t0 + 1s + 30ms, 100), (Frame{9}));
}

QTEST_GUILESS_MAIN(TestSimTraffic)
#include "tst_simtraffic.moc"
