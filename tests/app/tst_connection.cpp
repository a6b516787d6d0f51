// Connect, disconnect, the handshake check box and the port list: the state table on a real
// pseudo-terminal through the real component, and with a fake component for refusals that a
// pseudo-terminal cannot produce.
#include "mainwindow.h"
#include "qtcommcomponent.h"
#include "settingsstore.h"
#include "shape.h"
#include "startup.h"
#include "support/fakecomm.h"
#include "support/ptypair.h"
#include "support/testsettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace talvor;
using test::FakeComm;

class TestConnection : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<SettingsStore> m_settings;
    Program m_program;
    MainWindow *m_window = nullptr;
    CommComponent *m_port = nullptr;
    FakeComm *m_fake = nullptr;

    const Controls &start(std::unique_ptr<CommComponent> comm)
    {
        m_port = comm.get();
        m_settings = std::make_unique<SettingsStore>();
        m_program = openProgram(std::move(comm), *m_settings, {});
        m_window = m_program.window.get();
        return m_window->controls();
    }
    const Controls &startFake()
    {
        auto fake = std::make_unique<FakeComm>();
        m_fake = fake.get();
        return start(std::move(fake));
    }
    const Controls &startReal() { return start(std::make_unique<QtCommComponent>()); }
    void choosePort(int position)
    {
        QComboBox *list = m_window->controls().cmbCOM;
        list->setCurrentIndex(position);
        emit list->activated(position);
    }
    bool portOpen() { return m_port->portOpen().value(); }

