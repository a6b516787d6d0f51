// SPDX-License-Identifier: GPL-3.0-or-later
#include "failuretexts.h"
#include "portdirectory.h"
#include "serialdevices.h"
#include "settingsstore.h"
#include "support/ptypair.h"
#include "support/testsettings.h"

#include <QFile>

#include <QTest>

using namespace talvor;

class TestPortDirectory : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { test::isolateSettings(m_configHome); }
    void devicePath_data();
    void devicePath();
    void readsTheSettingsFile_data();
    void readsTheSettingsFile();
    void summary_data();
    void summary();
    void failureTexts_data();
    void failureTexts();

private:
    QTemporaryDir m_configHome;
    test::PtyPair m_pty;
};

void TestPortDirectory::devicePath_data()
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

void TestPortDirectory::devicePath()
{
    QFETCH(int, port);
    QFETCH(QString, configured);
    QFETCH(int, entry);
    QFETCH(QString, expected);

    test::setPortDevice(port, configured);
    SettingsStore settings;
    const PortDevice device = PortDirectory(settings).deviceFor(port);
    QCOMPARE(int(device.entry), entry);
    QCOMPARE(device.path, expected);
}

void TestPortDirectory::readsTheSettingsFile_data()
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

void TestPortDirectory::readsTheSettingsFile()
{
    QFETCH(QByteArray, file);
    QFETCH(int, port);
    QFETCH(int, entry);
    QFETCH(QString, expected);

    test::writeSettingsFile(file);
    SettingsStore settings;
    const PortDevice device = PortDirectory(settings).deviceFor(port);
    QCOMPARE(int(device.entry), entry);
    QCOMPARE(device.path, expected);
}

void TestPortDirectory::summary_data()
{
    QTest::addColumn<QString>("entry"); // null: none; "pty", "link": the pseudo-terminal, a link
    QTest::addColumn<bool>("listed");   // the system lists the pseudo-terminal as an adapter
    QTest::addColumn<QString>("expected");
    QTest::newRow("default, absent")
        << QString() << false << "/dev/ttyS2 (Standard, nicht vorhanden)";
    QTest::newRow("a pseudo-terminal") << "pty" << false << "PTY (vorhanden)";
    QTest::newRow("a link to a listed device") << "link" << true << "LINK (Adapter, angeschlossen)";
    QTest::newRow("a path that is gone")
        << "/dev/talvor-gone" << false << "/dev/talvor-gone (nicht vorhanden)";
    QTest::newRow("empty entry") << "" << false << "Eintrag COM3= ist leer (nicht vorhanden)";
}

void TestPortDirectory::summary()
{
    QFETCH(QString, entry);
    QFETCH(bool, listed);
    QFETCH(QString, expected);
    QVERIFY(m_pty.isValid());
    const QString link = m_configHome.filePath("adapter");
    QFile::remove(link);
    QVERIFY(QFile::link(m_pty.slavePath(), link));
    entry.replace("pty", m_pty.slavePath()).replace("link", link);
    expected.replace("PTY", m_pty.slavePath()).replace("LINK", link);
    test::setPortDevice(3, entry);
    QList<AttachedDevice> present;
    if (listed)
        present.append({m_pty.slavePath(), "Adapter", {}, {}, {}, {}, {}});
    SettingsStore settings;
    QCOMPARE(portSummaryText(3, PortDirectory(settings).summarize(3, present)),
             "COM 3: " + expected);
}

void TestPortDirectory::failureTexts_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("detail");
    QTest::addColumn<QString>("device");
    QTest::addColumn<QStringList>("named"); // besides "COM 5"

    const QString usb = QStringLiteral("/dev/ttyUSB4");
    QTest::newRow("not found") << 2 << QString() << usb
                               << QStringList{usb, "Schnittstellen zuordnen"};
    QTest::newRow("no permission") << 3 << QString() << usb << QStringList{usb, "dialout"};
    QTest::newRow("busy") << 4 << QString() << usb << QStringList{usb, "belegt"};
    QTest::newRow("not open") << 6 << QString() << usb << QStringList{usb, "Zuerst verbinden"};
    QTest::newRow("no modem lines")
        << 7 << "Nicht unterstützt" << usb << QStringList{usb, "(Nicht unterstützt)"};
    QTest::newRow("lost") << 9 << QString() << usb << QStringList{usb, "erneut verbinden"};
    QTest::newRow("handshake value") << 11 << "1" << usb << QStringList{"(Wert 1)"};
    const QString tooLong = "/tmp/" + QString(246, QLatin1Char('l'));
    QTest::newRow("path too long")
        << 12 << QString() << tooLong << QStringList{"(251 Byte, höchstens 250)", "COM5="};
}

void TestPortDirectory::failureTexts()
{
    QFETCH(int, code);
    QFETCH(QString, detail);
    QFETCH(QString, device);
    QFETCH(QStringList, named);

    test::clearSettings();
    SettingsStore settings;
    const ErrorMessage message =
        failureMessage({CommErrorCode(code), detail}, {5, device}, PortDirectory(settings));
    QCOMPARE(message.number, code);
    for (const QString &text : named + QStringList{QStringLiteral("COM 5")})
        QVERIFY2(message.description.contains(text), qPrintable(message.description));
    QCOMPARE(errorLineText(message), QStringLiteral("Fehler %1 ").arg(code) + message.description);
}

QTEST_GUILESS_MAIN(TestPortDirectory)
#include "tst_portdirectory.moc"
