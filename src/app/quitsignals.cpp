// SPDX-License-Identifier: GPL-3.0-or-later
#include "quitsignals.h"

#ifdef Q_OS_UNIX
#include <QSocketNotifier>

#include <cerrno>

#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace talvor {

#ifdef Q_OS_UNIX

namespace {

constexpr int kQuitSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The handler may only do what is safe in a signal handler: it writes one byte into a socket pair
// whose other end the event loop watches.
int s_fds[2] = {-1, -1};
volatile sig_atomic_t s_pending = 0;

void onQuitSignal(int signal)
{
    if (s_pending) {
        ::signal(signal, SIG_DFL);
        ::raise(signal);
        return;
    }
    s_pending = 1;
    const int savedErrno = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(s_fds[0], &byte, 1);
    errno = savedErrno;
}

} // namespace

QuitSignals::QuitSignals(QObject *parent)
    : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, s_fds) != 0)
        return;
    m_notifier = new QSocketNotifier(s_fds[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &QuitSignals::takeSignal);
    struct sigaction action = {};
    action.sa_handler = onQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : kQuitSignals)
        sigaction(signal, &action, nullptr);
}

QuitSignals::~QuitSignals()
{
    if (!m_notifier)
        return;
    for (const int signal : kQuitSignals)
        ::signal(signal, SIG_DFL);
    delete m_notifier;
    ::close(s_fds[0]);
    ::close(s_fds[1]);
    s_fds[0] = s_fds[1] = -1;
}

void QuitSignals::takeSignal()
{
    char byte = 0;
    [[maybe_unused]] const ssize_t read = ::read(s_fds[1], &byte, 1);
    s_pending = 0;
    emit received();
}

#else

QuitSignals::QuitSignals(QObject *parent)
    : QObject(parent)
{
}

QuitSignals::~QuitSignals() = default;

#endif

} // namespace talvor
