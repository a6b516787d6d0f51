// SPDX-License-Identifier: GPL-3.0-or-later
#include "simpty.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <system_error>
#include <termios.h>
#include <unistd.h>

namespace talvor::sim {

namespace {

[[noreturn]] void throwErrno(const std::string &what)
{
    throw std::system_error(errno, std::generic_category(), what);
}

// As cfmakeraw, which POSIX lacks: no echo (the simulator would read its own reports back as
// commands), no line editing, no translation of bytes, 8 data bits.
void makeRaw(int fd)
{
    termios t{};
    if (tcgetattr(fd, &t) != 0)
        throwErrno("cannot read the pseudo-terminal's settings");
    t.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL |
                                        IXON | IXOFF);
    t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB);
    t.c_cflag |= CS8 | CREAD | CLOCAL;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    cfsetispeed(&t, B19200);
    cfsetospeed(&t, B19200);
    if (tcsetattr(fd, TCSANOW, &t) != 0)
        throwErrno("cannot set up the pseudo-terminal");
}

} // namespace

UniqueFd::~UniqueFd()
{
    if (m_fd >= 0)
        close(m_fd);
}

SimPty::SimPty()
    : m_master(posix_openpt(O_RDWR | O_NOCTTY))
{
    if (m_master.get() < 0)
        throwErrno("cannot open a pseudo-terminal");
    if (grantpt(fd()) != 0 || unlockpt(fd()) != 0)
        throwErrno("cannot unlock the pseudo-terminal");
    const char *name = ptsname(fd());
    if (name == nullptr)
        throwErrno("cannot name the pseudo-terminal");
    m_path = name;
    fcntl(fd(), F_SETFD, FD_CLOEXEC);
    if (fcntl(fd(), F_SETFL, fcntl(fd(), F_GETFL) | O_NONBLOCK) != 0)
        throwErrno("cannot make the pseudo-terminal non-blocking");

    // The settings belong to the other side and outlive this first opening of it.
    const UniqueFd other(open(m_path.c_str(), O_RDWR | O_NOCTTY));
    if (other.get() < 0)
        throwErrno("cannot open " + m_path);
    makeRaw(other.get());
}

SimPty::~SimPty()
{
    if (m_linkPath.empty())
        return;
    char target[PATH_MAX];
    const ssize_t length = readlink(m_linkPath.c_str(), target, sizeof target);
    if (length >= 0 && std::string(target, static_cast<std::size_t>(length)) == m_path)
        unlink(m_linkPath.c_str());
}

void SimPty::makeLink(const std::string &linkPath)
{
    struct stat info {};
    if (lstat(linkPath.c_str(), &info) == 0) {
        if (!S_ISLNK(info.st_mode)) {
            errno = EEXIST;
            throwErrno("cannot link " + linkPath + ", which is not a symbolic link");
        }
        if (unlink(linkPath.c_str()) != 0)
            throwErrno("cannot replace " + linkPath);
    }
    if (symlink(m_path.c_str(), linkPath.c_str()) != 0)
        throwErrno("cannot link " + linkPath);
    m_linkPath = linkPath;
}

bool SimPty::clientPresent() const
{
    pollfd probe{fd(), 0, 0};
    return poll(&probe, 1, 0) >= 0 && (probe.revents & POLLHUP) == 0;
}

} // namespace talvor::sim
