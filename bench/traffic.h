// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

#include <cstdint>

namespace talvor::bench {

// What a Talvor sends when it streams: address and CV reports of random detectors, now and then
// the system information; the same bytes for the same seed.
QByteArray frameStream(qsizetype size, std::uint64_t seed = 1);

// Noise that never ends a frame: random bytes without FF, so the traffic log gets one endless
// line and the decoder never finds a report.
QByteArray noiseStream(qsizetype size, std::uint64_t seed = 2);

// Hands out a stream piece by piece, from its start again once it is used up.
class StreamCursor {
public:
    explicit StreamCursor(QByteArray stream)
        : m_stream(std::move(stream))
    {
    }
    QByteArray next(qsizetype size);

private:
    QByteArray m_stream;
    qsizetype m_pos = 0;
};

} // namespace talvor::bench
