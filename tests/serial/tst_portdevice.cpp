// SPDX-License-Identifier: GPL-3.0-or-later
#include "portdevice.h"
#include "support/testsettings.h"

#include <QTest>

using namespace talvor;

class TestPortDevice : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { test::isolateSettings(m_configHome); }
    void devicePath_data();
    void devicePath();
    void readsTheSettingsFile_data();
    void readsTheSettingsFile();

private:
    QTemporaryDir m_configHome;
};

void TestPortDevice::devicePath_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("configured"); // null: no key in [Devices]
    QTest::addColumn<int>("entry");
    QTest::addColumn<QString>("expected");

    const int usable = PortDevice::Usable;
    QTest::newRow("first port") << 1 << QString() << usable << "/dev/ttyS0";
    QTest::newRow("port 16") << 16 << QString() << usable << "/dev/ttyS15";
    QTest::newRow("last port") << 255 << QString() << usable << "/dev/ttyS254";
    QTest::newRow("usb adapter") << 1 << "/dev/ttyUSB0" << usable << "/dev/ttyUSB0";
    QTest::newRow("by-id link") << 7 << "/dev/serial/by-id/usb-FTDI_FT232R-if00-port0" << usable
                                << "/dev/serial/by-id/usb-FTDI_FT232R-if00-port0";
    QTest::newRow("blanks around path") << 3 << "  /dev/ttyACM0 " << usable << "/dev/ttyACM0";
    // An entry that names nothing never stands for /dev/ttyS1, which may be somebody else's.
    QTest::newRow("empty entry") << 2 << "" << int(PortDevice::Empty) << QString();
    QTest::newRow("blanks only") << 2 << " \t " << int(PortDevice::Empty) << QString();
    QTest::newRow("port 0") << 0 << "/dev/ttyUSB0" << int(PortDevice::NoNumber) << QString();
    QTest::newRow("port 256") << 256 << "/dev/ttyUSB0" << int(PortDevice::NoNumber) << QString();
    QTest::newRow("negative port") << -1 << QString() << int(PortDevice::NoNumber) << QString();
}

void TestPortDevice::devicePath()
{
    QFETCH(int, port);
    QFETCH(QString, configured);
    QFETCH(int, entry);
    QFETCH(QString, expected);

    test::setPortDevice(port, configured);
    const PortDevice device = deviceForPort(port);
    QCOMPARE(int(device.entry), entry);
    QCOMPARE(device.path, expected);
}

void TestPortDevice::readsTheSettingsFile_data()
{
    // The file as another program or the user's editor writes it.
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("port");
    QTest::addColumn<int>("entry");
    QTest::addColumn<QString>("expected");

    const int usable = PortDevice::Usable;
    const QByteArray several = "[Port]\nPortNumber=4\n\n[Devices]\nCOM1=/dev/ttyUSB3\n"
                               "COM4=/dev/ttyACM1\n";
    QTest::newRow("one of several") << several << 1 << usable << "/dev/ttyUSB3";
    QTest::newRow("another") << several << 4 << usable << "/dev/ttyACM1";
    QTest::newRow("COM1 is not COM10") << several << 10 << usable << "/dev/ttyS9";
    QTest::newRow("comma in path") << QByteArray("[Devices]\nCOM2=/dev/serial/by-id/a,b\n") << 2
                                   << usable << "/dev/serial/by-id/a,b";
    QTest::newRow("quoted") << QByteArray("[Devices]\nCOM2=\"/dev/a, b\"\n") << 2 << usable
                            << "/dev/a, b";
    QTest::newRow("CR LF line ends")
        << QByteArray("[Devices]\r\nCOM2=/dev/ttyUSB1\r\n") << 2 << usable << "/dev/ttyUSB1";
    QTest::newRow("empty") << QByteArray("[Devices]\nCOM2=\n") << 2 << int(PortDevice::Empty)
                           << QString();
    QTest::newRow("blanks") << QByteArray("[Devices]\nCOM2=   \n") << 2 << int(PortDevice::Empty)
                            << QString();
    QTest::newRow("not UTF-8") << QByteArray("[Devices]\nCOM2=/dev/tty\xE4\n") << 2
                               << int(PortDevice::NotText) << QString();
    QTest::newRow("not UTF-8 beside it")
        << QByteArray("[Devices]\nCOM2=/dev/ttyUSB1\nCOM3=/dev/tty\xE4\n") << 2 << usable
        << "/dev/ttyUSB1";
    QTest::newRow("same key in another section")
        << QByteArray("[Notes]\nCOM2=/dev/tty\xE4\n\n[Devices]\nCOM2=/dev/ttyUSB1\n") << 2 << usable
        << "/dev/ttyUSB1";
}

void TestPortDevice::readsTheSettingsFile()
{
    QFETCH(QByteArray, file);
    QFETCH(int, port);
    QFETCH(int, entry);
    QFETCH(QString, expected);

    test::writeSettingsFile(file);
    const PortDevice device = deviceForPort(port);
    QCOMPARE(int(device.entry), entry);
    QCOMPARE(device.path, expected);
}

QTEST_GUILESS_MAIN(TestPortDevice)
#include "tst_portdevice.moc"
