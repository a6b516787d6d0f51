// SPDX-License-Identifier: GPL-3.0-or-later
#include "hexformat.h"

#include "hexdigits.h"

namespace talvor {

void appendHexPairs(QByteArray &out, QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return;
    const qsizetype start = out.size();
    out.resize(start + bytes.size() * 3 - 1);
    char *next = out.data() + start;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (i > 0)
            *next++ = ' ';
        next = writeHexPair(next, static_cast<std::uint8_t>(bytes[i]));
    }
}

QString hexPairs(QByteArrayView bytes)
{
    QByteArray text;
    appendHexPairs(text, bytes);
    return QString::fromLatin1(text);
}

} // namespace talvor
