// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the built talvor-sim and talks to it through its pseudo-terminal, as the tester would.

#include "simdevice.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

using namespace std::chrono_literals;
using namespace talvor;
using namespace talvor::sim;

namespace {

constexpr auto kPatience = 5s;      // bound on a wait for bytes that must come
constexpr auto kQuietSpell = 300ms; // how long "nothing more" is watched for

QByteArray bytesOf(const std::vector<Frame> &frames)
{
    QByteArray bytes;
    for (const Frame &frame : frames)
        bytes.append(reinterpret_cast<const char *>(frame.data()), qsizetype(frame.size()));
    return bytes;
}

QByteArray bytesOf(const Frame &frame)
{
    return bytesOf(std::vector<Frame>{frame});
}

// What SimDevice::fromSeed(seed) sends for the commands, one after the other.
QByteArray modelAnswer(std::uint64_t seed, const QByteArray &commands)
{
    SimDevice device = SimDevice::fromSeed(seed);
    QByteArray bytes;
    for (const char command : commands)
        bytes += bytesOf(device.answer(static_cast<std::uint8_t>(command)));
    return bytes;
}

// The simulator process and, once opened, its device.
class Simulator {
public:
    ~Simulator()
    {
        closeDevice();
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            m_process.waitForFinished(5000);
        }
    }

    // Starts the simulator and reads the device path from its first line.
    bool start(const QStringList &arguments)
    {
        m_process.start(TALVOR_SIM_PATH, QStringList{"--quiet"} + arguments);
        if (!m_process.waitForStarted(5000))
            return false;
        while (!m_process.canReadLine()) {
            if (!m_process.waitForReadyRead(5000))
                return false;
        }
        m_path = QString::fromLocal8Bit(m_process.readLine()).trimmed();
        return !m_path.isEmpty();
    }

    bool openDevice(const QString &path = {})
    {
        m_fd = ::open(QFile::encodeName(path.isEmpty() ? m_path : path).constData(),
                      O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (m_fd < 0)
            return false;
        termios t{};
        tcgetattr(m_fd, &t);
        cfmakeraw(&t);
        return tcsetattr(m_fd, TCSANOW, &t) == 0;
    }

    void closeDevice()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

    bool send(const QByteArray &bytes)
    {
        return ::write(m_fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    }

    // Reads until count bytes have come or the patience runs out; notes the size of each read.
    QByteArray read(qsizetype count, std::chrono::milliseconds patience = kPatience)
    {
        QByteArray bytes;
        const auto deadline = std::chrono::steady_clock::now() + patience;
        while (bytes.size() < count) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd p{m_fd, POLLIN, 0};
            if (left.count() <= 0 || poll(&p, 1, int(left.count())) <= 0)
                break;
            char buffer[4096];
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            if (n <= 0)
                break;
            bytes.append(buffer, n);
            m_readSizes.append(n);
        }
        return bytes;
    }

    // Reads whatever comes until nothing has come for a quiet spell.
    QByteArray readUntilQuiet()
    {
        QByteArray bytes;
        for (QByteArray more; !(more = read(1 << 20, kQuietSpell)).isEmpty();)
            bytes += more;
        return bytes;
    }

    // Sends a signal and returns the exit code, or -1 when the simulator did not end normally.
    int stop(int signal = SIGTERM)
    {
        ::kill(pid_t(m_process.processId()), signal);
        if (!m_process.waitForFinished(5000) || m_process.exitStatus() != QProcess::NormalExit)
            return -1;
        return m_process.exitCode();
    }

    int waitForExit()
    {
        if (m_process.state() != QProcess::NotRunning && !m_process.waitForFinished(5000))
            return -1;
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    }

    const QString &path() const { return m_path; }
    const QList<qsizetype> &readSizes() const { return m_readSizes; }
    int fd() const { return m_fd; }

private:
    QProcess m_process;
    QString m_path;
    int m_fd = -1;
    QList<qsizetype> m_readSizes;
};

// How many of the device's reports the bytes begin with, back to back, as a device without noise
// sends them; counting stops at a frame that is cut short or not one of them. *used: their bytes.
int leadingReports(const SimDevice &device, const QByteArray &bytes, qsizetype *used)
{
    int count = 0;
    for (*used = 0; *used < bytes.size(); ++count) {
        const auto type = static_cast<std::uint8_t>(bytes[*used]);
        const qsizetype length = type == kAddressReport ? 5 : type == kCvReport ? 4 : 6;
        const QByteArray frame = bytes.mid(*used, length);
        const int detector = frame.size() > 1 ? static_cast<std::uint8_t>(frame[1]) : 0;
        const bool known = frame == bytesOf(device.systemInfoReport()) ||
                           (detector >= 1 && detector <= kDetectorCount &&
                            (frame == bytesOf(device.addressReport(detector)) ||
                             frame == bytesOf(device.cvReport(detector))));
        if (!known)
            break;
        *used += length;
    }
    return count;
}

} // namespace

