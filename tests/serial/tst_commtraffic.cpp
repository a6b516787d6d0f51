// SPDX-License-Identifier: GPL-3.0-or-later
#include "commtesting.h"

#include <sys/resource.h>

using namespace talvor;
using namespace talvor::test;

namespace {

qint64 cpuTimeMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval &t) {
        return qint64(t.tv_sec) * 1000 + t.tv_usec / 1000;
    };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

QByteArray allByteValues()
{
    QByteArray bytes;
    for (int value = 0; value < 256; ++value)
        bytes.append(char(value));
    return bytes;
}

} // namespace

// Bytes in both directions, the device vanishing, and the modem lines of a pseudo-terminal.
class TestCommTraffic : public QObject {
    Q_OBJECT

private slots:
    void bytesPassUnchanged_data();
    void bytesPassUnchanged();
    void laterBytesComeWithNextRead();
    void longBurstArrivesInOrder();
    void deviceLostClosesPort_data();
    void deviceLostClosesPort();
    void deviceLostKeepsReceivedBytes();
    void deviceLostDoesNotSpin();
    void reopenAfterLossStartsClean();
    void modemLinesOnPty();

private:
};

void TestCommTraffic::bytesPassUnchanged_data()
{
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("00") << QByteArray(1, '\x00');
    QTest::newRow("80") << QByteArray(1, '\x80');
    QTest::newRow("FF") << QByteArray(1, '\xFF');
    QTest::newRow("address report") << QByteArray::fromHex("FC0512 34FF");
    QTest::newRow("all 256 values") << allByteValues();
}

void TestCommTraffic::bytesPassUnchanged()
{
    QFETCH(QByteArray, bytes);

    PtyPair pty;
    QtCommComponent component;
    QCOMPARE(openOn(component, pty), CommStatus());

    QVERIFY(pty.writeMaster(bytes));
    QVERIFY(waitForInput(component, bytes.size()));
    QCOMPARE(component.inBufferCount().value(), bytes.size());
    QCOMPARE(component.input().value(), bytes);

    QCOMPARE(component.output(bytes), CommStatus());
    QCOMPARE(pty.readMaster(bytes.size()), bytes);
}

void TestCommTraffic::laterBytesComeWithNextRead()
{
    PtyPair pty;
    QtCommComponent component;
    QCOMPARE(openOn(component, pty), CommStatus());

    QVERIFY(pty.writeMaster(QByteArray::fromHex("FC01")));
    QVERIFY(waitForInput(component, 2));
    QCOMPARE(component.input().value(), QByteArray::fromHex("FC01"));
    QCOMPARE(component.inBufferCount().value(), 0);

    QVERIFY(pty.writeMaster(QByteArray::fromHex("AAAAFF")));
    QVERIFY(waitForInput(component, 3));
    QCOMPARE(component.input().value(), QByteArray::fromHex("AAAAFF"));
    QCOMPARE(component.input().value(), QByteArray());
}

void TestCommTraffic::longBurstArrivesInOrder()
{
    // Far more than one tick's 96 bytes, in pieces that the reads cut anywhere.
    PtyPair pty;
    QtCommComponent component;
    QCOMPARE(openOn(component, pty), CommStatus());

    QByteArray sent;
    for (int i = 0; i < 40; ++i)
        sent += allByteValues();
    QByteArray received;
    for (qsizetype offset = 0; offset < sent.size(); offset += 1000) {
        QVERIFY(pty.writeMaster(sent.mid(offset, 1000)));
        QTest::qWait(5);
        received += component.input().value();
    }
    QVERIFY(QTest::qWaitFor([&] {
        received += component.input().value();
        return received.size() >= sent.size();
    }));
    QCOMPARE(received, sent);
}

void TestCommTraffic::deviceLostClosesPort_data()
{
    QTest::addColumn<bool>("byWrite");

    QTest::newRow("found while reading") << false;
    // A write refused by a device that is still there keeps the port open; this one is gone.
    QTest::newRow("found by a write") << true;
}

