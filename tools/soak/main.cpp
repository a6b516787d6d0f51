// SPDX-License-Identifier: GPL-3.0-or-later
// talvor-soak: talvor-sim streams mixed frames and noise through a pseudo-terminal into the
// program's core (its serial port component on QSerialPort, its poll, decoder and log, without a
// window) as fast as the program takes them; afterwards the last report told for every row must
// be the one sent last for it, the log must end with the hex of the last bytes sent, and the
// memory must have stayed flat.
//   talvor-soak TALVOR_SIM [TOTAL_BYTES [SEED]]

#include "countingcomm.h"
#include "soakchecks.h"

#include "qtcommcomponent.h"
#include "settingsstore.h"
#include "testercore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <unistd.h>

#include <algorithm>
#include <cstdio>

using namespace talvor;

namespace {

constexpr qint64 kDefaultTotal = 50'000'000;
// The simulator's highest rate, more than the program reads: the stream goes as fast as it does.
constexpr qint64 kRate = 100'000'000;
constexpr int kSampleMs = 250;
constexpr int kProbeMs = 10;
constexpr int kTimeoutMs = 15 * 60 * 1000;
constexpr qsizetype kTailBytes = 4096;
// Flat: the second half of the run stays within this of the first half's peak.
constexpr double kFlatFactor = 1.10;

qint64 residentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLongLong() * sysconf(_SC_PAGESIZE) : -1;
}

double mb(qint64 bytes)
{
    return double(bytes) / 1e6;
}

struct Sample {
    qint64 received;
    qint64 resident;
};

// The resident memory over the first and the second half of the stream, and whether it is flat.
bool reportMemory(const std::vector<Sample> &samples, qint64 total)
{
    std::printf("resident memory at each tenth of the stream (MB):");
    qint64 nextTenth = 0;
    for (const Sample &s : samples) {
        if (s.received >= nextTenth) {
            std::printf(" %.1f", mb(s.resident));
            nextTenth = (s.received / (total / 10) + 1) * (total / 10);
        }
    }
    std::printf("\n");
    qint64 firstHalf = 0;
    qint64 secondHalf = 0;
    for (const Sample &s : samples) {
        qint64 &peak = s.received < total / 2 ? firstHalf : secondHalf;
        peak = std::max(peak, s.resident);
    }
    std::printf("resident memory: %zu samples, peak %.1f MB in the first half of the stream, "
                "%.1f MB in the second\n",
                samples.size(), mb(firstHalf), mb(secondHalf));
    return secondHalf <= firstHalf * kFlatFactor;
}

QProcess *startSimulator(const QString &program, qint64 total, const QString &record,
                         const QString &seed, QString &pty)
{
    auto *sim = new QProcess;
    sim->start(program,
               {QStringLiteral("--quiet"), QStringLiteral("--stream"), QString::number(kRate),
                QStringLiteral("--total"), QString::number(total), QStringLiteral("--noise"),
                QStringLiteral("--record"), record, QStringLiteral("--seed"), seed});
    if (!sim->waitForStarted() || !sim->waitForReadyRead(5000))
        return sim;
    pty = QString::fromLocal8Bit(sim->readLine()).trimmed();
    return sim;
}

// How late the event loop serves a timer that asks every kProbeMs: what a click or a repaint
// waits for while the stream runs.
struct Answers {
    std::vector<qint64> lateMs;

    void print()
    {
        std::sort(lateMs.begin(), lateMs.end());
        if (lateMs.empty())
            return;
        const qint64 slowest = lateMs.back();
        std::printf("main loop answers late by %lld ms (median), %lld ms at most, target under "
                    "100 ms: %s\n",
                    static_cast<long long>(lateMs[lateMs.size() / 2]),
                    static_cast<long long>(slowest), slowest < 100 ? "met" : "MISSED");
    }
};

// Runs the event loop until every byte the simulator recorded has been read and nothing more came
// for a whole sample, sampling the resident memory and the answer time; returns the seconds.
double runUntilAllRead(const soak::CountingComm &comm, const QString &record, qint64 total,
                       std::vector<Sample> &samples, Answers &answers)
{
    QElapsedTimer clock;
    clock.start();
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    qint64 lastProbe = 0;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        answers.lateMs.push_back(std::max<qint64>(now - lastProbe - kProbeMs, 0));
        lastProbe = now;
    });
    probe.start(kProbeMs);
    qint64 lastSeen = -1;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        samples.push_back({comm.received(), residentBytes()});
        const qint64 sent = QFileInfo(record).size();
        if ((sent >= total && comm.received() == sent && sent == lastSeen) ||
            clock.elapsed() > kTimeoutMs)
            QCoreApplication::quit();
        lastSeen = comm.received() == sent ? sent : -1;
    });
    sampler.start(kSampleMs);
    QCoreApplication::exec();
    return double(clock.elapsed()) / 1000;
}

