// SPDX-License-Identifier: GPL-3.0-or-later
#include "barereader.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace talvor::bench {

BareReader::BareReader(const char *slavePath)
{
    m_fd = ::open(slavePath, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    termios raw{};
    if (m_fd < 0 || ::tcgetattr(m_fd, &raw) != 0 || ::pipe2(m_stopPipe, O_CLOEXEC) != 0) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
        return;
    }
    ::cfmakeraw(&raw);
    ::tcsetattr(m_fd, TCSANOW, &raw);
    m_thread = std::thread([this] { run(); });
}

BareReader::~BareReader()
{
    if (m_thread.joinable()) {
        const char byte = 0;
        [[maybe_unused]] const ssize_t written = ::write(m_stopPipe[1], &byte, 1);
        m_thread.join();
    }
    for (int fd : {m_fd, m_stopPipe[0], m_stopPipe[1]}) {
        if (fd >= 0)
            ::close(fd);
    }
}

long long BareReader::bytes() const
{
    const std::lock_guard lock(m_mutex);
    return m_bytes;
}

std::chrono::steady_clock::time_point BareReader::lastRead() const
{
    const std::lock_guard lock(m_mutex);
    return m_lastRead;
}

void BareReader::waitUntilEnded()
{
    if (m_thread.joinable())
        m_thread.join();
}

void BareReader::run()
{
    char chunk[4096];
    for (;;) {
        pollfd fds[2] = {{m_fd, POLLIN, 0}, {m_stopPipe[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents != 0)
            return;
        const ssize_t count = ::read(m_fd, chunk, sizeof chunk);
        if (count > 0) {
            const auto now = std::chrono::steady_clock::now();
            const std::lock_guard lock(m_mutex);
            m_bytes += count;
            m_lastRead = now;
        } else if (count == 0 || (errno != EAGAIN && errno != EINTR)) {
            return;
        }
    }
}

} // namespace talvor::bench
