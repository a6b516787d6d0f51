// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/logsteps.h"
#include "trafficlog.h"
#include "trafficlogview.h"

#include <QAccessible>
#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QRandomGenerator>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QtGui/private/qguiapplication_p.h>
#include <QtGui/qpa/qplatformaccessibility.h>
#include <QtGui/qpa/qplatformintegration.h>

using talvor::TrafficLog;
using talvor::TrafficLogView;

namespace {

bool showsText(TrafficLogView &view)
{
    const QImage image = view.viewport()->grab().toImage();
    const QRgb background = image.pixel(image.width() - 1, image.height() - 1);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) != background)
                return true;
        }
    }
    return false;
}

bool showsColour(TrafficLogView &view, QColor colour)
{
    const QImage image = view.viewport()->grab().toImage();
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixelColor(x, y) == colour)
                return true;
        }
    }
    return false;
}

// The text as assistive technology holds it, kept by the change events alone.
QString g_heardText;
int g_events = 0;

void hearChange(QAccessibleEvent *event)
{
    ++g_events;
    if (event->type() == QAccessible::TextInserted) {
        const auto *inserted = static_cast<QAccessibleTextInsertEvent *>(event);
        g_heardText.insert(inserted->changePosition(), inserted->textInserted());
    } else if (event->type() == QAccessible::TextRemoved) {
        const auto *removed = static_cast<QAccessibleTextRemoveEvent *>(event);
        const QString gone =
            g_heardText.mid(removed->changePosition(), removed->textRemoved().size());
        // The text of dropped lines is no longer held; a changed char is told as it was.
        if (removed->textRemoved().trimmed().size() > 0)
            QCOMPARE(gone, removed->textRemoved());
        g_heardText.remove(removed->changePosition(), removed->textRemoved().size());
    }
}

// What a screen reader's arrival does: Qt's platform accessibility becomes active.
void setScreenReader(bool active)
{
    QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(active);
}

QAccessibleTextInterface *textOf(TrafficLogView &view)
{
    return QAccessible::queryAccessibleInterface(&view)->textInterface();
}

QPoint pointAt(TrafficLogView &view, int column, int row)
{
    const qreal width = QFontMetricsF(view.font()).horizontalAdvance(QString(64, u'0')) / 64;
    const int height = view.fontMetrics().lineSpacing();
    return {2 + int(column * width + width / 3), row * height + height / 2};
}

} // namespace

class TestTrafficLogView : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void followsTheEnd();
    void staysWhereTheUserScrolled();
    void keepsTopLineWhenLinesAreDropped();
    void followsAgainAfterClear();
    void wrapsLongLines();
    void matchesAFreshView();
    void paintsAHugeLine();
    void copiesAllText();
    void accessibleTextFollowsTheLog_data();
    void accessibleTextFollowsTheLog();
    void answersTextAroundAnOffset_data();
    void answersTextAroundAnOffset();
    void selectsAndCopies_data();
    void selectsAndCopies();
    void selectionMovesWithItsText_data();
    void selectionMovesWithItsText();
    void selectionKeepsItsTextWhileRowsMove_data();
    void selectionKeepsItsTextWhileRowsMove();
    void caretMovesByKeys_data();
    void caretMovesByKeys();
    void focusIsToldBeforeTheCaret_data();
    void focusIsToldBeforeTheCaret();
    void ctrlEndGoesToTheNewestFrame_data();
    void ctrlEndGoesToTheNewestFrame();

private:
    QScrollBar *bar() const { return m_view->verticalScrollBar(); }

    TrafficLog *m_log = nullptr;
    TrafficLogView *m_view = nullptr;
};

void TestTrafficLogView::init()
{
    m_log = new TrafficLog(TrafficLog::Limits{300, 1 << 20});
    m_view = new TrafficLogView;
    // Wide enough for a frame on one row, so rows and lines count alike.
    m_view->resize(400, 200);
    m_view->setLog(m_log);
    m_view->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_view));
}

void TestTrafficLogView::cleanup()
{
    delete m_view;
    delete m_log;
}

void TestTrafficLogView::followsTheEnd()
{
    appendFrames(*m_log, 0, 200);
    m_view->refresh();
    QCOMPARE(bar()->maximum() + bar()->pageStep(), 200);
    QCOMPARE(bar()->value(), bar()->maximum());
    appendFrames(*m_log, 200, 30);
    m_view->refresh();
    QCOMPARE(bar()->maximum() + bar()->pageStep(), 230);
    QCOMPARE(bar()->value(), bar()->maximum());
}

