#include "recordingcontrol.h"

#include "mainwindow.h"

#include <QAction>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QStandardPaths>

namespace talvor {

namespace {

// How soon a failed write reaches the error line.
constexpr std::chrono::milliseconds kWatchInterval{100};

const QString kFileFilter = QStringLiteral("Textdateien (*.txt);;Alle Dateien (*)");

bool confirmAppend(QWidget *parent, const QString &path)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Mitschnitt starten"),
                    QStringLiteral("Die Datei %1 gibt es schon. Den Mitschnitt an ihr Ende "
                                   "anhängen? Ihr Inhalt bleibt erhalten.")
                        .arg(QFileInfo(path).fileName()),
                    QMessageBox::NoButton, parent);
    QPushButton *append = box.addButton(QStringLiteral("Anhängen"), QMessageBox::AcceptRole);
    box.addButton(QStringLiteral("Abbrechen"), QMessageBox::RejectRole);
    box.setDefaultButton(append);
    box.exec();
    return box.clickedButton() == append;
}

} // namespace

RecordingControl::RecordingControl(MainWindow &window)
    : QObject(&window)
    , m_window(window)
    , m_start(new QAction(QStringLiteral("Mitschnitt starten..."), this))
    , m_stop(new QAction(QStringLiteral("Mitschnitt beenden"), this))
    , m_saveLog(new QAction(QStringLiteral("Protokoll speichern unter..."), this))
{
    m_start->setCheckable(true);
    m_stop->setEnabled(false);
    connect(m_start, &QAction::triggered, this, &RecordingControl::askAndStart);
    connect(m_stop, &QAction::triggered, this, &RecordingControl::stopRecording);
    connect(m_saveLog, &QAction::triggered, this, &RecordingControl::askAndSaveLog);
    m_watch.setInterval(kWatchInterval);
    connect(&m_watch, &QTimer::timeout, this, &RecordingControl::checkWriter);
}

QString RecordingControl::defaultFileName(const QString &prefix)
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    // Qt names ~/Documents also where it does not exist; the dialog would then open elsewhere.
    if (!QDir(folder).exists())
        folder = QDir::homePath();
    const QString stamp =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd-HHmmss"));
    return QDir(folder).filePath(QStringLiteral("%1-%2.txt").arg(prefix, stamp));
}

bool RecordingControl::startRecording(const QString &path)
{
    m_window.setErrorLine({});
    if (const CommStatus error = m_recorder.start(path)) {
        m_window.setErrorLine(errorLineText(*error));
        showRecording(false);
        return false;
    }
    showRecording(true);
    return true;
}

void RecordingControl::stopRecording()
{
    m_recorder.stop();
    showRecording(false);
    // A write that failed while the last lines went out is still worth telling.
    checkWriter();
}

bool RecordingControl::saveLog(const QString &path)
{
    m_window.setErrorLine({});
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(m_window.trafficLog().text()) < 0 ||
        !file.commit()) {
        m_window.setErrorLine(errorLineText(makeCommError(
            CommErrorCode::FileWriteFailed, 0, QFileInfo(path).fileName(), file.errorString())));
        return false;
    }
    return true;
}

void RecordingControl::askAndStart()
{
    // The entry only starts; while a recording runs it keeps its check mark.
    m_start->setChecked(m_recorder.isRecording());
    const QString path = QFileDialog::getSaveFileName(
        &m_window, QStringLiteral("Mitschnitt starten"), defaultFileName(QStringLiteral("talvor")),
        kFileFilter, nullptr, QFileDialog::DontConfirmOverwrite | QFileDialog::DontUseNativeDialog);
    if (path.isEmpty() || (QFileInfo::exists(path) && !confirmAppend(&m_window, path)))
        return;
    startRecording(path);
}

void RecordingControl::askAndSaveLog()
{
    const QString path =
        QFileDialog::getSaveFileName(&m_window, QStringLiteral("Protokoll speichern unter"),
                                     defaultFileName(QStringLiteral("talvor-protokoll")),
                                     kFileFilter, nullptr, QFileDialog::DontUseNativeDialog);
    if (!path.isEmpty())
        saveLog(path);
}

void RecordingControl::checkWriter()
{
    if (const CommStatus failure = m_recorder.takeFailure()) {
        m_window.setErrorLine(errorLineText(*failure));
        showRecording(false);
    }
}

void RecordingControl::showRecording(bool on)
{
    if (on) {
        if (!m_watch.isActive())
            m_caption = m_window.windowTitle();
        m_window.setWindowTitle(QStringLiteral("%1 - Mitschnitt: %2")
                                    .arg(m_caption, QFileInfo(m_recorder.path()).fileName()));
        m_watch.start();
    } else if (!on && m_watch.isActive()) {
        m_window.setWindowTitle(m_caption);
        m_watch.stop();
    }
    m_start->setChecked(on);
    m_start->setEnabled(!on);
    m_stop->setEnabled(on);
}

} // namespace talvor
