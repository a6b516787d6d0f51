// SPDX-License-Identifier: GPL-3.0-or-later
#include "sendbyte.h"

#include "hexformat.h"
#include "numberreading.h"

namespace talvor {

namespace {

// The low eight bits in two's complement: -1 gives 255, 256 gives 0.
quint8 lowByte(qint32 value)
{
    return static_cast<quint8>(static_cast<quint32>(value) & 0xFFu);
}

} // namespace

std::optional<SendByte> sendByteFor(QStringView typedText)
{
    const QString text = typedText.toString().replace(QStringLiteral("0x"), QStringLiteral("&H"));
    const auto value = roundToInt32(readLenientNumber(text));
    if (!value)
        return std::nullopt;
    const quint8 byte = lowByte(*value);
    const char raw = static_cast<char>(byte);
    return SendByte{byte, QString::number(byte),
                    QStringLiteral("0x") + hexPairs(QByteArrayView(&raw, 1)) +
                        QStringLiteral(" senden")};
}

quint8 sendByteValue(QStringView tag)
{
    return lowByte(roundToInt32(readLenientNumber(tag)).value_or(0));
}

} // namespace talvor
