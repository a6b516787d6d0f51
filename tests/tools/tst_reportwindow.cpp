// SPDX-License-Identifier: GPL-3.0-or-later
// "Prüfbericht speichern..." in the real window (offscreen) against the real simulator: the
// report holds what the window shows, reached from the keyboard, as PDF and as CSV.
#include "csvreport.h"
#include "detectortable.h"
#include "reportcontrol.h"
#include "support/pdftext.h"
#include "support/simulator.h"
#include "support/windowtest.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace talvor;
using test::pdfText;

namespace {

// Answers the save dialog, once it is open, with `name` and the type `filter`. The dialog runs
// its own event loop, so it is answered from a timer that looks for it.
void answerSaveDialog(const QString &name, const QString &filter)
{
    auto *watch = new QTimer(qApp);
    QObject::connect(watch, &QTimer::timeout, watch, [watch, name, filter] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        watch->deleteLater();
        watch->stop();
        dialog->selectNameFilter(filter);
        // Typed, as a user would: selectFile() leaves a name box that has the focus alone.
        dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(name);
        static_cast<QDialog *>(dialog)->accept();
    });
    watch->start(20);
}

} // namespace

class TestReportWindow : public test::WindowTest {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void savesWhatTheWindowShows_data();
    void savesWhatTheWindowShows();

private:
    QTemporaryDir m_settingsFallback;
    QTemporaryDir m_dir;
    QProcess m_sim;
};

void TestReportWindow::init()
{
    test::isolateSettings(m_settingsFallback);
    test::startSimulatorOnCom1(m_sim, TALVOR_SIM_PATH, {"--silent", "23,24"});
    startReal();
    // Shortcuts reach the active window only.
    showActive();
}

void TestReportWindow::cleanup()
{
    stopProgram();
    m_sim.terminate();
    m_sim.waitForFinished(5000);
}

void TestReportWindow::savesWhatTheWindowShows_data()
{
    QTest::addColumn<bool>("fromMenu");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("file");

    QTest::newRow("PDF with Ctrl+S") << false << "PDF-Dokument (*.pdf)"
                                     << "bericht.pdf";
    QTest::newRow("CSV from the table's menu, ending added")
        << true << "CSV für Tabellenkalkulation (*.csv)"
        << "bericht";
}

void TestReportWindow::savesWhatTheWindowShows()
{
    QFETCH(bool, fromMenu);
    QFETCH(QString, filter);
    QFETCH(QString, file);
    MainWindow &window = *m_program.window;
    const Controls &c = window.controls();
    c.cmdOpen->click();
    c.cmdInit[0]->click();
    c.cmdInfo->click();
    QTRY_VERIFY_WITH_TIMEOUT(!c.lblRaw[22]->text().isEmpty() && !c.lblSN->text().isEmpty(), 20000);
    answerSaveDialog(m_dir.filePath(file), filter);
    if (fromMenu) {
        c.tblDetektoren->setFocus();
        QTest::keyClick(c.tblDetektoren, Qt::Key_F10, Qt::ShiftModifier);
        QTRY_VERIFY(qobject_cast<QMenu *>(QApplication::activePopupWidget()));
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QCOMPARE(menu->actions().value(0)->text(), QStringLiteral("Prüfbericht speichern..."));
        QTest::keyClick(menu, Qt::Key_Down);
        QTest::keyClick(menu, Qt::Key_Return);
    } else {
        QTest::keyClick(&window, Qt::Key_S, Qt::ControlModifier);
    }
    const bool pdf = file.endsWith(".pdf");
    const QString path = m_dir.filePath(pdf ? file : file + ".csv");
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(path).size() > 0, 60000);
    QString text;
    if (pdf) {
        text = pdfText(path);
    } else {
        QFile csv(path);
        QVERIFY(csv.open(QIODevice::ReadOnly));
        for (const QStringList &fields : readCsv(csv.readAll()))
            text += fields.join(u' ') + u'\n';
    }
    text.replace(QRegularExpression(" {2,}"), " ");
    for (const QString &expected :
         {"Seriennummer " + c.lblSN->text(), "Hardware-Version " + c.lblHW->text(),
          "Software-Version " + c.lblSW->text(), QStringLiteral("22 von 24 Detektoren gemeldet")})
        QVERIFY2(text.contains(expected), qPrintable(expected + u'\n' + text));
    for (int d = 1; d <= 22; ++d) {
        const QString row =
            QStringLiteral("\n%1 %2 %3 %4")
                .arg(d)
                .arg(c.lblAdresse[d]->text(), c.lblRaw[d]->text(), c.lblZeit[d]->text());
        QVERIFY2(text.contains(row), qPrintable(row + u'\n' + text));
    }
    QCOMPARE(text.count("keine Meldung"), 2);
}

QTEST_MAIN(TestReportWindow)
#include "tst_reportwindow.moc"
