// SPDX-License-Identifier: GPL-3.0-or-later
#include "benchwindow.h"

#include "traffic.h"

#include "receivepoll.h"
#include "reportdisplay.h"

#include <QCoreApplication>
#include <QLabel>

#include <memory>

namespace talvor::bench {

namespace {

bool readOrFalse(const CommResult<bool> &result)
{
    return result.ok() && result.value();
}

} // namespace

namespace {

std::unique_ptr<ScriptedComm> scriptedComm(ScriptedComm *&kept)
{
    auto comm = std::make_unique<ScriptedComm>();
    kept = comm.get();
    return comm;
}

} // namespace

BenchWindow::BenchWindow()
    : m_core(scriptedComm(m_comm), m_settings)
    , m_window(m_core)
{
    m_window.show();
    feed(frameStream(4096, 11), 4096);
    const Controls &c = m_window.controls();
    for (int i = 1; i <= kDetectorCount; ++i) {
        for (QLabel *label : {c.lblAdresse[i], c.lblRaw[i], c.lblZeit[i], c.lblCV[i], c.lblRawCV[i],
                              c.lblZeitCV[i]})
            m_table.push_back({label, label->text(), background(label)});
    }
    for (QLabel *label : {c.lblSysRaw, c.lblSW, c.lblHW, c.lblSN})
        m_table.push_back({label, label->text(), background(label)});
}

void BenchWindow::poll(const QByteArray &bytes)
{
    m_comm->queue(bytes);
    m_core.receivePoll();
}

void BenchWindow::literalPoll(LiteralState &state, const QByteArray &bytes)
{
    m_comm->queue(bytes);
    CommComponent &port = *m_comm;
    LineStates lines;
    lines.open = readOrFalse(port.portOpen());
    if (lines.open) {
        lines.rts = readOrFalse(port.rtsEnable());
        lines.cts = readOrFalse(port.ctsHolding());
        const CommResult<qint64> waiting = port.inBufferCount();
        if (waiting.ok() && waiting.value() > 0) {
            const CommResult<QByteArray> chunk = port.input();
            state.receiveBuffer.append(chunk.value());
            state.log.appendReceived(chunk.value());
            state.selStart = state.log.size();
        }
    }
    showLineStates(m_window.controls(), lines);
    // The literal way writes every report's cells, with the time read for each.
    for (const Report &report : test::referenceDecoderRun(state.receiveBuffer)) {
        ShownReports nothingShown;
        showReports(m_window.controls(), nothingShown, std::span(&report, 1));
    }
}

void BenchWindow::repaint()
{
    QCoreApplication::processEvents();
}

void BenchWindow::feed(const QByteArray &bytes, qsizetype chunk)
{
    for (qsizetype pos = 0; pos < bytes.size(); pos += chunk) {
        poll(bytes.mid(pos, chunk));
        repaint();
    }
}

void BenchWindow::restoreTable()
{
    for (const Cell &cell : m_table) {
        cell.label->setText(cell.text);
        setBackground(cell.label, cell.background);
    }
    repaint();
}

LiteralState BenchWindow::literalCopy(const QByteArray &receiveBuffer) const
{
    LiteralState state;
    state.receiveBuffer = receiveBuffer;
    state.log.setText(QString::fromLatin1(log().text()));
    state.selStart = state.log.size();
    return state;
}

} // namespace talvor::bench
