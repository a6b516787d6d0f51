// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow.h"

#include "announcer.h"
#include "commandbytes.h"
#include "errorline.h"
#include "portassigndialog.h"
#include "portlist.h"
#include "recordingcontrol.h"
#include "sendbyte.h"
#include "shape.h"
#include "trafficlogview.h"

#include "testercore.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

namespace talvor {

MainWindow::MainWindow(TesterCore &core, QWidget *parent)
    : QWidget(parent)
    , m_core(core)
{
    setObjectName(QStringLiteral("frmMOXT"));
    setWindowTitle(QStringLiteral("Talvor-Tester"));
    // The layout is fixed: nothing moves or resizes at run time.
    setFixedSize(twipsToPixels(kClientWidthTwips), twipsToPixels(kClientHeightTwips));
    m_controls = buildControls(this);
    m_controls.RichTextBox1->setLog(&m_core.trafficLog());
    m_recording = new RecordingControl(m_core, this);
    connect(m_recording, &RecordingControl::writingFile, this, [this] { setErrorLine({}); });
    m_controls.RichTextBox1->appendMenuActions(
        {m_recording->startAction(), m_recording->stopAction(), m_recording->saveLogAction()});
    installPortMenu(m_controls.cmbCOM, [this] { assignPorts(); });
    m_announcer = new Announcer(this);
    announceKeyboardChoices(m_controls.cmbCOM, m_announcer);
    announceKeyboardChoices(m_controls.cmbDetektor, m_announcer);
    connect(&m_summary, &AnswerSummary::ready, m_announcer, &Announcer::announce);
    connectEvents();
    connectCore();
}

MainWindow::~MainWindow() = default;

void MainWindow::connectEvents()
{
    const Controls &c = m_controls;
    connect(c.cmdReset, &QPushButton::clicked, this, &MainWindow::resetDisplay);
    connect(c.txtSend, &QLineEdit::textChanged, this, &MainWindow::updateSendButton);
    connect(c.cmdOpen, &QPushButton::clicked, this, &MainWindow::connectPort);
    connect(c.cmdClose, &QPushButton::clicked, this, &MainWindow::disconnectPort);
    // activated: every choice the user makes in the list, also of the entry already chosen.
    connect(c.cmbCOM, &QComboBox::activated, this, &MainWindow::disconnectPort);
    // toggled: every change of state, by the user or by code (start-up restores the choice).
    connect(c.chkRTSCTS, &QCheckBox::toggled, this, &MainWindow::saveHandshakeChoice);
    for (int i = 0; i <= kDetectorCount; ++i)
        connect(c.cmdInit[i], &QPushButton::clicked, this, [this, i] { sendInitCommand(i); });
    connect(c.cmdInfo, &QPushButton::clicked, this, &MainWindow::requestSystemInfo);
    connect(c.cmdProg, &QPushButton::clicked, this, &MainWindow::programAddress);
    connect(c.cmdSend, &QPushButton::clicked, this, &MainWindow::sendTypedByte);
}

void MainWindow::connectCore()
{
    TesterCore *core = &m_core;
    connect(core, &TesterCore::failed, this, &MainWindow::showFailure);
    connect(core, &TesterCore::linesChanged, this,
            [this](const LineStates &lines) { showLineStates(m_controls, lines); });
    connect(core, &TesterCore::logChanged, m_controls.RichTextBox1, &TrafficLogView::refresh);
    connect(core, &TesterCore::reportsReceived, this, [this](std::span<const Report> reports) {
        showReports(m_controls, m_shownReports, reports);
        m_summary.take(reports);
    });
    connect(core, &TesterCore::connectionChanged, this, &MainWindow::showLinkState);
    connect(core, &TesterCore::recordingChanged, this, &MainWindow::showRecording);
}

void MainWindow::setErrorLine(const QString &text)
{
    QLabel *line = m_controls.lblFehler;
    // The error line grows to the right on one line, as wide as its text, up to the frame's margin
    // on the right (as wide as the one on the left); a text too long for that is shortened in its
    // device path. The whole text is in the tool tip and, for a screen reader, in the description.
    const int room = line->parentWidget()->width() - 2 * line->x();
    line->setText(fittedErrorLine(text, line->fontMetrics(), room));
    line->setToolTip(text);
    line->setAccessibleDescription(text);
    line->resize(std::min(line->sizeHint().width(), room), line->height());
}

void MainWindow::showFailure(const ErrorMessage &error)
{
    const QString text = errorLineText(error);
    setErrorLine(text);
    // The whole text, also where the line shows a shortened device path.
    m_announcer->announce(text);
    m_summary.cancel();
}

void MainWindow::showLinkState(bool connected)
{
    m_announcer->announce(indicatorStateName(m_controls.Shape1, connected));
    // While connected the handshake stays as it was opened with; after a disconnect or a lost
    // device the user may choose it again for the next connect.
    m_controls.chkRTSCTS->setEnabled(!connected);
    m_connectedPort = connected ? m_controls.cmbCOM->currentIndex() + 1 : 0;
}

void MainWindow::showRecording(bool on)
{
    // The caption says which file records, and goes back to the plain caption at the end.
    if (on) {
        if (m_caption.isEmpty())
            m_caption = windowTitle();
        setWindowTitle(QStringLiteral("%1 - Mitschnitt: %2")
                           .arg(m_caption, QFileInfo(m_core.recordingPath()).fileName()));
    } else if (!m_caption.isEmpty()) {
        setWindowTitle(m_caption);
        m_caption.clear();
    }
}

void MainWindow::resetDisplay()
{
    resetDetectorTable(m_controls, m_shownReports);
    m_core.resetData();
}

void MainWindow::updateSendButton()
{
    // A value that does not fit leaves the button as it was.
    if (const auto byte = sendByteFor(m_controls.txtSend->text())) {
        setTag(m_controls.cmdSend, byte->tag);
        m_controls.cmdSend->setText(byte->caption);
    }
}

void MainWindow::connectPort()
{
    setErrorLine({});
    m_core.connectPort(m_controls.cmbCOM->currentIndex() + 1, m_controls.chkRTSCTS->isChecked());
}

void MainWindow::disconnectPort()
{
    setErrorLine({});
    m_core.disconnectPort();
}

void MainWindow::saveHandshakeChoice()
{
    m_core.saveHandshakeChoice(m_controls.chkRTSCTS->isChecked());
}

void MainWindow::sendInitCommand(int index)
{
    setErrorLine({});
    m_summary.expect(initCommandByte(index));
    m_core.sendCommand(initCommandByte(index));
}

void MainWindow::requestSystemInfo()
{
    setErrorLine({});
    m_summary.expect(kSysInfoCommand);
    m_core.sendCommand(kSysInfoCommand);
}

void MainWindow::programAddress()
{
    setErrorLine({});
    m_summary.cancel();
    m_core.sendCommand(programCommandByte(m_controls.cmbDetektor->currentIndex()));
}

void MainWindow::sendTypedByte()
{
    setErrorLine({});
    // A typed 0x60 asks for the system information as "Sys-Info" does.
    m_summary.expect(sendByteValue(tag(m_controls.cmdSend)));
    m_core.sendTypedByte(sendByteValue(tag(m_controls.cmdSend)),
                         m_controls.cmdSend->text().left(4).toLatin1());
}

void MainWindow::assignPorts()
{
    QComboBox *list = m_controls.cmbCOM;
    auto *dialog = new PortAssignDialog(m_core.ports(), list->count(), list->currentIndex() + 1,
                                        m_connectedPort, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &PortAssignDialog::assignmentChanged, list,
            [this, list] { showPortSummaries(list, m_core.ports()); });
    dialog->open();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // The shut-down never refuses or delays the close.
    if (m_loaded) {
        m_loaded = false;
        unload();
    }
    m_core.stopRecording();
    event->accept();
}

} // namespace talvor
