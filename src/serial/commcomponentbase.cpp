// SPDX-License-Identifier: GPL-3.0-or-later
#include "commcomponentbase.h"

#include <utility>

namespace talvor {

namespace {

const CommError kNotOpen{CommErrorCode::NotOpen, {}};

} // namespace

CommStatus CommComponentBase::setPortOpen(bool open)
{
    if (!open) {
        if (isOpen()) {
            closeDevice();
            m_keptInput.clear();
        }
        return {};
    }
    if (isOpen())
        return CommError{CommErrorCode::AlreadyOpen, {}};
    m_keptInput.clear();
    m_deviceLost.reset();
    m_noModemLines.reset();
    if (m_commPort < kFirstPort || m_commPort > kLastPort)
        return CommError{CommErrorCode::InvalidPortNumber, {}};
    return openDevice();
}

CommStatus CommComponentBase::setHandshaking(int handshake)
{
    if (handshake != NoHandshake && handshake != RtsCts)
        return CommError{CommErrorCode::InvalidHandshake, QString::number(handshake)};
    m_handshake = handshake;
    return {};
}

CommStatus CommComponentBase::setCommPort(int port)
{
    m_commPort = port;
    return {};
}

void CommComponentBase::setDevice(const QString &device)
{
    m_device = device;
}

CommResult<CommComponentBase::ModemLines> CommComponentBase::openPortLines() const
{
    if (!isOpen())
        return kNotOpen;
    if (m_noModemLines)
        return *m_noModemLines;
    return modemLines();
}

CommResult<bool> CommComponentBase::rtsEnable() const
{
    const CommResult<ModemLines> lines = openPortLines();
    return lines.ok() ? CommResult<bool>(lines.value().rts) : CommResult<bool>(lines.error());
}

CommResult<bool> CommComponentBase::ctsHolding() const
{
    const CommResult<ModemLines> lines = openPortLines();
    return lines.ok() ? CommResult<bool>(lines.value().cts) : CommResult<bool>(lines.error());
}

// After a loss the port is closed, but the bytes the device sent last are still here: they are
// often the ones that tell what went wrong.
CommResult<qint64> CommComponentBase::inBufferCount()
{
    if (isOpen())
        return waitingCount();
    if (m_keptInput.isEmpty())
        return kNotOpen;
    return qint64(m_keptInput.size());
}

CommResult<QByteArray> CommComponentBase::input()
{
    if (isOpen())
        return takeWaiting();
    if (m_keptInput.isEmpty())
        return kNotOpen;
    return std::exchange(m_keptInput, {});
}

CommStatus CommComponentBase::output(QByteArrayView bytes)
{
    if (!isOpen())
        return kNotOpen;
    return write(bytes);
}

std::optional<CommError> CommComponentBase::takeDeviceLost()
{
    return std::exchange(m_deviceLost, std::nullopt);
}

} // namespace talvor
