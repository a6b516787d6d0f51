// SPDX-License-Identifier: GPL-3.0-or-later
// Recording on the real parts: the tester (offscreen, real window and component) records what
// talvor-sim or a pseudo-terminal sends and what its buttons send, the recording replays through
// talvor-sim into another window, and a disk that goes away or fills up ends the recording only.
#include "recordingcontrol.h"
#include "support/simulator.h"
#include "support/windowtest.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

using namespace talvor;

namespace {

struct Recording {
    QByteArrayList lines;
    QByteArrayList events; // every kind but RX and TX, in order
    QByteArray received;
    QByteArray sent;
    bool timesInOrder = true;
};

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Reads a recording the way a script of the user would: time, kind, hex pairs.
Recording parseRecording(const QString &path)
{
    Recording r;
    r.lines = readAll(path).split('\n');
    QDateTime last;
    for (const QByteArray &line : r.lines.mid(1)) {
        const QByteArrayList fields = line.split(' ');
        if (fields.size() < 2)
            continue;
        const QDateTime time =
            QDateTime::fromString(QString::fromLatin1(fields[0]), Qt::ISODateWithMs);
        r.timesInOrder = r.timesInOrder && time.isValid() && !(time < last);
        last = time;
        const QByteArray bytes = QByteArray::fromHex(fields.mid(2).join());
        if (fields[1] == "RX")
            r.received += bytes;
        else if (fields[1] == "TX")
            r.sent += bytes;
        else
            r.events << fields.mid(1).join(' ');
    }
    return r;
}

// What the window shows of the device: every row's cells but the times, and the log.
QStringList shownValues(const Controls &c)
{
    QStringList values;
    for (int d = 1; d <= kDetectorCount; ++d) {
        values << c.lblAdresse[d]->text() << c.lblRaw[d]->text() << c.lblCV[d]->text()
               << c.lblRawCV[d]->text();
    }
    values << c.lblSysRaw->text() << c.lblSW->text() << c.lblHW->text() << c.lblSN->text();
    return values;
}

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        // Without this the kernel ends the process instead of failing the write with EFBIG.
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_old);
        const rlimit limit{bytes, m_old.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &m_old); }

private:
    rlimit m_old{};
};

enum class Fault { FolderMovedAway, DiskFull };

} // namespace

Q_DECLARE_METATYPE(Fault)

class TestRecording : public test::WindowTest {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QProcess m_sim;
    QStringList m_shown; // by the recorded run, for the replay
    QByteArray m_log;

    QString path(const QString &name) const { return m_dir.filePath(name); }
    // An entry of the log's context menu.
    QAction *menuEntry(const QString &text) const
    {
        for (QAction *action : m_window->findChildren<QAction *>()) {
            if (action->text() == text)
                return action;
        }
        return nullptr;
    }

    void startSim(const QStringList &arguments)
    {
        test::startSimulatorOnCom1(m_sim, TALVOR_SIM_PATH, QStringList{"--seed", "7"} + arguments);
    }

    const Controls &openWindow() { return startReal(); }

private slots:
    void cleanup()
    {
        stopProgram();
        m_sim.terminate();
        m_sim.waitForFinished(5000);
    }

    // Every byte received and sent, in order, with times in order, and each event of the link.
    void recordsTheSession()
    {
        startSim({"--noise", "--split", "--split-pause", "20", "--record", path("sent.bin")});
        const Controls &c = openWindow();
        const QString file = path("rec.txt");
        m_program.core->startRecording(file);
        QVERIFY(m_window->windowTitle().endsWith(" - Mitschnitt: rec.txt"));
        QVERIFY(menuEntry("Mitschnitt starten...")->isChecked());
        // Not connected yet: nothing goes out, so nothing is recorded as sent.
        c.cmdInit[0]->click();
        c.cmdInfo->click();

        c.cmdOpen->click();
        c.cmdReset->click();
        c.cmdInit[0]->click();
        QTRY_VERIFY_WITH_TIMEOUT(!c.lblRaw[24]->text().isEmpty(), 10000);
        c.cmdInit[7]->click();
        QTRY_VERIFY_WITH_TIMEOUT(!c.lblRawCV[7]->text().isEmpty(), 5000);
        c.cmdClose->click();
        c.cmdOpen->click();
        c.cmdInfo->click();
        QTRY_VERIFY_WITH_TIMEOUT(!c.lblSN->text().isEmpty(), 5000);
        m_sim.terminate();
        QVERIFY(m_sim.waitForFinished(5000));
        QTRY_VERIFY_WITH_TIMEOUT(c.lblFehler->text().startsWith("Fehler 9 "), 5000);
        m_shown = shownValues(c);
        m_log = m_program.core->trafficLog().text();

        m_program.core->saveLog(path("log.txt"));
        QTRY_COMPARE(readAll(path("log.txt")), m_log);

        m_window->close();
        QVERIFY(!m_window->windowTitle().contains("Mitschnitt"));
        QTRY_VERIFY(readAll(file).endsWith(" STOP\n"));
        const Recording r = parseRecording(file);
        QVERIFY(r.lines.first().startsWith("# Talvor-Tester "));
        QVERIFY(r.lines.first().endsWith(" Mitschnitt, Format 1"));
        QCOMPARE(r.events, (QByteArrayList{"START", "CONNECT COM 1", "RESET", "DISCONNECT",
                                           "CONNECT COM 1", "LOST", "STOP"}));
        QCOMPARE(r.received, readAll(path("sent.bin")));
        QCOMPARE(r.sent, QByteArray("\x20\x47\x60"));
        QVERIFY(r.timesInOrder);
    }

