// SPDX-License-Identifier: GPL-3.0-or-later
#include "trafficrecorder.h"

#include "hexformat.h"
#include "plainfile.h"
#include "writerthreads.h"

#include <QFile>

#include <condition_variable>
#include <mutex>

namespace talvor {

namespace {

// The writer starts early when this much text is waiting, so a flood is written in pieces.
constexpr qsizetype kEagerWrite = 1024 * 1024;

QByteArrayView eventKind(TrafficRecorder::Event event)
{
    switch (event) {
    case TrafficRecorder::Event::Connect:
        return "CONNECT";
    case TrafficRecorder::Event::Disconnect:
        return "DISCONNECT";
    case TrafficRecorder::Event::DeviceLost:
        return "LOST";
    case TrafficRecorder::Event::DisplayReset:
        return "RESET";
    }
    return {};
}

QByteArray timeText(const QDateTime &time)
{
    const int offset = time.offsetFromUtc() / 60;
    const int hours = std::abs(offset) / 60;
    const int minutes = std::abs(offset) % 60;
    return time.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")).toLatin1() +
           (offset < 0 ? '-' : '+') + QByteArray::number(hours).rightJustified(2, '0') + ':' +
           QByteArray::number(minutes).rightJustified(2, '0');
}

FileWriteError writeError(const QString &path, const QString &reason)
{
    return fileWriteError(path, QStringLiteral("Mitschnitt beendet: %1").arg(reason));
}

} // namespace

QByteArray recordLine(const QDateTime &time, QByteArrayView kind, QByteArrayView rest)
{
    QByteArray line = timeText(time);
    line.reserve(line.size() + kind.size() + rest.size() + 3);
    line.append(' ').append(kind);
    if (!rest.isEmpty())
        line.append(' ').append(rest);
    return line.append('\n');
}

QByteArray recordHeader()
{
    return QByteArrayLiteral("# Talvor-Tester " TALVOR_VERSION " Mitschnitt, Format 1\n");
}

// The recording's state between the window's thread, which adds lines, and the writer thread.
struct TrafficRecorder::Writer {
    Writer(const QString &path, Limits limits, QByteArray first)
        : path(path)
        , limits(limits)
        , pending(std::move(first))
    {
    }
    qint64 unwritten()
    {
        const std::lock_guard lock(mutex);
        return pending.size() + inFlight;
    }
    void run();
    FileStatus writeOut(const QByteArray &text);

