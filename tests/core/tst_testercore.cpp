// SPDX-License-Identifier: GPL-3.0-or-later
#include "testercore.h"

#include "settingsstore.h"
#include "support/fakecomm.h"
#include "support/testsettings.h"

#include <QTest>
#include <QTimer>

using namespace talvor;
using test::FakeComm;

namespace {

enum class Step { Connect, Disconnect, Poll, Command, TypedByte, Reset, RecordIntoNowhere };

// The core's signals as text, in the order it sent them.
struct Told {
    QStringList said;

    explicit Told(TesterCore &core)
    {
        auto say = [this](const QString &what) {
            said << what;
        };
        QObject::connect(&core, &TesterCore::failed, [=](const ErrorMessage &e) {
            say(QStringLiteral("failed %1").arg(e.number));
        });
        QObject::connect(&core, &TesterCore::linesChanged, [=](const LineStates &l) {
            say(QStringLiteral("lines %1%2%3").arg(l.open).arg(l.rts).arg(l.cts));
        });
        QObject::connect(&core, &TesterCore::logChanged, [=] { say("log"); });
        QObject::connect(&core, &TesterCore::reportsReceived, [=](std::span<const Report> r) {
            say(QStringLiteral("reports %1").arg(r.size()));
        });
        QObject::connect(&core, &TesterCore::connectionChanged,
                         [=](bool open) { say(QStringLiteral("link %1").arg(open)); });
        QObject::connect(&core, &TesterCore::recordingChanged,
                         [=](bool on) { say(QStringLiteral("recording %1").arg(on)); });
    }
};

} // namespace

class TestTesterCore : public QObject {
    Q_OBJECT

private slots:
    void init() { test::clearSettings(); }

    void handlersTellWhatHappenedInOrder_data()
    {
        QTest::addColumn<Step>("step");
        QTest::addColumn<bool>("open");
        QTest::addColumn<int>("failing"); // a FakeComm::Op that fails with error 8, or -1
        QTest::addColumn<QByteArray>("waiting");
        QTest::addColumn<bool>("lost");
        QTest::addColumn<QStringList>("told");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QByteArray>("log");
        const QByteArray none;
        const QByteArray report = QByteArray::fromHex("FE0301FF");
        // clang-format off
        QTest::newRow("connect") << Step::Connect << false << -1 << none << false
            << QStringList{"link 1"} << none << none;
        QTest::newRow("connect refused") << Step::Connect << false << int(FakeComm::Open) << none
            << false << QStringList{"failed 8"} << none << none;
        QTest::newRow("connect while open") << Step::Connect << true << -1 << none << false
            << QStringList{} << none << none;
        QTest::newRow("disconnect") << Step::Disconnect << true << -1 << none << false
            << QStringList{"link 0"} << none << none;
        QTest::newRow("poll") << Step::Poll << true << -1 << report << false
            << QStringList{"lines 100", "log", "reports 1"} << none << QByteArray("FE 03 01 FF ");
        QTest::newRow("poll after a loss") << Step::Poll << false << -1 << report << true
            << QStringList{"lines 000", "log", "reports 1", "failed 9", "link 0"} << none
            << QByteArray("FE 03 01 FF ");
        QTest::newRow("command") << Step::Command << true << -1 << none << false
            << QStringList{} << QByteArray("\x20") << none;
        QTest::newRow("command, port closed") << Step::Command << false << -1 << none << false
            << QStringList{} << none << none;
        QTest::newRow("command refused") << Step::Command << true << int(FakeComm::Output) << none
            << false << QStringList{"failed 8"} << none << none;
        QTest::newRow("typed byte") << Step::TypedByte << true << -1 << report << false
            << QStringList{"lines 100", "log", "reports 1", "log"} << QByteArray("\x60")
            << QByteArray("FE 03 01 FF \r\n\r\n0x60->");
        QTest::newRow("typed byte, port closed") << Step::TypedByte << false << -1 << report
            << false << QStringList{} << none << none;
        QTest::newRow("reset") << Step::Reset << true << -1 << none << false
            << QStringList{"log"} << none << none;
        QTest::newRow("recording into a missing folder") << Step::RecordIntoNowhere << true << -1
            << none << false << QStringList{"recording 1", "failed 13", "recording 0"} << none << none;
        // clang-format on
    }

