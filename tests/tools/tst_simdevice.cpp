// SPDX-License-Identifier: GPL-3.0-or-later
#include "simdevice.h"
#include "simfaults.h"

#include <QTest>

#include <set>

using namespace talvor;
using namespace talvor::sim;

using Frames = std::vector<Frame>;
Q_DECLARE_METATYPE(Frames)
Q_DECLARE_METATYPE(DeviceFaults)

namespace {

Frame address(int detector, std::uint8_t high, std::uint8_t low)
{
    return {0xFC, static_cast<std::uint8_t>(detector), high, low, 0xFF};
}

Frame cv(int detector, std::uint8_t value)
{
    return {0xFE, static_cast<std::uint8_t>(detector), value, 0xFF};
}

// Every kind of address: plain, free (one with the flag), unknown (one with the flag), the
// largest, one whose low byte is 0xFF; detectors 10 to 23 free.
SimDevice knownDevice()
{
    Detectors d{};
    d[0] = {0x002A, false, 42};
    d[1] = {kFreeAddress, true, 0};
    d[2] = {kUnknownAddress, false, 0xFF};
    d[3] = {kUnknownAddress, true, 1};
    d[4] = {0x012A, true, 7};
    d[5] = {0x7FFF, true, 0x80};
    d[6] = {1, false, 0xFC};
    d[7] = {2, false, 0xFD};
    d[8] = {4, false, 0xFE};
    d[23] = {0x00FF, false, 0x10};
    return SimDevice(d, {0x8102, 23, 11});
}

// The address reports of knownDevice(), detectors 1 to 24.
Frames knownAddressReports()
{
    Frames frames{address(1, 0x00, 0x2A), address(2, 0x80, 0x00), address(3, 0x77, 0x77),
                  address(4, 0xF7, 0x77), address(5, 0x81, 0x2A), address(6, 0xFF, 0xFF),
                  address(7, 0x00, 0x01), address(8, 0x00, 0x02), address(9, 0x00, 0x04)};
    for (int n = 10; n <= 23; ++n)
        frames.push_back(address(n, 0x00, 0x00));
    frames.push_back(address(24, 0x00, 0xFF));
    return frames;
}

Frames answerAll(SimDevice &device, std::initializer_list<std::uint8_t> commands)
{
    Frames frames;
    for (const std::uint8_t command : commands) {
        const Frames answer = device.answer(command);
        frames.insert(frames.end(), answer.begin(), answer.end());
    }
    return frames;
}

} // namespace

class TestSimDevice : public QObject {
    Q_OBJECT

private slots:
    void answersCommand_data();
    void answersCommand();
    void ignoredBytesChangeNothing();
    void programmingTakesLowestUnusedAddress();
    void programmingKeepsFlagAndCv();
    void faultyUnitAnswers_data();
    void faultyUnitAnswers();
    void seedOneState_data();
    void seedOneState();
    void seedOneSystemInfo();
    void sameSeedSameDevice_data();
    void sameSeedSameDevice();
    void differentSeedsDiffer();
    void seededStatesShowEveryKind();
};

void TestSimDevice::answersCommand_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<Frames>("expected");

    QTest::newRow("0x20 initialise") << 0x20 << knownAddressReports();
    QTest::newRow("0x41 request 1") << 0x41 << Frames{address(1, 0x00, 0x2A), cv(1, 42)};
    QTest::newRow("0x42 request free, flag set")
        << 0x42 << Frames{address(2, 0x80, 0x00), cv(2, 0)};
    QTest::newRow("0x43 request unknown") << 0x43 << Frames{address(3, 0x77, 0x77), cv(3, 0xFF)};
    QTest::newRow("0x44 request unknown, flag set")
        << 0x44 << Frames{address(4, 0xF7, 0x77), cv(4, 1)};
    QTest::newRow("0x45 request flag set") << 0x45 << Frames{address(5, 0x81, 0x2A), cv(5, 7)};
    QTest::newRow("0x46 request largest address")
        << 0x46 << Frames{address(6, 0xFF, 0xFF), cv(6, 0x80)};
    QTest::newRow("0x47 request CV 0xFC") << 0x47 << Frames{address(7, 0x00, 0x01), cv(7, 0xFC)};
    QTest::newRow("0x48 request CV 0xFD") << 0x48 << Frames{address(8, 0x00, 0x02), cv(8, 0xFD)};
    QTest::newRow("0x49 request CV 0xFE") << 0x49 << Frames{address(9, 0x00, 0x04), cv(9, 0xFE)};
    for (int n = 10; n <= 23; ++n) {
        QTest::addRow("0x%02X request %d, free", 0x40 + n, n)
            << 0x40 + n << Frames{address(n, 0x00, 0x00), cv(n, 0)};
    }
    QTest::newRow("0x58 request 24") << 0x58 << Frames{address(24, 0x00, 0xFF), cv(24, 0x10)};
    QTest::newRow("0x60 system information")
        << 0x60 << Frames{{0xFD, 0x81, 0x02, 0x17, 0x0B, 0xFF}};
    // Held: 0x2A, 0x7777, 0x12A, 0x7FFF, 1, 2, 4, 0xFF; the lowest unused is 3, and the flag
    // (of detectors 2, 4, 5 and 6) stays.
    for (int n = 1; n <= kDetectorCount; ++n) {
        const std::uint8_t flag = (n == 2 || n == 4 || n == 5 || n == 6) ? 0x80 : 0x00;
        QTest::addRow("0x%02X program %d", 0x80 + n, n)
            << 0x80 + n << Frames{address(n, flag, 0x03)};
    }
    for (const int ignored :
         {0x00, 0x01, 0x1F, 0x21, 0x38, 0x3F, 0x40, 0x59, 0x5F, 0x61, 0x78, 0x7F,
          0x80, 0x99, 0x9F, 0xA0, 0xB8, 0xC1, 0xE0, 0xFC, 0xFD, 0xFE, 0xFF}) {
        QTest::addRow("0x%02X ignored", ignored) << ignored << Frames{};
    }
}