class TestSimProgram : public QObject {
    Q_OBJECT

private slots:
    void answersCommands_data();
    void answersCommands();
    void splitDeliversTheSameBytes();
    void noiseComesBeforeTheFrame();
    void sendsNothingWhileClosed();
    void answersAgainAfterReopening();
    void linkIsMadeAndRemoved();
    void linkReplacesAnOldLinkOnly();
    void endsCleanlyOnSignal_data();
    void endsCleanlyOnSignal();
    void recordHoldsWhatWasRead();
    void streamStopsAfterTotal();
    void unsolicitedReportsCome();
    void replayWithNothingToSendEnds_data();
    void replayWithNothingToSendEnds();
};

void TestSimProgram::answersCommands_data()
{
    QTest::addColumn<quint64>("seed");
    QTest::addColumn<QByteArray>("commands");

    QTest::newRow("0x60 system information") << 1ULL << QByteArray("\x60");
    QTest::newRow("0x20 initialise") << 1ULL << QByteArray("\x20");
    QTest::newRow("0x41 request 1") << 1ULL << QByteArray("\x41");
    QTest::newRow("0x58 request 24") << 1ULL << QByteArray("\x58");
    QTest::newRow("0x81 program 1, then request") << 1ULL << QByteArray("\x81\x41");
    QTest::newRow("0x98 program 24 twice") << 1ULL << QByteArray("\x98\x98");
    QTest::newRow("ignored bytes, then 0x60") << 1ULL << QByteArray::fromHex("00215999ff40801f60");
    QTest::newRow("several at once") << 1ULL << QByteArray::fromHex("6045208520");
    QTest::newRow("seed 7") << 7ULL << QByteArray::fromHex("206041");
}

void TestSimProgram::answersCommands()
{
    QFETCH(quint64, seed);
    QFETCH(QByteArray, commands);
    const QByteArray expected = modelAnswer(seed, commands);

    Simulator sim;
    QVERIFY(sim.start({"--seed", QString::number(seed)}));
    QVERIFY(sim.openDevice());
    QVERIFY(sim.send(commands));
    QCOMPARE(sim.read(expected.size()).toHex(' '), expected.toHex(' '));
    QCOMPARE(sim.read(1, kQuietSpell), QByteArray());
}

void TestSimProgram::splitDeliversTheSameBytes()
{
    Simulator sim;
    QVERIFY(sim.start({"--split", "--split-pause", "20"}));
    QVERIFY(sim.openDevice());
    QVERIFY(sim.send("\x20"));
    const QByteArray expected = modelAnswer(1, "\x20");
    QCOMPARE(sim.read(expected.size()).toHex(' '), expected.toHex(' '));

    // The pauses make reads end inside frames, at least now and then.
    qsizetype total = 0;
    int insideFrame = 0;
    for (const qsizetype size : sim.readSizes()) {
        total += size;
        insideFrame += total % 5 != 0;
    }
    QVERIFY(insideFrame > 0);
}

