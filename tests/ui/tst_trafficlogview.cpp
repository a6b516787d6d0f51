#include "trafficlog.h"
#include "trafficlogview.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTest>

using talvor::TrafficLog;
using talvor::TrafficLogView;

namespace {

// Frames numbered from first on; each one is a line of its own, "FC hh ll FF".
void appendFrames(TrafficLog &log, int first, int count)
{
    QByteArray bytes;
    for (int i = first; i < first + count; ++i)
        bytes += QByteArray("\xFC") + char(i >> 8) + char(i & 0xFF) + '\xFF';
    log.appendReceived(bytes);
}

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
        QCOMPARE(fresh.viewport()->grab().toImage(), m_view->viewport()->grab().toImage());
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

QTEST_MAIN(TestTrafficLogView)

#include "tst_trafficlogview.moc"
