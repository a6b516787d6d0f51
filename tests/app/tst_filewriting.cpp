// SPDX-License-Identifier: GPL-3.0-or-later
// Files that could hold up the window or end the program: a recording into a FIFO that nobody
// reads, whose reader stalls or whose reader goes away, and a log saved onto a full disk. The
// real window, component and pseudo-terminal; the files are real too.
#include "support/windowtest.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace talvor;
using namespace std::chrono_literals;

namespace {

enum class Reader { Nobody, Stalls, Leaves };

constexpr auto kWriterBound = 1000ms;
const QByteArray kFrame = QByteArray::fromHex("FC010005FF");

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

Q_DECLARE_METATYPE(Reader)

class TestFileWriting : public test::WindowTest {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    const Controls &openWindow()
    {
        const Controls &c = startOnDevice();
        c.cmdOpen->click();
        return c;
    }
    // Frames from the device until the log holds about `bytes` bytes of them.
    void receive(const Controls &c, int bytes)
    {
        for (int sent = 0; sent < bytes; sent += 1000) {
            QVERIFY(m_device->writeMaster(kFrame.repeated(200)));
            QTest::qWait(10);
        }
        QTRY_COMPARE(c.lblRaw[1]->text(), QString("FC 01 00 05 FF"));
    }

private slots:
    void init() { test::clearSettings(); }
    void cleanup() { stopProgram(); }

    // The window answers and closes at once, the shut-down stores the port choice, and the
    // writer is given a bounded time; a reader that leaves is a write failure, not a signal.
    void unreadRecordingHoldsNothingUp_data()
    {
        QTest::addColumn<Reader>("reader");
        QTest::newRow("FIFO nobody reads") << Reader::Nobody;
        QTest::newRow("reader that stalls") << Reader::Stalls;
        QTest::newRow("reader that goes away") << Reader::Leaves;
    }

    void unreadRecordingHoldsNothingUp()
    {
        QFETCH(Reader, reader);
        const QString fifo = m_dir.filePath("fifo");
        QFile::remove(fifo);
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        int readerFd = reader == Reader::Nobody
                           ? -1
                           : ::open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK);
        const Controls &c = openWindow();
        m_program.core->startRecording(fifo);
        receive(c, 30000); // more than a pipe holds, as text
        if (reader == Reader::Leaves) {
            QTRY_VERIFY(::read(readerFd, QByteArray(100, 0).data(), 100) > 0);
            ::close(readerFd);
            readerFd = -1;
            receive(c, 1000);
            QTRY_VERIFY_WITH_TIMEOUT(c.lblFehler->text().startsWith("Fehler 13 fifo "), 5000);
        } else {
            QTest::qWait(1200); // the writer's first write is due
            QCOMPARE(c.lblFehler->text(), QString());
        }
        QElapsedTimer clock;
        clock.start();
        QVERIFY(m_program.window->close());
        QVERIFY(clock.elapsed() < 1000);
        QVERIFY(test::settingsFileContents().contains("PortNumber=0"));
        clock.restart();
        const qint64 unwritten = TesterCore::finishFileWriters(kWriterBound);
        QVERIFY(clock.elapsed() < (kWriterBound + 500ms).count());
        QCOMPARE(unwritten > 0, reader != Reader::Leaves);

        // Sets the writer free: a reader comes and goes, and its write fails.
        if (readerFd < 0)
            readerFd = ::open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK);
        ::close(readerFd);
        QCOMPARE(TesterCore::finishFileWriters(5s), 0);
    }

    // A log saved whole, or the file that was there stays as it was and the failure is shown.
    void savedLogIsWholeOrNothing_data()
    {
        QTest::addColumn<QString>("target");   // in the test's folder unless absolute
        QTest::addColumn<rlim_t>("sizeLimit"); // of every file the process writes; 0: none
        QTest::newRow("room enough") << "log.txt" << rlim_t(0);
        QTest::newRow("disk full midway") << "log.txt" << rlim_t(4096);
        QTest::newRow("a device that takes nothing") << "/dev/full" << rlim_t(0);
    }

    void savedLogIsWholeOrNothing()
    {
        QFETCH(QString, target);
        QFETCH(rlim_t, sizeLimit);
        QTemporaryDir folder;
        const QString path = QDir::isAbsolutePath(target) ? target : folder.filePath(target);
        if (!QDir::isAbsolutePath(target)) {
            QFile old(path);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("an older log\n");
        }
        const Controls &c = openWindow();
        receive(c, 20000);
        const QByteArray log = m_program.core->trafficLog().text();
        rlimit old{};
        ::getrlimit(RLIMIT_FSIZE, &old);
        if (sizeLimit > 0) {
            const rlimit limit{sizeLimit, old.rlim_max};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
        m_program.core->saveLog(path);
        const bool fits = sizeLimit == 0 && !QDir::isAbsolutePath(target);
        if (fits)
            QTRY_COMPARE(readAll(path), log);
        else
            QTRY_VERIFY(c.lblFehler->text().startsWith("Fehler 13 "));
        ::setrlimit(RLIMIT_FSIZE, &old);
        QVERIFY2(c.lblFehler->text().isEmpty() == fits, qPrintable(c.lblFehler->text()));
        if (!fits && !QDir::isAbsolutePath(target))
            QCOMPARE(readAll(path), QByteArray("an older log\n"));
        // No half-written file is left behind.
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden),
                 QDir::isAbsolutePath(target) ? QStringList() : QStringList{"log.txt"});
    }
};

QTEST_MAIN(TestFileWriting)
#include "tst_filewriting.moc"
