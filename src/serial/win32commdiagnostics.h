// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "win32linesetup.h"

#include <QElapsedTimer>
#include <QString>
#include <QStringList>

#include <memory>

#include <windows.h>

namespace talvor {

// What the Win32 component did since the port was opened.
struct Win32CommCounters {
    qint64 wakeUps = 0;      // waits for received bytes that ended and woke the window's thread
    qint64 emptyWakeUps = 0; // of these, the ones that found nothing to read
    qint64 reads = 0;
    qint64 bytes = 0;
    qint64 largestRead = 0;
    qint64 failedWaits = 0;    // waits that ended with an error, no loss by itself
    qint64 lineErrors = 0;     // overrun, framing, parity or a full buffer, as ClearCommError says
    qint64 leakedRequests = 0; // cancelled requests that did not end; their memory is kept
    QStringList systemErrors;  // "ReadFile 995", the latest last
};

// Counts what the component does, for a user's problem report: reads and their sizes, wake-ups
// of the window's thread, the system's error codes. When the environment variable
// TALVOR_SERIAL_DIAG names a file, lines are appended to it by a thread of their own: at each
// open and close, and once a second while something happens (an idle port writes nothing).
class Win32CommDiagnostics {
public:
    static constexpr const char *kVariable = "TALVOR_SERIAL_DIAG";

    Win32CommDiagnostics();
    ~Win32CommDiagnostics();

    const Win32CommCounters &counters() const { return m_counters; }
    const Win32LineSetup &lineSetup() const { return m_setup; }

    void opened(const QString &device, const Win32LineSetup &setup);
    void closed(const QString &why);
    void wokeUp(bool broughtBytes);
    void read(DWORD count);
    void lineErrors(DWORD flags);
    void systemError(const char *call, DWORD code);
    void waitFailed(DWORD code);
    void leaked();

private:
    class File;

    void summarizeEverySecond();
    void write(const QString &line);

    Win32CommCounters m_counters;
    Win32LineSetup m_setup;
    QString m_device;
    DWORD m_lastWaitError = 0;
    // Since the last line written: the wake-ups, reads and bytes then.
    QElapsedTimer m_period;
    Win32CommCounters m_atPeriodStart;
    std::unique_ptr<File> m_file;
};

} // namespace talvor
