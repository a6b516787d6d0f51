// SPDX-License-Identifier: GPL-3.0-or-later
#include "writerthreads.h"

#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <pthread.h>
#endif

#include <condition_variable>
#include <csignal>
#include <list>
#include <mutex>
#include <thread>

namespace talvor::writerthreads {

namespace {

struct Running {
    std::function<qint64()> unwritten;
};

struct Registry {
    std::mutex mutex;
    std::condition_variable ended;
    std::list<Running> running;
};

// Never destroyed: a thread still blocked in a write when the program ends may return while the
// statics are being destroyed.
Registry &registry()
{
    static Registry *const instance = new Registry;
    return *instance;
}

void blockFileSignals()
{
#ifdef Q_OS_UNIX
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGPIPE);
    sigaddset(&signals, SIGXFSZ);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
#endif
}

} // namespace

void start(std::function<void()> work, std::function<qint64()> unwritten)
{
    Registry &r = registry();
    std::list<Running>::iterator entry;
    {
        const std::lock_guard lock(r.mutex);
        entry = r.running.insert(r.running.end(), Running{std::move(unwritten)});
    }
    std::thread([work = std::move(work), entry, &r] {
        blockFileSignals();
        work();
        const std::lock_guard lock(r.mutex);
        r.running.erase(entry);
        r.ended.notify_all();
    }).detach();
}

qint64 finish(std::chrono::milliseconds bound)
{
    Registry &r = registry();
    std::unique_lock lock(r.mutex);
    r.ended.wait_for(lock, bound, [&r] { return r.running.empty(); });
    qint64 unwritten = 0;
    for (const Running &running : r.running)
        unwritten += running.unwritten();
    return unwritten;
}

} // namespace talvor::writerthreads
