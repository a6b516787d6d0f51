// SPDX-License-Identifier: GPL-3.0-or-later
#include "peer.h"
#include "serialdevices.h"

#include <QTest>
#include <QtEndian>

#include <functional>

using namespace talvor;

class TestWin32CommComponent : public QObject {
    Q_OBJECT

private slots:
    void openFailures_data();
    void openFailures();
    void closedPort_data();
    void closedPort();
    void lineSettings_data();
    void lineSettings();
    void lineSetup_data();
    void lineSetup();
    void bytesBothWays_data();
    void bytesBothWays();
    void streamWithoutPauses_data();
    void streamWithoutPauses();
    void idlePortSleeps_data();
    void idlePortSleeps();
    void portListing();
    void cancelledRequestWaits_data();
    void cancelledRequestWaits();
    // Last: the peers hang up for good.
    void deviceLost_data();
    void deviceLost();
};

void TestWin32CommComponent::openFailures_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<bool>("openFirst");
    QTest::addColumn<int>("failure");

    QTest::newRow("port 0") << 0 << false << 1;
    QTest::newRow("port 256") << 256 << false << 1;
    QTest::newRow("no device behind COM255") << kMissingPort << false << 2;
    QTest::newRow("open already") << kPeerPort << true << 5;
}

void TestWin32CommComponent::openFailures()
{
    QFETCH(int, port);
    QFETCH(bool, openFirst);
    QFETCH(int, failure);

    Win32CommComponent comm;
    if (openFirst)
        QCOMPARE(openPeer(comm), CommStatus());
    comm.setCommPort(port);
    comm.setDevice(QStringLiteral("COM%1").arg(port));
    const CommStatus failed = comm.setPortOpen(true);
    QVERIFY(failed);
    QVERIFY2(int(failed->code) == failure, qPrintable(failed->detail));
    QCOMPARE(comm.portOpen().value(), openFirst);
}

void TestWin32CommComponent::closedPort_data()
{
    QTest::addColumn<int>("operation");

    QTest::newRow("count") << 0;
    QTest::newRow("input") << 1;
    QTest::newRow("output") << 2;
    QTest::newRow("CTS") << 3;
}

void TestWin32CommComponent::closedPort()
{
    QFETCH(int, operation);

    Win32CommComponent comm;
    QCOMPARE(openPeer(comm), CommStatus());
    QCOMPARE(comm.setPortOpen(false), CommStatus());
    const auto failure = [&]() -> int {
        switch (operation) {
        case 0:
            return failureNumber(comm.inBufferCount());
        case 1:
            return failureNumber(comm.input());
        case 2:
            return failureNumber(comm.output("\x60"));
        default:
            return failureNumber(comm.ctsHolding());
        }
    }();
    QCOMPARE(failure, 6);
}

void TestWin32CommComponent::lineSettings_data()
{
    QTest::addColumn<int>("handshake");
    QTest::addColumn<QByteArray>("settings");

    QTest::newRow("none") << int(CommComponent::NoHandshake) << QByteArray("19200 8N1 -\n");
    QTest::newRow("RTS/CTS") << int(CommComponent::RtsCts) << QByteArray("19200 8N1 RTS/CTS\n");
}

// What the peer's terminal was set to.
void TestWin32CommComponent::lineSettings()
{
    QFETCH(int, handshake);
    QFETCH(QByteArray, settings);

    Win32CommComponent comm;
    QCOMPARE(openPeer(comm, handshake), CommStatus());
    QCOMPARE(comm.output(kReportSettings), CommStatus());
    QCOMPARE(receive(comm, settings.size()), settings);
}

void TestWin32CommComponent::lineSetup_data()
{
    QTest::addColumn<int>("handshake");
    QTest::addColumn<std::function<quint64(const Win32LineSetup &)>>("field");
    QTest::addColumn<quint64>("expected");

    using Field = std::function<quint64(const Win32LineSetup &)>;
    const int none = CommComponent::NoHandshake;
    const int rtsCts = CommComponent::RtsCts;
    const auto row = [](const char *name, int handshake, Field field, quint64 expected) {
        QTest::newRow(name) << handshake << field << expected;
    };
    row(
        "baud", none, [](auto &s) { return s.dcb.BaudRate; }, 19200);
    row(
        "8 bits", none, [](auto &s) { return s.dcb.ByteSize; }, 8);
    row(
        "no parity", none, [](auto &s) { return s.dcb.Parity; }, NOPARITY);
    row(
        "1 stop bit", none, [](auto &s) { return s.dcb.StopBits; }, ONESTOPBIT);
    row(
        "no CTS flow", none, [](auto &s) { return s.dcb.fOutxCtsFlow; }, 0);
    row(
        "CTS flow", rtsCts, [](auto &s) { return s.dcb.fOutxCtsFlow; }, 1);
    row(
        "RTS on", none, [](auto &s) { return s.dcb.fRtsControl; }, RTS_CONTROL_ENABLE);
    row(
        "no XON/XOFF out", none, [](auto &s) { return s.dcb.fOutX; }, 0);
    row(
        "no XON/XOFF in", none, [](auto &s) { return s.dcb.fInX; }, 0);
    row(
        "XON", none, [](auto &s) { return s.dcb.XonChar; }, 0x11);
    row(
        "XOFF", none, [](auto &s) { return s.dcb.XoffChar; }, 0x13);
    row(
        "no error char", none, [](auto &s) { return s.dcb.fErrorChar; }, 0);
    row(
        "no NUL stripping", none, [](auto &s) { return s.dcb.fNull; }, 0);
    row(
        "read returns at once", none, [](auto &s) { return s.timeouts.ReadIntervalTimeout; },
        MAXDWORD);
    row(
        "no read multiplier", none, [](auto &s) { return s.timeouts.ReadTotalTimeoutMultiplier; },
        0);
    row(
        "no read constant", none, [](auto &s) { return s.timeouts.ReadTotalTimeoutConstant; }, 0);
    row(
        "write time per byte", none, [](auto &s) { return s.timeouts.WriteTotalTimeoutMultiplier; },
        1);
    row(
        "write time", none, [](auto &s) { return s.timeouts.WriteTotalTimeoutConstant; }, 50);
}

