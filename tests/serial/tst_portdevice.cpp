#include "portdevice.h"
#include "support/testsettings.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace talvor;

class TestPortDevice : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { test::isolateSettings(m_configHome); }
    void devicePath_data();
    void devicePath();
    void readsTheSettingsFile();

private:
    QTemporaryDir m_configHome;
};

void TestPortDevice::devicePath_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("configured"); // null: no key in [Devices]
    QTest::addColumn<QString>("expected");

    QTest::newRow("first port") << 1 << QString() << "/dev/ttyS0";
    QTest::newRow("port 16") << 16 << QString() << "/dev/ttyS15";
    QTest::newRow("last port") << 255 << QString() << "/dev/ttyS254";
    QTest::newRow("usb adapter") << 1 << "/dev/ttyUSB0"
                                 << "/dev/ttyUSB0";
    QTest::newRow("by-id link") << 7 << "/dev/serial/by-id/usb-FTDI_FT232R-if00-port0"
                                << "/dev/serial/by-id/usb-FTDI_FT232R-if00-port0";
    QTest::newRow("blanks around path") << 3 << "  /dev/ttyACM0 "
                                        << "/dev/ttyACM0";
    QTest::newRow("empty entry") << 2 << ""
                                 << "/dev/ttyS1";
    QTest::newRow("port 0") << 0 << "/dev/ttyUSB0" << QString();
    QTest::newRow("port 256") << 256 << "/dev/ttyUSB0" << QString();
    QTest::newRow("negative port") << -1 << QString() << QString();
}

void TestPortDevice::devicePath()
{
    QFETCH(int, port);
    QFETCH(QString, configured);
    QFETCH(QString, expected);

    test::setPortDevice(port, configured);
    QCOMPARE(devicePathForPort(port), expected);
}

void TestPortDevice::readsTheSettingsFile()
{
    // Another program (or the user's editor) writes the file; the key of port 1 must not be
    // taken for port 10.
    const QString dir = qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/MOXT");
    QVERIFY(QDir().mkpath(dir));
    QFile file(dir + QStringLiteral("/MOXT.conf"));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("[Port]\nPortNumber=4\n\n[Devices]\nCOM1=/dev/ttyUSB3\nCOM4=/dev/ttyACM1\n");
    file.close();

    QCOMPARE(devicePathForPort(1), QStringLiteral("/dev/ttyUSB3"));
    QCOMPARE(devicePathForPort(4), QStringLiteral("/dev/ttyACM1"));
    QCOMPARE(devicePathForPort(10), QStringLiteral("/dev/ttyS9"));
}

QTEST_GUILESS_MAIN(TestPortDevice)
#include "tst_portdevice.moc"
