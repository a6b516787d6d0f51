// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "scriptedcomm.h"

#include "mainwindow.h"
#include "settingsstore.h"
#include "support/references.h"
#include "testercore.h"

#include <QByteArray>
#include <QColor>

#include <vector>

class QLabel;

namespace talvor::bench {

// The receive buffer and the traffic log text as the receive poll is literally described: the
// buffer without a bound, the text read, extended and written back per byte, three whole-text
// replacements per chunk, every report shown one by one.
struct LiteralState {
    QByteArray receiveBuffer;
    test::ReferenceLog log;
    qsizetype selStart = 0;
};

// The real window, shown on the offscreen platform, with a scripted MSComm1 whose port is open.
class BenchWindow {
public:
    BenchWindow();

    MainWindow &window() { return m_window; }
    TesterCore &core() { return m_core; }
    const TrafficLog &log() const { return m_core.trafficLog(); }

    // One Timer1 tick that finds these bytes waiting.
    void poll(const QByteArray &bytes);
    // The same tick done the literal way on `state`, showing into the same controls.
    void literalPoll(LiteralState &state, const QByteArray &bytes);
    // What the event loop does after a tick: paints what the tick changed.
    void repaint();
    // Ticks of `chunk` bytes each, with their repaints, until `bytes` are fed.
    void feed(const QByteArray &bytes, qsizetype chunk);

    // Shows the detector table and system information as they were after the first reports,
    // whatever happened since: so that measured ticks find the same table in every log state.
    void restoreTable();
    // The literal state that the log stands for now, with the receive buffer that the literal
    // way would hold.
    LiteralState literalCopy(const QByteArray &receiveBuffer) const;

private:
    struct Cell {
        QLabel *label;
        QString text;
        QColor background;
    };

    SettingsStore m_settings;
    ScriptedComm *m_comm;
    TesterCore m_core;
    MainWindow m_window;
    std::vector<Cell> m_table;
};

} // namespace talvor::bench