void TestTrafficLogView::staysWhereTheUserScrolled()
{
    appendFrames(*m_log, 0, 200);
    m_view->refresh();
    bar()->setValue(50);
    appendFrames(*m_log, 200, 30);
    m_view->refresh();
    QCOMPARE(bar()->value(), 50);

    bar()->setValue(bar()->maximum());
    appendFrames(*m_log, 230, 30);
    m_view->refresh();
    QCOMPARE(bar()->maximum() + bar()->pageStep(), 260);
    QCOMPARE(bar()->value(), bar()->maximum());
}

void TestTrafficLogView::keepsTopLineWhenLinesAreDropped()
{
    appendFrames(*m_log, 0, 300);
    m_view->refresh();
    bar()->setValue(100);
    const QByteArray topLine = m_log->line(100).toByteArray();
    appendFrames(*m_log, 300, 40);
    QCOMPARE(m_log->droppedLines(), 40);
    m_view->refresh();
    QCOMPARE(m_log->line(bar()->value()), topLine);

    // Once the line at the top is gone, the view shows the oldest line left.
    appendFrames(*m_log, 340, 100);
    m_view->refresh();
    QCOMPARE(bar()->value(), 0);
    QVERIFY(bar()->value() < bar()->maximum());
}

void TestTrafficLogView::followsAgainAfterClear()
{
    appendFrames(*m_log, 0, 200);
    m_view->refresh();
    bar()->setValue(10);
    m_log->clear();
    appendFrames(*m_log, 0, 2);
    m_view->refresh();
    appendFrames(*m_log, 2, 100);
    m_view->refresh();
    QCOMPARE(bar()->maximum() + bar()->pageStep(), 102);
    QCOMPARE(bar()->value(), bar()->maximum());
}

// One line of 3000 chars takes as many rows as the viewport's width demands, and fewer when the
// view grows wider.
void TestTrafficLogView::wrapsLongLines()
{
    m_log->appendReceived(QByteArray(1000, '\x11'));
    m_view->refresh();
    const int narrowRows = bar()->maximum() + bar()->pageStep();
    const qreal rowWidth = QFontMetricsF(m_view->font()).horizontalAdvance(QString(3000, u'0'));
    QVERIFY(narrowRows >= rowWidth / m_view->viewport()->width());
    QCOMPARE(bar()->value(), bar()->maximum());

    m_view->resize(800, 200);
    QTRY_VERIFY(bar()->maximum() + bar()->pageStep() < narrowRows);
    QCOMPARE(bar()->value(), bar()->maximum());
}

// A view kept up to date tick by tick, with lines dropped, long lines wrapped and the user
// scrolling, shows the same as a view that counts the whole log afresh.
void TestTrafficLogView::matchesAFreshView()
{
    QRandomGenerator random(7);
    TrafficLog log(TrafficLog::Limits{40, 800});
    m_view->setLog(&log);
    TrafficLogView fresh;
    fresh.resize(m_view->size());
    fresh.show();
    QVERIFY(QTest::qWaitForWindowExposed(&fresh));
    static constexpr char kBytes[] = {'\xFF', '\xFC', '\xFE', '\x11', '\x22', '\x33'};
    for (int step = 0; step < 300; ++step) {
        QByteArray chunk;
        for (int i = random.bounded(random.bounded(20) == 0 ? 200 : 12); i > 0; --i)
            chunk += kBytes[random.bounded(6)];
        log.appendReceived(chunk);
        if (random.bounded(20) == 0)
            log.appendMarker("0x60");
        m_view->refresh();
        if (random.bounded(10) == 0)
            bar()->setValue(random.bounded(bar()->maximum() + 1));
        fresh.setLog(&log);
        fresh.verticalScrollBar()->setValue(bar()->value());
        QCOMPARE(fresh.verticalScrollBar()->maximum(), bar()->maximum());
        QCOMPARE(fresh.verticalScrollBar()->value(), bar()->value());
        // The pixels on screen: the view moves rows that stay and paints only what changed.
        QCoreApplication::processEvents();
        const QRect viewport(m_view->viewport()->mapTo(m_view, QPoint()),
                             m_view->viewport()->size());
        const QImage shown = m_view->screen()
                                 ->grabWindow(m_view->winId(), viewport.x(), viewport.y(),
                                              viewport.width(), viewport.height())
                                 .toImage()
                                 .convertToFormat(QImage::Format_RGB32);
        QCOMPARE(shown, fresh.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32));
    }
    m_view->setLog(m_log);
}

