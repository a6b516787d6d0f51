// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace talvor::sim {

// A file descriptor that closes itself.
class UniqueFd {
public:
    explicit UniqueFd(int fd = -1)
        : m_fd(fd)
    {
    }
    ~UniqueFd();
    UniqueFd(const UniqueFd &) = delete;
    UniqueFd &operator=(const UniqueFd &) = delete;

    int get() const { return m_fd; }

private:
    int m_fd;
};

// The pseudo-terminal that stands in for the device's serial line. The simulator keeps the
// master side; a program under test opens path(), the other side, as its serial port. The line
// is raw, so that every byte passes unchanged, and the master side does not block.
class SimPty {
public:
    SimPty(); // throws std::system_error
    ~SimPty();
    SimPty(const SimPty &) = delete;
    SimPty &operator=(const SimPty &) = delete;

    int fd() const { return m_master.get(); }
    const std::string &path() const { return m_path; }

    // Makes linkPath a symbolic link to path(), replacing an older symbolic link but no other
    // file; the destructor removes it while it still points here. Throws std::system_error.
    void makeLink(const std::string &linkPath);

    // Whether a program has the other side open. Without one, bytes written to the master side
    // would wait for the next program that opens it, so the simulator sends nothing then.
    bool clientPresent() const;

private:
    UniqueFd m_master;
    std::string m_path;
    std::string m_linkPath;
};

} // namespace talvor::sim
