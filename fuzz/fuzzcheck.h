// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace talvor::fuzz {

// A finding: says what differs and aborts, which libFuzzer reports with the input that caused it.
[[noreturn]] inline void fail(const QByteArray &what)
{
    std::fprintf(stderr, "fuzz check failed: %s\n", what.constData());
    std::abort();
}

// The fuzzer's bytes, read front to back; reads past the end give 0.
class Input {
public:
    Input(const unsigned char *data, size_t size)
        : m_data(reinterpret_cast<const char *>(data))
        , m_size(qsizetype(size))
    {
    }

    bool atEnd() const { return m_pos >= m_size; }
    unsigned char byte() { return atEnd() ? 0 : static_cast<unsigned char>(m_data[m_pos++]); }
    // Up to count bytes, fewer at the end.
    QByteArray bytes(qsizetype count)
    {
        const qsizetype n = std::min(count, m_size - m_pos);
        const QByteArray taken(m_data + m_pos, n);
        m_pos += n;
        return taken;
    }

private:
    const char *m_data;
    qsizetype m_size;
    qsizetype m_pos = 0;
};

} // namespace talvor::fuzz