void TestTrafficLogView::paintsAHugeLine()
{
    TrafficLog log;
    m_view->setLog(&log);
    QVERIFY(!showsText(*m_view));
    const QByteArray noise(64 * 1024, '\x11');
    while (log.size() < 16 * 1024 * 1024 - 3 * noise.size())
        log.appendReceived(noise);
    log.appendReceived(noise);
    QCOMPARE(log.lineCount(), 1);
    m_view->refresh();
    QVERIFY(bar()->maximum() > 100000);
    QVERIFY(showsText(*m_view));
    bar()->setValue(0);
    QVERIFY(showsText(*m_view));
    m_view->setLog(m_log);
}

void TestTrafficLogView::copiesAllText()
{
    appendFrames(*m_log, 0, 3);
    m_log->appendMarker("0x60");
    m_view->refresh();
    QAction *copyAll = nullptr;
    for (QAction *action : m_view->actions()) {
        if (action->text() == QStringLiteral("Alles kopieren"))
            copyAll = action;
    }
    QVERIFY(copyAll);
    copyAll->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(),
             QStringLiteral("FC 00 00 FF\r\nFC 00 01 FF\r\nFC 00 02 FF \r\n\r\n0x60->"));
}

void TestTrafficLogView::accessibleTextFollowsTheLog_data()
{
    QTest::addColumn<qsizetype>("maxLines");
    QTest::addColumn<qsizetype>("maxBytes");
    QTest::addColumn<QByteArray>("steps");
    QTest::newRow("frames") << qsizetype(300) << qsizetype(1 << 20) << QByteArray("F 5|F 1|F 3");
    QTest::newRow("marker") << qsizetype(300) << qsizetype(1 << 20) << QByteArray("F 2|M|F 1|M|M");
    QTest::newRow("reset") << qsizetype(300) << qsizetype(1 << 20) << QByteArray("F 4|C|F 2|M|C");
    QTest::newRow("lines dropped")
        << qsizetype(5) << qsizetype(1 << 20) << QByteArray("F 3|F 4|M|F 6");
    QTest::newRow("bytes bound") << qsizetype(300) << qsizetype(100) << QByteArray("F 6|F 1|F 9");
    QTest::newRow("chunk past the bounds")
        << qsizetype(4) << qsizetype(1 << 20) << QByteArray("F 2|F 20|F 1");
    QTest::newRow("noise trimmed")
        << qsizetype(300) << qsizetype(90) << QByteArray("M|N 20|N 20|F 2");
}

// After every tick the text read through the accessibility interface is the log's text, and the
// change events told on the way lead to the same text; without assistive technology none is sent.
void TestTrafficLogView::accessibleTextFollowsTheLog()
{
    QFETCH(qsizetype, maxLines);
    QFETCH(qsizetype, maxBytes);
    QFETCH(QByteArray, steps);
    TrafficLog log({maxLines, maxBytes});
    int frames = 0;
    const auto previous = QAccessible::installUpdateHandler(hearChange);
    g_events = 0;
    m_view->setLog(&log);
    runSteps(log, "F 3|M", frames);
    m_view->refresh();
    QCOMPARE(g_events, 0);

    setScreenReader(true);
    g_heardText = textOf(*m_view)->text(0, textOf(*m_view)->characterCount());
    for (const QByteArray &step : steps.split('|')) {
        runSteps(log, step, frames);
        m_view->refresh();
        // Without a blank at the very end, which a new frame turns into a line break.
        QString text = QString::fromLatin1(log.text());
        if (text.endsWith(u' '))
            text.chop(1);
        QTRY_COMPARE(g_heardText, text);
        QCOMPARE(textOf(*m_view)->characterCount(), text.size());
        QCOMPARE(textOf(*m_view)->text(0, text.size()), text);
    }
    // Asked before the view's refresh, the interface answers from the log as it is.
    runSteps(log, "F 2", frames);
    QCOMPARE(textOf(*m_view)->text(0, int(log.size())), QString::fromLatin1(log.text()).chopped(1));
    setScreenReader(false);
    QAccessible::installUpdateHandler(previous);
    m_view->setLog(m_log);
}

