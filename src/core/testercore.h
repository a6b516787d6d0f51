// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "rememberedchoices.h"

#include "commcomponent.h"
#include "logsaver.h"
#include "receivepoll.h"
#include "reportdecoder.h"
#include "trafficlog.h"
#include "trafficrecorder.h"

#include <QObject>
#include <QTimer>

#include <chrono>
#include <memory>
#include <optional>
#include <span>

namespace talvor {

class SettingsStore;

// The tester without its window: the serial port component (MSComm1), the receive buffer inside
// the report decoder, the traffic log, the recorder and the poll timer (Timer1). Each operation is
// one handler of the window's controls, run with what the control holds; what happens comes back
// through the signals, in the order in which the handler did it, so that the window only shows.
class TesterCore : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kPollInterval{50};

    TesterCore(std::unique_ptr<CommComponent> comm, SettingsStore &settings,
               QObject *parent = nullptr);
    ~TesterCore() override;

    // The start-up's restore and the shut-down's save of the remembered choices.
    RestoredChoices restoreChoices(int portCount) const;
    void savePortChoice(int portPosition);
    void saveHandshakeChoice(bool rtsCts);
    // Timer1 runs a receive poll every kPollInterval from here on.
    void startPolling();
    void stopPolling();

    void connectPort(int portNumber, bool rtsCts); // cmdOpen
    void disconnectPort();                         // cmdClose, a port chosen, the shut-down
    void receivePoll();                            // a tick of Timer1
    void sendCommand(quint8 byte);                 // the command buttons
    // cmdSend: the byte between two polls, and its marker (the start of the button's caption)
    // in the log between the bytes received before and after it.
    void sendTypedByte(quint8 byte, QByteArrayView marker);
    void resetData(); // cmdReset: the log; the window empties the table

    // A recording of the traffic from now on into path, appended; its end; the log into a file.
    // Each returns at once: the files are written on threads of their own, and a failure comes
    // through failed() when it happens.
    void startRecording(const QString &path);
    void stopRecording();
    void saveLog(const QString &path);
    bool isRecording() const { return m_recorder.isRecording(); }
    QString recordingPath() const { return m_recorder.path(); }

    const TrafficLog &trafficLog() const { return m_log; }
    // The received bytes that no report has taken yet.
    QByteArrayView pendingBytes() const { return m_decoder.pending(); }

signals:
    void errorLineCleared();
    void failed(const CommError &error);
    void linesChanged(const LineStates &lines);
    void logChanged();
    // Of one decoder run, the last report of each cell; valid while the signal is handled.
    void reportsReceived(std::span<const Report> reports);
    // The port was opened by connecting, or closed by disconnecting or by a lost device.
    void connectionChanged(bool open);
    void recordingChanged(bool on);

private:
    void showFailure(const CommStatus &error);
    void showPoll(const PollOutcome &outcome);
    // A device lost since the last tick: its last bytes and the loss, as the tick would show them.
    void showDeviceLoss();
    // Empties the error line; whether the port is open for a byte to go out.
    bool readyToSend();
    void checkFiles();

    std::unique_ptr<CommComponent> m_comm;
    SettingsStore &m_settings;
    ReportDecoder m_decoder;
    TrafficLog m_log;
    TrafficRecorder m_recorder;
    LogSaver m_logSaver;
    // The line states last told; none before the first poll.
    std::optional<LineStates> m_toldLines;
    QTimer m_timer;
    QTimer m_fileWatch;
};

} // namespace talvor