private slots:
    void init() { test::clearSettings(); }
    void cleanup() { m_program.window.reset();
        m_program.core.reset(); }

    void connectSetsHandshakeAndPort_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<bool>("rtsCts");
        QTest::addColumn<int>("handshake");
        QTest::newRow("COM 3 with RTS/CTS") << 2 << true << 2;
        QTest::newRow("COM 1 without handshake") << 0 << false << 0;
        QTest::newRow("COM 16 with RTS/CTS") << 15 << true << 2;
    }

    void connectSetsHandshakeAndPort()
    {
        QFETCH(int, position);
        QFETCH(bool, rtsCts);
        QFETCH(int, handshake);
        const Controls &c = startFake();
        c.chkRTSCTS->setChecked(rtsCts);
        choosePort(position);
        m_fake->calls.clear();
        c.cmdOpen->click();
        QCOMPARE(m_fake->handshake, handshake);
        QCOMPARE(m_fake->port, position + 1);
        QVERIFY(m_fake->open);
        QVERIFY(!c.chkRTSCTS->isEnabled());
        QCOMPARE(m_fake->calls,
                 (std::vector<FakeComm::Op>{FakeComm::PortOpenRead, FakeComm::Handshaking,
                                            FakeComm::CommPort, FakeComm::Open}));
    }

    void connectWhileOpenOnlyEmptiesErrorLineAndBuffer()
    {
        const Controls &c = startFake();
        c.cmdOpen->click();
        // The start of a frame waits in the receive buffer.
        m_fake->waiting = QByteArray::fromHex("FC05");
        m_program.core->receivePoll();
        QCOMPARE(m_program.core->pendingBytes(), QByteArray::fromHex("FC05"));
        m_window->setErrorLine("Fehler 1 alt");
        m_fake->calls.clear();
        c.cmdOpen->click();
        QCOMPARE(c.lblFehler->text(), QString());
        QVERIFY(m_program.core->pendingBytes().isEmpty());
        QCOMPARE(m_fake->calls, std::vector<FakeComm::Op>{FakeComm::PortOpenRead});
        QVERIFY(m_fake->open);
    }

    void refusedOpenShowsTheFailureAndKeepsSettings()
    {
        const Controls &c = startFake();
        m_fake->failOn(FakeComm::Open, {10, "COM 1 konnte nicht geöffnet werden."});
        c.cmdOpen->click();
        QCOMPARE(c.lblFehler->text(),
                 QStringLiteral("Fehler 10 COM 1 konnte nicht geöffnet werden."));
        QVERIFY(!m_fake->open);
        QVERIFY(c.chkRTSCTS->isEnabled());
        QCOMPARE(m_fake->handshake, 2);
        QCOMPARE(m_fake->port, 1);
        // The failure stays until the next action empties the error line.
        m_program.core->receivePoll();
        QVERIFY(c.lblFehler->text().startsWith("Fehler 10"));
        m_fake->clearFailures();
        c.cmdOpen->click();
        QCOMPARE(c.lblFehler->text(), QString());
        QVERIFY(m_fake->open);
    }

    void refusedCloseKeepsTheCheckBoxDisabled()
    {
        const Controls &c = startFake();
        c.cmdOpen->click();
        m_fake->failOn(FakeComm::Close, {8, "kaputt"});
        c.cmdClose->click();
        QCOMPARE(c.lblFehler->text(), QStringLiteral("Fehler 8 kaputt"));
        QVERIFY(!c.chkRTSCTS->isEnabled());
        QVERIFY(m_fake->open);
    }

    void unreadablePortStateIsShown()
    {
        const Controls &c = startFake();
        m_fake->failOn(FakeComm::PortOpenRead, {7, "Lesen fehlgeschlagen"});
        c.cmdOpen->click();
        QCOMPARE(c.lblFehler->text(), QStringLiteral("Fehler 7 Lesen fehlgeschlagen"));
        c.cmdClose->click();
        QCOMPARE(c.lblFehler->text(), QStringLiteral("Fehler 7 Lesen fehlgeschlagen"));
    }

    void closedDisconnectOnlyEmptiesTheErrorLine()
    {
        const Controls &c = startFake();
        m_window->setErrorLine("Fehler 1 alt");
        m_fake->calls.clear();
        c.cmdClose->click();
        QCOMPARE(c.lblFehler->text(), QString());
        QCOMPARE(m_fake->calls, std::vector<FakeComm::Op>{FakeComm::PortOpenRead});
    }

    void handshakeChangeWhileClosedIsRemembered()
    {
        const Controls &c = startFake();
        c.chkRTSCTS->click();
        QCOMPARE(m_settings->readText("Port", "RTSCTS", "?"), QStringLiteral("0"));
        c.chkRTSCTS->click();
        QCOMPARE(m_settings->readText("Port", "RTSCTS", "?"), QStringLiteral("1"));
    }

    void realPortOpensSendsAndCloses()
    {
        test::PtyPair device;
        QVERIFY(device.isValid());
        test::setPortDevice(3, device.slavePath());
        const Controls &c = startReal();
        choosePort(2);
        c.chkRTSCTS->setChecked(false);
        c.cmdOpen->click();
        QCOMPARE(c.lblFehler->text(), QString());
        QVERIFY(portOpen());
        QVERIFY(!c.chkRTSCTS->isEnabled());
        QTRY_COMPARE(c.Shape1->fillStyle(), Shape::Solid);
        c.cmdInfo->click();
        QCOMPARE(device.readMaster(1), QByteArray("\x60"));

        c.cmdOpen->click(); // again: stays open, nothing reopened
        QVERIFY(portOpen());
        c.cmdInfo->click();
        QCOMPARE(device.readMaster(1), QByteArray("\x60"));

        c.cmdClose->click();
        QVERIFY(!portOpen());
        QVERIFY(c.chkRTSCTS->isEnabled());
        QCOMPARE(c.lblFehler->text(), QString());
        QTRY_COMPARE(c.Shape1->fillStyle(), Shape::Transparent);
    }

    void choosingAnotherPortDisconnects()
    {
        test::PtyPair device;
        test::setPortDevice(1, device.slavePath());
        const Controls &c = startReal();
        c.cmdOpen->click();
        QVERIFY(portOpen());
        choosePort(4);
        QVERIFY(!portOpen());
        QVERIFY(c.chkRTSCTS->isEnabled());
        QCOMPARE(c.lblFehler->text(), QString());
    }

    void missingDeviceFailsWithItsPath()
    {
        test::setPortDevice(5, "/dev/talvor-does-not-exist");
        const Controls &c = startReal();
        choosePort(4);
        c.cmdOpen->click();
        QVERIFY2(c.lblFehler->text().startsWith("Fehler 2 "), qPrintable(c.lblFehler->text()));
        QVERIFY(c.lblFehler->text().contains("/dev/talvor-does-not-exist"));
        QVERIFY(!portOpen());
        QVERIFY(c.chkRTSCTS->isEnabled());
        // The error line widens to the right on one line, from its place.
        QCOMPARE(c.lblFehler->pos(), QPoint(8, 56));
        QVERIFY(c.lblFehler->width() >=
                c.lblFehler->fontMetrics().horizontalAdvance(c.lblFehler->text()));
    }

    void unpluggedDeviceIsShownAtTheNextTick_data()
    {
        QTest::addColumn<QByteArray>("lastBytes"); // sent just before the device vanished
        QTest::addColumn<QByteArray>("log");
        QTest::addColumn<QString>("lblRaw5");
        QTest::newRow("nothing waiting") << QByteArray() << QByteArray() << QString();
        QTest::newRow("a frame") << QByteArray::fromHex("FC0512 34FF")
                                 << QByteArray("FC 05 12 34 FF ") << "FC 05 12 34 FF";
        QTest::newRow("a frame and a half")
            << QByteArray::fromHex("FC0512 34FF FE07") << QByteArray("FC 05 12 34 FF\r\nFE 07 ")
            << "FC 05 12 34 FF";
    }

    void unpluggedDeviceIsShownAtTheNextTick()
    {
        QFETCH(QByteArray, lastBytes);
        QFETCH(QByteArray, log);
        QFETCH(QString, lblRaw5);
        auto device = std::make_unique<test::PtyPair>();
        test::setPortDevice(1, device->slavePath());
        const Controls &c = startReal();
        c.cmdOpen->click();
        QTRY_COMPARE(c.Shape1->fillStyle(), Shape::Solid);
        // The device sends its last bytes and vanishes between two ticks.
        m_program.core->stopPolling();
        QVERIFY(device->writeMaster(lastBytes));
        QTRY_COMPARE(m_port->inBufferCount().value(), lastBytes.size());
        device->closeMaster();
        QTRY_VERIFY(!portOpen());
        m_program.core->startPolling();
        QTRY_VERIFY(c.lblFehler->text().startsWith("Fehler 9 "));
        // The tick that shows the loss has put those bytes into the log and the table.
        QCOMPARE(m_program.core->trafficLog().text(), log);
        QCOMPARE(c.lblRaw[5]->text(), lblRaw5);
        QVERIFY(c.chkRTSCTS->isEnabled());
        QTRY_COMPARE(c.Shape1->fillStyle(), Shape::Transparent);
        // It is shown once; the user's next action empties it.
        c.cmdClose->click();
        QTest::qWait(150);
        QCOMPARE(c.lblFehler->text(), QString());
    }
};

QTEST_MAIN(TestConnection)
#include "tst_connection.moc"