void TestTrafficLogView::answersTextAroundAnOffset_data()
{
    // The text: "FC 00 00 FF\r\nFC 00 01 FF \r\n\r\n0x60->", 35 chars.
    QTest::addColumn<int>("offset");
    QTest::addColumn<QAccessible::TextBoundaryType>("boundary");
    QTest::addColumn<QStringList>("beforeAtAfter");
    using B = QAccessible::TextBoundaryType;
    // A hex pair or a marker is one char for a screen reader, which reads the char at the caret.
    QTest::newRow("first pair") << 0 << B::CharBoundary << QStringList{"", "FC", " "};
    QTest::newRow("in a pair") << 4 << B::CharBoundary << QStringList{" ", "00", " "};
    QTest::newRow("blank") << 2 << B::CharBoundary << QStringList{"FC", " ", "00"};
    QTest::newRow("line break") << 11 << B::CharBoundary << QStringList{"FF", "\r", "\n"};
    QTest::newRow("marker") << 34 << B::CharBoundary << QStringList{"\n", "0x60->", ""};
    QTest::newRow("pair") << 4 << B::WordBoundary << QStringList{"FC ", "00 ", "00 "};
    QTest::newRow("pair at a line end")
        << 11 << B::WordBoundary << QStringList{"00 ", "FF\r\n", "FC "};
    QTest::newRow("marker word") << 32 << B::WordBoundary << QStringList{"\r\n", "0x60->", ""};
    QTest::newRow("first line") << 2 << B::LineBoundary
                                << QStringList{"", "FC 00 00 FF\r\n", "FC 00 01 FF \r\n"};
    QTest::newRow("in a line break")
        << 26 << B::LineBoundary << QStringList{"FC 00 00 FF\r\n", "FC 00 01 FF \r\n", "\r\n"};
    QTest::newRow("paragraph") << 14 << B::ParagraphBoundary
                               << QStringList{"FC 00 00 FF\r\n", "FC 00 01 FF \r\n", "\r\n"};
    QTest::newRow("end of the text") << 35 << B::LineBoundary << QStringList{"\r\n", "0x60->", ""};
}

void TestTrafficLogView::answersTextAroundAnOffset()
{
    QFETCH(int, offset);
    QFETCH(QAccessible::TextBoundaryType, boundary);
    QFETCH(QStringList, beforeAtAfter);
    appendFrames(*m_log, 0, 2);
    m_log->appendMarker("0x60");
    m_view->refresh();
    QAccessibleTextInterface *text = textOf(*m_view);
    QCOMPARE(text->characterCount(), 35);
    int start = -1;
    int end = -1;
    const QStringList answers = {text->textBeforeOffset(offset, boundary, &start, &end),
                                 text->textAtOffset(offset, boundary, &start, &end),
                                 text->textAfterOffset(offset, boundary, &start, &end)};
    QCOMPARE(answers, beforeAtAfter);
    // The last answer's range holds its text.
    QCOMPARE(text->text(start, end), answers.last());
}

void TestTrafficLogView::selectsAndCopies_data()
{
    // Three lines of a row each: "FC 00 00 FF", "FC 00 01 FF", "FC 00 02 FF ".
    QTest::addColumn<QByteArray>("gesture");
    QTest::addColumn<QString>("selected");
    QTest::newRow("drag") << QByteArray("press 3 0|drag 8 1|release 8 1") << "00 00 FF\r\nFC 00 01";
    QTest::newRow("drag below the rows")
        << QByteArray("press 9 1|drag 4 9|release 4 9") << "FF\r\nFC 00 02 FF ";
    QTest::newRow("shift-click") << QByteArray("press 6 0|release 6 0|shift-press 2 1")
                                 << "00 FF\r\nFC";
    QTest::newRow("double-click") << QByteArray("double 7 1") << "01";
    QTest::newRow("triple-click") << QByteArray("double 7 1|press 7 1") << "FC 00 01 FF";
    QTest::newRow("shift and arrows")
        << QByteArray("press 9 0|release 9 0|key Right|key Right|key Down|key Left")
        << "FF\r\nFC 00 01 F";
    QTest::newRow("shift-end") << QByteArray("press 3 1|release 3 1|key End") << "00 01 FF";
    QTest::newRow("shift-home") << QByteArray("press 5 2|release 5 2|key Home") << "FC 00";
    QTest::newRow("select all") << QByteArray("all")
                                << "FC 00 00 FF\r\nFC 00 01 FF\r\nFC 00 02 FF ";
}

