// SPDX-License-Identifier: GPL-3.0-or-later
#include "simloop.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <iostream>
#include <poll.h>
#include <stdexcept>
#include <system_error>
#include <unistd.h>

namespace talvor::sim {

namespace {

using std::chrono::duration;
using std::chrono::duration_cast;

// How often the simulator looks whether a program has opened the device.
constexpr std::chrono::milliseconds kClientPollInterval{50};
constexpr std::size_t kMaxWrite = 4096;
// The stream queues no more than this, so that answers to commands wait little behind it.
constexpr std::size_t kStreamBacklog = 512;
// After a stall (the reader too slow) the stream catches up by at most this much time.
constexpr double kStreamBurstSeconds = 0.1;
// A replay queues no more than this ahead of the device.
constexpr std::size_t kReplayBacklog = 64 * 1024;
// After the last replayed byte, the time the program at the other end gets to read it before
// the device goes away.
constexpr std::chrono::seconds kReplayGrace{1};

[[noreturn]] void throwErrno(const std::string &what)
{
    throw std::system_error(errno, std::generic_category(), what);
}

int openRecord(const std::string &path)
{
    if (path.empty())
        return -1;
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0)
        throwErrno("cannot open " + path);
    return fd;
}

std::string hexByte(std::uint8_t byte)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", byte);
    return text;
}

// As the tester shows an address.
std::string addressText(const Detector &d)
{
    if (d.address == kFreeAddress)
        return "frei";
    if (d.address == kUnknownAddress)
        return "unbek.";
    return (d.marker ? "< " : "> ") + std::to_string(d.address);
}

std::string versionText(std::uint8_t version)
{
    return std::to_string(version / 10) + "." + std::to_string(version % 10);
}

Clock::duration seconds(double value)
{
    return duration_cast<Clock::duration>(duration<double>(value));
}

int millisecondsUntil(Clock::time_point now, Clock::time_point then)
{
    if (then <= now)
        return 0;
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(then - now).count();
    return static_cast<int>(std::min<long long>(ms, INT_MAX));
}

} // namespace

SimLoop::SimLoop(const SimOptions &options, SimPty &pty, int stopFd)
    : m_options(options)
    , m_pty(pty)
    , m_stopFd(stopFd)
    , m_recordFd(openRecord(options.recordPath))
    , m_device(SimDevice::fromSeed(options.seed))
    , m_shaper(options, options.seed)
{
    applyFaults(m_device, options.faults);
    if (options.replayPath.empty())
        return;
    // A folder opens like a file here, and reading it fails only later.
    std::error_code error;
    if (std::filesystem::is_directory(options.replayPath, error)) {
        errno = EISDIR;
        throwErrno("cannot open " + options.replayPath);
    }
    m_replayFile.open(options.replayPath, std::ios::binary);
    if (!m_replayFile)
        throwErrno("cannot open " + options.replayPath);
    m_replay.emplace(m_replayFile, options.replayPath, std::cerr);
    // Read once through now: a file without received bytes would leave nothing to wait for.
    if (!m_replay->next())
        throw std::runtime_error(options.replayPath + ": nothing to replay (no readable RX line)");
    m_replay->rewind();
}

void SimLoop::run()
{
    logState();
    for (;;) {
        if (!m_clientPresent) {
            if (!waitForClient())
                return;
            startSession(Clock::now());
        }
        if (!serveOnce())
            return;
    }
}

bool SimLoop::waitForClient()
{
    while (!m_pty.clientPresent()) {
        pollfd stop{m_stopFd, POLLIN, 0};
        const int result = poll(&stop, 1, static_cast<int>(kClientPollInterval.count()));
        if (result > 0)
            return false;
        if (result < 0 && errno != EINTR)
            throwErrno("cannot wait for the device to be opened");
    }
    return true;
}

void SimLoop::startSession(Clock::time_point now)
{
    m_clientPresent = true;
    if (m_options.unsolicitedRate > 0)
        m_nextUnsolicited = now + seconds(1.0 / m_options.unsolicitedRate);
    m_streamClock = now;
    m_streamCredit = 0;
    if (m_replay) {
        m_replay->rewind();
        m_nextChunk = m_replay->next();
        m_replayStart = now;
        m_replayEnd.reset();
    }
    log("device opened");
}

