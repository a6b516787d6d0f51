// SPDX-License-Identifier: GPL-3.0-or-later
#include "traffic.h"

#include <QRandomGenerator>

namespace talvor::bench {

namespace {

char randomByte(QRandomGenerator &random, quint32 below = 256)
{
    return char(random.bounded(below));
}

char detector(QRandomGenerator &random)
{
    return char(random.bounded(1, 25));
}

QByteArray frame(QRandomGenerator &random)
{
    const quint32 kind = random.bounded(100);
    QByteArray bytes;
    if (kind < 10) {
        bytes = QByteArray("\xFD");
        for (int i = 0; i < 4; ++i)
            bytes += randomByte(random);
    } else if (kind < 55) {
        bytes = QByteArray("\xFC") + detector(random) + randomByte(random) + randomByte(random);
    } else {
        bytes = QByteArray("\xFE") + detector(random) + randomByte(random);
    }
    return bytes + '\xFF';
}

} // namespace

QByteArray frameStream(qsizetype size, std::uint64_t seed)
{
    QRandomGenerator random{quint32(seed)};
    QByteArray stream;
    stream.reserve(size + 6);
    while (stream.size() < size)
        stream += frame(random);
    stream.truncate(size);
    return stream;
}

QByteArray noiseStream(qsizetype size, std::uint64_t seed)
{
    QRandomGenerator random{quint32(seed)};
    QByteArray stream(size, Qt::Uninitialized);
    for (char &byte : stream)
        byte = randomByte(random, 0xFF);
    return stream;
}

QByteArray StreamCursor::next(qsizetype size)
{
    QByteArray piece;
    piece.reserve(size);
    while (piece.size() < size) {
        if (m_pos == m_stream.size())
            m_pos = 0;
        const qsizetype n = std::min(size - piece.size(), m_stream.size() - m_pos);
        piece.append(m_stream.constData() + m_pos, n);
        m_pos += n;
    }
    return piece;
}

} // namespace talvor::bench
