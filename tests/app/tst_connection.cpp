// SPDX-License-Identifier: GPL-3.0-or-later
// Connect, disconnect, the handshake check box and the port list: the state table on a real
// pseudo-terminal through the real component, and with a fake component for refusals that a
// pseudo-terminal cannot produce.
#include "shape.h"
#include "support/windowtest.h"
#include "talvorprotocol.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

using namespace talvor;
using test::FakeComm;

class TestConnection : public test::WindowTest {
    Q_OBJECT

public:
    // What the user does after the device vanished, before the next tick.
    enum UserAction { NextTick, Connect, Disconnect, CloseWindow };
    Q_ENUM(UserAction)

private:
    void choosePort(int position)
    {
        QComboBox *list = m_window->controls().cmbCOM;
        list->setCurrentIndex(position);
        emit list->activated(position);
    }
    void act(UserAction action, const QString &nextDevice)
    {
        const Controls &c = m_window->controls();
        switch (action) {
        case NextTick:
            return;
        case Connect:
            test::setPortDevice(1, nextDevice);
            c.cmdOpen->click();
            return;
        case Disconnect:
            c.cmdClose->click();
            return;
        case CloseWindow:
            m_window->close();
            return;
        }
    }

    // The address report of frame n: row n % 24 + 1, an address that differs from frame to frame.
    static QByteArray addressFrame(int n)
    {
        const char bytes[] = {char(kAddressReport), char(n % kDetectorCount + 1),
                              char(1 + n / 200 % 120), char(n % 250), char(kEndOfFrame)};
        return QByteArray(bytes, sizeof bytes);
    }
    // Frames one by one at the device's line rate, with the ticks falling between them, or all
    // in one write; returns their bytes.
    static QByteArray sendFrames(const test::PtyPair &device, int frames, bool streamed)
    {
        QByteArray all;
        for (int n = 0; n < frames; ++n)
            all += addressFrame(n);
        if (!streamed)
            return device.writeMaster(all) ? all : QByteArray("write failed");
        QElapsedTimer clock;
        clock.start();
        constexpr qint64 kBytesPerSecond = 1920;
        for (int n = 0; n < frames; ++n) {
            const bool due =
                QTest::qWaitFor([&] { return clock.elapsed() * kBytesPerSecond >= n * 5 * 1000; });
            if (!due || !device.writeMaster(addressFrame(n)))
                return "write failed";
        }
        return all;
    }
    // Waits until the reader has taken `count` bytes out of the system, without running the event
    // loop: no tick can fall meanwhile.
    static bool waitUntilTaken(const QtCommComponent &port, qint64 count)
    {
        const QDeadlineTimer deadline(std::chrono::seconds(20));
        while (port.readProgress().bytes < count && !deadline.hasExpired())
            QThread::msleep(1);
        return port.readProgress().bytes == count;
    }
    // Waits until the component has closed the port of the vanished device. Only the component's
    // own queued calls run meanwhile, no tick.
    static bool waitUntilClosedAsLost(QtCommComponent &port)
    {
        const QDeadlineTimer deadline(std::chrono::seconds(20));
        while (port.portOpen().value() && !deadline.hasExpired()) {
            QThread::msleep(1);
            QCoreApplication::sendPostedEvents(&port, QEvent::MetaCall);
        }
        return !port.portOpen().value();
    }
    // The bytes of the recording's RX lines, and whether it holds a LOST line.
    static std::pair<QByteArray, bool> recorded(const QString &path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return {"unreadable", false};
        QByteArray received;
        bool lost = false;
        for (const QByteArray &line : file.readAll().split('\n')) {
            const QList<QByteArray> fields = line.split(' ');
            if (fields.size() > 1 && fields[1] == "RX")
                received += QByteArray::fromHex(line.mid(line.indexOf(" RX ") + 4));
            lost = lost || (fields.size() > 1 && fields[1] == "LOST");
        }
        return {received, lost};
    }

private slots:
    void init() { test::clearSettings(); }
    void cleanup() { stopProgram(); }

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
        m_fake->failOn(FakeComm::Open, {CommErrorCode::OpenFailed, "E/A-Fehler"});
        c.cmdOpen->click();
        QCOMPARE(c.lblFehler->text(),
                 QStringLiteral("Fehler 10 COM 1 (/dev/ttyS0) konnte nicht geöffnet werden. Ist "
                                "es eine serielle Schnittstelle? (E/A-Fehler)"));
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
        m_fake->failOn(FakeComm::Close, {CommErrorCode::WriteFailed, {}});
        c.cmdClose->click();
        QVERIFY(c.lblFehler->text().startsWith(QStringLiteral("Fehler 8 Senden an COM 1")));
        QVERIFY(!c.chkRTSCTS->isEnabled());
        QVERIFY(m_fake->open);
    }

    void unreadablePortStateIsShown()
    {
        const Controls &c = startFake();
        m_fake->failOn(FakeComm::PortOpenRead, {CommErrorCode::ReadFailed, {}});
        c.cmdOpen->click();
        const QString failure = c.lblFehler->text();
        QVERIFY2(failure.startsWith(QStringLiteral("Fehler 7 Lesen von COM")), qPrintable(failure));
        c.cmdClose->click();
        QCOMPARE(c.lblFehler->text(), failure);
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

    void unpluggedDevicesLastBytesAreShown_data()
    {
        QTest::addColumn<int>("frames");    // address reports, rows 1 to 24 in turn
        QTest::addColumn<bool>("streamed"); // at 1,920 B/s, else written in one go
        QTest::addColumn<UserAction>("action");
        const std::pair<const char *, UserAction> actions[] = {{"next tick", NextTick},
                                                               {"Verbinden", Connect},
                                                               {"Trennen", Disconnect},
                                                               {"window closed", CloseWindow}};
        for (const auto &[name, action] : actions) {
            QTest::addRow("nothing sent, %s", name) << 0 << false << action;
            QTest::addRow("a frame, %s", name) << 1 << false << action;
            QTest::addRow("100 frames in one go, %s", name) << 100 << false << action;
            QTest::addRow("1 s streamed, %s", name) << 384 << true << action;
        }
    }

    // With the poll timer running as for a user: the device sends, and vanishes once the port has
    // taken its bytes but before the next tick has shown them. Whatever the user does next, they
    // reach the log, the table and the recording, and the loss is told.
    void unpluggedDevicesLastBytesAreShown()
    {
        QFETCH(int, frames);
        QFETCH(bool, streamed);
        QFETCH(UserAction, action);
        auto device = std::make_unique<test::PtyPair>();
        test::setPortDevice(1, device->slavePath());
        auto owned = std::make_unique<QtCommComponent>();
        QtCommComponent &port = *owned;
        const Controls &c = start(std::move(owned));
        const QTemporaryDir folder;
        const QString recording = folder.filePath("rec.txt");
        m_program.core->startRecording(recording);
        c.cmdOpen->click();
        QTRY_COMPARE(c.Shape1->fillStyle(), Shape::Solid);
        QSignalSpy ticks(m_program.core->findChild<QTimer *>("Timer1"), &QTimer::timeout);
        QVERIFY(ticks.wait());
        const QByteArray sent = sendFrames(*device, frames, streamed);
        // From here to the user's action the event loop does not run, so no tick falls between.
        QVERIFY(waitUntilTaken(port, sent.size()));
        device->closeMaster();
        QVERIFY(waitUntilClosedAsLost(port));
        // The last frame, at least, has not been shown yet.
        QVERIFY(frames == 0 ||
                QByteArray::fromHex(m_program.core->trafficLog().text()).size() < sent.size());
        const test::PtyPair next;
        act(action, next.slavePath());

        QTRY_VERIFY(c.lblFehler->text().startsWith("Fehler 9 "));
        QVERIFY(ticks.wait()); // a later tick adds nothing and takes nothing away
        QCOMPARE(QByteArray::fromHex(m_program.core->trafficLog().text()), sent);
        for (int frame = std::max(0, frames - kDetectorCount); frame < frames; ++frame)
            QCOMPARE(c.lblRaw[frame % kDetectorCount + 1]->text(),
                     QString::fromLatin1(addressFrame(frame).toHex(' ').toUpper()));
        QCOMPARE(portOpen(), action == Connect);
        QCOMPARE(c.chkRTSCTS->isEnabled(), action != Connect);
        m_program.core->stopRecording();
        QTRY_COMPARE(recorded(recording), std::make_pair(sent, true));
        // The loss is shown once; the user's next action empties it.
        c.cmdClose->click();
        QCOMPARE(c.lblFehler->text(), QString());
    }
};

QTEST_MAIN(TestConnection)
#include "tst_connection.moc"
