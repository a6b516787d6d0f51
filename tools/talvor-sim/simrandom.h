// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace talvor::sim {

// SplitMix64. The simulator's own generator rather than a standard distribution, whose results
// differ between standard libraries: a seed must give the same device and traffic everywhere.
class SimRandom {
public:
    explicit SimRandom(std::uint64_t seed)
        : m_state(seed)
    {
    }

    std::uint64_t next()
    {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }

    // Uniform in [low, high]; the modulo bias over 64 bits is far below anything observable here.
    int between(int low, int high)
    {
        const auto span = static_cast<std::uint64_t>(high - low) + 1;
        return low + static_cast<int>(next() % span);
    }

    std::uint8_t byte() { return static_cast<std::uint8_t>(next() >> 56); }

    bool chance(double probability)
    {
        return static_cast<double>(next() >> 11) * 0x1.0p-53 < probability;
    }

private:
    std::uint64_t m_state;
};

} // namespace talvor::sim
