#pragma once

#include "filewriteerror.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace talvor {

// One line of a recording: the local time with milliseconds and UTC offset, a blank, the kind
// and, where there is one, a blank and the rest:
//   2026-12-07T14:03:27.123+01:00 RX FC 05 12 34 FF
QByteArray recordLine(const QDateTime &time, QByteArrayView kind, QByteArrayView rest = {});
// The first line of every recording: program, version and format version.
QByteArray recordHeader();

// Writes the traffic and the link's events into a text file, one line each, appending to what
// the file holds. The lines are gathered in memory and written by a thread of their own at least
// once a second, so a slow or stalled disk never holds up the window. When the writer falls too
// far behind, the bytes that no longer fit are counted, and the count goes into the file as soon
// as there is room again: nothing is left out silently. A write that fails ends the recording; the
// failure waits for takeFailure(), and what reached the file stays there.
class TrafficRecorder {
public:
    enum class Event { Connect, Disconnect, DeviceLost, DisplayReset };

    struct Limits {
        qsizetype maxPending = 64 * 1024 * 1024; // text waiting for the disk, at most
        std::chrono::milliseconds flushInterval{1000};
    };

    TrafficRecorder();
    explicit TrafficRecorder(Limits limits);
    ~TrafficRecorder();
    TrafficRecorder(const TrafficRecorder &) = delete;
    TrafficRecorder &operator=(const TrafficRecorder &) = delete;

    // Opens path for appending (creating it if need be) and writes the header; a recording that
    // runs already is ended first.
    FileStatus start(const QString &path);
    // Writes what is still waiting and a closing line, then closes the file.
    void stop();
    bool isRecording() const { return m_writer.joinable(); }
    QString path() const { return m_path; }

    void recordReceived(QByteArrayView bytes);
    void recordSent(QByteArrayView bytes);
    void recordEvent(Event event, const QString &detail = {});

    // The failure that ended the recording, once; the file is closed by then.
    FileStatus takeFailure();

private:
    void record(QByteArrayView kind, QByteArrayView bytes, bool hex);
    void writerLoop();
    FileStatus writeOut(const QByteArray &text);

    Limits m_limits;
    QString m_path;
    std::thread m_writer;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    // Guarded by m_mutex:
    QByteArray m_pending;
    qsizetype m_inFlight = 0;
    qint64 m_unrecorded = 0; // bytes of traffic dropped since the last count written
    bool m_stopping = false;
    FileStatus m_failure;
    bool m_failed = false;
};

} // namespace talvor
