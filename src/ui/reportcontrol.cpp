// SPDX-License-Identifier: GPL-3.0-or-later
#include "reportcontrol.h"

#include "detectortable.h"

#include "talvorversion.h"
#include "testercore.h"

#include <QAction>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QStandardPaths>

namespace talvor {

namespace {

const QString kPdfFilter = QStringLiteral("PDF-Dokument (*.pdf)");
const QString kCsvFilter = QStringLiteral("CSV für Tabellenkalkulation (*.csv)");

// The chosen name, with the ending of the chosen type where it has none of the report's.
QString withEnding(const QString &path, const QString &filter)
{
    if (reportFormatFor(path))
        return path;
    return path + (filter == kCsvFilter ? QStringLiteral(".csv") : QStringLiteral(".pdf"));
}

// Qt's German label of the name box, "Datei&name:", reaches a screen reader with its "&", which
// a screen reader reads as the name box's name.
void nameForScreenReader(QFileDialog &dialog)
{
    if (auto *label = dialog.findChild<QLabel *>(QStringLiteral("fileNameLabel")))
        label->setAccessibleName(QString(label->text()).remove(u'&'));
}

} // namespace

ReportControl::ReportControl(TesterCore &core, QWidget *window, PortNumber port)
    : QObject(window)
    , m_core(core)
    , m_window(window)
    , m_port(std::move(port))
    , m_saver(this)
    , m_save(new QAction(QStringLiteral("Prüfbericht speichern..."), this))
{
    m_save->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    m_save->setShortcutContext(Qt::WindowShortcut);
    m_save->setStatusTip(QStringLiteral("Speichert Gerät und Detektortabelle als PDF oder CSV"));
    window->addAction(m_save);
    // Queued: the dialog opens after the menu has closed and given the focus back.
    connect(m_save, &QAction::triggered, this, &ReportControl::askAndSave, Qt::QueuedConnection);
    connect(&m_saver, &ReportSaver::saved, this, [this](const QString &path) {
        emit saved(QStringLiteral("Prüfbericht gespeichert: %1").arg(QFileInfo(path).fileName()));
    });
    connect(&m_saver, &ReportSaver::failed, this, &ReportControl::failed);
}

void ReportControl::installMenu(DetectorTable *table)
{
    auto *menu = new QMenu(table);
    menu->addAction(m_save);
    // The entry is chosen as the menu opens, so that a screen reader reads it at once.
    connect(menu, &QMenu::aboutToShow, menu, [this, menu] { menu->setActiveAction(m_save); });
    table->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(table, &QWidget::customContextMenuRequested, menu,
            [table, menu](const QPoint &at) { menu->popup(table->mapToGlobal(at)); });
    // Shift+F10 is the context-menu key of keyboards that have none; the menu opens at the cell
    // that the table's cursor is on.
    auto *keyboardMenu = new QAction(table);
    keyboardMenu->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10));
    keyboardMenu->setShortcutContext(Qt::WidgetShortcut);
    connect(keyboardMenu, &QAction::triggered, menu, [table, menu] {
        const QWidget *cell = table->cursorCell();
        menu->popup(table->mapToGlobal(cell ? cell->geometry().center() : table->rect().center()));
    });
    table->addAction(keyboardMenu);
}

QString ReportControl::defaultFileName()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    // Qt names ~/Documents also where it does not exist; the dialog would then open elsewhere.
    if (!QDir(folder).exists())
        folder = QDir::homePath();
    const QString stamp =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd-HHmmss"));
    return QDir(folder).filePath(QStringLiteral("talvor-pruefbericht-%1.pdf").arg(stamp));
}

void ReportControl::askAndSave()
{
    // The report holds what the window shows when the user asks, not when the dialog closes.
    const int port = m_port();
    const TestReport report =
        m_model.report(QStringLiteral("Talvor-Tester %1").arg(kProgramVersion),
                       {QDateTime::currentDateTime(), port, m_core.ports().deviceFor(port).path});
    QFileDialog dialog(m_window, QStringLiteral("Prüfbericht speichern"), defaultFileName(),
                       kPdfFilter + QStringLiteral(";;") + kCsvFilter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    nameForScreenReader(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString chosen = dialog.selectedFiles().constFirst();
    const QString filter = dialog.selectedNameFilter();
    const QString path = withEnding(chosen, filter);
    m_saver.save(path, report, *reportFormatFor(path));
}

} // namespace talvor
