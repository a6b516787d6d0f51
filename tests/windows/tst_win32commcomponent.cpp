// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32commcomponent.h"

#include <QTest>

using namespace talvor;

// Runs under Wine against echopeer.py: COM 1 is the peer's pseudo-terminal, which sends back
// what it receives; COM 255 has no device.
constexpr int kPeerPort = 1;
constexpr int kMissingPort = 255;

namespace {

template <typename T> int failureNumber(const CommResult<T> &result)
{
    return result.ok() ? 0 : int(result.error().code);
}

// Runs the event loop, as between two ticks, until `count` bytes wait; then takes them all.
QByteArray receive(Win32CommComponent &comm, qint64 count)
{
    const bool came = QTest::qWaitFor([&] {
        const CommResult<qint64> waiting = comm.inBufferCount();
        return waiting.ok() && waiting.value() >= count;
    });
    const CommResult<QByteArray> bytes = comm.input();
    return came && bytes.ok() ? bytes.value() : QByteArray();
}

CommStatus openPeer(Win32CommComponent &comm, int handshake = CommComponent::NoHandshake)
{
    comm.setHandshaking(handshake);
    comm.setCommPort(kPeerPort);
    comm.setDevice(QStringLiteral("COM%1").arg(kPeerPort));
    return comm.setPortOpen(true);
}

} // namespace

class TestWin32CommComponent : public QObject {
    Q_OBJECT

private slots:
    void openFailures_data();
    void openFailures();
    void closedPort_data();
    void closedPort();
    void lineSettings_data();
    void lineSettings();
    void bytesBothWays_data();
    void bytesBothWays();
    // Last: the peer hangs up for good.
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
            return int(comm.output("\x60").value_or(CommError()).code);
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

void TestWin32CommComponent::lineSettings()
{
    QFETCH(int, handshake);
    QFETCH(QByteArray, settings);

    Win32CommComponent comm;
    QCOMPARE(openPeer(comm, handshake), CommStatus());
    QCOMPARE(comm.output("\x05"), CommStatus());
    QCOMPARE(receive(comm, settings.size()), settings);
}

void TestWin32CommComponent::bytesBothWays_data()
{
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("00 80 FF") << QByteArray::fromHex("0080ff");
    QByteArray every;
    for (int value = 0; value < 256; ++value)
        every.append(char(value == 4 || value == 5 ? 0 : value));
    QTest::newRow("every value but the peer's own") << every;
    QTest::newRow("several reads' worth") << every.repeated(4);
}

void TestWin32CommComponent::bytesBothWays()
{
    QFETCH(QByteArray, bytes);

    Win32CommComponent comm;
    QCOMPARE(openPeer(comm), CommStatus());
    QCOMPARE(comm.output(bytes), CommStatus());
    QByteArray received;
    while (received.size() < bytes.size()) {
        const QByteArray chunk = receive(comm, 1);
        if (chunk.isEmpty())
            break;
        received += chunk;
    }
    QCOMPARE(received.toHex(' '), bytes.toHex(' '));
}

void TestWin32CommComponent::deviceLost()
{
    Win32CommComponent comm;
    QCOMPARE(openPeer(comm), CommStatus());
    const QByteArray last = QByteArray::fromHex("fc05001fff04");
    QCOMPARE(comm.output(last), CommStatus());
    QVERIFY(QTest::qWaitFor([&] { return !comm.portOpen().value(); }, 5000));

    const std::optional<CommError> lost = comm.takeDeviceLost();
    QVERIFY(lost);
    QCOMPARE(int(lost->code), 9);
    QCOMPARE(comm.takeDeviceLost(), std::nullopt);
    // What the device sent before it went stays readable, once.
    QCOMPARE(comm.inBufferCount().value(), last.size());
    QCOMPARE(comm.input().value().toHex(' '), last.toHex(' '));
    QCOMPARE(failureNumber(comm.input()), 6);
}

QTEST_GUILESS_MAIN(TestWin32CommComponent)
#include "tst_win32commcomponent.moc"
