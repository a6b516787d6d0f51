// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "reportmodel.h"
#include "reportsaver.h"

#include "errormessage.h"

#include <QObject>

#include <functional>

class QAction;

namespace talvor {

class DetectorTable;
class TesterCore;

// "Prüfbericht speichern...": the report of what the table and the system information show now,
// saved as PDF or CSV. The entry is in the detector table's context menu (mouse, context-menu
// key, Shift+F10) and is the window's Ctrl+S; the file is made and written on a writer thread.
class ReportControl : public QObject {
    Q_OBJECT
public:
    // The port of the report: the one connected, or the one chosen.
    using PortNumber = std::function<int()>;

    ReportControl(TesterCore &core, QWidget *window, PortNumber port);

    QAction *saveAction() const { return m_save; }
    // Puts the entry into the table's context menu.
    void installMenu(DetectorTable *table);

    // The table's content, as the window shows it; the time of day is the table's.
    void take(std::span<const Report> reports, const QString &time) { m_model.take(reports, time); }
    void clear() { m_model.clear(); }
    const ReportModel &model() const { return m_model; }

    // "talvor-pruefbericht-2026-12-07-140327.pdf" in the user's documents folder.
    static QString defaultFileName();

signals:
    void saved(const QString &message);
    void failed(const ErrorMessage &error);

private:
    void askAndSave();

    TesterCore &m_core;
    QWidget *m_window;
    PortNumber m_port;
    ReportModel m_model;
    ReportSaver m_saver;
    QAction *m_save;
};

} // namespace talvor
