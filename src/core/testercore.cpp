// SPDX-License-Identifier: GPL-3.0-or-later
#include "testercore.h"

#include "connection.h"
#include "logsaver.h"
#include "receivepoll.h"
#include "settingsstore.h"
#include "systemcommcomponent.h"
#include "trafficrecorder.h"
#include "writerthreads.h"

namespace talvor {

namespace {

// How soon a failed write of the recording or the saved log reaches the error line.
constexpr std::chrono::milliseconds kFileWatchInterval{100};

ErrorMessage asMessage(const FileWriteError &error)
{
    return {FileWriteError::kNumber, error.description};
}

} // namespace

TesterCore::TesterCore(QObject *parent)
    : TesterCore(makeSystemCommComponent(), *new SettingsStore, parent)
{
    m_ownSettings.reset(&m_settings);
}

TesterCore::TesterCore(std::unique_ptr<CommComponent> comm, SettingsStore &settings,
                       QObject *parent)
    : QObject(parent)
    , m_comm(std::move(comm))
    , m_settings(settings)
    , m_ports(settings)
    , m_recorder(std::make_unique<TrafficRecorder>())
    , m_logSaver(std::make_unique<LogSaver>())
    , m_timer(this)
    , m_fileWatch(this)
{
    m_timer.setObjectName(QStringLiteral("Timer1"));
    m_timer.setInterval(kPollInterval);
    connect(&m_timer, &QTimer::timeout, this, &TesterCore::receivePoll);
    m_fileWatch.setInterval(kFileWatchInterval);
    connect(&m_fileWatch, &QTimer::timeout, this, &TesterCore::checkFiles);
}

TesterCore::~TesterCore() = default;

qint64 TesterCore::finishFileWriters(std::chrono::milliseconds grace)
{
    return writerthreads::finish(grace);
}

bool TesterCore::isRecording() const
{
    return m_recorder->isRecording();
}

QString TesterCore::recordingPath() const
{
    return m_recorder->path();
}

RestoredChoices TesterCore::restoreChoices(int portCount) const
{
    return restoredChoices(m_settings, portCount);
}

void TesterCore::savePortChoice(int portPosition)
{
    m_settings.writeText(kPortSection, kPortNumberKey, QString::number(portPosition));
}

void TesterCore::saveHandshakeChoice(bool rtsCts)
{
    m_settings.writeText(kPortSection, kRtsCtsKey,
                         rtsCts ? QStringLiteral("1") : QStringLiteral("0"));
}

void TesterCore::startPolling()
{
    m_timer.start();
}

void TesterCore::stopPolling()
{
    m_timer.stop();
}

void TesterCore::connectPort(int portNumber, bool rtsCts)
{
    // Shown before the new connection empties the receive buffer.
    showDeviceLoss();
    m_decoder.clear();
    const ConnectOutcome outcome = openConnection(*m_comm, m_ports, portNumber, rtsCts, m_target);
    if (outcome.error) {
        emit failed(*outcome.error);
        return;
    }
    if (outcome.opened) {
        emit connectionChanged(true);
        m_recorder->recordEvent(TrafficRecorder::Event::Connect,
                                QStringLiteral("COM %1").arg(portNumber));
    }
}

void TesterCore::disconnectPort()
{
    // Shown now, and recorded, also when the window is being closed and no tick follows.
    showDeviceLoss();
    const DisconnectOutcome outcome = closeConnection(*m_comm, m_ports, m_target);
    if (outcome.error) {
        emit failed(*outcome.error);
        return;
    }
    if (outcome.closed) {
        emit connectionChanged(false);
        m_recorder->recordEvent(TrafficRecorder::Event::Disconnect);
    }
}

void TesterCore::showDeviceLoss()
{
    if (std::optional<CommError> lost = m_comm->takeDeviceLost())
        showPoll(runReceivePoll(*m_comm, m_decoder, m_log, std::move(lost)));
}

void TesterCore::receivePoll()
{
    showPoll(runReceivePoll(*m_comm, m_decoder, m_log));
}

void TesterCore::showPoll(const PollOutcome &outcome)
{
    if (outcome.lines != m_toldLines) {
        m_toldLines = outcome.lines;
        emit linesChanged(outcome.lines);
    }
    if (outcome.received) {
        emit logChanged();
        m_recorder->recordReceived(outcome.chunk);
    }
    if (!outcome.reports.empty())
        emit reportsReceived(outcome.reports);
    if (outcome.lost) {
        // The component closed a port whose device vanished: say why the link dropped.
        emit failed(failureMessage(*outcome.lost, m_target, m_ports));
        emit connectionChanged(false);
        m_recorder->recordEvent(TrafficRecorder::Event::DeviceLost);
    }
}

bool TesterCore::readyToSend()
{
    // A closed port sends nothing and is no failure.
    const CommResult<bool> open = m_comm->portOpen();
    if (!open.ok())
        emit failed(failureMessage(open.error(), m_target, m_ports));
    return open.ok() && open.value();
}

bool TesterCore::send(quint8 byte)
{
    const char data = static_cast<char>(byte);
    if (const CommStatus error = m_comm->output(QByteArrayView(&data, 1))) {
        emit failed(failureMessage(*error, m_target, m_ports));
        return false;
    }
    m_recorder->recordSent(QByteArrayView(&data, 1));
    return true;
}

void TesterCore::sendCommand(quint8 byte)
{
    if (readyToSend())
        send(byte);
}

void TesterCore::sendTypedByte(quint8 byte, QByteArrayView marker)
{
    if (!readyToSend())
        return;
    // Bytes received so far go into the log before the marker, the answer after it.
    receivePoll();
    if (!send(byte))
        return;
    m_log.appendMarker(marker);
    emit logChanged();
    receivePoll();
}

void TesterCore::resetData()
{
    m_log.clear();
    emit logChanged();
    m_recorder->recordEvent(TrafficRecorder::Event::DisplayReset);
}

void TesterCore::startRecording(const QString &path)
{
    m_recorder->start(path);
    m_fileWatch.start();
    emit recordingChanged(true);
}

void TesterCore::stopRecording()
{
    if (!m_recorder->isRecording())
        return;
    m_recorder->stop();
    emit recordingChanged(false);
    // A write that fails while the last lines go out is still worth telling.
    checkFiles();
}

void TesterCore::saveLog(const QString &path)
{
    m_logSaver->save(path, m_log.text());
    m_fileWatch.start();
}

void TesterCore::checkFiles()
{
    const bool wasRecording = m_recorder->isRecording();
    if (const FileStatus failure = m_recorder->takeFailure()) {
        emit failed(asMessage(*failure));
        if (wasRecording && !m_recorder->isRecording())
            emit recordingChanged(false);
    }
    for (const FileWriteError &failure : m_logSaver->takeFailures())
        emit failed(asMessage(failure));
    if (!m_recorder->isRecording() && !m_recorder->isFinishing() && !m_logSaver->busy())
        m_fileWatch.stop();
}

} // namespace talvor
