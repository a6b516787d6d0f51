// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QString>

#include <poll.h>
#include <pty.h>
#include <unistd.h>

namespace talvor::test {

// A pseudo-terminal pair: the component opens the slave by its path, the test plays the device on
// the master side.
class PtyPair {
public:
    PtyPair()
    {
        char name[256] = {};
        if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) == 0)
            m_slavePath = QString::fromLocal8Bit(name);
    }
    ~PtyPair()
    {
        closeMaster();
        if (m_slave >= 0)
            ::close(m_slave);
    }
    PtyPair(const PtyPair &) = delete;
    PtyPair &operator=(const PtyPair &) = delete;

    bool isValid() const { return !m_slavePath.isEmpty(); }
    QString slavePath() const { return m_slavePath; }
    int slaveFd() const { return m_slave; }

    bool writeMaster(const QByteArray &bytes) const
    {
        return ::write(m_master, bytes.constData(), size_t(bytes.size())) == bytes.size();
    }

    // Reads from the master until `count` bytes came or `timeoutMs` passed.
    QByteArray readMaster(qsizetype count, int timeoutMs = 1000) const
    {
        QByteArray bytes;
        QDeadlineTimer deadline(timeoutMs);
        while (bytes.size() < count && !deadline.hasExpired()) {
            pollfd fd{m_master, POLLIN, 0};
            if (::poll(&fd, 1, int(deadline.remainingTime())) <= 0)
                break;
            char chunk[512];
            const ssize_t n = ::read(m_master, chunk, sizeof chunk);
            if (n <= 0)
                break;
            bytes.append(chunk, n);
        }
        return bytes;
    }

    // The device side goes away, as when a USB adapter is pulled.
    void closeMaster()
    {
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
};

} // namespace talvor::test