// The rows and the log against what was sent; prints what it finds.
bool checkAgainstSent(const TesterCore &core, const soak::ReportTable &told,
                      const soak::CountingComm &comm, const QByteArray &sent)
{
    const soak::ReportTable expected = soak::expectedTable(sent, comm.chunks());
    const QStringList wrong = soak::tableMismatches(told, expected);
    std::printf("reports sent: %lld; cells whose last report differs: %lld\n",
                static_cast<long long>(expected.reports), static_cast<long long>(wrong.size()));
    for (const QString &line : wrong)
        std::printf("  %s\n", qPrintable(line));
    const QString tail = soak::logTailMismatch(core.trafficLog(), sent, kTailBytes);
    std::printf("log tail against the last %lld bytes sent: %s\n",
                static_cast<long long>(kTailBytes), tail.isEmpty() ? "equal" : qPrintable(tail));
    return wrong.isEmpty() && tail.isEmpty();
}

// The core polling as the program's does, connected to COM 1 with RTS/CTS as the program starts.
bool connectCore(TesterCore &core)
{
    QString error;
    QObject::connect(&core, &TesterCore::failed,
                     [&error](const ErrorMessage &e) { error = errorLineText(e); });
    core.startPolling();
    core.connectPort(1, true);
    QObject::disconnect(&core, &TesterCore::failed, nullptr, nullptr);
    if (!error.isEmpty())
        std::fprintf(stderr, "talvor-soak: connect failed: %s\n", qPrintable(error));
    return error.isEmpty();
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: talvor-soak TALVOR_SIM [TOTAL_BYTES [SEED]]\n");
        return 2;
    }
    const QTemporaryDir work;
    qputenv("XDG_CONFIG_HOME", work.path().toLocal8Bit());
    QCoreApplication app(argc, argv);
    const qint64 total = argc > 2 ? QByteArray(argv[2]).toLongLong() : kDefaultTotal;
    const QString seed = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QStringLiteral("1");
    const QString record = work.filePath(QStringLiteral("sent.bin"));

    QString pty;
    const std::unique_ptr<QProcess> sim(
        startSimulator(QString::fromLocal8Bit(argv[1]), total, record, seed, pty));
    if (pty.isEmpty()) {
        std::fprintf(stderr, "talvor-soak: talvor-sim did not start: %s\n",
                     sim->readAllStandardError().constData());
        return 1;
    }
    SettingsStore settings;
    settings.writeText(kDevicesSection, QStringLiteral("COM1"), pty);
    settings.writeText(kPortSection, kPortNumberKey, QStringLiteral("0"));
    auto counting = std::make_unique<soak::CountingComm>(std::make_unique<QtCommComponent>());
    const soak::CountingComm &comm = *counting;
    TesterCore core(std::move(counting), settings);
    soak::ReportTable told;
    QObject::connect(&core, &TesterCore::reportsReceived, [&told](std::span<const Report> reports) {
        for (const Report &report : reports)
            told.add(report);
    });
    if (!connectCore(core))
        return 1;
    std::printf("talvor-sim streams %lld bytes of frames and noise on %s\n",
                static_cast<long long>(total), qPrintable(pty));

    std::vector<Sample> samples;
    Answers answers;
    const double seconds = runUntilAllRead(comm, record, total, samples, answers);
    core.disconnectPort();
    sim->terminate();
    sim->waitForFinished();

    QFile file(record);
    if (!file.open(QIODevice::ReadOnly))
        return 1;
    const QByteArray sent = file.readAll();
    std::printf("read %lld of %lld bytes sent in %.1f s (%.1f MB/s), in %zu polls\n",
                static_cast<long long>(comm.received()), static_cast<long long>(sent.size()),
                seconds, mb(comm.received()) / seconds, comm.chunks().size());
    const bool complete = comm.received() == sent.size() && sent.size() >= total;
    const bool shown = checkAgainstSent(core, told, comm, sent);
    const bool flat = reportMemory(samples, total);
    answers.print();
    const bool passed = complete && shown && flat;
    std::printf("%s\n", passed ? "Soak test passed." : "SOAK TEST FAILED.");
    return passed ? 0 : 1;
}
