// SPDX-License-Identifier: GPL-3.0-or-later
// What one receive poll tells assistive technology: only what changed, at most one text insert for
// the new lines and a removal only when old lines were dropped, so that a screen reader is not kept
// busy while a device streams. The real window, shown, with Qt's platform accessibility switched on
// as a screen reader does, on a fake port whose bytes arrive exactly when the test polls.
#include "detectortable.h"
#include "support/windowtest.h"

#include <QAccessible>
#include <QPushButton>
#include <QTest>
#include <private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>

using namespace talvor;

namespace {

QMap<int, int> g_told; // events by type

void count(QAccessibleEvent *event)
{
    ++g_told[event->type()];
}

QByteArray addressFrames(int count, int address = 0x1F)
{
    QByteArray frames;
    for (int i = 0; i < count; ++i)
        frames += QByteArray("\xFC") + char(i % kDetectorCount + 1) + char(0) + char(address) +
                  QByteArray("\xFF");
    return frames;
}

} // namespace

class TestAccessibleEvents : public test::WindowTest {
    Q_OBJECT

private:
    void poll(const QByteArray &bytes)
    {
        m_fake->waiting += bytes;
        m_program.core->receivePoll();
    }

private slots:
    void initTestCase()
    {
        QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(true);
        QAccessible::installUpdateHandler(count);
    }
    void init() { test::clearSettings(); }
    void cleanup() { stopProgram(); }

    void onePollTellsWhatChanged_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("received");
        QTest::addColumn<bool>("tableFocused");
        QTest::addColumn<int>("inserts");
        QTest::addColumn<int>("removals");
        QTest::addColumn<int>("names");
        const QByteArray three = addressFrames(3);
        QTest::newRow("frames") << three << addressFrames(5) << false << 1 << 0 << 0;
        QTest::newRow("the first frames") << QByteArray() << three << false << 1 << 0 << 0;
        QTest::newRow("a frame in pieces")
            << QByteArray("\xFC\x01\x00", 3) << QByteArray("\x1F\xFF\xFC\x02", 4) << false << 1 << 0
            << 0;
        QTest::newRow("nothing new") << three << QByteArray() << false << 0 << 0 << 0;
        // The log keeps the newest 100,000 lines.
        QTest::newRow("lines dropped")
            << addressFrames(100000) << addressFrames(3) << false << 1 << 1 << 0;
        // Detector 1's address, frame and time change; only the cell under the cursor is told.
        QTest::newRow("the focused cell") << three << addressFrames(1, 0x20) << true << 1 << 0 << 1;
    }

    void onePollTellsWhatChanged()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, received);
        QFETCH(bool, tableFocused);
        QFETCH(int, inserts);
        QFETCH(int, removals);
        QFETCH(int, names);
        startFake();
        const Controls &c = showActive();
        c.cmdOpen->click();
        QVERIFY(m_fake->open);
        if (tableFocused) {
            c.tblDetektoren->setFocus(Qt::TabFocusReason);
            QTest::keyClick(c.tblDetektoren, Qt::Key_Right);
        }
        g_told.clear();
        poll(before);
        // The earlier text told first, so that dropping it is news.
        if (!before.isEmpty())
            QTRY_VERIFY(g_told.value(QAccessible::TextInserted) > 0);
        g_told.clear();
        poll(received);
        // A change that came soon after the last one is told a little later, all at once.
        QTRY_COMPARE(g_told.value(QAccessible::TextInserted), inserts);
        QCOMPARE(g_told.value(QAccessible::TextRemoved), removals);
        QCOMPARE(g_told.value(QAccessible::NameChanged), names);
        // The log does not move its caret, and its scroll bar follows the end untold.
        QCOMPARE(g_told.value(QAccessible::TextCaretMoved), 0);
        QCOMPARE(g_told.value(QAccessible::TextSelectionChanged), 0);
        QCOMPARE(g_told.value(QAccessible::ValueChanged), 0);
    }
};

QTEST_MAIN(TestAccessibleEvents)
#include "tst_accessibleevents.moc"
