// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "errormessage.h"
#include "linestates.h"
#include "portdirectory.h"
#include "rememberedchoices.h"

#include "reportdecoder.h"
#include "trafficlog.h"

#include <QObject>
#include <QTimer>

#include <chrono>
#include <memory>
#include <optional>
#include <span>

namespace talvor {

class CommComponent;
class LogSaver;
class SettingsStore;
class TrafficRecorder;
struct PollOutcome;

// The tester without its window: the serial port component (MSComm1), the receive buffer inside
// the report decoder, the traffic log, the recorder and the poll timer (Timer1). Each operation is
// one handler of the window's controls, run with what the control holds; what happens comes back
// through the signals, in the order in which the handler did it, so that the window only shows.
class TesterCore : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kPollInterval{50};

    // On the system's serial port component and the user's settings store.
    explicit TesterCore(QObject *parent = nullptr);
    TesterCore(std::unique_ptr<CommComponent> comm, SettingsStore &settings,
               QObject *parent = nullptr);
    ~TesterCore() override;

    // At the program's end: gives the recording and saved logs still being written up to `grace`
    // to finish; the bytes that could not be written.
    static qint64 finishFileWriters(std::chrono::milliseconds grace);

    // The start-up's restore and the shut-down's save of the remembered choices.
    RestoredChoices restoreChoices(int portCount) const;
    void savePortChoice(int portPosition);
    void saveHandshakeChoice(bool rtsCts);
    // Timer1 runs a receive poll every kPollInterval from here on.
    void startPolling();
    void stopPolling();

    // Each of these operations reports its failures through failed(); the error line is the
    // caller's to empty first.
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
    bool isRecording() const;
    QString recordingPath() const;

    const TrafficLog &trafficLog() const { return m_log; }
    // The received bytes that no report has taken yet.
    QByteArrayView pendingBytes() const { return m_decoder.pending(); }
    // Which device each "COM n" is, and the serial devices plugged in.
    PortDirectory &ports() { return m_ports; }

signals:
    void failed(const ErrorMessage &error);
    void linesChanged(const LineStates &lines);
    void logChanged();
    // Of one decoder run, the last report of each cell; valid while the signal is handled.
    void reportsReceived(std::span<const Report> reports);
    // The port was opened by connecting, or closed by disconnecting or by a lost device.
    void connectionChanged(bool open);
    void recordingChanged(bool on);

private:
    void showPoll(const PollOutcome &outcome);
    // A device lost since the last tick: its last bytes and the loss, as the tick would show them.
    void showDeviceLoss();
    // Whether the port is open for a byte to go out.
    bool readyToSend();
    bool send(quint8 byte);
    void checkFiles();

    std::unique_ptr<SettingsStore> m_ownSettings;
    std::unique_ptr<CommComponent> m_comm;
    SettingsStore &m_settings;
    PortDirectory m_ports;
    // The port that the component's failures are about: the one connected, or the last chosen.
    PortTarget m_target;
    ReportDecoder m_decoder;
    TrafficLog m_log;
    std::unique_ptr<TrafficRecorder> m_recorder;
    std::unique_ptr<LogSaver> m_logSaver;
    // The line states last told; none before the first poll.
    std::optional<LineStates> m_toldLines;
    QTimer m_timer;
    QTimer m_fileWatch;
};

} // namespace talvor
