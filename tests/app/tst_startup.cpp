// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up and shut-down against the real settings file of this test process (CTest points
// XDG_CONFIG_HOME at a folder of its own).
#include "support/windowtest.h"
#include "trafficlogview.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <signal.h>

using namespace talvor;

namespace {

void store(const QString &key, const QVariant &value)
{
    QSettings s(QSettings::NativeFormat, QSettings::UserScope, "MOXT", "MOXT");
    if (value.isValid())
        s.setValue("Port/" + key, value);
    else
        s.remove("Port/" + key);
    s.sync();
}

// Whether the process has a handler of its own for `signal` (Linux: the SigCgt mask).
bool catchesSignal(qint64 pid, int signal)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("SigCgt:"))
            return (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (signal - 1)) & 1;
    }
    return false;
}

QVariant stored(const QString &key)
{
    QSettings s(QSettings::NativeFormat, QSettings::UserScope, "MOXT", "MOXT");
    return s.value("Port/" + key);
}

} // namespace

class TestStartup : public test::WindowTest {
    Q_OBJECT

private:
    MainWindow &start(const QStringList &arguments = {})
    {
        startFake(false, arguments);
        return *m_window;
    }

private slots:
    void init() { test::clearSettings(); }
    void cleanup() { stopProgram(); }

    void freshStartShowsAReadyWindow()
    {
        const Controls &c = start().controls();
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Talvor-Tester 1.0.1"));
        QCOMPARE(c.lblFehler->text(), QString());
        QCOMPARE(c.cmbCOM->count(), 16);
        QCOMPARE(c.cmbCOM->itemText(0), QStringLiteral("COM 1"));
        QCOMPARE(c.cmbCOM->itemText(15), QStringLiteral("COM 16"));
        QCOMPARE(c.cmbCOM->currentIndex(), 0);
        QCOMPARE(c.cmbDetektor->count(), 24);
        QCOMPARE(c.cmbDetektor->itemText(23), QStringLiteral("Detektor 24"));
        QCOMPARE(c.cmbDetektor->currentIndex(), 0);
        QVERIFY(c.chkRTSCTS->isChecked());
        QVERIFY(c.chkRTSCTS->isEnabled());
        QCOMPARE(c.cmdSend->text(), QStringLiteral("0x60 senden"));
        QCOMPARE(tag(c.cmdSend), QStringLiteral("96"));
        for (int i = 1; i <= 24; ++i) {
            QCOMPARE(c.lblDetektor[i]->text(), QString::number(i));
            for (QLabel *l : {c.lblAdresse[i], c.lblRaw[i], c.lblZeit[i], c.lblCV[i], c.lblRawCV[i],
                              c.lblZeitCV[i]})
                QCOMPARE(l->text(), QString());
            QCOMPARE(c.cmdInit[i]->text(), QStringLiteral("Anfordern"));
        }
        QCOMPARE(c.lblCV[0]->text(), QStringLiteral("CV"));
        for (QLabel *l : {c.lblSysRaw, c.lblSW, c.lblHW, c.lblSN})
            QCOMPARE(l->text(), QString());
        QVERIFY(m_program.core->findChild<QTimer *>(QStringLiteral("Timer1"))->isActive());
        QVERIFY(!m_fake->open);
        // The check box was checked by the start-up: that change is remembered at once.
        QCOMPARE(stored("RTSCTS").toString(), QStringLiteral("1"));
        QVERIFY(!stored("PortNumber").isValid());
    }

    void rememberedPort_data()
    {
        QTest::addColumn<QVariant>("storedValue");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("chosen");
        const QStringList none;
        const QStringList wide{"/NOPORTLIMIT"};
        QTest::newRow("missing") << QVariant() << none << "COM 1";
        QTest::newRow("0") << QVariant("0") << none << "COM 1";
        QTest::newRow("15") << QVariant("15") << none << "COM 16";
        QTest::newRow("16 without switch") << QVariant("16") << none << "COM 1";
        QTest::newRow("16 with switch") << QVariant("16") << wide << "COM 17";
        QTest::newRow("254 with switch") << QVariant("254") << wide << "COM 255";
        QTest::newRow("255 with switch") << QVariant("255") << wide << "COM 1";
        QTest::newRow("-1") << QVariant("-1") << none << "COM 1";
        QTest::newRow("abc") << QVariant("abc") << none << "COM 1";
        QTest::newRow("99999") << QVariant("99999") << none << "COM 1";
        QTest::newRow("2.5 rounds to even") << QVariant("2.5") << none << "COM 3";
        QTest::newRow("3.5 rounds to even") << QVariant("3.5") << none << "COM 5";
        QTest::newRow("&H3") << QVariant("&H3") << none << "COM 4";
        QTest::newRow("blanks") << QVariant(" 1 2 ") << none << "COM 13";
        QTest::newRow("list") << QVariant("4,5") << none << "COM 5";
    }

