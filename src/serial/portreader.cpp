// SPDX-License-Identifier: GPL-3.0-or-later
#include "portreader.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <utility>

namespace talvor {

namespace {

// More than a pseudo-terminal or a USB adapter hands over in one read.
constexpr qsizetype kChunk = 4096;

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
    m_bytesRead = 0;
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
            const std::lock_guard lock(m_mutex);
            m_bytes.append(chunk, count);
            m_bytesRead += count;
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
