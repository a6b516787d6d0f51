// SPDX-License-Identifier: GPL-3.0-or-later
// The receive and send paths end to end: the real window and component on a pseudo-terminal
// that plays the device, with a fake component for the failures a pseudo-terminal cannot make.
#include "shape.h"
#include "support/windowtest.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

#include <termios.h>

using namespace talvor;

namespace {

QByteArray bytes(const char *hex)
{
    return QByteArray::fromHex(hex);
}

} // namespace

class TestEndToEnd : public test::WindowTest {
    Q_OBJECT

private:
    const Controls &startConnected()
    {
        const Controls &c = startOnDevice();
        c.cmdOpen->click();
        return c;
    }
    // Lets the device's bytes arrive and be polled.
    void deliver(const QByteArray &data)
    {
        QVERIFY(m_device->writeMaster(data));
        QTest::qWait(150);
    }
    QString log() const { return QString::fromLatin1(m_program.core->trafficLog().text()); }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }
    void cleanup() { stopProgram(); }

    void reportsFillTheirCells_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QColor>("colour"); // invalid: not checked
        const QColor none;
        const QColor white(255, 255, 255), lightGreen(128, 255, 128);
        QTest::newRow("free") << bytes("FC05 0000 FF") << "lblAdresse(5)"
                              << "frei" << white;
        QTest::newRow("free raw") << bytes("FC05 0000 FF") << "lblRaw(5)"
                                  << "FC 05 00 00 FF" << none;
        QTest::newRow("free, bit 7") << bytes("FC05 8000 FF") << "lblAdresse(5)"
                                     << "frei" << white;
        QTest::newRow("<") << bytes("FC03 802A FF") << "lblAdresse(3)"
                           << "< 42" << lightGreen;
        QTest::newRow(">") << bytes("FC03 0100 FF") << "lblAdresse(3)"
                           << "> 256" << lightGreen;
        QTest::newRow("unknown") << bytes("FC03 F777 FF") << "lblAdresse(3)"
                                 << "unbek." << lightGreen;
        QTest::newRow("row 24") << bytes("FC18 0001 FF") << "lblAdresse(24)"
                                << "> 1" << lightGreen;
        QTest::newRow("cv") << bytes("FE07 2A FF") << "lblCV(7)"
                            << "42" << none;
        QTest::newRow("cv raw") << bytes("FE07 2A FF") << "lblRawCV(7)"
                                << "FE 07 2A FF" << none;
        QTest::newRow("sys raw") << bytes("FD0102170BFF") << "lblSysRaw"
                                 << "FD 01 02 17 0B FF" << none;
        QTest::newRow("sw") << bytes("FD0102170BFF") << "lblSW"
                            << "2.3" << none;
        QTest::newRow("hw") << bytes("FD0102170BFF") << "lblHW"
                            << "1.1" << none;
        QTest::newRow("sn") << bytes("FD0102170BFF") << "lblSN"
                            << "258" << none;
        QTest::newRow("sn high") << bytes("FD8100170BFF") << "lblSN"
                                 << "33024" << none;
        QTest::newRow("after noise") << bytes("0011 FC05 0000 FF") << "lblRaw(5)"
                                     << "FC 05 00 00 FF" << none;
    }

    void reportsFillTheirCells()
    {
        QFETCH(QByteArray, frame);
        QFETCH(QString, cell);
        QFETCH(QString, text);
        QFETCH(QColor, colour);
        startConnected();
        deliver(frame);
        auto *label = m_window->findChild<QLabel *>(cell);
        QVERIFY(label);
        QCOMPARE(label->text(), text);
        if (colour.isValid())
            QCOMPARE(background(label), colour);
        QVERIFY(m_program.core->pendingBytes().isEmpty());
    }

    void timeOfDayIsTheLongTimeWithoutZone()
    {
        const Controls &c = startConnected();
        deliver(bytes("FC05 0000 FF FE05 01 FF"));
        const QRegularExpression german(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d$"));
        QVERIFY2(german.match(c.lblZeit[5]->text()).hasMatch(), qPrintable(c.lblZeit[5]->text()));
        QVERIFY2(german.match(c.lblZeitCV[5]->text()).hasMatch(),
                 qPrintable(c.lblZeitCV[5]->text()));
        const QTime shown = QTime::fromString(c.lblZeit[5]->text(), "HH:mm:ss");
        QVERIFY(qAbs(shown.secsTo(QTime::currentTime())) <= 2);
    }

    void frameSplitAcrossTicks()
    {
        const Controls &c = startConnected();
        deliver(bytes("FC0980"));
        QCOMPARE(c.lblAdresse[9]->text(), QString());
        deliver(bytes("2AFF"));
        QCOMPARE(c.lblAdresse[9]->text(), QStringLiteral("< 42"));
        QCOMPARE(log(), QStringLiteral("FC 09 80 2A FF "));
    }

    void logShowsOneFrameToALine()
    {
        startConnected();
        deliver(bytes("FC0512 34FF FE072AFF"));
        deliver(bytes("FD0102170BFF 00"));
        QCOMPARE(log(), QStringLiteral("FC 05 12 34 FF\r\nFE 07 2A FF\r\nFD 01 02 17 0B FF 00 "));
    }

    void commandButtonsSendTheirByte_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("detectorChoice");
        QTest::addColumn<QByteArray>("sent");
        QTest::newRow("init all") << "cmdInit(0)" << 0 << bytes("20");
        QTest::newRow("request 1") << "cmdInit(1)" << 0 << bytes("41");
        QTest::newRow("request 24") << "cmdInit(24)" << 0 << bytes("58");
        QTest::newRow("sys info") << "cmdInfo" << 0 << bytes("60");
        QTest::newRow("program 1") << "cmdProg" << 0 << bytes("81");
        QTest::newRow("program 24") << "cmdProg" << 23 << bytes("98");
    }

    void commandButtonsSendTheirByte()
    {
        QFETCH(QString, button);
        QFETCH(int, detectorChoice);
        QFETCH(QByteArray, sent);
        const Controls &c = startConnected();
        c.cmbDetektor->setCurrentIndex(detectorChoice);
        auto *b = m_window->findChild<QPushButton *>(button);
        b->click();
        b->click();
        QCOMPARE(m_device->readMaster(2), sent + sent);
        QCOMPARE(m_device->readMaster(1 << 20, 100), QByteArray());
        // Commands leave no trace in the log and do not touch the labels.
        QCOMPARE(log(), QString());
        QCOMPARE(c.lblSysRaw->text(), QString());
    }

    void closedPortButtonsOnlyEmptyTheErrorLine()
    {
        const Controls &c = startFake();
        for (QPushButton *b : {c.cmdInit[0], c.cmdInit[7], c.cmdInfo, c.cmdProg, c.cmdSend}) {
            m_window->setErrorLine("Fehler 1 alt");
            m_fake->calls.clear();
            b->click();
            QCOMPARE(c.lblFehler->text(), QString());
            QCOMPARE(m_fake->calls, std::vector<test::FakeComm::Op>{test::FakeComm::PortOpenRead});
        }
        QCOMPARE(m_fake->sent, QByteArray());
        QCOMPARE(log(), QString());
    }

    void refusedWriteIsShown()
    {
        const Controls &c = startFake(true);
        m_fake->failOn(test::FakeComm::Output, {CommErrorCode::WriteFailed, {}});
        c.cmdInfo->click();
        QVERIFY2(c.lblFehler->text().startsWith("Fehler 8 Senden an COM"),
                 qPrintable(c.lblFehler->text()));
        // The byte send stops before its marker; the poll before it has run.
        m_fake->waiting = bytes("FF");
        c.cmdSend->click();
        QVERIFY2(c.lblFehler->text().startsWith("Fehler 8 Senden an COM"),
                 qPrintable(c.lblFehler->text()));
        QCOMPARE(log(), QStringLiteral("FF "));
    }

    void stoppedOutputIsASendFailure_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QByteArray>("sent");
        QTest::newRow("sys info") << "cmdInfo" << bytes("60");
        QTest::newRow("request 3") << "cmdInit(3)" << bytes("43");
        QTest::newRow("typed byte") << "cmdSend" << bytes("60");
    }

    void stoppedOutputIsASendFailure()
    {
        QFETCH(QString, button);
        QFETCH(QByteArray, sent);
        const Controls &c = startConnected();
        auto *b = m_window->findChild<QPushButton *>(button);
        // The device side takes no more bytes, as a device holding CTS low under RTS/CTS.
        QCOMPARE(::tcflow(m_device->slaveFd(), TCOOFF), 0);
        for (int click = 0; click < 2; ++click) {
            QElapsedTimer clock;
            clock.start();
            b->click();
            // A blocking write would hang the window until the device took the byte.
            QVERIFY(clock.elapsed() < 1000);
            QVERIFY2(c.lblFehler->text().startsWith("Fehler 8 ") &&
                         c.lblFehler->text().contains("nimmt keine Daten an"),
                     qPrintable(c.lblFehler->text()));
            QVERIFY(portIsOpen());
        }
        QTest::qWait(150);
        QVERIFY(portIsOpen());
        QVERIFY(c.lblFehler->text().startsWith("Fehler 8 "));
        QVERIFY(!log().contains("->"));

        // Taking bytes again, the device gets the next click's byte, and never the refused ones.
        QCOMPARE(::tcflow(m_device->slaveFd(), TCOON), 0);
        b->click();
        QCOMPARE(c.lblFehler->text(), QString());
        QCOMPARE(m_device->readMaster(16, 300), sent);
    }

    void sendMarkerStandsBeforeTheAnswer()
    {
        const Controls &c = startConnected();
        deliver(bytes("FE0101FF"));
        c.cmdSend->click();
        QCOMPARE(m_device->readMaster(1), bytes("60"));
        deliver(bytes("FD0102170BFF"));
        QCOMPARE(log(), QStringLiteral("FE 01 01 FF \r\n\r\n0x60->FD 01 02 17 0B FF "));
        c.cmdSend->click();
        QCOMPARE(log(), QStringLiteral("FE 01 01 FF \r\n\r\n0x60->FD 01 02 17 0B FF "
                                       "\r\n\r\n0x60->"));
    }

    void typedByteIsSentUnchanged_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QString>("marker");
        QTest::newRow("0xFF") << "0xFF" << bytes("FF") << "0xFF->";
        QTest::newRow("0") << "0" << bytes("00") << "0x00->";
        QTest::newRow("128") << "128" << bytes("80") << "0x80->";
        QTest::newRow("-1") << "-1" << bytes("FF") << "0xFF->";
    }

    void typedByteIsSentUnchanged()
    {
        QFETCH(QString, typed);
        QFETCH(QByteArray, sent);
        QFETCH(QString, marker);
        const Controls &c = startConnected();
        c.cmdReset->click();
        c.txtSend->setText(typed);
        c.cmdSend->click();
        QCOMPARE(m_device->readMaster(1), sent);
        QCOMPARE(log(), "\r\n\r\n" + marker);
    }

    void resetKeepsUndecodedBytes()
    {
        const Controls &c = startConnected();
        deliver(bytes("FC05 0000 FF FE07"));
        c.cmdReset->click();
        QCOMPARE(c.lblAdresse[5]->text(), QString());
        QCOMPARE(background(c.lblAdresse[5]), QColor(255, 255, 255));
        QCOMPARE(log(), QString());
        deliver(bytes("2AFF"));
        QCOMPARE(c.lblCV[7]->text(), QStringLiteral("42"));
        QCOMPARE(log(), QStringLiteral("2A FF "));
        QVERIFY(portIsOpen());
        // The report that filled the emptied cells fills them again, also within the same second.
        deliver(bytes("FC05 0000 FF"));
        QCOMPARE(c.lblAdresse[5]->text(), QStringLiteral("frei"));
        QCOMPARE(c.lblRaw[5]->text(), QStringLiteral("FC 05 00 00 FF"));
        QVERIFY(!c.lblZeit[5]->text().isEmpty());
    }

    void failingPollStepsAreSkipped()
    {
        const Controls &c = startFake(true);
        m_fake->rts = m_fake->cts = true;
        m_fake->failOn(test::FakeComm::Rts, {CommErrorCode::ReadFailed, "x"});
        m_fake->waiting = bytes("FE0301FF");
        m_program.core->receivePoll();
        QCOMPARE(background(c.lblRTS), QColor(255, 255, 255));
        QCOMPARE(background(c.lblCTS), QColor(0, 255, 0));
        QCOMPARE(c.lblCV[3]->text(), QStringLiteral("1"));
        QCOMPARE(c.Shape1->fillStyle(), Shape::Solid);
        QCOMPARE(c.lblFehler->text(), QString());

        // A failed read leaves the buffer as it was; the next read completes what it holds.
        m_fake->clearFailures();
        m_fake->waiting = bytes("FE04");
        m_program.core->receivePoll();
        m_fake->failOn(test::FakeComm::Input, {CommErrorCode::ReadFailed, "x"});
        m_fake->waiting = bytes("00");
        m_program.core->receivePoll();
        QCOMPARE(m_program.core->pendingBytes(), bytes("FE04"));
        QCOMPARE(log(), QStringLiteral("FE 03 01 FF\r\nFE 04 "));
        m_fake->clearFailures();
        m_fake->waiting = bytes("02FF");
        m_program.core->receivePoll();
        QCOMPARE(c.lblCV[4]->text(), QStringLiteral("2"));

        // A port state that cannot be read counts as closed.
        m_fake->failOn(test::FakeComm::PortOpenRead, {CommErrorCode::ReadFailed, "x"});
        m_program.core->receivePoll();
        QCOMPARE(c.Shape1->fillStyle(), Shape::Transparent);
        QCOMPARE(background(c.lblCTS), QColor(255, 255, 255));
        QCOMPARE(c.lblFehler->text(), QString());
    }

private:
    bool portIsOpen() { return m_port->portOpen().value(); }
};

QTEST_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