void TestCommTraffic::deviceLostClosesPort()
{
    QFETCH(bool, byWrite);

    PtyPair pty;
    QtCommComponent component;
    QCOMPARE(openOn(component, pty), CommStatus());

    pty.closeMaster();
    if (byWrite)
        QCOMPARE(codeOf(component.output("\x60")), 9);
    QTRY_COMPARE(component.portOpen().value(), false);

    const std::optional<CommError> lost = component.takeDeviceLost();
    QVERIFY(lost);
    QCOMPARE(int(lost->code), 9);
    QCOMPARE(component.takeDeviceLost(), std::nullopt);
    QCOMPARE(int(component.input().error().code), 6);
}

void TestCommTraffic::deviceLostKeepsReceivedBytes()
{
    PtyPair pty;
    QtCommComponent component;
    QCOMPARE(openOn(component, pty), CommStatus());
    const QByteArray report = QByteArray::fromHex("FC0512 34FF");
    QVERIFY(pty.writeMaster(report));
    QVERIFY(waitForInput(component, report.size()));

    pty.closeMaster();
    QTRY_COMPARE(component.portOpen().value(), false);
    QCOMPARE(component.inBufferCount().value(), report.size());
    QCOMPARE(component.input().value(), report);
    QCOMPARE(int(component.input().error().code), 6);
}

void TestCommTraffic::deviceLostDoesNotSpin()
{
    PtyPair pty;
    QtCommComponent component;
    QCOMPARE(openOn(component, pty), CommStatus());

    // A port left open on a dead pseudo-terminal keeps the event loop busy all the time.
    const qint64 before = cpuTimeMs();
    pty.closeMaster();
    QTest::qWait(500);
    const qint64 used = cpuTimeMs() - before;
    QVERIFY2(used < 150, qPrintable(QStringLiteral("%1 ms of CPU in 500 ms").arg(used)));
    QTRY_COMPARE(component.portOpen().value(), false);
    QVERIFY(component.takeDeviceLost());
}

void TestCommTraffic::reopenAfterLossStartsClean()
{
    QtCommComponent component;
    {
        PtyPair pty;
        QCOMPARE(openOn(component, pty), CommStatus());
        QVERIFY(pty.writeMaster("old"));
        QVERIFY(waitForInput(component, 3));
        pty.closeMaster();
        QVERIFY(QTest::qWaitFor([&] { return !component.portOpen().value(); }));
    }

    PtyPair pty;
    QCOMPARE(openOn(component, pty), CommStatus());
    QCOMPARE(component.takeDeviceLost(), std::nullopt);
    QCOMPARE(component.inBufferCount().value(), 0);
    QVERIFY(pty.writeMaster("new"));
    QVERIFY(waitForInput(component, 3));
    QCOMPARE(component.input().value(), QByteArray("new"));
}

void TestCommTraffic::modemLinesOnPty()
{
    // A pseudo-terminal has no modem lines: each read fails on its own, tick after tick, and the
    // port goes on working.
    PtyPair pty;
    QtCommComponent component;
    QCOMPARE(openOn(component, pty), CommStatus());

    for (int tick = 0; tick < 10; ++tick) {
        const CommResult<bool> rts = component.rtsEnable();
        const CommResult<bool> cts = component.ctsHolding();
        QVERIFY(!rts.ok());
        QVERIFY(!cts.ok());
        QCOMPARE(int(rts.error().code), 7);
        QCOMPARE(int(cts.error().code), 7);
        QTest::qWait(5);
    }
    QCOMPARE(component.portOpen().value(), true);
    QCOMPARE(component.takeDeviceLost(), std::nullopt);

    QVERIFY(pty.writeMaster("\x42"));
    QVERIFY(waitForInput(component, 1));
    QCOMPARE(component.input().value(), QByteArray("\x42"));
}

QTEST_GUILESS_MAIN(TestCommTraffic)
#include "tst_commtraffic.moc"