    void rememberedPort()
    {
        QFETCH(QVariant, storedValue);
        QFETCH(QStringList, arguments);
        QFETCH(QString, chosen);
        store("PortNumber", storedValue);
        const Controls &c = start(arguments).controls();
        QCOMPARE(c.cmbCOM->currentText(), chosen);
        // The stored text is not corrected by the start-up.
        QCOMPARE(stored("PortNumber"), storedValue);
    }

    void rememberedHandshake_data()
    {
        QTest::addColumn<QVariant>("storedValue");
        QTest::addColumn<bool>("checked");
        QTest::addColumn<QVariant>("storedAfter");
        QTest::newRow("missing") << QVariant() << true << QVariant("1");
        QTest::newRow("1") << QVariant("1") << true << QVariant("1");
        QTest::newRow("0") << QVariant("0") << false << QVariant("0");
        QTest::newRow("x") << QVariant("x") << false << QVariant("x");
        QTest::newRow("2") << QVariant("2") << false << QVariant("2");
        QTest::newRow("&H1") << QVariant("&H1") << true << QVariant("1");
        QTest::newRow("99999") << QVariant("99999") << false << QVariant("99999");
    }

    void rememberedHandshake()
    {
        QFETCH(QVariant, storedValue);
        QFETCH(bool, checked);
        QFETCH(QVariant, storedAfter);
        store("RTSCTS", storedValue);
        const Controls &c = start().controls();
        QCOMPARE(c.chkRTSCTS->isChecked(), checked);
        QCOMPARE(stored("RTSCTS"), storedAfter);
        // The user's change is remembered at once.
        c.chkRTSCTS->click();
        QCOMPARE(stored("RTSCTS").toString(), checked ? QStringLiteral("0") : QStringLiteral("1"));
    }

