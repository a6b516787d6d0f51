// SPDX-License-Identifier: GPL-3.0-or-later
#include "commtesting.h"

#include <QDir>
#include <QScopeGuard>

#include <functional>

#include <sys/stat.h>
#include <termios.h>

using namespace talvor;
using namespace talvor::test;

using Operation = std::function<CommStatus(QtCommComponent &)>;
Q_DECLARE_METATYPE(Operation)

// Opening and closing, the line settings, and the failures of open and of a closed port.
class TestQtCommComponent : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void opensAndCloses();
    void lineSettings_data();
    void lineSettings();
    void invalidPortNumber_data();
    void invalidPortNumber();
    void deviceNotOpened_data();
    void deviceNotOpened();
    void permissionDenied();
    void busyDevice();
    void openTwice();
    void closedPortOperations_data();
    void closedPortOperations();

private:
    QString linkOfLength(const QString &target, int length) const;

    QTemporaryDir m_links;
    PtyPair m_device;
};

void TestQtCommComponent::initTestCase()
{
    // The links of the long paths lie in a folder that any user may enter.
    QVERIFY(QFile::setPermissions(
        m_links.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                            QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther));
}

// A link to `target` whose path has exactly `length` bytes.
QString TestQtCommComponent::linkOfLength(const QString &target, int length) const
{
    QString path = m_links.filePath(QStringLiteral("long%1").arg(length));
    while (length - path.size() > 120)
        path += QLatin1Char('/') + QString(100, QLatin1Char('d'));
    if (!QDir().mkpath(path))
        return {};
    path += QLatin1Char('/') + QString(length - path.size() - 1, QLatin1Char('l'));
    return QFile::link(target, path) ? path : QString();
}

void TestQtCommComponent::opensAndCloses()
{
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

void TestQtCommComponent::lineSettings_data()
{
    QTest::addColumn<int>("handshake");
    QTest::addColumn<int>("failure"); // 0: accepted
    QTest::addColumn<bool>("rtsCts");

    QTest::newRow("none") << 0 << 0 << false;
    QTest::newRow("RTS/CTS") << 2 << 0 << true;
    // A refused value leaves the RTS/CTS choice set before it.
    QTest::newRow("XON/XOFF refused") << 1 << 11 << true;
    QTest::newRow("3 refused") << 3 << 11 << true;
    QTest::newRow("-1 refused") << -1 << 11 << true;
}

void TestQtCommComponent::lineSettings()
{
    QFETCH(int, handshake);
    QFETCH(int, failure);
    QFETCH(bool, rtsCts);

    PtyPair pty;
    QtCommComponent component;
    QCOMPARE(component.setHandshaking(CommComponent::RtsCts), CommStatus());
    const CommStatus set = component.setHandshaking(handshake);
    QCOMPARE(codeOf(set), failure);
    QCOMPARE(openOn(component, pty), CommStatus());

    termios tio{};
    QCOMPARE(tcgetattr(pty.slaveFd(), &tio), 0);
    QCOMPARE(cfgetispeed(&tio), speed_t(B19200));
    QCOMPARE(cfgetospeed(&tio), speed_t(B19200));
    QCOMPARE(tio.c_cflag & CSIZE, tcflag_t(CS8));
    QCOMPARE(tio.c_cflag & PARENB, tcflag_t(0));
    QCOMPARE(tio.c_cflag & CSTOPB, tcflag_t(0));
    QCOMPARE((tio.c_cflag & CRTSCTS) != 0, rtsCts);
}

void TestQtCommComponent::invalidPortNumber_data()
{
    QTest::addColumn<int>("port");

    QTest::newRow("0, no entry chosen") << 0;
    QTest::newRow("256") << 256;
    QTest::newRow("-1") << -1;
}

void TestQtCommComponent::invalidPortNumber()
{
    QFETCH(int, port);

    QtCommComponent component;
    QCOMPARE(component.setCommPort(port), CommStatus());
    const CommStatus failed = component.setPortOpen(true);
    QVERIFY(failed);
    QCOMPARE(codeOf(failed), 1);
    QCOMPARE(component.portOpen().value(), false);
}

void TestQtCommComponent::deviceNotOpened_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<int>("failure"); // 0: opens

    QTest::newRow("adapter unplugged") << m_links.filePath(QStringLiteral("ttyUSB9")) << 2;
    QTest::newRow("port without hardware") << "/dev/ttyS199" << 2;
    // QSerialPort names its lock file "LCK.." and the path: one byte more than a file name holds.
    QTest::newRow("path too long to lock") << linkOfLength(m_device.slavePath(), 251) << 12;
    QTest::newRow("longest path") << linkOfLength(m_device.slavePath(), 250) << 0;
}