    // The recording of the run above, replayed into another window, shows the same.
    void replayShowsTheSame()
    {
        QVERIFY(!m_shown.isEmpty());
        startSim({"--replay", path("rec.txt"), "--no-timing"});
        const Controls &c = openWindow();
        c.cmdOpen->click();
        c.cmdInit[0]->click(); // ignored while replaying
        QTRY_COMPARE_WITH_TIMEOUT(m_sim.state(), QProcess::NotRunning, 10000);
        QCOMPARE(m_sim.exitCode(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(c.lblFehler->text().startsWith("Fehler 9 "), 5000);
        QCOMPARE(shownValues(c), m_shown);
        QCOMPARE(m_program.core->trafficLog().text(), m_log);
    }

    // The recording ends with the error shown, the window works on, what was written stays.
    void faultEndsTheRecording_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<QString>("reason");
        QTest::newRow("folder moved away")
            << Fault::FolderMovedAway << "(Mitschnitt beendet: Ordner fehlt)";
        QTest::newRow("disk full") << Fault::DiskFull << "(Mitschnitt beendet: Datenträger voll)";
    }

    void faultEndsTheRecording()
    {
        QFETCH(Fault, fault);
        QFETCH(QString, reason);
        const test::PtyPair pty;
        QVERIFY(pty.isValid());
        test::setPortDevice(1, pty.slavePath());
        const Controls &c = openWindow();
        const QString folder = path("usb");
        QVERIFY(QDir().mkpath(folder));
        QString file = folder + "/rec.txt";
        m_program.core->startRecording(file);
        c.cmdOpen->click();
        QVERIFY(pty.writeMaster(QByteArray::fromHex("FC010005FF")));
        QTRY_COMPARE(c.lblRaw[1]->text(), QString("FC 01 00 05 FF"));
        QTRY_VERIFY_WITH_TIMEOUT(readAll(file).contains(" RX FC 01 00 05 FF\n"), 3000);

        std::optional<FileSizeLimit> limit;
        if (fault == Fault::FolderMovedAway) {
            QVERIFY(QDir().rename(folder, path("moved")));
            file = path("moved/rec.txt");
        } else {
            limit.emplace(rlim_t(readAll(file).size() + 100));
        }
        QVERIFY(pty.writeMaster(QByteArray::fromHex("FC020007FF").repeated(400)));
        QTRY_VERIFY_WITH_TIMEOUT(c.lblFehler->text().startsWith("Fehler 13 rec.txt "), 5000);
        limit.reset();
        QVERIFY2(c.lblFehler->text().endsWith(reason), qPrintable(c.lblFehler->text()));
        QVERIFY(!m_window->windowTitle().contains("Mitschnitt"));
        QVERIFY(!menuEntry("Mitschnitt beenden")->isEnabled());
        QVERIFY(!menuEntry("Mitschnitt starten...")->isChecked());

        QVERIFY(pty.writeMaster(QByteArray::fromHex("FC030009FF")));
        QTRY_COMPARE(c.lblRaw[3]->text(), QString("FC 03 00 09 FF"));
        const QByteArray kept = readAll(file);
        QVERIFY(kept.startsWith("# Talvor-Tester "));
        QVERIFY(kept.contains(" RX FC 01 00 05 FF\n"));
        // A recording appended later starts on a line of its own, however the file ends.
        m_program.core->startRecording(file);
        m_program.core->stopRecording();
        QTRY_VERIFY(readAll(file).endsWith(" STOP\n"));
        QVERIFY(readAll(file).contains("\n# Talvor-Tester "));
    }
};

QTEST_MAIN(TestRecording)
#include "tst_recording.moc"
