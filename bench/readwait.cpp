// SPDX-License-Identifier: GPL-3.0-or-later
// talvor-readwait: how long a frame waits in a pseudo-terminal before the real program's port
// reader takes it, and how many frames are lost when the device end closes soon after a write,
// beside a bare reader thread on a pseudo-terminal of its own in the same run (the floor): with
// the program idle, with its window's thread busy, and with the machine loaded.
//   talvor-readwait [--frames N] [--tries N] [--case idle|busy|loaded]
#include "barereader.h"
#include "readwaitstats.h"
#include "startup.h"

#include "qtcommcomponent.h"
#include "settingsstore.h"
#include "support/ptypair.h"
#include "support/testsettings.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

using namespace talvor;
using namespace talvor::bench;
using namespace std::chrono_literals;

namespace {

using Clock = std::chrono::steady_clock;
const QByteArray kFrame = QByteArray::fromHex("FC0512 34FF");
constexpr std::chrono::microseconds kCloseDelays[kDelayCount] = {500us, 1ms, 2ms, 5ms};

struct Progress {
    qint64 bytes = 0;
    Clock::time_point at;
};

// µs from the write of a frame until the reader took it; -1 when it did not within 2 s.
template <typename ReadProgress>
double frameWait(const test::PtyPair &pty, const ReadProgress &progress)
{
    const qint64 before = progress().bytes;
    const Clock::time_point written = Clock::now();
    if (!pty.writeMaster(kFrame))
        return -1;
    std::this_thread::sleep_for(5ms);
    Progress now = progress();
    for (int step = 0; now.bytes < before + kFrame.size() && step < 2000; ++step) {
        std::this_thread::sleep_for(1ms);
        now = progress();
    }
    if (now.bytes < before + kFrame.size())
        return -1;
    return std::chrono::duration<double, std::micro>(now.at - written).count();
}

// Once the reader runs (it took a first frame), writes a frame and closes the device end `delay`
// later; whether the reader took that frame.
template <typename ReadProgress, typename WaitEnded>
bool keptAtClose(test::PtyPair &pty, std::chrono::microseconds delay, const ReadProgress &progress,
                 const WaitEnded &waitEnded)
{
    if (frameWait(pty, progress) < 0 || !pty.writeMaster(kFrame))
        return false;
    std::this_thread::sleep_for(delay);
    pty.closeMaster();
    waitEnded();
    return progress().bytes >= 2 * kFrame.size();
}

// The real program, on the main thread, driven from the benchmark's thread.
class ProgramSide {
public:
    ProgramSide(Program &program, QtCommComponent &port)
        : m_program(program)
        , m_port(port)
    {
    }
    Progress progress() const
    {
        const PortReader::Progress read = m_port.readProgress();
        return {read.bytes, read.lastRead};
    }
    // "Verbinden" with COM 1 pointing at the device.
    bool connectTo(const QString &device)
    {
        return onMain([&] {
            test::setPortDevice(1, device);
            m_program.window->controls().cmdOpen->click();
            return m_port.portOpen().value();
        });
    }
    void waitUntilClosed()
    {
        QElapsedTimer clock;
        clock.start();
        while (onMain([&] { return m_port.portOpen().value(); }) && clock.elapsed() < 10000)
            std::this_thread::sleep_for(1ms);
    }
    // While on, the window's thread computes in slices of 20 ms with its events between.
    void setBusy(bool busy)
    {
        onMain([&] {
            busy ? m_busy.start(0) : m_busy.stop();
            return true;
        });
    }
    void setUpBusyWork()
    {
        QObject::connect(&m_busy, &QTimer::timeout, [] {
            QElapsedTimer clock;
            clock.start();
            while (clock.elapsed() < 20) {
            }
        });
    }

private:
    template <typename F> bool onMain(const F &work)
    {
        bool result = false;
        QMetaObject::invokeMethod(
            m_program.window.get(), [&] { result = work(); }, Qt::BlockingQueuedConnection);
        return result;
    }

