// SPDX-License-Identifier: GPL-3.0-or-later
#include "recordingcontrol.h"

#include "testercore.h"

#include <QAction>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>

namespace talvor {

namespace {

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

RecordingControl::RecordingControl(TesterCore &core, QWidget *window)
    : QObject(window)
    , m_core(core)
    , m_window(window)
    , m_start(new QAction(QStringLiteral("Mitschnitt starten..."), this))
    , m_stop(new QAction(QStringLiteral("Mitschnitt beenden"), this))
    , m_saveLog(new QAction(QStringLiteral("Protokoll speichern unter..."), this))
{
    m_start->setCheckable(true);
    m_stop->setEnabled(false);
    connect(m_start, &QAction::triggered, this, &RecordingControl::askAndStart);
    connect(m_stop, &QAction::triggered, &m_core, &TesterCore::stopRecording);
    connect(m_saveLog, &QAction::triggered, this, &RecordingControl::askAndSaveLog);
    connect(&m_core, &TesterCore::recordingChanged, this, &RecordingControl::showRecording);
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

void RecordingControl::askAndStart()
{
    // The entry only starts; while a recording runs it keeps its check mark.
    m_start->setChecked(m_core.isRecording());
    const QString path = QFileDialog::getSaveFileName(
        m_window, QStringLiteral("Mitschnitt starten"), defaultFileName(QStringLiteral("talvor")),
        kFileFilter, nullptr, QFileDialog::DontConfirmOverwrite | QFileDialog::DontUseNativeDialog);
    if (path.isEmpty() || (QFileInfo::exists(path) && !confirmAppend(m_window, path)))
        return;
    emit writingFile();
    m_core.startRecording(path);
}

void RecordingControl::askAndSaveLog()
{
    const QString path =
        QFileDialog::getSaveFileName(m_window, QStringLiteral("Protokoll speichern unter"),
                                     defaultFileName(QStringLiteral("talvor-protokoll")),
                                     kFileFilter, nullptr, QFileDialog::DontUseNativeDialog);
    if (path.isEmpty())
        return;
    emit writingFile();
    m_core.saveLog(path);
}

void RecordingControl::showRecording(bool on)
{
    m_start->setChecked(on);
    m_start->setEnabled(!on);
    m_stop->setEnabled(on);
}

} // namespace talvor
