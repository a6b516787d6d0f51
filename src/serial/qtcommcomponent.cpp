// SPDX-License-Identifier: GPL-3.0-or-later
#include "qtcommcomponent.h"

#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

namespace talvor {

namespace {

// QSerialPort reports a busy device as PermissionError too: its lock file is held, or another
// program opened the tty exclusively (EBUSY). Only a device we may not read or write is really a
// matter of rights. On Windows a COM port refuses access only while another program holds it.
CommErrorCode permissionFailure(const QString &device)
{
#ifdef Q_OS_WIN
    Q_UNUSED(device);
    return CommErrorCode::DeviceBusy;
#else
    // A lock file that cannot be made is reported as PermissionError as well.
    if (QFile::encodeName(device).size() > longestLockablePath(device))
        return CommErrorCode::PathTooLong;
    const QFileInfo info(device);
    return info.isReadable() && info.isWritable() ? CommErrorCode::DeviceBusy
                                                  : CommErrorCode::PermissionDenied;
#endif
}

CommErrorCode openFailure(QSerialPort::SerialPortError error, const QString &device)
{
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
    // A serial port node without hardware behind it (/dev/ttyS3 on most PCs) fails with EIO.
    case QSerialPort::ResourceError:
        return CommErrorCode::DeviceNotFound;
    case QSerialPort::PermissionError:
        return permissionFailure(device);
    case QSerialPort::OpenError:
        return CommErrorCode::AlreadyOpen;
    default:
        return CommErrorCode::OpenFailed;
    }
}

} // namespace

QtCommComponent::QtCommComponent(QObject *parent)
    : QObject(parent)
    , m_port(new QSerialPort(this))
{
    m_port->setBaudRate(kBaudRate);
    m_port->setDataBits(QSerialPort::Data8);
    m_port->setParity(QSerialPort::NoParity);
    m_port->setStopBits(QSerialPort::OneStop);
    connect(m_port, &QSerialPort::errorOccurred, this, &QtCommComponent::handleError);
}

bool QtCommComponent::isOpen() const
{
    return m_port->isOpen();
}

void QtCommComponent::closeDevice()
{
    m_reader.stop();
    m_reader.take();
    m_port->close();
}

CommResult<qint64> QtCommComponent::waitingCount()
{
    return m_reader.size();
}

QByteArray QtCommComponent::takeWaiting()
{
    return m_reader.take();
}

CommStatus QtCommComponent::write(QByteArrayView bytes)
{
    m_port->clearError();
    // flush() hands the bytes to the driver now, so that a refusal reaches this caller at once.
    // A device that takes no data (output stopped, CTS low under RTS/CTS) refuses with
    // ResourceError, as a vanished one does; a write alone never decides that the device is gone.
    m_writing = true;
    const bool sent = m_port->write(bytes.data(), bytes.size()) == bytes.size() && m_port->flush();
    m_writing = false;
    if (sent)
        return {};
    // The system's message for the usual refusal ("Resource temporarily unavailable") would only
    // hide the cause that the text names.
    const CommError error{CommErrorCode::WriteFailed, {}};
    // The refused bytes, and any still waiting in the driver, must not go out later, unasked, when
    // the device takes data again. On a vanished device this fails too and closes the port as lost.
    m_port->clear(QSerialPort::Output);
    if (!m_port->isOpen() && m_deviceLost)
        return m_deviceLost;
    m_port->clearError();
    return error;
}

CommStatus QtCommComponent::openDevice()
{
    m_port->setPortName(device());
    m_port->setFlowControl(rtsCts() ? QSerialPort::HardwareControl : QSerialPort::NoFlowControl);
    m_port->clearError();
    if (!m_port->open(QIODevice::ReadWrite)) {
        const CommErrorCode code = openFailure(m_port->error(), device());
        const QString detail =
            code == CommErrorCode::OpenFailed ? m_port->errorString() : QString();
        m_port->clearError();
        return CommError{code, detail};
    }
    startReading();
    return {};
}

// The reader thread reads the port's descriptor; QSerialPort's own read notifier, which would
// read it on the window's thread, is switched off before the event loop can run it. The port
// turns it on again only when asked to read, which this component never does.
void QtCommComponent::startReading()
{
    for (QSocketNotifier *notifier : m_port->findChildren<QSocketNotifier *>()) {
        if (notifier->type() == QSocketNotifier::Read)
            notifier->setEnabled(false);
    }
    const int opening = ++m_opening;
    m_reader.start(int(m_port->handle()), [this, opening] {
        QMetaObject::invokeMethod(
            this, [this, opening] { closeLost(opening); }, Qt::QueuedConnection);
    });
}

void QtCommComponent::closeLost(int lostOpening)
{
    if (lostOpening != m_opening || !m_port->isOpen())
        return;
    m_reader.stop();
    m_keptInput += m_reader.take();
    m_deviceLost = CommError{CommErrorCode::DeviceLost, {}};
    m_port->close();
}

CommResult<CommComponentBase::ModemLines> QtCommComponent::modemLines() const
{
    m_port->clearError();
    const QSerialPort::PinoutSignals lines = m_port->pinoutSignals();
    if (m_port->error() == QSerialPort::NoError)
        return ModemLines{lines.testFlag(QSerialPort::RequestToSendSignal),
                          lines.testFlag(QSerialPort::ClearToSendSignal)};
    if (!m_port->isOpen() && m_deviceLost)
        return *m_deviceLost;
    // A pseudo-terminal has no modem lines (UnsupportedOperationError): only this value is
    // missing, the port itself still works. Cleared so that the next tick starts clean.
    const CommError error{CommErrorCode::ReadFailed, m_port->errorString()};
    if (m_port->error() == QSerialPort::UnsupportedOperationError)
        m_noModemLines = error;
    m_port->clearError();
    return error;
}

void QtCommComponent::handleError(QSerialPort::SerialPortError error)
{
    // QSerialPort never closes itself. The reader thread sees a vanished device by itself; a
    // modem-line query on it fails with ResourceError first, and a read error cannot come from
    // the port, whose own reading is off. Either way the device is gone: close now, keeping what
    // arrived.
    if (m_writing || (error != QSerialPort::ResourceError && error != QSerialPort::ReadError))
        return;
    closeLost(m_opening);
}

} // namespace talvor
