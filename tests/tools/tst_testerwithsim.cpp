// SPDX-License-Identifier: GPL-3.0-or-later
// The tester (offscreen, the real window and component) connected to the real simulator on its
// pseudo-terminal: what a new user sees when trying the tool without a device.
#include "simdevice.h"

#include "hexformat.h"
#include "support/simulator.h"
#include "support/windowtest.h"

#include <QComboBox>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTest>

using namespace talvor;

namespace {

QString hexOf(const sim::Frame &frame)
{
    return hexPairs(
        QByteArrayView(reinterpret_cast<const char *>(frame.data()), qsizetype(frame.size())));
}

constexpr int kSeed = 7;

} // namespace

class TestTesterWithSim : public test::WindowTest {
    Q_OBJECT

private:
    QProcess m_sim;

    const Controls &connectTo(const QStringList &simArguments)
    {
        test::startSimulatorOnCom1(m_sim, TALVOR_SIM_PATH,
                                   QStringList{"--seed", QString::number(kSeed)} + simArguments);
        const Controls &c = startReal();
        c.cmdOpen->click();
        if (!c.lblFehler->text().isEmpty())
            qFatal("%s", qPrintable(c.lblFehler->text()));
        return c;
    }

    void checkInitialiseFillsEveryRow(const Controls &c)
    {
        const sim::SimDevice device = sim::SimDevice::fromSeed(kSeed);
        c.cmdInit[0]->click();
        QTRY_VERIFY_WITH_TIMEOUT(!c.lblRaw[24]->text().isEmpty(), 10000);
        for (int d = 1; d <= 24; ++d) {
            QCOMPARE(c.lblRaw[d]->text(), hexOf(device.addressReport(d)));
            QVERIFY(!c.lblAdresse[d]->text().isEmpty());
            QVERIFY(!c.lblZeit[d]->text().isEmpty());
        }
    }

private slots:
    void cleanup()
    {
        stopProgram();
        m_sim.terminate();
        m_sim.waitForFinished(5000);
    }

    void everyCommandFillsItsCells()
    {
        const Controls &c = connectTo({});
        checkInitialiseFillsEveryRow(c);

        sim::SimDevice device = sim::SimDevice::fromSeed(kSeed);
        c.cmdInit[7]->click();
        QTRY_COMPARE(c.lblRawCV[7]->text(), hexOf(device.cvReport(7)));
        QCOMPARE(c.lblCV[7]->text(), QString::number(device.detector(7).cv));

        c.cmdInfo->click();
        QTRY_COMPARE(c.lblSysRaw->text(), hexOf(device.systemInfoReport()));
        QCOMPARE(c.lblSN->text(), QString::number(device.systemInfo().serialNumber));

        c.cmbDetektor->setCurrentIndex(4);
        c.cmdProg->click();
        device.answer(0x85);
        QTRY_COMPARE(c.lblRaw[5]->text(), hexOf(device.addressReport(5)));
        QCOMPARE(c.lblAdresse[5]->text(), (device.detector(5).marker ? "< " : "> ") +
                                              QString::number(device.detector(5).address));
    }

    void noiseAndSplitFramesStillReachTheirRows()
    {
        const Controls &c = connectTo({"--noise", "--split", "--split-pause", "20"});
        checkInitialiseFillsEveryRow(c);
    }
};

QTEST_MAIN(TestTesterWithSim)
#include "tst_testerwithsim.moc"