// The settings as GetCommState and GetCommTimeouts give them back after the open.
void TestWin32CommComponent::lineSetup()
{
    QFETCH(int, handshake);
    QFETCH(std::function<quint64(const Win32LineSetup &)>, field);
    QFETCH(quint64, expected);

    Win32CommComponent comm;
    QCOMPARE(openPeer(comm, handshake), CommStatus());
    QCOMPARE(field(comm.diagnostics().lineSetup()), expected);
}

void TestWin32CommComponent::bytesBothWays_data()
{
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("00 80 FF") << QByteArray::fromHex("0080ff");
    QByteArray every;
    for (int value = 0; value < 256; ++value)
        every.append(char(value >= 4 && value <= 7 ? 0 : value));
    QTest::newRow("every value but the peer's own") << every;
    QTest::newRow("several reads' worth") << every.repeated(4);
}

void TestWin32CommComponent::bytesBothWays()
{
    QFETCH(QByteArray, bytes);

    Win32CommComponent comm;
    QCOMPARE(openPeer(comm), CommStatus());
    QCOMPARE(comm.output(bytes), CommStatus());
    const QList<QByteArray> chunks =
        receiveChunks(comm, [&](const QByteArray &all) { return all.size() >= bytes.size(); });
    QCOMPARE(chunks.join().toHex(' '), bytes.toHex(' '));
}

void TestWin32CommComponent::streamWithoutPauses_data()
{
    QTest::addColumn<int>("handshake");

    QTest::newRow("none") << int(CommComponent::NoHandshake);
    QTest::newRow("RTS/CTS") << int(CommComponent::RtsCts);
}

// Bytes that come without a pause reach input() while they keep coming, in reads no larger than
// the cap, each once and in order.
void TestWin32CommComponent::streamWithoutPauses()
{
    QFETCH(int, handshake);

    Win32CommComponent comm;
    QCOMPARE(openPeer(comm, handshake), CommStatus());
    QCOMPARE(comm.output(kStartStream), CommStatus());
    // Two seconds' worth, taken while the peer goes on, since it stops only when told to.
    const QList<QByteArray> streaming =
        receiveChunks(comm, [](const QByteArray &all) { return all.size() >= 3840; });
    const QByteArray first = streaming.value(0);
    QVERIFY(!first.isEmpty());
    QCOMPARE(comm.output(kStopStream), CommStatus());
    const QList<QByteArray> rest = receiveChunks(comm, [](const QByteArray &all) {
        const qsizetype end = all.indexOf('\xff');
        return end >= 0 && all.size() >= end + 5;
    });
    const QByteArray all = streaming.join() + rest.join();
    const qsizetype end = all.indexOf('\xff');
    QVERIFY(end > 0);
    const quint32 streamed = qFromBigEndian<quint32>(all.constData() + end + 1);
    QCOMPARE(end, qsizetype(streamed));
    QByteArray expected;
    for (quint32 i = 0; i < streamed; ++i)
        expected.append(char(i % 250));
    QCOMPARE(all.left(end).toHex(' '), expected.toHex(' '));
    QVERIFY(comm.diagnostics().counters().largestRead <= Win32CommComponent::kReadChunk);
    qInfo("stream: %u bytes, first input() %lld bytes, %lld reads, largest %lld, %lld wake-ups",
          streamed, qint64(first.size()), comm.diagnostics().counters().reads,
          comm.diagnostics().counters().largestRead, comm.diagnostics().counters().wakeUps);
}

void TestWin32CommComponent::idlePortSleeps_data()
{
    QTest::addColumn<int>("handshake");

    QTest::newRow("none") << int(CommComponent::NoHandshake);
    QTest::newRow("RTS/CTS") << int(CommComponent::RtsCts);
}