// One wait for input, room to write or a timer, and what follows; false once asked to stop.
bool SimLoop::serveOnce()
{
    auto now = Clock::now();
    pollfd fds[2] = {{m_stopFd, POLLIN, 0}, {m_pty.fd(), POLLIN, 0}};
    if (const auto due = writeDue(); due && *due <= now)
        fds[1].events |= POLLOUT;
    if (poll(fds, 2, pollTimeout(now)) < 0) {
        if (errno == EINTR)
            return true;
        throwErrno("cannot wait for the device");
    }
    if (fds[0].revents != 0)
        return false;
    now = Clock::now();
    if ((fds[1].revents & (POLLHUP | POLLERR)) != 0) {
        // What was not written yet would reach the next program to open the device.
        m_clientPresent = false;
        m_queue.clear();
        log("device closed");
        return true;
    }
    if ((fds[1].revents & POLLIN) != 0)
        readCommands(now);
    if (m_options.unsolicitedRate > 0 && now >= m_nextUnsolicited)
        sendUnsolicited(now);
    if (m_options.streamRate > 0 && !m_streamDone)
        feedStream(now);
    if (m_replay)
        feedReplay(now);
    writeReady();
    return !m_replay || !replayOver();
}

void SimLoop::readCommands(Clock::time_point now)
{
    std::uint8_t buffer[256];
    const ssize_t count = read(m_pty.fd(), buffer, sizeof buffer);
    // Nothing (or EIO as the other side closes): the next poll tells which.
    for (ssize_t i = 0; i < count; ++i) {
        if (m_replay)
            log("received " + hexByte(buffer[i]) + ": ignored while replaying");
        else
            answer(buffer[i], now);
    }
}

void SimLoop::answer(std::uint8_t command, Clock::time_point now)
{
    for (const Frame &frame : m_device.answer(command))
        m_queue.push(m_shaper.shape(frame), now);

    const Command c = decodeCommand(command);
    const std::string detector = std::to_string(c.detector);
    std::string what;
    switch (c.kind) {
    case CommandKind::Initialise:
        what = "initialise";
        break;
    case CommandKind::Request:
        what = "request detector " + detector;
        break;
    case CommandKind::SystemInfo:
        what = "system information";
        break;
    case CommandKind::ProgramAddress:
        what = "program detector " + detector + ", new address " +
               addressText(m_device.detector(c.detector));
        break;
    case CommandKind::Ignored:
        what = "ignored";
        break;
    }
    log("received " + hexByte(command) + ": " + what);
}

void SimLoop::sendUnsolicited(Clock::time_point now)
{
    if (const Frame report = m_shaper.unsolicitedReport(m_device); m_device.sends(report))
        m_queue.push(m_shaper.shape(report), now);
    const auto period = seconds(1.0 / m_options.unsolicitedRate);
    m_nextUnsolicited += period;
    if (m_nextUnsolicited < now)
        m_nextUnsolicited = now + period;
}

void SimLoop::feedStream(Clock::time_point now)
{
    const auto rate = static_cast<double>(m_options.streamRate);
    const double elapsed = duration<double>(now - m_streamClock).count();
    m_streamCredit = std::min(m_streamCredit + rate * elapsed, rate * kStreamBurstSeconds);
    m_streamClock = now;
    while (!m_streamDone && m_streamCredit >= 0 && m_queue.pendingBytes() < kStreamBacklog) {
        const auto chunks = m_shaper.shape(
            m_options.streamChanging ? m_shaper.changingReport() : m_shaper.streamReport(m_device));
        std::size_t size = 0;
        for (const Chunk &chunk : chunks)
            size += chunk.bytes.size();
        m_queue.push(chunks, now);
        m_streamCredit -= static_cast<double>(size);
        m_streamSent += size;
        if (m_options.streamTotal != 0 && m_streamSent >= m_options.streamTotal) {
            m_streamDone = true;
            log("stream finished after " + std::to_string(m_streamSent) + " bytes");
        }
    }
}

Clock::time_point SimLoop::replayDue(const ReplayChunk &chunk) const
{
    if (m_options.replayNoTiming)
        return m_replayStart;
    // Slowed down, a long recording can reach beyond what the clock counts (292 years).
    constexpr duration<double, std::milli> kFarthest = std::chrono::hours(24 * 366 * 200);
    const duration<double, std::milli> at(double(chunk.at.count()) / m_options.replaySpeed);
    return m_replayStart + duration_cast<Clock::duration>(std::min(at, kFarthest));
}

