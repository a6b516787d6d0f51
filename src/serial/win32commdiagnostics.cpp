// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32commdiagnostics.h"

#include "wine.h"

#include <QDateTime>
#include <QFile>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>

namespace talvor {

// Appends lines to the file on a thread of its own, so that a slow disk never holds up the
// window. At the end it waits a moment for the last lines, then leaves the thread to finish.
class Win32CommDiagnostics::File {
public:
    explicit File(const QString &path)
        : m_shared(std::make_shared<Shared>())
    {
        std::thread([shared = m_shared, path] { writeLines(*shared, path); }).detach();
    }

    ~File()
    {
        std::unique_lock lock(m_shared->mutex);
        m_shared->stopping = true;
        m_shared->changed.notify_all();
        m_shared->changed.wait_for(lock, std::chrono::seconds(1),
                                   [this] { return m_shared->finished; });
    }

    void append(const QByteArray &line)
    {
        const std::lock_guard lock(m_shared->mutex);
        m_shared->lines.push_back(line);
        m_shared->changed.notify_all();
    }

private:
    struct Shared {
        std::mutex mutex;
        std::condition_variable changed;
        std::deque<QByteArray> lines;
        bool stopping = false;
        bool finished = false;
    };

    static void writeLines(Shared &shared, const QString &path)
    {
        QFile file(path);
        const bool open = file.open(QIODevice::Append | QIODevice::Text);
        std::unique_lock lock(shared.mutex);
        for (;;) {
            shared.changed.wait(lock, [&] { return shared.stopping || !shared.lines.empty(); });
            std::deque<QByteArray> lines = std::exchange(shared.lines, {});
            const bool last = shared.stopping;
            lock.unlock();
            for (const QByteArray &line : lines) {
                if (open)
                    file.write(line);
            }
            file.flush();
            lock.lock();
            if (last && shared.lines.empty())
                break;
        }
        shared.finished = true;
        shared.changed.notify_all();
    }

    std::shared_ptr<Shared> m_shared;
};

Win32CommDiagnostics::Win32CommDiagnostics()
{
    const QString path = qEnvironmentVariable(kVariable);
    if (path.isEmpty())
        return;
    m_file = std::make_unique<File>(path);
    const QString wine = wineVersion();
    write(QStringLiteral("started on %1")
              .arg(wine.isEmpty() ? QStringLiteral("Windows") : QStringLiteral("Wine ") + wine));
}

Win32CommDiagnostics::~Win32CommDiagnostics() = default;

void Win32CommDiagnostics::opened(const QString &device, const Win32LineSetup &setup)
{
    m_counters = {};
    m_atPeriodStart = {};
    m_lastWaitError = 0;
    m_setup = setup;
    m_device = device;
    m_period.start();
    const DCB &dcb = setup.dcb;
    const COMMTIMEOUTS &t = setup.timeouts;
    write(QStringLiteral("%1 opened: %2 baud, %3 bits, parity %4, stop %5, CTS flow %6, RTS %7, "
                         "DTR %8, Xon %9/Xoff %10, error char %11; timeouts read %12/%13/%14, "
                         "write %15/%16")
              .arg(device)
              .arg(dcb.BaudRate)
              .arg(dcb.ByteSize)
              .arg(dcb.Parity)
              .arg(dcb.StopBits)
              .arg(dcb.fOutxCtsFlow)
              .arg(dcb.fRtsControl)
              .arg(dcb.fDtrControl)
              .arg(int(dcb.XonChar))
              .arg(int(dcb.XoffChar))
              .arg(dcb.fErrorChar)
              .arg(t.ReadIntervalTimeout)
              .arg(t.ReadTotalTimeoutMultiplier)
              .arg(t.ReadTotalTimeoutConstant)
              .arg(t.WriteTotalTimeoutMultiplier)
              .arg(t.WriteTotalTimeoutConstant));
}

void Win32CommDiagnostics::closed(const QString &why)
{
    const Win32CommCounters &c = m_counters;
    write(QStringLiteral(
              "%1 closed (%2): %3 wake-ups (%4 empty), %5 reads, %6 bytes, "
              "largest read %7, %8 failed waits, %9 line errors, %10 requests left to the system")
              .arg(m_device)
              .arg(why)
              .arg(c.wakeUps)
              .arg(c.emptyWakeUps)
              .arg(c.reads)
              .arg(c.bytes)
              .arg(c.largestRead)
              .arg(c.failedWaits)
              .arg(c.lineErrors)
              .arg(c.leakedRequests));
}

void Win32CommDiagnostics::wokeUp(bool broughtBytes)
{
    ++m_counters.wakeUps;
    if (!broughtBytes)
        ++m_counters.emptyWakeUps;
    summarizeEverySecond();
}

void Win32CommDiagnostics::read(DWORD count)
{
    ++m_counters.reads;
    m_counters.bytes += count;
    m_counters.largestRead = std::max<qint64>(m_counters.largestRead, count);
    summarizeEverySecond();
}

void Win32CommDiagnostics::lineErrors(DWORD flags)
{
    if (flags == 0)
        return;
    ++m_counters.lineErrors;
    write(QStringLiteral("%1 line errors 0x%2").arg(m_device).arg(flags, 0, 16));
}

void Win32CommDiagnostics::systemError(const char *call, DWORD code)
{
    constexpr qsizetype kKept = 16;
    const QString error = QStringLiteral("%1 %2").arg(QLatin1String(call)).arg(code);
    m_counters.systemErrors.append(error);
    if (m_counters.systemErrors.size() > kKept)
        m_counters.systemErrors.removeFirst();
    write(QStringLiteral("%1 failed: %2").arg(m_device).arg(error));
}

// Counted; the code is noted when it differs from the one before, since a driver (or Wine) may
// fail every wait alike.
void Win32CommDiagnostics::waitFailed(DWORD code)
{
    ++m_counters.failedWaits;
    if (std::exchange(m_lastWaitError, code) != code)
        systemError("WaitCommEvent", code);
}

void Win32CommDiagnostics::leaked()
{
    ++m_counters.leakedRequests;
    write(QStringLiteral("%1: a cancelled request did not end; its memory stays with the system")
              .arg(m_device));
}

// One line for each second in which the window's thread woke: how often, and how much it read.
void Win32CommDiagnostics::summarizeEverySecond()
{
    constexpr qint64 kPeriodMs = 1000;
    if (!m_file || m_period.elapsed() < kPeriodMs)
        return;
    const double seconds = m_period.restart() / 1000.0;
    const Win32CommCounters &now = m_counters;
    const qint64 reads = now.reads - m_atPeriodStart.reads;
    const qint64 bytes = now.bytes - m_atPeriodStart.bytes;
    write(QStringLiteral("%1 %2 s: %3 wake-ups/s, %4 reads, %5 bytes, %6 bytes per read")
              .arg(m_device)
              .arg(seconds, 0, 'f', 1)
              .arg((now.wakeUps - m_atPeriodStart.wakeUps) / seconds, 0, 'f', 1)
              .arg(reads)
              .arg(bytes)
              .arg(reads > 0 ? double(bytes) / reads : 0.0, 0, 'f', 1));
    m_atPeriodStart = now;
}

void Win32CommDiagnostics::write(const QString &line)
{
    if (m_file) {
        m_file->append(QDateTime::currentDateTime().toString(Qt::ISODateWithMs).toUtf8() + ' ' +
                       line.toUtf8() + '\n');
    }
}

} // namespace talvor