// A connected port on which nothing comes reads nothing, and the window's thread wakes at most
// a few times for it beside the poll's ticks (run here as the window does, every 50 ms).
void TestWin32CommComponent::idlePortSleeps()
{
    QFETCH(int, handshake);

    Win32CommComponent comm;
    QCOMPARE(openPeer(comm, handshake), CommStatus());
    for (int tick = 0; tick < 20; ++tick) {
        QCOMPARE(comm.inBufferCount().value(), 0);
        QTest::qWait(50);
    }
    QCOMPARE(comm.diagnostics().counters().reads, 0);
    QVERIFY(comm.diagnostics().counters().wakeUps <= Win32CommComponent::kEmptyWakeUps);
    qInfo("idle for 20 ticks: %lld wake-ups", comm.diagnostics().counters().wakeUps);
}

// Wine names its ports under HARDWARE\DEVICEMAP\SERIALCOMM only, as some virtual ports do.
void TestWin32CommComponent::portListing()
{
    QStringList paths;
    for (const SerialDevice &device : systemSerialDevices())
        paths.append(device.path);
    for (int port = 1; port <= kPeerPorts; ++port)
        QVERIFY2(paths.contains(QStringLiteral("COM%1").arg(port)), qPrintable(paths.join(' ')));
    QVERIFY(!paths.contains(QStringLiteral("COM%1").arg(kMissingPort)));
}

void TestWin32CommComponent::cancelledRequestWaits_data()
{
    QTest::addColumn<bool>("pending");
    QTest::addColumn<bool>("ends");
    QTest::addColumn<bool>("settled");

    QTest::newRow("none under way") << false << false << true;
    QTest::newRow("one that ended") << true << true << true;
    QTest::newRow("one that never ends") << true << false << false;
}

// The wait for cancelled requests returns when they have ended, and also when one never does:
// then the caller must keep the memory.
void TestWin32CommComponent::cancelledRequestWaits()
{
    QFETCH(bool, pending);
    QFETCH(bool, ends);
    QFETCH(bool, settled);

    Win32PortIo io;
    io.read.start();
    io.read.pending = pending;
    if (ends)
        SetEvent(io.read.event);
    QCOMPARE(io.settle(100), settled);
    QCOMPARE(io.read.pending, !settled);
}

void TestWin32CommComponent::deviceLost_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<std::function<int(Win32CommComponent &)>>("query");

    using Query = std::function<int(Win32CommComponent &)>;
    QTest::newRow("count") << 2 << Query([](auto &c) { return failureNumber(c.inBufferCount()); });
    QTest::newRow("CTS") << 3 << Query([](auto &c) { return failureNumber(c.ctsHolding()); });
    QTest::newRow("RTS") << 4 << Query([](auto &c) { return failureNumber(c.rtsEnable()); });
    QTest::newRow("send") << 5 << Query([](auto &c) {
        // A write that the hang-up cuts off is refused (8); the next one finds the loss.
        const int failure = failureNumber(c.output("\x60"));
        return failure == 8 ? 0 : failure;
    });
    // As the window's ticks do: the event loop runs between two polls, and the loss may be
    // found there; the test then takes it from the component.
    QTest::newRow("ticks") << 6 << Query([](auto &c) {
        QTest::qWait(50);
        return c.portOpen().value() ? failureNumber(c.inBufferCount()) : 9;
    });
}

// After the hang-up the query gives 9 without the event loop running, and the port is closed;
// the bytes that came before stay readable, once.
void TestWin32CommComponent::deviceLost()
{
    QFETCH(int, port);
    QFETCH(std::function<int(Win32CommComponent &)>, query);

    Win32CommComponent comm;
    QCOMPARE(openPeer(comm, CommComponent::NoHandshake, port), CommStatus());
    const QByteArray last = QByteArray::fromHex("fc05001fff");
    QCOMPARE(comm.output(last), CommStatus());
    QCOMPARE(firstLoss([&] {
                 const CommResult<qint64> count = comm.inBufferCount();
                 return count.ok() && count.value() >= last.size() ? 1 : 0;
             }),
             1);
    // A live pseudo-terminal has no modem lines: that is no loss.
    const CommResult<bool> cts = comm.ctsHolding();
    QVERIFY2(failureNumber(cts) == 7, cts.ok() ? "CTS read" : qPrintable(cts.error().detail));
    QVERIFY(comm.portOpen().value());
    qInfo("%s", qPrintable(cts.error().detail));
    QCOMPARE(comm.output(kHangUp), CommStatus());
    QCOMPARE(firstLoss([&] { return query(comm); }), 9);
    QCOMPARE(comm.portOpen().value(), false);

    const std::optional<CommError> lost = comm.takeDeviceLost();
    QVERIFY(lost);
    QCOMPARE(int(lost->code), 9);
    QVERIFY2(lost->detail.startsWith(QStringLiteral("Windows-Fehler")), qPrintable(lost->detail));
    QCOMPARE(comm.takeDeviceLost(), std::nullopt);
    QCOMPARE(comm.inBufferCount().value(), last.size());
    QCOMPARE(comm.input().value().toHex(' '), last.toHex(' '));
    QCOMPARE(failureNumber(comm.input()), 6);
}

QTEST_GUILESS_MAIN(TestWin32CommComponent)
#include "tst_win32commcomponent.moc"
