// SPDX-License-Identifier: GPL-3.0-or-later
#include "portreader.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <utility>

namespace talvor {

namespace {

// More than a pseudo-terminal or a USB adapter hands over in one read.
constexpr qsizetype kChunk = 4096;

// A byte can only be kept if this thread reads it before the device vanishes, and on a busy
// machine a woken thread of normal priority may wait milliseconds for a core. So the thread asks
// for the lowest real-time priority, which root and users granted it (RLIMIT_RTPRIO) get; it never
// computes for long, it blocks in poll() or on a full buffer. Others get a short time slice, which
// lets the scheduler (EEVDF, Linux 6.12 on) run it as soon as it wakes and which any user may
// choose; older kernels ignore the request.
void hurryThisThread()
{
    sched_param realTime{};
    realTime.sched_priority = 1;
    if (::pthread_setschedparam(::pthread_self(), SCHED_FIFO, &realTime) == 0)
        return;
    // struct sched_attr, which glibc does not declare before 2.41.
    struct {
        quint32 size, policy;
        quint64 flags;
        qint32 nice;
        quint32 priority;
        quint64 runtime, deadline, period;
    } attributes{};
    attributes.size = sizeof attributes;
    attributes.policy = SCHED_OTHER;
    attributes.runtime = 100'000; // ns, the shortest slice the scheduler allows
    ::syscall(SYS_sched_setattr, 0, &attributes, 0);
}

} // namespace

PortReader::PortReader(qsizetype capacity)
    : m_capacity(capacity)
{
}

PortReader::~PortReader()
{
    stop();
}

bool PortReader::start(int fd, std::function<void()> lost)
{
    stop();
    if (::pipe2(m_stopPipe, O_CLOEXEC) != 0)
        return false;
    m_stopping = false;
    m_progress = {};
    m_thread = std::thread([this, fd, lost = std::move(lost)] { run(fd, lost); });
    return true;
}

void PortReader::stop()
{
    if (!m_thread.joinable())
        return;
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_roomMade.notify_one();
    const char byte = 0;
    [[maybe_unused]] const ssize_t written = ::write(m_stopPipe[1], &byte, 1);
    m_thread.join();
    for (int &fd : m_stopPipe) {
        ::close(fd);
        fd = -1;
    }
}

QByteArray PortReader::take()
{
    QByteArray bytes;
    {
        const std::lock_guard lock(m_mutex);
        bytes.swap(m_bytes);
    }
    m_roomMade.notify_one();
    return bytes;
}

qsizetype PortReader::size() const
{
    const std::lock_guard lock(m_mutex);
    return m_bytes.size();
}

PortReader::Progress PortReader::progress() const
{
    const std::lock_guard lock(m_mutex);
    return m_progress;
}

// Waits while the buffer is full; false once stopped.
bool PortReader::waitForRoom(qsizetype &room)
{
    std::unique_lock lock(m_mutex);
    m_roomMade.wait(lock, [this] { return m_stopping || m_bytes.size() < m_capacity; });
    room = std::min(kChunk, m_capacity - m_bytes.size());
    return !m_stopping;
}

void PortReader::run(int fd, const std::function<void()> &lost)
{
    hurryThisThread();
    char chunk[kChunk];
    qsizetype room = 0;
    while (waitForRoom(room)) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {m_stopPipe[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[1].revents != 0)
            return;
        if (fds[0].revents == 0)
            continue;
        const ssize_t count = ::read(fd, chunk, size_t(room));
        if (count > 0) {
            const auto now = std::chrono::steady_clock::now();
            const std::lock_guard lock(m_mutex);
            m_bytes.append(chunk, count);
            m_progress = {m_progress.bytes + count, now};
        } else if (count < 0 ? errno != EAGAIN && errno != EINTR
                             : (fds[0].revents & (POLLHUP | POLLERR)) != 0) {
            break;
        }
    }
    const std::lock_guard lock(m_mutex);
    if (!m_stopping)
        lost();
}

} // namespace talvor