    Program &m_program;
    QtCommComponent &m_port;
    QTimer m_busy;
};

// Processes that keep every core busy while they live.
class Burners {
public:
    Burners()
    {
        for (long core = 0; core < ::sysconf(_SC_NPROCESSORS_ONLN); ++core) {
            const pid_t pid = ::fork();
            if (pid == 0) {
                ::execl("/bin/sh", "sh", "-c", "while :; do :; done", nullptr);
                ::_exit(127);
            }
            m_pids.push_back(pid);
        }
    }
    ~Burners()
    {
        for (pid_t pid : m_pids) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
    }

private:
    std::vector<pid_t> m_pids;
};

void measureWaits(ProgramSide &program, int frames, CaseResult &result)
{
    test::PtyPair programPty;
    test::PtyPair floorPty;
    if (!program.connectTo(programPty.slavePath()))
        return;
    BareReader floor(qPrintable(floorPty.slavePath()));
    for (int n = 0; n < frames; ++n) {
        result.program.waits.push_back(frameWait(programPty, [&] { return program.progress(); }));
        result.floor.waits.push_back(frameWait(floorPty, [&] {
            return Progress{floor.bytes(), floor.lastRead()};
        }));
    }
    programPty.closeMaster();
    program.waitUntilClosed();
}

void measureLosses(ProgramSide &program, int tries, CaseResult &result)
{
    for (int delay = 0; delay < kDelayCount; ++delay) {
        for (int n = 0; n < tries; ++n) {
            test::PtyPair programPty;
            if (!program.connectTo(programPty.slavePath()))
                continue;
            result.program.lost[delay] += !keptAtClose(
                programPty, kCloseDelays[delay], [&] { return program.progress(); },
                [&] { program.waitUntilClosed(); });
            test::PtyPair floorPty;
            BareReader floor(qPrintable(floorPty.slavePath()));
            result.floor.lost[delay] += !keptAtClose(
                floorPty, kCloseDelays[delay],
                [&] {
                    return Progress{floor.bytes(), floor.lastRead()};
                },
                [&] { floor.waitUntilEnded(); });
        }
        result.program.tries[delay] = result.floor.tries[delay] = tries;
    }
}

void runAll(ProgramSide &program, int frames, int tries, const std::string &only)
{
    std::vector<CaseResult> results;
    for (const char *name : {"program idle", "window busy", "machine loaded"}) {
        if (!only.empty() && std::string(name).find(only) == std::string::npos)
            continue;
        CaseResult result{name, {}, {}};
        const bool loaded = std::strcmp(name, "machine loaded") == 0;
        const std::unique_ptr<Burners> burners = loaded ? std::make_unique<Burners>() : nullptr;
        program.setBusy(std::strcmp(name, "window busy") == 0);
        measureWaits(program, frames, result);
        measureLosses(program, tries, result);
        program.setBusy(false);
        results.push_back(std::move(result));
        std::fprintf(stderr, "%s measured\n", name);
    }
    printResults(results);
}

std::string argument(int argc, char *argv[], const char *name, const char *fallback)
{
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], name) == 0)
            return argv[i + 1];
    }
    return fallback;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QApplication app(argc, argv);
    SettingsStore settings;
    auto owned = std::make_unique<QtCommComponent>();
    QtCommComponent &port = *owned;
    Program program = openProgram(std::move(owned), settings, {});
    program.window->show();
    ProgramSide side(program, port);
    side.setUpBusyWork();

    const int frames = std::stoi(argument(argc, argv, "--frames", "300"));
    const int tries = std::stoi(argument(argc, argv, "--tries", "300"));
    const std::string only = argument(argc, argv, "--case", "");
    std::thread driver([&] {
        runAll(side, frames, tries, only);
        QMetaObject::invokeMethod(&app, &QCoreApplication::quit, Qt::QueuedConnection);
    });
    const int status = app.exec();
    driver.join();
    return status;
}