    const QString path;
    const Limits limits;
    std::mutex mutex;
    std::condition_variable wake;
    // Guarded by mutex:
    QByteArray pending;
    qsizetype inFlight = 0;
    qint64 unrecorded = 0; // bytes of traffic dropped since the last count written
    bool stopping = false;
    FileStatus failure;
    bool failed = false;
    bool done = false; // the file is closed
    // The writer thread's own: the file while it is open, and whether it is a regular one.
    QFile file;
    bool regular = false;
};

TrafficRecorder::TrafficRecorder()
    : TrafficRecorder(Limits{})
{
}

TrafficRecorder::TrafficRecorder(Limits limits)
    : m_limits(limits)
{
}

TrafficRecorder::~TrafficRecorder()
{
    stop();
}

void TrafficRecorder::start(const QString &path)
{
    stop();
    m_path = path;
    m_writer = std::make_shared<Writer>(
        path, m_limits, recordHeader() + recordLine(QDateTime::currentDateTime(), "START"));
    const std::shared_ptr<Writer> writer = m_writer;
    writerthreads::start([writer] { writer->run(); }, [writer] { return writer->unwritten(); });
}

void TrafficRecorder::stop()
{
    if (!m_writer)
        return;
    record("STOP", {}, false);
    {
        const std::lock_guard lock(m_writer->mutex);
        m_writer->stopping = true;
    }
    m_writer->wake.notify_one();
    m_finishing.push_back(std::move(m_writer));
}

void TrafficRecorder::recordReceived(QByteArrayView bytes)
{
    record("RX", bytes, true);
}

void TrafficRecorder::recordSent(QByteArrayView bytes)
{
    record("TX", bytes, true);
}

void TrafficRecorder::recordEvent(Event event, const QString &detail)
{
    record(eventKind(event), detail.toUtf8(), false);
}

FileStatus TrafficRecorder::takeFailure()
{
    const auto take = [](Writer &writer) {
        FileStatus failure;
        const std::lock_guard lock(writer.mutex);
        failure.swap(writer.failure);
        return failure;
    };
    if (FileStatus failure = m_writer ? take(*m_writer) : FileStatus()) {
        m_writer.reset();
        return failure;
    }
    FileStatus failure;
    std::erase_if(m_finishing, [&](const std::shared_ptr<Writer> &writer) {
        if (!failure)
            failure = take(*writer);
        const std::lock_guard lock(writer->mutex);
        return writer->done && !writer->failure;
    });
    return failure;
}

void TrafficRecorder::record(QByteArrayView kind, QByteArrayView bytes, bool hex)
{
    if (!m_writer)
        return;
    Writer &w = *m_writer;
    const QDateTime now = QDateTime::currentDateTime();
    bool wake = false;
    {
        const std::lock_guard lock(w.mutex);
        if (w.failed || w.stopping)
            return;
        // Three characters a byte, the time and the kind: the line's size, near enough. A writer
        // with nothing to do takes any chunk, however large.
        const qsizetype waiting = w.pending.size() + w.inFlight;
        const qsizetype size = hex ? bytes.size() * 3 + 40 : 0;
        if (waiting > 0 && waiting + size > w.limits.maxPending) {
            w.unrecorded += bytes.size();
            return;
        }
        if (w.unrecorded > 0) {
            w.pending += recordLine(now, "UNRECORDED", QByteArray::number(w.unrecorded));
            w.unrecorded = 0;
        }
        if (hex) {
            QByteArray text;
            text.reserve(bytes.size() * 3);
            appendHexPairs(text, bytes);
            w.pending += recordLine(now, kind, text);
        } else {
            w.pending += recordLine(now, kind, bytes);
        }
        wake = w.pending.size() >= kEagerWrite;
    }
    if (wake)
        w.wake.notify_one();
}

void TrafficRecorder::Writer::run()
{
    std::unique_lock lock(mutex);
    for (;;) {
        wake.wait_for(lock, limits.flushInterval,
                      [this] { return stopping || pending.size() >= kEagerWrite; });
        QByteArray text;
        text.swap(pending);
        inFlight = text.size();
        const bool last = stopping;
        lock.unlock();
        const FileStatus error = text.isEmpty() ? FileStatus() : writeOut(text);
        lock.lock();
        inFlight = 0;
        if (error) {
            failed = true;
            failure = error;
            pending.clear();
        }
        if (error || (last && pending.isEmpty()))
            break;
    }
    lock.unlock();
    file.close();
    lock.lock();
    done = true;
}

// The first write opens the file, which for a FIFO waits for a reader; a regular file is opened
// afresh for every later write and never made again, so that a folder or file that vanished during
// the recording fails here instead of swallowing the rest unseen. A FIFO stays open: its reader
// would take a close as the end.
FileStatus TrafficRecorder::Writer::writeOut(const QByteArray &text)
{
    const bool first = !file.isOpen() && !regular;
    if (!file.isOpen()) {
        if (const QString reason = plainfile::openForAppend(file, path, first); !reason.isEmpty())
            return writeError(path, reason);
    }
    regular = !file.isSequential();
    // A recording appended to a file whose last line was cut (a full disk) starts on a new one.
    const bool newLine = first && plainfile::endsInsideALine(path);
    QString reason = newLine ? plainfile::writeAll(file, "\n") : QString();
    if (reason.isEmpty())
        reason = plainfile::writeAll(file, text);
    if (regular)
        file.close();
    return reason.isEmpty() ? FileStatus() : writeError(path, reason);
}

} // namespace talvor
