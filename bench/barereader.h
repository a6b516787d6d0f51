// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <mutex>
#include <thread>

namespace talvor::bench {

// The floor: the least a program can do to take bytes out of a pseudo-terminal as they arrive, a
// thread in poll() and read() on the raw slave and nothing else. It opens the slave as the serial
// port library does (raw, non-blocking) and reads until the device end closes.
class BareReader {
public:
    explicit BareReader(const char *slavePath);
    ~BareReader();
    BareReader(const BareReader &) = delete;
    BareReader &operator=(const BareReader &) = delete;

    bool isOpen() const { return m_fd >= 0; }
    long long bytes() const;
    std::chrono::steady_clock::time_point lastRead() const;
    // Waits until the thread has seen the device end close.
    void waitUntilEnded();

private:
    void run();

    int m_fd = -1;
    int m_stopPipe[2] = {-1, -1};
    mutable std::mutex m_mutex;
    long long m_bytes = 0;
    std::chrono::steady_clock::time_point m_lastRead;
    std::thread m_thread;
};

} // namespace talvor::bench
