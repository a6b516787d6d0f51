#pragma once

#include "controls.h"
#include "reportdisplay.h"

#include "commcomponent.h"
#include "reportdecoder.h"
#include "trafficlog.h"

#include <QTimer>
#include <QWidget>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace talvor {

class RecordingControl;
class TrafficRecorder;
class SettingsStore;

// The one window of the program, frmMOXT in the design. It holds the controls, the poll timer
// (Timer1), the serial port component (MSComm1), the receive buffer (inside the report decoder)
// and the traffic log; each event of a control lands in one handler below, which runs the
// matching steps and shows their outcome in the controls.
class MainWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kPollInterval{50};

    MainWindow(std::unique_ptr<CommComponent> comm, SettingsStore &settings,
               QWidget *parent = nullptr);
    ~MainWindow() override;

    Controls &controls() { return m_controls; }
    CommComponent &comm() { return *m_comm; }
    SettingsStore &settings() { return m_settings; }
    QTimer &pollTimer() { return m_timer; }
    ReportDecoder &decoder() { return m_decoder; }
    const TrafficLog &trafficLog() const { return m_log; }
    RecordingControl &recording() { return *m_recording; }

    // Runs once when the window closes, by whatever means (the shut-down).
    void setUnloadHandler(std::function<void()> handler) { m_unload = std::move(handler); }

    // The handlers, one per event of the controls.
    void resetDisplay();             // cmdReset Click
    void updateSendButton();         // txtSend Change
    void connectPort();              // cmdOpen Click
    void disconnectPort();           // cmdClose Click; also cmbCOM choice and shut-down
    void saveHandshakeChoice();      // chkRTSCTS change of state
    void receivePoll();              // Timer1 tick; also run by cmdSend
    void sendInitCommand(int index); // cmdInit(index) Click
    void requestSystemInfo();        // cmdInfo Click
    void programAddress();           // cmdProg Click
    void sendTypedByte();            // cmdSend Click

    void setErrorLine(const QString &text);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void connectEvents();
    void sendCommand(quint8 byte);
    void showLostDevice(const CommError &lost);
    TrafficRecorder &recorder();

    Controls m_controls;
    std::unique_ptr<CommComponent> m_comm;
    SettingsStore &m_settings;
    ReportDecoder m_decoder;
    TrafficLog m_log;
    ShownReports m_shownReports;
    // The line states as the indicators show them; none before the first poll.
    std::optional<LineStates> m_shownLines;
    QTimer m_timer;
    RecordingControl *m_recording;
    std::function<void()> m_unload;
    bool m_unloaded = false;
};

} // namespace talvor
