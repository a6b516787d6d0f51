#include "testercore.h"

#include "connection.h"
#include "settingsstore.h"

#include <QSaveFile>

namespace talvor {

namespace {

// How soon a failed write of the recording reaches the error line.
constexpr std::chrono::milliseconds kRecorderWatchInterval{100};

CommError asCommError(const FileWriteError &error)
{
    return {FileWriteError::kNumber, error.description};
}

} // namespace

TesterCore::TesterCore(std::unique_ptr<CommComponent> comm, SettingsStore &settings,
                       QObject *parent)
    : QObject(parent)
    , m_comm(std::move(comm))
    , m_settings(settings)
    , m_timer(this)
    , m_recorderWatch(this)
{
    m_timer.setObjectName(QStringLiteral("Timer1"));
    m_timer.setInterval(kPollInterval);
    connect(&m_timer, &QTimer::timeout, this, &TesterCore::receivePoll);
    m_recorderWatch.setInterval(kRecorderWatchInterval);
    connect(&m_recorderWatch, &QTimer::timeout, this, &TesterCore::checkRecorder);
}

TesterCore::~TesterCore() = default;

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

void TesterCore::showFailure(const CommStatus &error)
{
    if (error)
        emit failed(*error);
}

void TesterCore::connectPort(int portNumber, bool rtsCts)
{
    emit errorLineCleared();
    // A device lost since the last tick: its last bytes and the loss are shown before the new
    // connection empties the receive buffer, as the tick would have shown them.
    if (std::optional<CommError> lost = m_comm->takeDeviceLost())
        showPoll(runReceivePoll(*m_comm, m_decoder, m_log, std::move(lost)));
    m_decoder.clear();
    const ConnectOutcome outcome = openConnection(*m_comm, portNumber, rtsCts);
    if (outcome.error) {
        showFailure(outcome.error);
        return;
    }
    if (outcome.opened) {
        emit connectionChanged(true);
        m_recorder.recordEvent(TrafficRecorder::Event::Connect,
                               QStringLiteral("COM %1").arg(portNumber));
    }
}

void TesterCore::disconnectPort()
{
    emit errorLineCleared();
    const DisconnectOutcome outcome = closeConnection(*m_comm);
    if (outcome.error) {
        showFailure(outcome.error);
        return;
    }
    if (outcome.closed) {
        emit connectionChanged(false);
        m_recorder.recordEvent(TrafficRecorder::Event::Disconnect);
    }
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
        m_recorder.recordReceived(outcome.chunk);
    }
    if (!outcome.reports.empty())
        emit reportsReceived(outcome.reports);
    if (outcome.lost) {
        // The component closed a port whose device vanished: say why the link dropped.
        emit failed(*outcome.lost);
        emit connectionChanged(false);
        m_recorder.recordEvent(TrafficRecorder::Event::DeviceLost);
    }
}

bool TesterCore::readyToSend()
{
    emit errorLineCleared();
    // A closed port sends nothing and is no failure.
    const CommResult<bool> open = m_comm->portOpen();
    if (!open.ok())
        emit failed(open.error());
    return open.ok() && open.value();
}

void TesterCore::sendCommand(quint8 byte)
{
    if (!readyToSend())
        return;
    const char data = static_cast<char>(byte);
    if (const CommStatus error = m_comm->output(QByteArrayView(&data, 1)))
        emit failed(*error);
    else
        m_recorder.recordSent(QByteArrayView(&data, 1));
}

void TesterCore::sendTypedByte(quint8 byte, QByteArrayView marker)
{
    if (!readyToSend())
        return;
    // Bytes received so far go into the log before the marker, the answer after it.
    receivePoll();
    const char data = static_cast<char>(byte);
    if (const CommStatus error = m_comm->output(QByteArrayView(&data, 1))) {
        emit failed(*error);
        return;
    }
    m_recorder.recordSent(QByteArrayView(&data, 1));
    m_log.appendMarker(marker);
    emit logChanged();
    receivePoll();
}

void TesterCore::resetData()
{
    m_log.clear();
    emit logChanged();
    m_recorder.recordEvent(TrafficRecorder::Event::DisplayReset);
}

bool TesterCore::startRecording(const QString &path)
{
    emit errorLineCleared();
    if (const FileStatus error = m_recorder.start(path)) {
        emit failed(asCommError(*error));
        emit recordingChanged(false);
        return false;
    }
    m_recorderWatch.start();
    emit recordingChanged(true);
    return true;
}

void TesterCore::stopRecording()
{
    const bool wasRecording = m_recorderWatch.isActive();
    m_recorder.stop();
    m_recorderWatch.stop();
    if (wasRecording)
        emit recordingChanged(false);
    // A write that failed while the last lines went out is still worth telling.
    checkRecorder();
}

bool TesterCore::saveLog(const QString &path)
{
    emit errorLineCleared();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(m_log.text()) < 0 || !file.commit()) {
        emit failed(asCommError(fileWriteError(path, file.errorString())));
        return false;
    }
    return true;
}

void TesterCore::checkRecorder()
{
    if (const FileStatus failure = m_recorder.takeFailure()) {
        emit failed(asCommError(*failure));
        m_recorderWatch.stop();
        emit recordingChanged(false);
    }
}

} // namespace talvor
