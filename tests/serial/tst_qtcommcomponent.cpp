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

    QTemporaryDir m_configHome;
    PtyPair m_device;
};

void TestQtCommComponent::initTestCase()
{
    // permissionDenied opens the device as user nobody, who must still read the port's entry:
    // this test keeps its settings in a folder that anybody may enter, wherever the build lies.
    qputenv("XDG_CONFIG_HOME", m_configHome.path().toLocal8Bit());
    const QString settingsDir = m_configHome.filePath(QStringLiteral("MOXT"));
    QVERIFY(QDir().mkpath(settingsDir));
    for (const QString &dir : {m_configHome.path(), settingsDir})
        QVERIFY(QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                               QFile::ReadGroup | QFile::ExeGroup |
                                               QFile::ReadOther | QFile::ExeOther));
}

// A link to `target` whose path has exactly `length` bytes.
QString TestQtCommComponent::linkOfLength(const QString &target, int length) const
{
    QString path = m_configHome.filePath(QStringLiteral("long%1").arg(length));
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
    QCOMPARE(set ? set->number : 0, failure);
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
    QCOMPARE(failed->number, 1);
    QVERIFY2(failed->description.contains(QString::number(port)), qPrintable(failed->description));
    QCOMPARE(component.portOpen().value(), false);
}

void TestQtCommComponent::deviceNotOpened_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<QByteArray>("entry"); // the port's line under [Devices]; null: none
    QTest::addColumn<int>("failure");      // 0: opens
    QTest::addColumn<QStringList>("named");

    const QString gone = m_configHome.filePath(QStringLiteral("ttyUSB9"));
    QTest::newRow("configured adapter unplugged")
        << 9 << gone.toLocal8Bit() << 2 << QStringList{gone};
    QTest::newRow("default path") << 200 << QByteArray() << 2 << QStringList{"/dev/ttyS199"};
    // An entry that names no device opens nothing, least of all /dev/ttyS3.
    QTest::newRow("empty entry") << 4 << QByteArray("") << 2 << QStringList{"COM4=", "leer"};
    QTest::newRow("blanks only") << 4 << QByteArray("  \t") << 2 << QStringList{"COM4=", "leer"};
    QTest::newRow("not UTF-8") << 4 << QByteArray("/dev/tty\xE4") << 2
                               << QStringList{"COM4=", "UTF-8"};
    // QSerialPort names its lock file "LCK.." and the path: one byte more than a file name holds.
    const QString tooLong = linkOfLength(m_device.slavePath(), 251);
    QTest::newRow("path too long to lock")
        << 5 << tooLong.toLocal8Bit() << 12 << QStringList{"(251 Byte, höchstens 250)", "COM5="};
    const QString longest = linkOfLength(m_device.slavePath(), 250);
    QTest::newRow("longest path") << 5 << longest.toLocal8Bit() << 0 << QStringList();
}

void TestQtCommComponent::deviceNotOpened()
{
    QFETCH(int, port);
    QFETCH(QByteArray, entry);
    QFETCH(int, failure);
    QFETCH(QStringList, named);

    writeSettingsFile(entry.isNull()
                          ? QByteArray()
                          : "[Devices]\nCOM" + QByteArray::number(port) + '=' + entry + '\n');
    QtCommComponent component;
    component.setCommPort(port);
    const CommStatus failed = component.setPortOpen(true);
    QCOMPARE(failed ? failed->number : 0, failure);
    QCOMPARE(component.portOpen().value(), !failed);
    if (!failed)
        return;
    for (const QString &text : named + QStringList{QStringLiteral("COM %1").arg(port)})
        QVERIFY2(failed->description.contains(text), qPrintable(failed->description));
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
    QCOMPARE(failed->number, 3);
    QVERIFY2(failed->description.contains(pty.slavePath()), qPrintable(failed->description));
    QVERIFY2(failed->description.contains(QStringLiteral("dialout")),
             qPrintable(failed->description));
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
    QCOMPARE(failed->number, 4);
    QVERIFY2(failed->description.contains(pty.slavePath()), qPrintable(failed->description));
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
    QCOMPARE(failed->number, 5);
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
    QCOMPARE(failed->number, 6);
    QVERIFY2(failed->description.contains(pty.slavePath()), qPrintable(failed->description));
    QCOMPARE(component.takeDeviceLost(), std::nullopt);
}

QTEST_GUILESS_MAIN(TestQtCommComponent)
#include "tst_qtcommcomponent.moc"
