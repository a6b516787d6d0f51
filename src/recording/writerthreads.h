// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

#include <chrono>
#include <functional>

namespace talvor {

// The threads that write the recording and the saved log. They are not joined: a file that takes
// no data (a FIFO nobody reads, a hung network share) may block one of them for good, and neither
// the window nor the end of the program may wait for that. SIGPIPE and SIGXFSZ are blocked on
// them, so that a reader that went away or a size limit fails the write instead of ending the
// program.
namespace writerthreads {

// Runs work on a thread of its own; unwritten tells, while it runs, how many bytes it still holds.
void start(std::function<void()> work, std::function<qint64()> unwritten);
// Waits at most bound for the running threads to end; the bytes still unwritten after that.
qint64 finish(std::chrono::milliseconds bound);

} // namespace writerthreads

} // namespace talvor