void TestSimDevice::answersCommand()
{
    QFETCH(int, command);
    QFETCH(Frames, expected);
    SimDevice device = knownDevice();
    QCOMPARE(device.answer(static_cast<std::uint8_t>(command)), expected);
}

void TestSimDevice::ignoredBytesChangeNothing()
{
    SimDevice device = knownDevice();
    for (int byte = 0; byte <= 0xFF; ++byte) {
        const int detector = byte & 0x1F;
        const bool command = byte == 0x20 || byte == 0x60 ||
                             ((byte & 0xE0) == 0x40 && detector >= 1 && detector <= 24) ||
                             ((byte & 0xE0) == 0x80 && detector >= 1 && detector <= 24);
        if (!command)
            QVERIFY2(device.answer(static_cast<std::uint8_t>(byte)).empty(),
                     qPrintable(QString::number(byte, 16)));
    }
    SimDevice fresh = knownDevice();
    QCOMPARE(answerAll(device, {0x20, 0x60}), answerAll(fresh, {0x20, 0x60}));
    for (int n = 1; n <= kDetectorCount; ++n)
        QCOMPARE(device.cvReport(n), fresh.cvReport(n));
}

void TestSimDevice::programmingTakesLowestUnusedAddress()
{
    SimDevice device = knownDevice();
    // Detector 2 takes 3, then 5: its own 3 counts as held, and detector 9 holds 4.
    QCOMPARE(device.answer(0x82), Frames{address(2, 0x80, 0x03)});
    QCOMPARE(device.answer(0x82), Frames{address(2, 0x80, 0x05)});
    // Detector 7 leaves 1 for the 3 that detector 2 gave up.
    QCOMPARE(device.answer(0x87), Frames{address(7, 0x00, 0x03)});
    // Detector 8 leaves 2 for the 1 that detector 7 gave up, then takes 2 back.
    QCOMPARE(device.answer(0x88), Frames{address(8, 0x00, 0x01)});
    QCOMPARE(device.answer(0x88), Frames{address(8, 0x00, 0x02)});
    QCOMPARE(device.detector(7).address, 3);
}

void TestSimDevice::programmingKeepsFlagAndCv()
{
    SimDevice device = knownDevice();
    device.answer(0x85);
    QCOMPARE(device.answer(0x45), (Frames{address(5, 0x80, 0x03), cv(5, 7)}));
    device.answer(0x86);
    QCOMPARE(device.answer(0x46), (Frames{address(6, 0x80, 0x05), cv(6, 0x80)}));
}

void TestSimDevice::faultyUnitAnswers_data()
{
    QTest::addColumn<DeviceFaults>("faults");
    QTest::addColumn<int>("command");
    QTest::addColumn<Frames>("expected");

    Frames withoutTwoAndThree = knownAddressReports();
    withoutTwoAndThree.erase(withoutTwoAndThree.begin() + 1, withoutTwoAndThree.begin() + 3);
    QTest::newRow("silent detectors leave the initialisation")
        << DeviceFaults{{2, 3}, {}, {}} << 0x20 << withoutTwoAndThree;
    QTest::newRow("a silent detector answers no request")
        << DeviceFaults{{5}, {}, {}} << 0x45 << Frames{};
    QTest::newRow("a silent detector tells no programmed address")
        << DeviceFaults{{2}, {}, {}} << 0x82 << Frames{};
    QTest::newRow("system information still comes")
        << DeviceFaults{{1}, {}, {}} << 0x60 << Frames{{0xFD, 0x81, 0x02, 23, 11, 0xFF}};
    QTest::newRow("another address keeps the flag")
        << DeviceFaults{{}, {{5, 0x1234}}, {}} << 0x45 << Frames{address(5, 0x92, 0x34), cv(5, 7)};
    QTest::newRow("the later address counts") << DeviceFaults{{}, {{1, 7}, {1, 0}}, {}} << 0x41
                                              << Frames{address(1, 0x00, 0x00), cv(1, 42)};
    QTest::newRow("another CV value") << DeviceFaults{{}, {}, {{24, 200}}} << 0x58
                                      << Frames{address(24, 0x00, 0xFF), cv(24, 200)};
}

