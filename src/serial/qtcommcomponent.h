#pragma once

#include "commcomponent.h"

#include <QObject>
#include <QSerialPort>

namespace talvor {

// MSComm1 on QSerialPort: 19200 baud, 8 data bits, no parity, 1 stop bit, unlimited read buffer.
// Received bytes wait in the system's buffer and are taken when the poll asks for them; reads
// never wait. A port whose device vanishes is closed at once and the loss kept for
// takeDeviceLost().
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

private:
    CommStatus openPort();
    CommResult<bool> modemLine(QSerialPort::PinoutSignal line) const;
    void gatherWaiting();
    void handleError(QSerialPort::SerialPortError error);
    // A failure naming the open port, or the chosen one while the port is closed.
    CommError failure(CommErrorCode code, const QString &detail = {}) const;

    QSerialPort *const m_port;
    int m_commPort = kDefaultPort;
    int m_handshake = NoHandshake;
    int m_openPort = 0;
    QString m_openDevice;
    // Bytes taken from the port and not yet handed out: those gathered for the poll, and those
    // received before the device vanished, which the next input() hands out too.
    QByteArray m_keptInput;
    std::optional<CommError> m_deviceLost;
    // Why the open port has no modem lines to read (a pseudo-terminal), once that is known.
    mutable std::optional<CommError> m_noModemLines;
    // Set while output() hands bytes over: a failure then is a refused write, not a lost device.
    bool m_writing = false;

    static constexpr int kDefaultPort = 1;
    static constexpr qint32 kBaudRate = 19200;
    // At most this much is taken per poll, so that one poll's work stays bounded under a flood.
    static constexpr qsizetype kMostPerPoll = 512 * 1024;
    // More than a real port brings in one poll: the sender streams as fast as it can.
    static constexpr qsizetype kStreaming = 4096;
};

} // namespace talvor
