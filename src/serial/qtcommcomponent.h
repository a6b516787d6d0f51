// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "commcomponentbase.h"
#include "portreader.h"

#include <QObject>
#include <QSerialPort>

namespace talvor {

// MSComm1 on QSerialPort: 19200 baud, 8 data bits, no parity, 1 stop bit. Received bytes leave
// the system's buffer as they arrive (see PortReader) and wait in the component's own, bounded
// buffer until the poll takes them; reads never wait. A port whose device vanishes is closed at
// once, what it sent kept, and the loss kept for takeDeviceLost().
class QtCommComponent : public QObject, public CommComponentBase {
    Q_OBJECT

public:
    explicit QtCommComponent(QObject *parent = nullptr);

    // How many bytes have left the system since the port was last opened, and when the last did:
    // once a byte is counted here, a vanishing device can no longer take it away. Thread-safe.
    PortReader::Progress readProgress() const { return m_reader.progress(); }

protected:
    bool isOpen() const override;
    CommStatus openDevice() override;
    void closeDevice() override;
    CommResult<ModemLines> modemLines() override;
    // Never waits: the reader thread has taken the bytes as they came.
    CommResult<qint64> waitingCount() override;
    QByteArray takeWaiting() override;
    CommStatus write(QByteArrayView bytes) override;

private:
    void handleError(QSerialPort::SerialPortError error);
    void startReading();
    // Closes the port as lost, keeping what was read; lostOpening names the open it ended.
    void closeLost(int lostOpening);

    QSerialPort *const m_port;
    PortReader m_reader{kMostPerPoll};
    int m_opening = 0; // counts the opens, so that a late loss cannot close a later one
    // Set while output() hands bytes over: a failure then is a refused write, not a lost device.
    bool m_writing = false;

    static constexpr qint32 kBaudRate = 19200;
    // The component's own buffer holds at most this much, so that one poll's work stays bounded
    // under a flood; beyond it bytes wait in the system (a pseudo-terminal makes the writer wait).
    static constexpr qsizetype kMostPerPoll = 512 * 1024;
};

} // namespace talvor