void TestTrafficLogView::selectsAndCopies()
{
    QFETCH(QByteArray, gesture);
    QFETCH(QString, selected);
    appendFrames(*m_log, 0, 3);
    m_view->refresh();
    QWidget *viewport = m_view->viewport();
    QVERIFY(!showsColour(*m_view, m_view->palette().color(QPalette::Highlight)));
    for (const QByteArray &step : gesture.split('|')) {
        const QList<QByteArray> words = step.split(' ');
        const QPoint at =
            words.size() == 3 ? pointAt(*m_view, words[1].toInt(), words[2].toInt()) : QPoint();
        if (words[0] == "press") {
            QTest::mousePress(viewport, Qt::LeftButton, {}, at);
        } else if (words[0] == "shift-press") {
            QTest::mousePress(viewport, Qt::LeftButton, Qt::ShiftModifier, at);
        } else if (words[0] == "release") {
            QTest::mouseRelease(viewport, Qt::LeftButton, {}, at);
        } else if (words[0] == "drag") {
            QMouseEvent move(QEvent::MouseMove, at, viewport->mapToGlobal(at), Qt::NoButton,
                             Qt::LeftButton, {});
            QCoreApplication::sendEvent(viewport, &move);
        } else if (words[0] == "double") {
            QTest::mouseDClick(viewport, Qt::LeftButton, {}, at);
        } else if (words[0] == "key") {
            QTest::keyClick(m_view,
                            words[1] == "Right"  ? Qt::Key_Right
                            : words[1] == "Left" ? Qt::Key_Left
                            : words[1] == "Down" ? Qt::Key_Down
                            : words[1] == "End"  ? Qt::Key_End
                                                 : Qt::Key_Home,
                            Qt::ShiftModifier);
        } else {
            QTest::keyClick(m_view, Qt::Key_A, Qt::ControlModifier);
        }
    }
    QCOMPARE(m_view->selectedText(), selected);
    QVERIFY(showsColour(*m_view, m_view->palette().color(QPalette::Highlight)));
    int start = -1;
    int end = -1;
    textOf(*m_view)->selection(0, &start, &end);
    // The text told ends before a blank at the very end.
    const bool toEnd = end == textOf(*m_view)->characterCount() && selected.endsWith(u' ');
    QCOMPARE(textOf(*m_view)->text(start, end), toEnd ? selected.chopped(1) : selected);

    QGuiApplication::clipboard()->clear();
    QTest::keyClick(m_view, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), selected);
    const QList<QAction *> menu = m_view->actions();
    QCOMPARE(menu[0]->text(), QStringLiteral("Kopieren"));
    QCOMPARE(menu[1]->text(), QStringLiteral("Alles kopieren"));
    QCOMPARE(menu[2]->text(), QStringLiteral("Alles auswählen"));
    QGuiApplication::clipboard()->clear();
    menu[0]->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), selected);
}

void TestTrafficLogView::selectionMovesWithItsText_data()
{
    // 300 lines of one row each at most; the second frame's "01" is selected, then the steps run.
    QTest::addColumn<QByteArray>("steps");
    QTest::addColumn<QString>("selected");
    QTest::newRow("new lines") << QByteArray("F 250") << "01";
    QTest::newRow("older lines dropped") << QByteArray("F 250|F 48") << "01";
    QTest::newRow("its line dropped") << QByteArray("F 250|F 49|F 2") << "";
    QTest::newRow("reset") << QByteArray("C|F 2") << "";
}

void TestTrafficLogView::selectionMovesWithItsText()
{
    QFETCH(QByteArray, steps);
    QFETCH(QString, selected);
    int frames = 0;
    runSteps(*m_log, "F 1|M", frames);
    runSteps(*m_log, "F 1", frames);
    m_view->refresh();
    // "FC 00 00 FF \r\n\r\n0x60->\r\nFC 00 01 FF": "01" at 28.
    m_view->select(28, 30);
    QCOMPARE(m_view->selectedText(), QStringLiteral("01"));
    for (const QByteArray &step : steps.split('|')) {
        runSteps(*m_log, step, frames);
        m_view->refresh();
    }
    QCOMPARE(m_view->selectedText(), selected);
    QCOMPARE(m_view->actions()[0]->isEnabled(), !selected.isEmpty());
    QCOMPARE(bar()->value(), bar()->maximum());
}