void TestSimProgram::noiseComesBeforeTheFrame()
{
    Simulator sim;
    QVERIFY(sim.start({"--noise=1"}));
    QVERIFY(sim.openDevice());
    QVERIFY(sim.send("\x60"));
    const QByteArray received = sim.readUntilQuiet();
    const QByteArray frame = modelAnswer(1, "\x60");
    QVERIFY2(received.endsWith(frame), received.toHex(' '));
    QVERIFY(received.size() > frame.size() && received.size() <= frame.size() + 8);
}

void TestSimProgram::sendsNothingWhileClosed()
{
    Simulator sim;
    QVERIFY(sim.start({"--unsolicited", "200"}));
    QTest::qWait(300);
    QVERIFY(sim.openDevice());
    char byte = 0;
    // Had the simulator written while the device was closed, the bytes would wait here now.
    QCOMPARE(::read(sim.fd(), &byte, 1), -1);
    QCOMPARE(errno, EAGAIN);
    qsizetype used = 0;
    QVERIFY(leadingReports(SimDevice::fromSeed(1), sim.read(50), &used) >= 1);
}

void TestSimProgram::answersAgainAfterReopening()
{
    Simulator sim;
    QVERIFY(sim.start({}));
    QVERIFY(sim.openDevice());
    QVERIFY(sim.send("\x85"));
    QCOMPARE(sim.read(5), modelAnswer(1, "\x85"));
    sim.closeDevice();
    QVERIFY(sim.openDevice());
    QVERIFY(sim.send("\x45"));
    // The device keeps its state between openings.
    const QByteArray expected = modelAnswer(1, "\x85\x45").mid(5);
    QCOMPARE(sim.read(expected.size()).toHex(' '), expected.toHex(' '));
}

void TestSimProgram::linkIsMadeAndRemoved()
{
    QTemporaryDir dir;
    const QString link = dir.filePath("ttyTalvor");
    Simulator sim;
    QVERIFY(sim.start({"--link", link}));
    QCOMPARE(QFileInfo(link).symLinkTarget(), sim.path());
    QVERIFY(sim.openDevice(link));
    QVERIFY(sim.send("\x60"));
    QCOMPARE(sim.read(6), modelAnswer(1, "\x60"));
    sim.closeDevice();
    QCOMPARE(sim.stop(), 0);
    QVERIFY(!QFileInfo(link).isSymLink());
    QVERIFY(!QFileInfo::exists(link));
}

void TestSimProgram::linkReplacesAnOldLinkOnly()
{
    QTemporaryDir dir;
    const QString link = dir.filePath("ttyTalvor");
    QVERIFY(QFile::link("/dev/pts/nonexistent", link));
    {
        Simulator sim;
        QVERIFY(sim.start({"--link", link}));
        QCOMPARE(QFileInfo(link).symLinkTarget(), sim.path());
        QCOMPARE(sim.stop(), 0);
    }
    QFile plain(link);
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.write("keep");
    plain.close();
    Simulator refused;
    QVERIFY(!refused.start({"--link", link}));
    QCOMPARE(refused.waitForExit(), 1);
    QVERIFY(plain.open(QIODevice::ReadOnly));
    QCOMPARE(plain.readAll(), QByteArray("keep"));
}

void TestSimProgram::endsCleanlyOnSignal_data()
{
    QTest::addColumn<int>("signal");
    QTest::addColumn<bool>("deviceOpen");
    QTest::newRow("SIGTERM, device closed") << int(SIGTERM) << false;
    QTest::newRow("SIGTERM, device open") << int(SIGTERM) << true;
    QTest::newRow("SIGINT, device open") << int(SIGINT) << true;
    QTest::newRow("SIGHUP, device closed") << int(SIGHUP) << false;
}

void TestSimProgram::endsCleanlyOnSignal()
{
    QFETCH(int, signal);
    QFETCH(bool, deviceOpen);
    QTemporaryDir dir;
    const QString link = dir.filePath("ttyTalvor");
    Simulator sim;
    QVERIFY(sim.start({"--link", link, "--stream", "5000"}));
    if (deviceOpen) {
        QVERIFY(sim.openDevice());
        QVERIFY(!sim.read(100).isEmpty());
    }
    QCOMPARE(sim.stop(signal), 0);
    QVERIFY(!QFileInfo(link).isSymLink());
}

