#include "ptypair.h"
#include "serial/qtcommcomponent.h"
#include "settingsstore.h"

#include <QScopeGuard>
#include <QTest>

#include <functional>

#include <sys/resource.h>
#include <sys/stat.h>
#include <termios.h>

using namespace talvor;
using test::PtyPair;

using Operation = std::function<CommStatus(QtCommComponent &)>;
Q_DECLARE_METATYPE(Operation)

namespace {

constexpr int kPort = 7;

template <typename T> CommStatus failureOf(const CommResult<T> &result) {
    return result.ok() ? CommStatus() : CommStatus(result.error());
}

// Points port `port` at the slave of `pty` and opens it there.
CommStatus openOn(QtCommComponent &component, const PtyPair &pty, int handshake = 0,
                  int port = kPort) {
    test::setPortDevice(port, pty.slavePath());
    if (const CommStatus failed = component.setHandshaking(handshake))
        return failed;
    component.setCommPort(port);
    return component.setPortOpen(true);
}

// Runs the event loop, as it runs between two ticks, until `count` bytes wait in the component.
bool waitForInput(const QtCommComponent &component, qint64 count) {
    return QTest::qWaitFor([&] {
        const CommResult<qint64> waiting = component.inBufferCount();
        return waiting.ok() && waiting.value() >= count;
    });
}

qint64 cpuTimeMs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval &t) {
        return qint64(t.tv_sec) * 1000 + t.tv_usec / 1000;
    };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

QByteArray allByteValues() {
    QByteArray bytes;
    for (int value = 0; value < 256; ++value)
        bytes.append(char(value));
    return bytes;
}

} // namespace

class TestQtCommComponent : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { test::isolateSettings(m_configHome); }
    void opensAndCloses();
    void lineSettings_data();
    void lineSettings();
    void bytesPassUnchanged_data();
    void bytesPassUnchanged();
    void laterBytesComeWithNextRead();
    void longBurstArrivesInOrder();
    void invalidPortNumber_data();
    void invalidPortNumber();
    void missingDevice_data();
    void missingDevice();
    void permissionDenied();
    void busyDevice();
    void openTwice();
    void closedPortOperations_data();
    void closedPortOperations();
    void deviceLostClosesPort();
    void deviceLostKeepsReceivedBytes();
    void deviceLostDoesNotSpin();
    void reopenAfterLossStartsClean();
    void modemLinesOnPty();

private:
    QTemporaryDir m_configHome;
};

void TestQtCommComponent::opensAndCloses() {
    PtyPair pty;
    QtCommComponent component;
    QCOMPARE(component.portOpen().value(), false);

    QCOMPARE(openOn(component, pty), CommStatus());
    QCOMPARE(component.portOpen().value(), true);
    QCOMPARE(component.setPortOpen(false), CommStatus());
    QCOMPARE(component.portOpen().value(), false);

    // Closing released the device: it opens again.
    QCOMPARE(component.setPortOpen(true), CommStatus());
    QCOMPARE(component.portOpen().value(), true);
}

void TestQtCommComponent::lineSettings_data() {
    QTest::addColumn<int>("handshake");
    QTest::addColumn<CommStatus>("result");
    QTest::addColumn<bool>("rtsCts");

    const CommError invalid{11, {}};
    QTest::newRow("none") << 0 << CommStatus() << false;
    QTest::newRow("RTS/CTS") << 2 << CommStatus() << true;
    // A refused value leaves the RTS/CTS choice set before it.
    QTest::newRow("XON/XOFF refused") << 1 << CommStatus(invalid) << true;
    QTest::newRow("3 refused") << 3 << CommStatus(invalid) << true;
    QTest::newRow("-1 refused") << -1 << CommStatus(invalid) << true;
}

void TestQtCommComponent::lineSettings() {
    QFETCH(int, handshake);
    QFETCH(CommStatus, result);
    QFETCH(bool, rtsCts);

    PtyPair pty;
    QtCommComponent component;
    QCOMPARE(component.setHandshaking(CommComponent::RtsCts), CommStatus());
    const CommStatus set = component.setHandshaking(handshake);
    QCOMPARE(set.has_value(), result.has_value());
    if (set)
        QCOMPARE(set->number, result->number);
    QCOMPARE(openOn(component, pty, set ? CommComponent::RtsCts : handshake), CommStatus());

    termios tio{};
    QCOMPARE(tcgetattr(pty.slaveFd(), &tio), 0);
    QCOMPARE(cfgetispeed(&tio), speed_t(B19200));
    QCOMPARE(cfgetospeed(&tio), speed_t(B19200));
    QCOMPARE(tio.c_cflag & CSIZE, tcflag_t(CS8));
    QCOMPARE(tio.c_cflag & PARENB, tcflag_t(0));
    QCOMPARE(tio.c_cflag & CSTOPB, tcflag_t(0));
    QCOMPARE((tio.c_cflag & CRTSCTS) != 0, rtsCts);
}