void TestTrafficLogView::selectionKeepsItsTextWhileRowsMove_data()
{
    // 40 lines, the view at the end; the gesture starts, the steps run, and the gesture ends.
    QTest::addColumn<bool>("selectAll");
    QTest::addColumn<QByteArray>("steps");
    QTest::newRow("select all, lines arrive and go") << true << QByteArray("F 250|F 100");
    QTest::newRow("triple-click, the rows scroll up") << false << QByteArray("F 5");
}

void TestTrafficLogView::selectionKeepsItsTextWhileRowsMove()
{
    QFETCH(bool, selectAll);
    QFETCH(QByteArray, steps);
    int frames = 0;
    runSteps(*m_log, "F 40", frames);
    m_view->refresh();
    const QPoint at = pointAt(*m_view, 7, 1);
    QString line;
    if (selectAll) {
        QTest::keyClick(m_view, Qt::Key_A, Qt::ControlModifier);
    } else {
        QTest::mouseDClick(m_view->viewport(), Qt::LeftButton, {}, at);
        const auto [start, end] = m_view->lineAround(m_view->selectionStart());
        line = m_view->textBetween(start, end).trimmed();
    }
    for (const QByteArray &step : steps.split('|')) {
        runSteps(*m_log, step, frames);
        m_view->refresh();
    }
    if (!selectAll)
        QTest::mousePress(m_view->viewport(), Qt::LeftButton, {}, at);
    const QString selected = selectAll ? QString::fromLatin1(m_log->text()) : line;
    QCOMPARE(m_view->selectedText(), selected);
    QGuiApplication::clipboard()->clear();
    QTest::keyClick(m_view, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), selected);
}

namespace {
int g_toldCaret = -1;
void hearCaret(QAccessibleEvent *event)
{
    if (event->type() == QAccessible::TextCaretMoved)
        g_toldCaret = static_cast<QAccessibleTextCursorEvent *>(event)->cursorPosition();
}
} // namespace

void TestTrafficLogView::caretMovesByKeys_data()
{
    // "FC 00 00 FF\r\nFC 00 01 FF\r\nFC 00 02 FF ", reached by Tab.
    QTest::addColumn<QString>("keys");
    QTest::addColumn<int>("caret");
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("newFrames");
    QTest::newRow("on the newest line") << "" << 26 << "FC 00 02 FF " << 0;
    QTest::newRow("stays on its line") << "" << 26 << "FC 00 02 FF " << 2;
    QTest::newRow("stays above them") << "Up" << 13 << "FC 00 01 FF" << 2;
    QTest::newRow("up") << "Up" << 13 << "FC 00 01 FF" << 0;
    QTest::newRow("first line") << "Ctrl+Home" << 0 << "FC 00 00 FF" << 0;
    QTest::newRow("a pair on") << "Up Up Right" << 3 << "FC 00 00 FF" << 0;
    QTest::newRow("line start") << "Up Right Home" << 13 << "FC 00 01 FF" << 0;
    QTest::newRow("last pair of a line") << "Up End" << 22 << "FC 00 01 FF" << 0;
    QTest::newRow("a pair back") << "Up End Left" << 19 << "FC 00 01 FF" << 0;
    QTest::newRow("last line") << "Ctrl+Home Ctrl+End" << 26 << "FC 00 02 FF " << 0;
    QTest::newRow("a page up") << "PgUp" << 0 << "FC 00 00 FF" << 0;
    // The end of the text as told, before its last blank.
    QTest::newRow("a page down") << "Ctrl+Home PgDown" << 37 << "FC 00 02 FF " << 0;
}