    void portCount_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("count");
        QTest::newRow("empty") << QStringList() << 16;
        QTest::newRow("upper case") << QStringList{"/NOPORTLIMIT"} << 255;
        QTest::newRow("lower case") << QStringList{"/noportlimit"} << 255;
        QTest::newRow("mixed case") << QStringList{"/NoPortLimit"} << 255;
        QTest::newRow("with another switch") << QStringList{"/NOPORTLIMIT", "/X"} << 16;
        QTest::newRow("after another") << QStringList{"/X", "/NOPORTLIMIT"} << 16;
        QTest::newRow("other") << QStringList{"/PORTLIMIT"} << 16;
    }

    void portCount()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, count);
        const Controls &c = start(arguments).controls();
        QCOMPARE(c.cmbCOM->count(), count);
        QCOMPARE(c.cmbCOM->itemText(count - 1), QStringLiteral("COM %1").arg(count));
    }

    void shutDownRemembersThePortAndCloses()
    {
        const Controls &c = start().controls();
        c.cmbCOM->setCurrentIndex(6);
        m_fake->open = true;
        c.chkRTSCTS->setEnabled(false);
        QVERIFY(m_window->close());
        QCOMPARE(stored("PortNumber").toString(), QStringLiteral("6"));
        QVERIFY(!m_fake->open);
        QVERIFY(c.chkRTSCTS->isEnabled());
        // The next start chooses it again.
        QCOMPARE(start().controls().cmbCOM->currentText(), QStringLiteral("COM 7"));
    }

    void freshStartAndCloseStoresPortZero()
    {
        start();
        QVERIFY(m_window->close());
        QCOMPARE(stored("PortNumber").toString(), QStringLiteral("0"));
    }

    void shutDownKeepsEntriesThatAreNotText_data()
    {
        // The file as the user's editor left it, and the lines that must still stand in it.
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArrayList>("kept");
        QTest::newRow("device path") << QByteArray("[Devices]\nCOM2=/dev/tty\xE4\xF6\n")
                                     << QByteArrayList{"COM2=/dev/tty\xE4\xF6", "PortNumber=0"};
        QTest::newRow("among others")
            << QByteArray("[Devices]\nCOM1=/dev/ttyUSB0\nCOM2=/dev/\xFF\nCOM3=/dev/ttyACM0\n")
            << QByteArrayList{"COM1=/dev/ttyUSB0", "COM2=/dev/\xFF", "COM3=/dev/ttyACM0"};
        QTest::newRow("CR LF line ends") << QByteArray("[Devices]\r\nCOM2 = /dev/tty\xE4\r\n")
                                         << QByteArrayList{"COM2 = /dev/tty\xE4", "PortNumber=0"};
        QTest::newRow("in another section") << QByteArray("[Notes]\nbench=Pr\xFC"
                                                          "fplatz 3\n")
                                            << QByteArrayList{"bench=Pr\xFC"
                                                              "fplatz 3",
                                                              "PortNumber=0"};
        QTest::newRow("a key that is not text") << QByteArray("[Notes]\nPr\xFC"
                                                              "fer=Hans\n")
                                                << QByteArrayList{"Pr\xFC"
                                                                  "fer=Hans",
                                                                  "PortNumber=0"};
        // A value that the program writes itself is replaced.
        QTest::newRow("the port choice")
            << QByteArray("[Port]\nPortNumber=\xE4\n") << QByteArrayList{"PortNumber=0"};
    }

    void shutDownKeepsEntriesThatAreNotText()
    {
        QFETCH(QByteArray, file);
        QFETCH(QByteArrayList, kept);
        test::writeSettingsFile(file);
        start();
        QVERIFY(m_window->close());
        const QByteArrayList lines = test::settingsFileContents().split('\n');
        for (const QByteArray &line : kept)
            QVERIFY2(lines.contains(line), test::settingsFileContents().constData());
        QVERIFY(!test::settingsFileContents().contains("\xEF\xBF\xBD"));
    }

    void signalEndsTheProgramLikeClosingTheWindow_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGINT") << SIGINT;
        QTest::newRow("SIGHUP") << SIGHUP;
    }

    void signalEndsTheProgramLikeClosingTheWindow()
    {
        QFETCH(int, signal);
        // The real program with a settings folder of its own, where "&H2" chooses COM 3; only the
        // shut-down writes the choice back, as "2".
        QTemporaryDir home;
        QVERIFY(QDir().mkpath(home.filePath("MOXT")));
        const QString file = home.filePath("MOXT/MOXT.conf");
        QFile conf(file);
        QVERIFY(conf.open(QIODevice::WriteOnly));
        conf.write("[Port]\nPortNumber=&H2\n");
        conf.close();
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("XDG_CONFIG_HOME", home.path());
        program.setProcessEnvironment(environment);
        program.start(TALVOR_TESTER, {});
        QVERIFY(program.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(catchesSignal(program.processId(), signal), 10000);

        QCOMPARE(::kill(pid_t(program.processId()), signal), 0);
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        QCOMPARE(QSettings(file, QSettings::IniFormat).value("Port/PortNumber").toString(),
                 QStringLiteral("2"));
    }

    void unreadableStoreStartsWithDefaultsAndClosesQuietly()
    {
        // A folder where the settings file should be: the store can be neither read nor written
        // (this holds for root too, unlike file permissions).
        const QString file = SettingsStore().fileName();
        QFile::remove(file);
        QVERIFY(QDir().mkpath(file));
        const Controls &c = start().controls();
        QCOMPARE(c.cmbCOM->currentIndex(), 0);
        QVERIFY(c.chkRTSCTS->isChecked());
        QCOMPARE(c.lblFehler->text(), QString());
        QElapsedTimer clock;
        clock.start();
        QVERIFY(m_window->close());
        QVERIFY(clock.elapsed() < 2000);
        stopProgram();
        m_settings.reset();
        QVERIFY(QDir(file).removeRecursively());
    }

    void everyTextFitsItsControl()
    {
        const Controls &c = start().controls();
        c.cmdSend->setText("0xFF senden");
        for (QWidget *w : m_window->findChildren<QWidget *>()) {
            QString text;
            int room = w->width();
            if (auto *label = qobject_cast<QLabel *>(w)) {
                text = label->text();
                room -= 2 * label->frameWidth();
            } else if (auto *button = qobject_cast<QPushButton *>(w)) {
                text = button->text();
                room -= 4; // the button's bevel
            } else if (auto *check = qobject_cast<QCheckBox *>(w)) {
                text = check->text();
                room -= 20; // the box in front of the text
            }
            const int needed = w->fontMetrics().horizontalAdvance(text);
            QVERIFY2(needed <= room, qPrintable(QStringLiteral("%1: \"%2\" needs %3 px, has %4")
                                                    .arg(w->objectName(), text)
                                                    .arg(needed)
                                                    .arg(room)));
        }
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
