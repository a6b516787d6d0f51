// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace talvor {

// Takes a port's received bytes out of the system as they arrive, on a thread of its own, into a
// bounded buffer. The kernel throws away what a program has not read when a device vanishes (it
// hangs the terminal up), so nothing may wait there for the poll; and a wake-up of the window's
// event loop for every frame would cost far more than this thread's read. When the buffer is
// full the thread stops reading until it is emptied; the bytes then wait in the system, where a
// pseudo-terminal makes the writer wait.
class PortReader {
public:
    explicit PortReader(qsizetype capacity);
    ~PortReader();
    PortReader(const PortReader &) = delete;
    PortReader &operator=(const PortReader &) = delete;

    // Reads fd (non-blocking) from now on; lost runs on the reader's thread, once, when the
    // device has gone (end of file, EIO or a hang-up), and reading ends there.
    bool start(int fd, std::function<void()> lost);
    // Ends the reading and waits for the thread, which never blocks but in its wait for bytes.
    void stop();

    // All bytes read so far, oldest first; they leave the buffer.
    QByteArray take();
    qsizetype size() const;
    // How many bytes the thread has read since start(), taken or not, and when it read last.
    struct Progress {
        qint64 bytes = 0;
        std::chrono::steady_clock::time_point lastRead;
    };
    Progress progress() const;

private:
    void run(int fd, const std::function<void()> &lost);
    bool waitForRoom(qsizetype &room);

    const qsizetype m_capacity;
    std::thread m_thread;
    int m_stopPipe[2] = {-1, -1};
    mutable std::mutex m_mutex;
    std::condition_variable m_roomMade;
    // Guarded by m_mutex:
    QByteArray m_bytes;
    bool m_stopping = false;
    Progress m_progress;
};

} // namespace talvor
