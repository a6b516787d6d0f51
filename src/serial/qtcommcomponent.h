// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "commcomponent.h"
#include "portreader.h"

#include <QObject>
#include <QSerialPort>

namespace talvor {

// MSComm1 on QSerialPort: 19200 baud, 8 data bits, no parity, 1 stop bit. Received bytes leave
// the system's buffer as they arrive (see PortReader) and wait in the component's own, bounded
// buffer until the poll takes them; reads never wait. A port whose device vanishes is closed at
// once, what it sent kept, and the loss kept for takeDeviceLost().
class QtCommComponent : public QObject, public CommComponent {
    Q_OBJECT

public:
    explicit QtCommComponent(QObject *parent = nullptr);

    CommResult<bool> portOpen() const override;
    CommStatus setPortOpen(bool open) override;
    CommStatus setHandshaking(int handshake) override;
    CommStatus setCommPort(int port) override;

    CommResult<bool> rtsEnable() const override;
    CommResult<bool> ctsHolding() const override;
    CommResult<qint64> inBufferCount() override;
    CommResult<QByteArray> input() override;
    CommStatus output(QByteArrayView bytes) override;

    std::optional<CommError> takeDeviceLost() override;

    // How many bytes have left the system since the port was last opened, and when the last did:
    // once a byte is counted here, a vanishing device can no longer take it away. Thread-safe.
    PortReader::Progress readProgress() const { return m_reader.progress(); }

private:
    CommStatus openPort();
    CommResult<bool> modemLine(QSerialPort::PinoutSignal line) const;
    void handleError(QSerialPort::SerialPortError error);
    void startReading();
    // Closes the port as lost, keeping what was read; lostOpening names the open it ended.
    void closeLost(int lostOpening);
    // A failure naming the open port, or the chosen one while the port is closed.
    CommError failure(CommErrorCode code, const QString &detail = {}) const;

    QSerialPort *const m_port;
    int m_commPort = kDefaultPort;
    int m_handshake = NoHandshake;
    int m_openPort = 0;
    QString m_openDevice;
    // Bytes received before the device vanished, which the next input() hands out.
    QByteArray m_keptInput;
    PortReader m_reader{kMostPerPoll};
    int m_opening = 0; // counts the opens, so that a late loss cannot close a later one
    std::optional<CommError> m_deviceLost;
    // Why the open port has no modem lines to read (a pseudo-terminal), once that is known.
    mutable std::optional<CommError> m_noModemLines;
    // Set while output() hands bytes over: a failure then is a refused write, not a lost device.
    bool m_writing = false;

    static constexpr int kDefaultPort = 1;
    static constexpr qint32 kBaudRate = 19200;
    // The component's own buffer holds at most this much, so that one poll's work stays bounded
    // under a flood; beyond it bytes wait in the system (a pseudo-terminal makes the writer wait).
    static constexpr qsizetype kMostPerPoll = 512 * 1024;
};

} // namespace talvor
