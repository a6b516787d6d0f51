// SPDX-License-Identifier: GPL-3.0-or-later
// The check driving the real core and serial component on a pseudo-terminal, with the test as the
// device: what it sends, when it ends, and how it ends.
#include "checkrun.h"

#include "qtcommcomponent.h"
#include "settingsstore.h"
#include "testercore.h"

#include "support/ptypair.h"
#include "support/testsettings.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace talvor;

Q_DECLARE_METATYPE(CheckOutcome)
Q_DECLARE_METATYPE(Expectation)

namespace {

// The address reports of detectors 1 to 24 and the system information of a good unit.
QByteArray goodUnit()
{
    QByteArray bytes;
    for (int n = 1; n <= 24; ++n)
        bytes += QByteArray::fromRawData("\xFC", 1) + char(n) + '\x00' + char(n) + '\xFF';
    return bytes + QByteArray::fromHex("FD54261E15FF");
}

Expectation withCvOfDetectorFive()
{
    Expectation expectation = Expectation::everyDetectorAnswers();
    expectation.detectors[4] = {true, QStringLiteral("> 5"), QStringLiteral("42")};
    return expectation;
}

} // namespace

class TestCheckRun : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void endsAsTheDeviceAnswers_data();
    void endsAsTheDeviceAnswers();

private:
    QTemporaryDir m_settingsFallback;
};

void TestCheckRun::initTestCase()
{
    qRegisterMetaType<CheckOutcome>();
    test::isolateSettings(m_settingsFallback);
}

void TestCheckRun::endsAsTheDeviceAnswers_data()
{
    QTest::addColumn<Expectation>("expectation");
    QTest::addColumn<QByteArray>("commands");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<bool>("unplugged");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("text"); // the error, or the first finding
    QTest::addColumn<int>("wait");     // milliseconds after the last answer

    const Expectation every = Expectation::everyDetectorAnswers();
    QTest::newRow("every answer in") << every << QByteArray("\x20\x60") << goodUnit() << false
                                     << int(CheckStatus::Passed) << QString() << 10000;
    QTest::newRow("one detector silent")
        << every << QByteArray("\x20\x60") << goodUnit().remove(0, 5) << false
        << int(CheckStatus::Failed) << "Detektor 1: keine Meldung" << 1000;
    QTest::newRow("an expected CV is asked for")
        << withCvOfDetectorFive() << QByteArray("\x20\x60\x45")
        << goodUnit() + QByteArray::fromHex("FC05000DFFFE052AFF") << false
        << int(CheckStatus::Failed) << "Detektor 5: Adresse > 13 statt > 5" << 10000;
    QTest::newRow("no answer at all")
        << every << QByteArray("\x20\x60") << QByteArray() << false << int(CheckStatus::NotRun)
        << "Fehler 14 COM 1 (%1): Keine Antwort vom Gerät in 1 s." << 1000;
    QTest::newRow("unplugged in the middle")
        << every << QByteArray("\x20\x60") << goodUnit().left(20) << true
        << int(CheckStatus::NotRun) << "Fehler 9 " << 10000;
}

void TestCheckRun::endsAsTheDeviceAnswers()
{
    QFETCH(Expectation, expectation);
    QFETCH(QByteArray, commands);
    QFETCH(QByteArray, answer);
    QFETCH(bool, unplugged);
    QFETCH(int, status);
    QFETCH(QString, text);
    QFETCH(int, wait);
    test::PtyPair device;
    QVERIFY(device.isValid());
    test::setPortDevice(1, device.slavePath());
    SettingsStore settings;
    TesterCore core(std::make_unique<QtCommComponent>(), settings);
    // A check whose answers all come ends at once; the wait only bounds a slow machine there.
    CheckRun run(core, {1, false, std::chrono::milliseconds(wait), expectation});
    QSignalSpy finished(&run, &CheckRun::finished);
    run.start();
    QCOMPARE(device.readMaster(commands.size(), 30000), commands);
    QVERIFY(device.writeMaster(answer));
    if (unplugged) {
        // The unplug only once the bytes before it were read.
        QTRY_VERIFY_WITH_TIMEOUT(!core.trafficLog().text().isEmpty(), 30000);
        device.closeMaster();
    }
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 30000);
    const auto outcome = finished.at(0).at(0).value<CheckOutcome>();
    QCOMPARE(int(outcome.status), status);
    const QString said = outcome.status == CheckStatus::NotRun
                             ? outcome.error
                             : outcome.report.verdict->findings.value(0);
    QVERIFY2(said.startsWith(text.replace("%1", device.slavePath())), qPrintable(said));
}

QTEST_GUILESS_MAIN(TestCheckRun)
#include "tst_checkrun.moc"
