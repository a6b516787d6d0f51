#include "mainwindow.h"

#include "errorline.h"
#include "recordingcontrol.h"
#include "reportdisplay.h"
#include "shape.h"
#include "trafficlogview.h"

#include "commandbytes.h"
#include "connection.h"
#include "receivepoll.h"
#include "sendbyte.h"
#include "settingsstore.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

namespace talvor {

MainWindow::MainWindow(std::unique_ptr<CommComponent> comm, SettingsStore &settings,
                       QWidget *parent)
    : QWidget(parent)
    , m_comm(std::move(comm))
    , m_settings(settings)
{
    setObjectName(QStringLiteral("frmMOXT"));
    setWindowTitle(QStringLiteral("Talvor-Tester"));
    // The layout is fixed: nothing moves or resizes at run time.
    setFixedSize(twipsToPixels(kClientWidthTwips), twipsToPixels(kClientHeightTwips));
    m_controls = buildControls(this);
    m_controls.RichTextBox1->setLog(&m_log);
    m_timer.setObjectName(QStringLiteral("Timer1"));
    m_timer.setInterval(kPollInterval);
    m_recording = new RecordingControl(*this);
    m_controls.RichTextBox1->appendMenuActions(
        {m_recording->startAction(), m_recording->stopAction(), m_recording->saveLogAction()});
    connectEvents();
}

MainWindow::~MainWindow() = default;

void MainWindow::connectEvents()
{
    Controls &c = m_controls;
    connect(c.cmdReset, &QPushButton::clicked, this, &MainWindow::resetDisplay);
    connect(c.txtSend, &QLineEdit::textChanged, this, &MainWindow::updateSendButton);
    connect(c.cmdOpen, &QPushButton::clicked, this, &MainWindow::connectPort);
    connect(c.cmdClose, &QPushButton::clicked, this, &MainWindow::disconnectPort);
    // activated: every choice the user makes in the list, also of the entry already chosen.
    connect(c.cmbCOM, &QComboBox::activated, this, &MainWindow::disconnectPort);
    // toggled: every change of state, by the user or by code (start-up restores the choice).
    connect(c.chkRTSCTS, &QCheckBox::toggled, this, &MainWindow::saveHandshakeChoice);
    connect(&m_timer, &QTimer::timeout, this, &MainWindow::receivePoll);
    for (int i = 0; i <= kDetectorCount; ++i)
        connect(c.cmdInit[i], &QPushButton::clicked, this, [this, i] { sendInitCommand(i); });
    connect(c.cmdInfo, &QPushButton::clicked, this, &MainWindow::requestSystemInfo);
    connect(c.cmdProg, &QPushButton::clicked, this, &MainWindow::programAddress);
    connect(c.cmdSend, &QPushButton::clicked, this, &MainWindow::sendTypedByte);
}

TrafficRecorder &MainWindow::recorder()
{
    return m_recording->recorder();
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

void MainWindow::resetDisplay()
{
    resetDetectorTable(m_controls, m_shownReports);
    m_log.clear();
    m_controls.RichTextBox1->refresh();
    recorder().recordEvent(TrafficRecorder::Event::DisplayReset);
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
    m_decoder.clear();
    const ConnectOutcome outcome = openConnection(*m_comm, m_controls.cmbCOM->currentIndex() + 1,
                                                  m_controls.chkRTSCTS->isChecked());
    if (outcome.error) {
        setErrorLine(errorLineText(*outcome.error));
        return;
    }
    if (outcome.opened) {
        m_controls.chkRTSCTS->setEnabled(false);
        recorder().recordEvent(TrafficRecorder::Event::Connect, m_controls.cmbCOM->currentText());
    }
}

void MainWindow::disconnectPort()
{
    setErrorLine({});
    const DisconnectOutcome outcome = closeConnection(*m_comm);
    if (outcome.error) {
        setErrorLine(errorLineText(*outcome.error));
        return;
    }
    if (outcome.closed) {
        m_controls.chkRTSCTS->setEnabled(true);
        recorder().recordEvent(TrafficRecorder::Event::Disconnect);
    }
}

void MainWindow::saveHandshakeChoice()
{
    m_settings.writeText(kPortSection, kRtsCtsKey,
                         m_controls.chkRTSCTS->isChecked() ? QStringLiteral("1")
                                                           : QStringLiteral("0"));
}

void MainWindow::showLostDevice(const CommError &lost)
{
    // The component closed a port whose device vanished; say why the link dropped and let the
    // user choose the handshake again for the next connect.
    setErrorLine(errorLineText(lost));
    m_controls.chkRTSCTS->setEnabled(true);
    recorder().recordEvent(TrafficRecorder::Event::DeviceLost);
}

void MainWindow::receivePoll()
{
    const PollOutcome outcome = runReceivePoll(*m_comm, m_decoder, m_log);
    if (outcome.lines != m_shownLines) {
        showLineStates(m_controls, outcome.lines);
        m_shownLines = outcome.lines;
    }
    if (outcome.received) {
        m_controls.RichTextBox1->refresh();
        recorder().recordReceived(outcome.chunk);
    }
    showReports(m_controls, m_shownReports, outcome.reports);
    if (outcome.lost)
        showLostDevice(*outcome.lost);
}

void MainWindow::sendCommand(quint8 byte)
{
    setErrorLine({});
    if (const CommStatus error = sendCommandByte(*m_comm, byte))
        setErrorLine(errorLineText(*error));
    else
        recorder().recordSent(QByteArrayView(&byte, 1));
}

void MainWindow::sendInitCommand(int index)
{
    sendCommand(initCommandByte(index));
}

void MainWindow::requestSystemInfo()
{
    sendCommand(kSysInfoCommand);
}

void MainWindow::programAddress()
{
    sendCommand(programCommandByte(m_controls.cmbDetektor->currentIndex()));
}

void MainWindow::sendTypedByte()
{
    setErrorLine({});
    const CommResult<bool> open = m_comm->portOpen();
    if (!open.ok()) {
        setErrorLine(errorLineText(open.error()));
        return;
    }
    if (!open.value())
        return;
    // Bytes received so far go into the log before the marker, the answer after it.
    receivePoll();
    const char byte = static_cast<char>(sendByteValue(tag(m_controls.cmdSend)));
    if (const CommStatus error = m_comm->output(QByteArrayView(&byte, 1))) {
        setErrorLine(errorLineText(*error));
        return;
    }
    recorder().recordSent(QByteArrayView(&byte, 1));
    m_log.appendMarker(m_controls.cmdSend->text().left(4).toLatin1());
    m_controls.RichTextBox1->refresh();
    receivePoll();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // The shut-down never refuses or delays the close.
    if (!m_unloaded && m_unload) {
        m_unloaded = true;
        m_unload();
    }
    m_recording->stopRecording();
    event->accept();
}

} // namespace talvor