void TestTrafficLogView::caretMovesByKeys()
{
    QFETCH(QString, keys);
    QFETCH(int, caret);
    QFETCH(QString, line);
    QFETCH(int, newFrames);
    appendFrames(*m_log, 0, 3);
    m_view->refresh();
    setScreenReader(true);
    const auto previous = QAccessible::installUpdateHandler(hearCaret);
    g_toldCaret = -1;
    m_view->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_view));
    m_view->clearFocus();
    m_view->setFocus(Qt::TabFocusReason);
    for (const QString &key : keys.split(u' ', Qt::SkipEmptyParts)) {
        const QKeyCombination combination = QKeySequence(key)[0];
        QTest::keyClick(m_view, combination.key(), combination.keyboardModifiers());
    }
    appendFrames(*m_log, 3, newFrames);
    m_view->refresh();
    QAccessible::installUpdateHandler(previous);
    setScreenReader(false);
    // Placed by the focus the caret is not told: the focus is told after it, and reads it.
    QCOMPARE(g_toldCaret, keys.isEmpty() ? -1 : caret);
    QCOMPARE(textOf(*m_view)->cursorPosition(), caret);
    QCOMPARE(m_view->selectedText(), QString());
    int start = 0;
    int end = 0;
    QCOMPARE(
        textOf(*m_view)->textAtOffset(caret, QAccessible::LineBoundary, &start, &end).trimmed(),
        line.trimmed());
}

namespace {
QList<QAccessible::Event> g_toldEvents;
void hearEvents(QAccessibleEvent *event)
{
    g_toldEvents << event->type();
}
} // namespace

void TestTrafficLogView::focusIsToldBeforeTheCaret_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<int>("caret");
    QTest::newRow("caret elsewhere") << "Ctrl+Home" << 26;
    QTest::newRow("caret on the newest line") << "" << 26;
    QTest::newRow("a selection stays") << "Shift+Left" << 37;
}

// A screen reader that hears of the caret before the focus takes the log for focused already
// and does not announce it.
void TestTrafficLogView::focusIsToldBeforeTheCaret()
{
    QFETCH(QString, keys);
    QFETCH(int, caret);
    appendFrames(*m_log, 0, 3);
    m_view->refresh();
    setScreenReader(true);
    m_view->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_view));
    m_view->setFocus(Qt::TabFocusReason);
    for (const QString &key : keys.split(u' ', Qt::SkipEmptyParts)) {
        const QKeyCombination combination = QKeySequence(key)[0];
        QTest::keyClick(m_view, combination.key(), combination.keyboardModifiers());
    }
    m_view->clearFocus();
    g_toldEvents.clear();
    const auto previous = QAccessible::installUpdateHandler(hearEvents);
    m_view->setFocus(Qt::TabFocusReason);
    QAccessible::installUpdateHandler(previous);
    setScreenReader(false);
    QVERIFY(!g_toldEvents.isEmpty());
    QCOMPARE(g_toldEvents.first(), QAccessible::Focus);
    QCOMPARE(textOf(*m_view)->cursorPosition(), caret);
}

void TestTrafficLogView::ctrlEndGoesToTheNewestFrame_data()
{
    QTest::addColumn<QByteArray>("received");
    QTest::addColumn<QString>("line");
    const QByteArray frames("\xFC\x00\x01\xFF\xFE\x02\x20\xFF", 8);
    QTest::newRow("whole frames") << frames << "FE 02 20 FF";
    QTest::newRow("a frame coming in") << frames + "\xFC\x00"
                                       << "FE 02 20 FF";
    QTest::newRow("only a frame coming in") << QByteArray("\xFC\x00", 2) << "FC 00";
    QTest::newRow("noise") << QByteArray("\x11\x22\x33", 3) << "11 22 33";
}

// The key that reads the newest line while a device streams: the line still coming in says little.
void TestTrafficLogView::ctrlEndGoesToTheNewestFrame()
{
    QFETCH(QByteArray, received);
    QFETCH(QString, line);
    m_log->appendReceived(received);
    m_view->refresh();
    m_view->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_view));
    m_view->setFocus(Qt::TabFocusReason);
    QTest::keyClick(m_view, Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClick(m_view, Qt::Key_End, Qt::ControlModifier);
    int start = 0;
    int end = 0;
    QAccessibleTextInterface *text = textOf(*m_view);
    QCOMPARE(text->textAtOffset(text->cursorPosition(), QAccessible::LineBoundary, &start, &end)
                 .trimmed(),
             line);
    QCOMPARE(text->cursorPosition(), start);
}

QTEST_MAIN(TestTrafficLogView)

#include "tst_trafficlogview.moc"
