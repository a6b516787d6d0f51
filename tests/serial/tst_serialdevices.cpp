// SPDX-License-Identifier: GPL-3.0-or-later
#include "serialdevices.h"
#include "support/ptypair.h"
#include "support/testsettings.h"

#include <QFile>
#include <QFileInfo>
#include <QTest>

using namespace talvor;

class TestSerialDevices : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { test::isolateSettings(m_configHome); }
    void summary_data();
    void summary();
    void systemListing();

private:
    QTemporaryDir m_configHome;
    test::PtyPair m_pty;
};

void TestSerialDevices::summary_data()
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

void TestSerialDevices::summary()
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
    QList<SerialDevice> present;
    if (listed)
        present.append({m_pty.slavePath(), "Adapter", {}, {}, {}, {}, {}});
    QCOMPARE(portSummaryText(3, summarizePort(3, present)), "COM 3: " + expected);
}

void TestSerialDevices::systemListing()
{
    // Whatever this machine has: each device a path of its own, its by-id link pointing at it.
    const QList<SerialDevice> devices = systemSerialDevices();
    QStringList paths;
    for (const SerialDevice &device : devices) {
        QVERIFY2(device.path.startsWith("/dev/"), qPrintable(device.path));
        if (!device.stablePath.isEmpty()) {
            QVERIFY(device.stablePath.startsWith("/dev/serial/by-id/"));
            QCOMPARE(QFileInfo(device.stablePath).canonicalFilePath(),
                     QFileInfo(device.path).canonicalFilePath());
        }
        paths << device.path;
    }
    QStringList sorted = paths;
    sorted.sort();
    QCOMPARE(paths, sorted);
    QCOMPARE(presentSerialDevices(), devices);
}

QTEST_GUILESS_MAIN(TestSerialDevices)
#include "tst_serialdevices.moc"