// Queues the recorded bytes that are due.
void SimLoop::feedReplay(Clock::time_point now)
{
    while (m_nextChunk && replayDue(*m_nextChunk) <= now &&
           m_queue.pendingBytes() < kReplayBacklog) {
        m_queue.push({Chunk{std::move(m_nextChunk->bytes)}}, now);
        m_nextChunk = m_replay->next();
        if (!m_nextChunk && m_options.replayLoop) {
            log("replay finished, starting again");
            m_replay->rewind();
            m_nextChunk = m_replay->next();
            m_replayStart = now;
        }
    }
}

// True once every recorded byte went out and the program at the other end had its time to read
// the last ones.
bool SimLoop::replayOver()
{
    if (m_nextChunk || m_queue.pendingBytes() > 0)
        return false;
    const auto now = Clock::now();
    if (!m_replayEnd) {
        log("replay finished");
        m_replayEnd = now;
    }
    return now >= *m_replayEnd + kReplayGrace;
}

// When the queued bytes may be written: when the queue says, and with --latency not before the
// next batch.
std::optional<Clock::time_point> SimLoop::writeDue() const
{
    auto due = m_queue.dueAt();
    if (due && m_options.latency.count() > 0)
        due = std::max(*due, m_nextBatch);
    return due;
}

void SimLoop::writeReady()
{
    if (m_options.latency.count() > 0) {
        const auto now = Clock::now();
        if (m_queue.pendingBytes() == 0 || now < m_nextBatch)
            return;
        m_nextBatch = now + m_options.latency;
    }
    for (;;) {
        const Frame bytes = m_queue.ready(Clock::now(), kMaxWrite);
        if (bytes.empty())
            return;
        const ssize_t written = write(m_pty.fd(), bytes.data(), bytes.size());
        if (written < 0) {
            // Full for now, or the other side has just closed: the next poll tells.
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR || errno == EIO)
                return;
            throwErrno("cannot write to " + m_pty.path());
        }
        const auto count = static_cast<std::size_t>(written);
        record(std::span(bytes).first(count));
        m_queue.consume(count, Clock::now());
    }
}

void SimLoop::record(std::span<const std::uint8_t> bytes)
{
    if (m_recordFd.get() < 0)
        return;
    while (!bytes.empty()) {
        const ssize_t written = write(m_recordFd.get(), bytes.data(), bytes.size());
        if (written < 0 && errno != EINTR)
            throwErrno("cannot write to " + m_options.recordPath);
        if (written > 0)
            bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
}

int SimLoop::pollTimeout(Clock::time_point now) const
{
    int timeout = -1;
    const auto consider = [&](Clock::time_point then) {
        const int ms = millisecondsUntil(now, then);
        timeout = timeout < 0 ? ms : std::min(timeout, ms);
    };
    if (const auto due = writeDue(); due && *due > now)
        consider(*due);
    if (m_options.unsolicitedRate > 0)
        consider(m_nextUnsolicited);
    if (m_options.streamRate > 0 && !m_streamDone && m_queue.pendingBytes() < kStreamBacklog) {
        const double wait = -m_streamCredit / static_cast<double>(m_options.streamRate);
        consider(m_streamClock + seconds(std::max(wait, 0.0)));
    }
    if (m_nextChunk && m_queue.pendingBytes() < kReplayBacklog)
        consider(replayDue(*m_nextChunk));
    if (m_replayEnd)
        consider(*m_replayEnd + kReplayGrace);
    return timeout;
}

void SimLoop::logState() const
{
    const SystemInfo &info = m_device.systemInfo();
    log("seed " + std::to_string(m_options.seed) + ": serial number " +
        std::to_string(info.serialNumber) + ", software " + versionText(info.softwareVersion) +
        ", hardware " + versionText(info.hardwareVersion));
    for (int n = 1; n <= kDetectorCount; ++n) {
        const Detector &d = m_device.detector(n);
        char number[4];
        std::snprintf(number, sizeof number, "%2d", n);
        log("detector " + std::string(number) + ": " + addressText(d) + ", CV " +
            std::to_string(d.cv) + (m_device.isSilent(n) ? ", silent" : ""));
    }
}

void SimLoop::log(const std::string &line) const
{
    if (!m_options.quiet)
        std::cerr << "talvor-sim: " << line << '\n';
}

} // namespace talvor::sim