void TestSimDevice::faultyUnitAnswers()
{
    QFETCH(DeviceFaults, faults);
    QFETCH(int, command);
    QFETCH(Frames, expected);
    SimDevice device = knownDevice();
    applyFaults(device, faults);
    QCOMPARE(device.answer(static_cast<std::uint8_t>(command)), expected);
}

// The starting state without --seed; end-to-end tests of the tester rely on it.
void TestSimDevice::seedOneState_data()
{
    QTest::addColumn<int>("detector");
    QTest::addColumn<int>("high");
    QTest::addColumn<int>("low");
    QTest::addColumn<int>("cv");

    const int state[kDetectorCount][3] = {
        {0x00, 0x1E, 227}, {0x30, 0x81, 175}, {0x00, 0xB3, 240}, {0x00, 0x00, 192},
        {0x00, 0x1F, 32},  {0xDA, 0x74, 45},  {0x00, 0xA4, 188}, {0x82, 0x8F, 199},
        {0x00, 0x00, 99},  {0x77, 0x77, 24},  {0x1B, 0x86, 243}, {0x0B, 0xF5, 152},
        {0x77, 0x77, 24},  {0x80, 0x00, 219}, {0xC7, 0x6D, 216}, {0x77, 0x77, 0},
        {0x81, 0x63, 79},  {0x49, 0x18, 188}, {0x3D, 0x5E, 150}, {0x1C, 0x84, 170},
        {0x00, 0xB8, 123}, {0x00, 0x00, 118}, {0x5A, 0x27, 253}, {0x00, 0xB9, 163}};
    for (int n = 1; n <= kDetectorCount; ++n) {
        const int *row = state[n - 1];
        QTest::addRow("detector %d", n) << n << row[0] << row[1] << row[2];
    }
}

void TestSimDevice::seedOneState()
{
    QFETCH(int, detector);
    QFETCH(int, high);
    QFETCH(int, low);
    QFETCH(int, cv);
    SimDevice device = SimDevice::fromSeed(1);
    QCOMPARE(
        device.answer(static_cast<std::uint8_t>(0x40 + detector)),
        (Frames{address(detector, static_cast<std::uint8_t>(high), static_cast<std::uint8_t>(low)),
                ::cv(detector, static_cast<std::uint8_t>(cv))}));
}

void TestSimDevice::seedOneSystemInfo()
{
    QCOMPARE(SimDevice::fromSeed(1).answer(0x60), (Frames{{0xFD, 0x54, 0x26, 0x1E, 0x15, 0xFF}}));
}

void TestSimDevice::sameSeedSameDevice_data()
{
    QTest::addColumn<quint64>("seed");
    for (const quint64 seed : {0ULL, 1ULL, 2ULL, 12345ULL, 0xFFFFFFFFFFFFFFFFULL})
        QTest::addRow("seed %llu", static_cast<unsigned long long>(seed)) << seed;
}

void TestSimDevice::sameSeedSameDevice()
{
    QFETCH(quint64, seed);
    SimDevice first = SimDevice::fromSeed(seed);
    SimDevice second = SimDevice::fromSeed(seed);
    for (int command = 0; command <= 0xFF; ++command) {
        const auto byte = static_cast<std::uint8_t>(command);
        QCOMPARE(first.answer(byte), second.answer(byte));
    }
}

void TestSimDevice::differentSeedsDiffer()
{
    SimDevice one = SimDevice::fromSeed(1);
    SimDevice two = SimDevice::fromSeed(2);
    QVERIFY(answerAll(one, {0x20}) != answerAll(two, {0x20}));
    QVERIFY(one.systemInfoReport() != two.systemInfoReport());
}

void TestSimDevice::seededStatesShowEveryKind()
{
    for (std::uint64_t seed = 0; seed < 500; ++seed) {
        const SimDevice device = SimDevice::fromSeed(seed);
        int free = 0;
        int unknown = 0;
        int flagged = 0;
        std::set<std::uint16_t> addresses;
        for (int n = 1; n <= kDetectorCount; ++n) {
            const Detector &d = device.detector(n);
            free += d.address == kFreeAddress;
            unknown += d.address == kUnknownAddress;
            flagged += d.marker;
            if (d.address != kFreeAddress && d.address != kUnknownAddress) {
                QVERIFY(d.address <= kMaxAddress);
                addresses.insert(d.address);
            }
        }
        QVERIFY2(free >= 2 && free <= 4, qPrintable(QString::number(seed)));
        QVERIFY2(unknown >= 2 && unknown <= 3, qPrintable(QString::number(seed)));
        QVERIFY2(flagged >= 3 && flagged <= 6, qPrintable(QString::number(seed)));
        QCOMPARE(static_cast<int>(addresses.size()), kDetectorCount - free - unknown);
    }
}

QTEST_GUILESS_MAIN(TestSimDevice)
#include "tst_simdevice.moc"