void TestQtCommComponent::bytesPassUnchanged_data() {
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("00") << QByteArray(1, '\x00');
    QTest::newRow("80") << QByteArray(1, '\x80');
    QTest::newRow("FF") << QByteArray(1, '\xFF');
    QTest::newRow("address report") << QByteArray::fromHex("FC0512 34FF");
    QTest::newRow("all 256 values") << allByteValues();
}

void TestQtCommComponent::bytesPassUnchanged() {
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

void TestQtCommComponent::laterBytesComeWithNextRead() {
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

void TestQtCommComponent::longBurstArrivesInOrder() {
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

void TestQtCommComponent::invalidPortNumber_data() {
    QTest::addColumn<int>("port");

    QTest::newRow("0, no entry chosen") << 0;
    QTest::newRow("256") << 256;
    QTest::newRow("-1") << -1;
}

void TestQtCommComponent::invalidPortNumber() {
    QFETCH(int, port);

    QtCommComponent component;
    QCOMPARE(component.setCommPort(port), CommStatus());
    const CommStatus failed = component.setPortOpen(true);
    QVERIFY(failed);
    QCOMPARE(failed->number, 1);
    QVERIFY2(failed->description.contains(QString::number(port)), qPrintable(failed->description));
    QCOMPARE(component.portOpen().value(), false);
}

void TestQtCommComponent::missingDevice_data() {
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("configured"); // null: no entry, so /dev/ttyS<port-1>
    QTest::addColumn<QString>("device");

    const QString gone = m_configHome.filePath(QStringLiteral("ttyUSB9"));
    QTest::newRow("configured adapter unplugged") << 9 << gone << gone;
    QTest::newRow("default path") << 200 << QString() << "/dev/ttyS199";
}

void TestQtCommComponent::missingDevice() {
    QFETCH(int, port);
    QFETCH(QString, configured);
    QFETCH(QString, device);

    test::setPortDevice(port, configured);
    QtCommComponent component;
    component.setCommPort(port);
    const CommStatus failed = component.setPortOpen(true);
    QVERIFY(failed);
    QCOMPARE(failed->number, 2);
    QVERIFY2(failed->description.contains(device), qPrintable(failed->description));
    QVERIFY2(failed->description.contains(QStringLiteral("COM %1").arg(port)),
             qPrintable(failed->description));
    QCOMPARE(component.portOpen().value(), false);
}

void TestQtCommComponent::permissionDenied() {
    PtyPair pty;
    const QByteArray path = pty.slavePath().toLocal8Bit();
    QCOMPARE(chmod(path.constData(), 0), 0);
    const auto restoreMode = qScopeGuard([&] { chmod(path.constData(), 0620); });

    // Root opens any device, so the open runs as nobody; the saved user id brings root back.
    const bool root = geteuid() == 0;
    if (root)
        QCOMPARE(setresuid(65534, 65534, 0), 0);
    const auto restoreUser = qScopeGuard([&] {
        if (root)
            setresuid(0, 0, 0);
    });

    QtCommComponent component;
    const CommStatus failed = openOn(component, pty);
    QVERIFY(failed);
    QCOMPARE(failed->number, 3);
    QVERIFY2(failed->description.contains(pty.slavePath()), qPrintable(failed->description));
    QVERIFY2(failed->description.contains(QStringLiteral("dialout")),
             qPrintable(failed->description));
    QCOMPARE(component.portOpen().value(), false);
}

void TestQtCommComponent::busyDevice() {
    PtyPair pty;
    QtCommComponent first;
    QtCommComponent second;
    QCOMPARE(openOn(first, pty), CommStatus());

    const CommStatus failed = openOn(second, pty);
    QVERIFY(failed);
    QCOMPARE(failed->number, 4);
    QVERIFY2(failed->description.contains(pty.slavePath()), qPrintable(failed->description));
    QCOMPARE(second.portOpen().value(), false);
    QCOMPARE(first.portOpen().value(), true);

    QCOMPARE(first.setPortOpen(false), CommStatus());
    QCOMPARE(second.setPortOpen(true), CommStatus());
}

void TestQtCommComponent::openTwice() {
    PtyPair pty;
    QtCommComponent component;
    QCOMPARE(openOn(component, pty), CommStatus());

    const CommStatus failed = component.setPortOpen(true);
    QVERIFY(failed);
    QCOMPARE(failed->number, 5);
    QCOMPARE(component.portOpen().value(), true);
    QCOMPARE(component.output("A"), CommStatus());
    QCOMPARE(pty.readMaster(1), QByteArray("A"));
}

void TestQtCommComponent::closedPortOperations_data() {
    QTest::addColumn<Operation>("operation");

    QTest::newRow("Input") << Operation([](QtCommComponent &c) { return failureOf(c.input()); });
    QTest::newRow("Output") << Operation([](QtCommComponent &c) { return c.output("\x41"); });
    QTest::newRow("InBufferCount")
        << Operation([](QtCommComponent &c) { return failureOf(c.inBufferCount()); });
    QTest::newRow("RTSEnable") << Operation(
        [](QtCommComponent &c) { return failureOf(c.rtsEnable()); });
    QTest::newRow("CTSHolding") << Operation(
        [](QtCommComponent &c) { return failureOf(c.ctsHolding()); });
}

void TestQtCommComponent::closedPortOperations() {
    QFETCH(Operation, operation);

    PtyPair pty;
    QtCommComponent component;
    QCOMPARE(openOn(component, pty), CommStatus());
    QVERIFY(pty.writeMaster("unread"));
    QVERIFY(waitForInput(component, 6));
    QCOMPARE(component.setPortOpen(false), CommStatus());

    const CommStatus failed = operation(component);
    QVERIFY(failed);
    QCOMPARE(failed->number, 6);
    QVERIFY2(failed->description.contains(pty.slavePath()), qPrintable(failed->description));
    QCOMPARE(component.takeDeviceLost(), std::nullopt);
}

void TestQtCommComponent::deviceLostClosesPort() {
    PtyPair pty;
    QtCommComponent component;
    QCOMPARE(openOn(component, pty), CommStatus());

    pty.closeMaster();
    QTest::qWait(100); // two ticks at most
    QCOMPARE(component.portOpen().value(), false);

    const std::optional<CommError> lost = component.takeDeviceLost();
    QVERIFY(lost);
    QCOMPARE(lost->number, 9);
    QVERIFY2(lost->description.contains(pty.slavePath()), qPrintable(lost->description));
    QCOMPARE(component.takeDeviceLost(), std::nullopt);
    QCOMPARE(component.input().error().number, 6);
}

void TestQtCommComponent::deviceLostKeepsReceivedBytes() {
    PtyPair pty;
    QtCommComponent component;
    QCOMPARE(openOn(component, pty), CommStatus());
    const QByteArray report = QByteArray::fromHex("FC0512 34FF");
    QVERIFY(pty.writeMaster(report));
    QVERIFY(waitForInput(component, report.size()));

    pty.closeMaster();
    QTest::qWait(100);
    QCOMPARE(component.portOpen().value(), false);
    QCOMPARE(component.inBufferCount().value(), report.size());
    QCOMPARE(component.input().value(), report);
    QCOMPARE(component.input().error().number, 6);
}

void TestQtCommComponent::deviceLostDoesNotSpin() {
    PtyPair pty;
    QtCommComponent component;
    QCOMPARE(openOn(component, pty), CommStatus());

    // A port left open on a dead pseudo-terminal keeps the event loop busy all the time.
    const qint64 before = cpuTimeMs();
    pty.closeMaster();
    QTest::qWait(500);
    const qint64 used = cpuTimeMs() - before;
    QVERIFY2(used < 150, qPrintable(QStringLiteral("%1 ms of CPU in 500 ms").arg(used)));
    QVERIFY(component.takeDeviceLost());
}

void TestQtCommComponent::reopenAfterLossStartsClean() {
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

void TestQtCommComponent::modemLinesOnPty() {
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
        QCOMPARE(rts.error().number, 7);
        QCOMPARE(cts.error().number, 7);
        QVERIFY2(rts.error().description.contains(pty.slavePath()),
                 qPrintable(rts.error().description));
        QTest::qWait(5);
    }
    QCOMPARE(component.portOpen().value(), true);
    QCOMPARE(component.takeDeviceLost(), std::nullopt);

    QVERIFY(pty.writeMaster("\x42"));
    QVERIFY(waitForInput(component, 1));
    QCOMPARE(component.input().value(), QByteArray("\x42"));
}

QTEST_GUILESS_MAIN(TestQtCommComponent)
#include "tst_qtcommcomponent.moc"
