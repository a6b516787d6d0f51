// SPDX-License-Identifier: GPL-3.0-or-later
#include "serialdevices.h"

#include <QFileInfo>
#include <QTest>

using namespace talvor;

class TestSerialDevices : public QObject {
    Q_OBJECT

private slots:
    void systemListing();
};

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
