#include "trafficrecorder.h"

#include "hexformat.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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

FileStatus TrafficRecorder::start(const QString &path)
{
    stop();
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        return fileWriteError(path, file.errorString());
    }
    file.close();
    m_path = path;
    m_pending = recordHeader() + recordLine(QDateTime::currentDateTime(), "START");
    m_inFlight = 0;
    m_unrecorded = 0;
    m_stopping = false;
    m_failed = false;
    m_failure.reset();
    m_writer = std::thread(&TrafficRecorder::writerLoop, this);
    return {};
}

void TrafficRecorder::stop()
{
    if (!m_writer.joinable())
        return;
    record("STOP", {}, false);
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    m_writer.join();
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
    FileStatus failure;
    {
        const std::lock_guard lock(m_mutex);
        failure.swap(m_failure);
    }
    if (failure && m_writer.joinable())
        m_writer.join();
    return failure;
}

void TrafficRecorder::record(QByteArrayView kind, QByteArrayView bytes, bool hex)
{
    if (!m_writer.joinable())
        return;
    const QDateTime now = QDateTime::currentDateTime();
    bool wake = false;
    {
        const std::lock_guard lock(m_mutex);
        if (m_failed || m_stopping)
            return;
        // Three characters a byte, the time and the kind: the line's size, near enough. A writer
        // with nothing to do takes any chunk, however large.
        const qsizetype waiting = m_pending.size() + m_inFlight;
        const qsizetype size = hex ? bytes.size() * 3 + 40 : 0;
        if (waiting > 0 && waiting + size > m_limits.maxPending) {
            m_unrecorded += bytes.size();
            return;
        }
        if (m_unrecorded > 0) {
            m_pending += recordLine(now, "UNRECORDED", QByteArray::number(m_unrecorded));
            m_unrecorded = 0;
        }
        if (hex) {
            QByteArray text;
            text.reserve(bytes.size() * 3);
            appendHexPairs(text, bytes);
            m_pending += recordLine(now, kind, text);
        } else {
            m_pending += recordLine(now, kind, bytes);
        }
        wake = m_pending.size() >= kEagerWrite;
    }
    if (wake)
        m_wake.notify_one();
}

void TrafficRecorder::writerLoop()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait_for(lock, m_limits.flushInterval,
                        [this] { return m_stopping || m_pending.size() >= kEagerWrite; });
        QByteArray text;
        text.swap(m_pending);
        m_inFlight = text.size();
        const bool last = m_stopping;
        lock.unlock();
        const FileStatus failure = text.isEmpty() ? FileStatus() : writeOut(text);
        lock.lock();
        m_inFlight = 0;
        if (failure) {
            m_failed = true;
            m_failure = failure;
            m_pending.clear();
            return;
        }
        if (last && m_pending.isEmpty())
            return;
    }
}

// The file is opened afresh for every write and never created again: a folder or file that
// vanished during the recording fails here instead of swallowing the rest unseen.
FileStatus TrafficRecorder::writeOut(const QByteArray &text)
{
    QFile file(m_path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::ExistingOnly |
                   QIODevice::Unbuffered)) {
        const QFileInfo info(m_path);
        return writeError(m_path, !info.dir().exists() ? QStringLiteral("Ordner fehlt")
                                  : !info.exists()     ? QStringLiteral("Datei fehlt")
                                                       : QStringLiteral("kein Schreibzugriff"));
    }
    // Qt does not tell the cause of a short write; a full disk or a size limit it is.
    if (file.write(text) != text.size())
        return writeError(m_path, QStringLiteral("Datenträger voll"));
    return {};
}

} // namespace talvor
