// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "answersummary.h"
#include "controls.h"
#include "reportdisplay.h"

#include <QWidget>

namespace talvor {

class Announcer;
struct ErrorMessage;
class RecordingControl;
class TesterCore;

// The one window of the program, frmMOXT in the design. It holds the controls; each event of a
// control lands in one handler below, which hands it to the core with what the control holds,
// and the window shows what the core tells. load() is the start-up, closing the window the
// shut-down.
class MainWindow : public QWidget {
    Q_OBJECT
public:
    explicit MainWindow(TesterCore &core, QWidget *parent = nullptr);
    ~MainWindow() override;

    const Controls &controls() const { return m_controls; }

    // The start-up, before the window is first shown: the lists filled (portCount ports), the
    // remembered choices restored, the poll started.
    void load(int portCount);

    // The handlers, one per event of the controls.
    void resetDisplay();             // cmdReset Click
    void updateSendButton();         // txtSend Change
    void connectPort();              // cmdOpen Click
    void disconnectPort();           // cmdClose Click; also cmbCOM choice and shut-down
    void saveHandshakeChoice();      // chkRTSCTS change of state
    void sendInitCommand(int index); // cmdInit(index) Click
    void requestSystemInfo();        // cmdInfo Click
    void programAddress();           // cmdProg Click
    void sendTypedByte();            // cmdSend Click
    void assignPorts();              // cmbCOM context menu "Schnittstellen zuordnen..."

    void setErrorLine(const QString &text);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void connectEvents();
    void connectCore();
    void unload();
    void showLinkState(bool connected);
    void showFailure(const ErrorMessage &error);
    void showRecording(bool on);

    TesterCore &m_core;
    Controls m_controls;
    ShownReports m_shownReports;
    RecordingControl *m_recording;
    Announcer *m_announcer;
    AnswerSummary m_summary;
    QString m_caption;
    bool m_loaded = false;
    int m_connectedPort = 0; // 0 while no port is open
};

// "Talvor-Tester 1.0.1": the designed caption, a blank and the program's version.
QString captionWithVersion(const QString &designCaption);

} // namespace talvor
