// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "filewriteerror.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>

#include <chrono>
#include <memory>
#include <vector>

namespace talvor {

// One line of a recording: the local time with milliseconds and UTC offset, a blank, the kind
// and, where there is one, a blank and the rest:
//   2026-12-07T14:03:27.123+01:00 RX FC 05 12 34 FF
QByteArray recordLine(const QDateTime &time, QByteArrayView kind, QByteArrayView rest = {});
// The first line of every recording: program, version and format version.
QByteArray recordHeader();

// Writes the traffic and the link's events into a text file, one line each, appending to what
// the file holds; a recording starts on a line of its own whatever the file ends with. The file is
// opened, written and closed by a writer thread (see writerthreads.h), never on the caller's: the
// lines are gathered in memory and written at least once a second, so a slow, stalled or unread
// file never holds up the window. When the writer falls too far behind, the bytes that no longer
// fit are counted, and the count goes into the file as soon as there is room again: nothing is left
// out silently. A write that fails ends the recording; the failure waits for takeFailure(), and
// what reached the file stays there.
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

    // Starts a recording into path, appended (the file is made if need be); a recording that runs
    // already is ended first. A file that cannot be opened fails later, through takeFailure().
    void start(const QString &path);
    // Adds a closing line and returns at once; the writer writes what is waiting and closes the
    // file on its own time.
    void stop();
    bool isRecording() const { return m_writer != nullptr; }
    QString path() const { return m_path; }

    void recordReceived(QByteArrayView bytes);
    void recordSent(QByteArrayView bytes);
    void recordEvent(Event event, const QString &detail = {});

    // The failure that ended the recording, or one that came after stop() while the last lines
    // went out; each once.
    FileStatus takeFailure();
    // Stopped recordings whose writer has not finished yet.
    bool isFinishing() const { return !m_finishing.empty(); }

private:
    struct Writer;

    void record(QByteArrayView kind, QByteArrayView bytes, bool hex);

    Limits m_limits;
    QString m_path;
    // Shared with the writer thread, which may outlive the recorder.
    std::shared_ptr<Writer> m_writer;
    std::vector<std::shared_ptr<Writer>> m_finishing;
};

} // namespace talvor
