#pragma once

#include "trafficrecorder.h"

#include <QObject>
#include <QTimer>

class QAction;

namespace talvor {

class MainWindow;

// The log's menu entries for keeping the traffic on disk: "Mitschnitt starten..." and
// "Mitschnitt beenden" record everything from now on into a file, "Protokoll speichern unter..."
// writes the log as it stands. While a recording runs the caption says so and the start entry
// carries a check mark; nothing of the window's layout moves.
class RecordingControl : public QObject {
    Q_OBJECT
public:
    explicit RecordingControl(MainWindow &window);

    TrafficRecorder &recorder() { return m_recorder; }
    QAction *startAction() const { return m_start; }
    QAction *stopAction() const { return m_stop; }
    QAction *saveLogAction() const { return m_saveLog; }

    // Below the file dialogs: record into path (appending), end the recording, save the log.
    bool startRecording(const QString &path);
    void stopRecording();
    bool saveLog(const QString &path);

    // "talvor-2026-12-07-140327.txt" in the user's documents folder.
    static QString defaultFileName(const QString &prefix);

private:
    void askAndStart();
    void askAndSaveLog();
    void checkWriter();
    void showRecording(bool on);

    MainWindow &m_window;
    TrafficRecorder m_recorder;
    QAction *m_start;
    QAction *m_stop;
    QAction *m_saveLog;
    QTimer m_watch;
    QString m_caption;
};

} // namespace talvor