    void handlersTellWhatHappenedInOrder()
    {
        QFETCH(Step, step);
        QFETCH(bool, open);
        QFETCH(int, failing);
        QFETCH(QByteArray, waiting);
        QFETCH(bool, lost);
        QFETCH(QStringList, told);
        QFETCH(QByteArray, sent);
        QFETCH(QByteArray, log);
        auto owned = std::make_unique<FakeComm>();
        FakeComm &fake = *owned;
        fake.open = open;
        fake.waiting = waiting;
        if (lost)
            fake.lost = CommError{CommErrorCode::DeviceLost, "weg"};
        if (failing >= 0)
            fake.failOn(FakeComm::Op(failing), {CommErrorCode::WriteFailed, "nein"});
        SettingsStore settings;
        TesterCore core(std::move(owned), settings);
        const Told toldByCore(core);
        switch (step) {
        case Step::Connect:
            core.connectPort(3, true);
            break;
        case Step::Disconnect:
            core.disconnectPort();
            break;
        case Step::Poll:
            core.receivePoll();
            break;
        case Step::Command:
            core.sendCommand(0x20);
            break;
        case Step::TypedByte:
            core.sendTypedByte(0x60, "0x60");
            break;
        case Step::Reset:
            core.resetData();
            break;
        case Step::RecordIntoNowhere:
            core.startRecording("/nonexistent/folder/rec.txt");
            break;
        }
        // A file's failure comes from its writer thread, a moment later.
        QTRY_COMPARE(toldByCore.said, told);
        QCOMPARE(fake.sent, sent);
        QCOMPARE(core.trafficLog().text(), log);
    }

    // "Verbinden" opens the device that the port number stands for, and never another one.
    void connectOpensTheAssignedDevice_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("device"); // what the component was told to open
        QTest::addColumn<int>("failure");
        QTest::addColumn<QString>("named");
        QTest::newRow("default") << QByteArray() << "/dev/ttyS2" << 0 << QString();
        QTest::newRow("assigned") << QByteArray("[Devices]\nCOM3=/dev/ttyUSB1\n") << "/dev/ttyUSB1"
                                  << 0 << QString();
        QTest::newRow("empty entry") << QByteArray("[Devices]\nCOM3=\n") << QString() << 2
                                     << "COM3= unter [Devices] in MOXT.conf ist leer";
        QTest::newRow("not UTF-8") << QByteArray("[Devices]\nCOM3=/dev/tty\xE4\n") << QString() << 2
                                   << "ist kein gültiger Text (UTF-8)";
    }

    void connectOpensTheAssignedDevice()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, device);
        QFETCH(int, failure);
        QFETCH(QString, named);
        test::writeSettingsFile(file);
        auto owned = std::make_unique<FakeComm>();
        FakeComm &fake = *owned;
        SettingsStore settings;
        TesterCore core(std::move(owned), settings);
        QList<ErrorMessage> failures;
        connect(&core, &TesterCore::failed, this,
                [&](const ErrorMessage &error) { failures << error; });
        core.connectPort(3, false);
        QCOMPARE(fake.device, device);
        QCOMPARE(fake.open, failure == 0);
        QCOMPARE(failures.size(), failure ? 1 : 0);
        if (failure) {
            QCOMPARE(failures.front().number, failure);
            QVERIFY2(failures.front().description.contains(named),
                     qPrintable(failures.front().description));
        }
    }

    void pollsEvery50msOnceStarted()
    {
        SettingsStore settings;
        TesterCore core(std::make_unique<FakeComm>(), settings);
        auto *timer = core.findChild<QTimer *>(QStringLiteral("Timer1"));
        QVERIFY(timer);
        QCOMPARE(timer->interval(), 50);
        QVERIFY(!timer->isActive());
        core.startPolling();
        QVERIFY(timer->isActive());
    }
};

QTEST_GUILESS_MAIN(TestTesterCore)
#include "tst_testercore.moc"
