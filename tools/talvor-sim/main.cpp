// SPDX-License-Identifier: GPL-3.0-or-later
// talvor-sim: a Talvor on a pseudo-terminal, for trying out and testing Talvor-Tester.

#include "simloop.h"
#include "simoptions.h"
#include "simpty.h"
#include "talvorversion.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <iostream>
#include <stdexcept>
#include <system_error>
#include <unistd.h>

namespace {

using namespace talvor::sim;

int g_stopWriteFd = -1;

extern "C" void requestStop(int)
{
    const int savedErrno = errno;
    const char byte = 0;
    [[maybe_unused]] const ssize_t ignored = write(g_stopWriteFd, &byte, 1);
    errno = savedErrno;
}

// Ctrl-C, SIGTERM and SIGHUP make a pipe readable, which the loop watches along with the device.
class StopSignal {
public:
    StopSignal()
    {
        if (pipe(m_fds) != 0)
            throw std::system_error(errno, std::generic_category(), "cannot create a pipe");
        for (const int fd : m_fds) {
            fcntl(fd, F_SETFD, FD_CLOEXEC);
            fcntl(fd, F_SETFL, O_NONBLOCK);
        }
        g_stopWriteFd = m_fds[1];
        struct sigaction action {};
        action.sa_handler = requestStop;
        sigemptyset(&action.sa_mask);
        for (const int signal : {SIGINT, SIGTERM, SIGHUP})
            sigaction(signal, &action, nullptr);
    }

    ~StopSignal()
    {
        g_stopWriteFd = -1;
        close(m_fds[0]);
        close(m_fds[1]);
    }

    StopSignal(const StopSignal &) = delete;
    StopSignal &operator=(const StopSignal &) = delete;

    int fd() const { return m_fds[0]; }

private:
    int m_fds[2] = {-1, -1};
};

} // namespace

int main(int argc, char *argv[])
{
    const ParsedOptions parsed = parseOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.options) {
        std::cerr << "talvor-sim: " << parsed.error << "\nTry 'talvor-sim --help'.\n";
        return 2;
    }
    const SimOptions &options = *parsed.options;
    if (options.help) {
        std::cout << helpText();
        return 0;
    }
    if (options.version) {
        std::cout << "talvor-sim (Talvor-Tester) " << talvor::kProgramVersion << '\n'
                  << talvor::kLicenceNotice;
        return 0;
    }
    try {
        const StopSignal stop;
        SimPty pty;
        // Opens the record and the recording to replay first, so that a path is printed only
        // for a simulator that runs.
        SimLoop loop(options, pty, stop.fd());
        if (!options.linkPath.empty())
            pty.makeLink(options.linkPath);
        std::cout << pty.path() << std::endl;
        loop.run();
    } catch (const std::runtime_error &e) {
        std::cerr << "talvor-sim: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