void TestSimProgram::recordHoldsWhatWasRead()
{
    QTemporaryDir dir;
    const QString recordPath = dir.filePath("sent.bin");
    Simulator sim;
    QVERIFY(sim.start({"--record", recordPath, "--split", "--split-pause", "1", "--noise"}));
    QVERIFY(sim.openDevice());
    QVERIFY(sim.send(QByteArray::fromHex("206045")));
    const QByteArray received = sim.readUntilQuiet();
    QVERIFY(received.size() >= modelAnswer(1, QByteArray::fromHex("206045")).size());
    sim.closeDevice();
    QCOMPARE(sim.stop(), 0);

    QFile record(recordPath);
    QVERIFY(record.open(QIODevice::ReadOnly));
    QCOMPARE(record.readAll().toHex(' '), received.toHex(' '));
}

void TestSimProgram::streamStopsAfterTotal()
{
    Simulator sim;
    QVERIFY(sim.start({"--stream", "100000", "--total", "3000"}));
    QVERIFY(sim.openDevice());
    const QByteArray stream = sim.readUntilQuiet();
    QVERIFY2(stream.size() >= 3000 && stream.size() <= 3005,
             qPrintable(QString::number(stream.size())));
    qsizetype used = 0;
    QVERIFY(leadingReports(SimDevice::fromSeed(1), stream, &used) >= 500);
    QCOMPARE(used, stream.size());

    // Still answering once the stream is over.
    QVERIFY(sim.send("\x60"));
    QCOMPARE(sim.read(6), modelAnswer(1, "\x60"));
}

void TestSimProgram::unsolicitedReportsCome()
{
    Simulator sim;
    QVERIFY(sim.start({"--unsolicited", "50", "--seed", "3"}));
    QVERIFY(sim.openDevice());
    const QByteArray received = sim.read(40);
    QVERIFY(received.size() >= 40);
    // A read may end inside a frame.
    qsizetype used = 0;
    QVERIFY(leadingReports(SimDevice::fromSeed(3), received, &used) >= 7);
    QVERIFY(received.size() - used < 6);
}

// A recording that cannot be replayed ends the simulator at once with a message and no device.
void TestSimProgram::replayWithNothingToSendEnds_data()
{
    QTest::addColumn<QByteArray>("content"); // of the file; "-" for a folder, "" for none
    QTest::addColumn<QString>("message");
    const QByteArray header = "# Talvor-Tester 1.0.1 Mitschnitt, Format 1\n";
    QTest::newRow("missing file") << QByteArray() << "cannot open ";
    QTest::newRow("a folder") << QByteArray("-") << "Is a directory";
    QTest::newRow("empty") << QByteArray("\n") << "nothing to replay";
    QTest::newRow("header only") << header << "nothing to replay";
    QTest::newRow("no RX line") << header + "2026-12-07T14:03:27.000+01:00 CONNECT COM 1\n"
                                            "2026-12-07T14:03:27.100+01:00 TX 20\n"
                                << "nothing to replay";
    QTest::newRow("binary garbage")
        << QByteArray("\x00\xFF\xFE garbage \x01", 14) << "nothing to replay";
}

void TestSimProgram::replayWithNothingToSendEnds()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString path = dir.filePath("rec.txt");
    if (content == "-") {
        QVERIFY(QDir().mkdir(path));
    } else if (!content.isEmpty()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content == "\n" ? QByteArray() : content);
    }
    QProcess sim;
    sim.start(TALVOR_SIM_PATH, {"--quiet", "--replay", path});
    QVERIFY(sim.waitForFinished(2000));
    QCOMPARE(sim.exitCode(), 1);
    QCOMPARE(sim.readAllStandardOutput(), QByteArray()); // no device path
    const QString error = QString::fromLocal8Bit(sim.readAllStandardError());
    QVERIFY2(error.startsWith("talvor-sim: ") && error.contains(message), qPrintable(error));
}

QTEST_GUILESS_MAIN(TestSimProgram)
#include "tst_simprogram.moc"
