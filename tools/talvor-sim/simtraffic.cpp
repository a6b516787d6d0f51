// SPDX-License-Identifier: GPL-3.0-or-later
#include "simtraffic.h"

#include <algorithm>

namespace talvor::sim {

namespace {

constexpr int kMaxNoiseBurst = 8;
// Keeps the traffic's random numbers apart from those of the starting state.
constexpr std::uint64_t kTrafficSalt = 0x7A1B0C0FFEE5EEDULL;

} // namespace

TrafficShaper::TrafficShaper(const SimOptions &options, std::uint64_t seed)
    : m_noiseLevel(options.noiseLevel)
    , m_split(options.split)
    , m_splitPause(options.splitPause)
    , m_random(SimRandom(seed ^ kTrafficSalt).next())
{
}

std::vector<Chunk> TrafficShaper::shape(const Frame &frame)
{
    std::vector<Chunk> chunks;
    if (m_noiseLevel > 0 && m_random.chance(m_noiseLevel)) {
        Frame noise(static_cast<std::size_t>(m_random.between(1, kMaxNoiseBurst)));
        std::generate(noise.begin(), noise.end(), [this] { return m_random.byte(); });
        chunks.push_back({std::move(noise), {}});
    }
    if (!m_split) {
        chunks.push_back({frame, {}});
        return chunks;
    }
    auto pieces = splitFrame(frame);
    chunks.insert(chunks.end(), pieces.begin(), pieces.end());
    return chunks;
}

std::vector<Chunk> TrafficShaper::splitFrame(const Frame &frame)
{
    const int length = static_cast<int>(frame.size());
    std::vector<int> cuts{m_random.between(1, length - 1)};
    if (length > 2 && m_random.chance(0.5)) {
        int second = m_random.between(1, length - 2);
        if (second >= cuts.front())
            ++second;
        cuts.push_back(second);
        std::sort(cuts.begin(), cuts.end());
    }
    cuts.push_back(length);

    std::vector<Chunk> pieces;
    int from = 0;
    for (const int to : cuts) {
        pieces.push_back({Frame(frame.begin() + from, frame.begin() + to),
                          from == 0 ? std::chrono::milliseconds(0) : m_splitPause});
        from = to;
    }
    return pieces;
}

Frame TrafficShaper::unsolicitedReport(const SimDevice &device)
{
    const int detector = m_random.between(1, kDetectorCount);
    return m_random.chance(0.5) ? device.addressReport(detector) : device.cvReport(detector);
}

Frame TrafficShaper::streamReport(const SimDevice &device)
{
    const int kind = m_random.between(0, 99);
    if (kind < 10)
        return device.systemInfoReport();
    const int detector = m_random.between(1, kDetectorCount);
    return kind < 55 ? device.addressReport(detector) : device.cvReport(detector);
}

Frame TrafficShaper::changingReport()
{
    const auto detector = static_cast<std::uint8_t>(m_random.between(1, kDetectorCount));
    // No data byte may be 0xFF, which ends a frame.
    const auto data = [this] {
        return static_cast<std::uint8_t>(m_random.between(0, 0xFE));
    };
    if (m_random.chance(0.5))
        return {kCvReport, detector, data(), kEndOfFrame};
    return {kAddressReport, detector, data(), data(), kEndOfFrame};
}

void OutputQueue::push(const std::vector<Chunk> &chunks, Clock::time_point now)
{
    if (m_bytes.empty())
        m_lastWrite = now;
    for (const Chunk &chunk : chunks) {
        if (chunk.pauseBefore.count() > 0)
            m_pauses.push_back({m_position + m_bytes.size(), chunk.pauseBefore});
        m_bytes.insert(m_bytes.end(), chunk.bytes.begin(), chunk.bytes.end());
    }
}

void OutputQueue::clear()
{
    m_position += m_bytes.size();
    m_bytes.clear();
    m_pauses.clear();
}

std::optional<Clock::time_point> OutputQueue::dueAt() const
{
    if (m_bytes.empty())
        return std::nullopt;
    if (!m_pauses.empty() && m_pauses.front().position == m_position)
        return m_lastWrite + m_pauses.front().length;
    return m_lastWrite;
}

Frame OutputQueue::ready(Clock::time_point now, std::size_t maxBytes) const
{
    const auto due = dueAt();
    if (!due || now < *due)
        return {};
    std::size_t count = std::min(maxBytes, m_bytes.size());
    const auto nextPause = std::find_if(m_pauses.begin(), m_pauses.end(),
                                        [this](const Pause &p) { return p.position > m_position; });
    if (nextPause != m_pauses.end())
        count = std::min<std::size_t>(count, nextPause->position - m_position);
    return Frame(m_bytes.begin(), m_bytes.begin() + static_cast<std::ptrdiff_t>(count));
}

void OutputQueue::consume(std::size_t count, Clock::time_point now)
{
    m_bytes.erase(m_bytes.begin(), m_bytes.begin() + static_cast<std::ptrdiff_t>(count));
    m_position += count;
    while (!m_pauses.empty() && m_pauses.front().position < m_position)
        m_pauses.pop_front();
    m_lastWrite = now;
}

} // namespace talvor::sim
