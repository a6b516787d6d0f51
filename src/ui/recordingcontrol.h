// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class QAction;

namespace talvor {

class TesterCore;

// The log's menu entries for keeping the traffic on disk: "Mitschnitt starten..." and
// "Mitschnitt beenden" record everything from now on into a file, "Protokoll speichern unter..."
// writes the log as it stands. While a recording runs the start entry carries a check mark;
// nothing of the window's layout moves. The files themselves are the core's.
class RecordingControl : public QObject {
    Q_OBJECT
public:
    // The dialogs open over `window`.
    RecordingControl(TesterCore &core, QWidget *window);

    QAction *startAction() const { return m_start; }
    QAction *stopAction() const { return m_stop; }
    QAction *saveLogAction() const { return m_saveLog; }

    // "talvor-2026-12-07-140327.txt" in the user's documents folder.
    static QString defaultFileName(const QString &prefix);

signals:
    // A file is about to be written: the error line's last failure no longer applies.
    void writingFile();

private:
    void askAndStart();
    void askAndSaveLog();
    void showRecording(bool on);

    TesterCore &m_core;
    QWidget *m_window;
    QAction *m_start;
    QAction *m_stop;
    QAction *m_saveLog;
};

} // namespace talvor