void TestQtCommComponent::deviceNotOpened()
{
    QFETCH(QString, device);
    QFETCH(int, failure);

    QtCommComponent component;
    component.setDevice(device);
    const CommStatus failed = component.setPortOpen(true);
    QCOMPARE(codeOf(failed), failure);
    QCOMPARE(component.portOpen().value(), !failed);
}

void TestQtCommComponent::permissionDenied()
{
    PtyPair pty;
    const QByteArray path = pty.slavePath().toLocal8Bit();
    QCOMPARE(chmod(path.constData(), 0), 0);
    const auto restoreMode = qScopeGuard([&] { chmod(path.constData(), 0620); });

    // Root opens any device, so the open runs as nobody; the saved user id brings root back.
    const bool root = geteuid() == 0;
    if (root)
        QCOMPARE(setresuid(65534, 65534, 0), 0);
    const auto restoreUser = qScopeGuard([&] {
        // The tests after this one would run as nobody.
        if (root && setresuid(0, 0, 0) != 0)
            qFatal("cannot take the root user id back");
    });

    QtCommComponent component;
    const CommStatus failed = openOn(component, pty);
    QVERIFY(failed);
    QCOMPARE(codeOf(failed), 3);
    QCOMPARE(component.portOpen().value(), false);
}

void TestQtCommComponent::busyDevice()
{
    PtyPair pty;
    QtCommComponent first;
    QtCommComponent second;
    QCOMPARE(openOn(first, pty), CommStatus());

    const CommStatus failed = openOn(second, pty);
    QVERIFY(failed);
    QCOMPARE(codeOf(failed), 4);
    QCOMPARE(second.portOpen().value(), false);
    QCOMPARE(first.portOpen().value(), true);

    QCOMPARE(first.setPortOpen(false), CommStatus());
    QCOMPARE(second.setPortOpen(true), CommStatus());
}

void TestQtCommComponent::openTwice()
{
    PtyPair pty;
    QtCommComponent component;
    QCOMPARE(openOn(component, pty), CommStatus());

    const CommStatus failed = component.setPortOpen(true);
    QVERIFY(failed);
    QCOMPARE(codeOf(failed), 5);
    QCOMPARE(component.portOpen().value(), true);
    QCOMPARE(component.output("A"), CommStatus());
    QCOMPARE(pty.readMaster(1), QByteArray("A"));
}

void TestQtCommComponent::closedPortOperations_data()
{
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

void TestQtCommComponent::closedPortOperations()
{
    QFETCH(Operation, operation);

    PtyPair pty;
    QtCommComponent component;
    QCOMPARE(openOn(component, pty), CommStatus());
    QVERIFY(pty.writeMaster("unread"));
    QVERIFY(waitForInput(component, 6));
    QCOMPARE(component.setPortOpen(false), CommStatus());

    const CommStatus failed = operation(component);
    QVERIFY(failed);
    QCOMPARE(codeOf(failed), 6);
    QCOMPARE(component.takeDeviceLost(), std::nullopt);
}

QTEST_GUILESS_MAIN(TestQtCommComponent)
#include "tst_qtcommcomponent.moc"
