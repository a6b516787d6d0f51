// SPDX-License-Identifier: GPL-3.0-or-later
// What a screen reader user meets in the window: the detector table as a table with a cell
// cursor, and what happens told without moving the focus. The real window, shown, on a real
// pseudo-terminal, with Qt's platform accessibility switched on as a screen reader does.
#include "detectortable.h"
#include "errorline.h"
#include "failuretexts.h"
#include "support/windowtest.h"

#include <QAccessible>
#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>

using namespace talvor;

namespace {

QStringList g_heard;       // the texts of the notifications that appeared
QString g_focused;         // the name of the object last told focused
QVector<int> g_focusPlace; // its row and column, where it is a table cell

void hear(QAccessibleEvent *event)
{
    QAccessibleInterface *target = event->accessibleInterface();
    if (!target)
        return;
    if (event->type() == QAccessible::ObjectShow && target->role() == QAccessible::Notification)
        g_heard << target->text(QAccessible::Name);
    if (event->type() == QAccessible::Focus) {
        g_focused = target->text(QAccessible::Name);
        const QAccessibleTableCellInterface *cell = target->tableCellInterface();
        g_focusPlace =
            cell ? QVector<int>{cell->rowIndex() + 1, cell->columnIndex()} : QVector<int>{};
    }
}

QStringList names(const QList<QAccessibleInterface *> &interfaces)
{
    QStringList out;
    for (const QAccessibleInterface *each : interfaces)
        out << each->text(QAccessible::Name);
    return out;
}

} // namespace

class TestScreenReader : public test::WindowTest {
    Q_OBJECT

private:
    // The window shown and active, COM 1 at `path` (a pseudo-terminal if empty).
    const Controls &startShown(const QString &path = {})
    {
        m_device = std::make_unique<test::PtyPair>();
        test::setPortDevice(1, path.isEmpty() ? m_device->slavePath() : path);
        startReal();
        showActive();
        QCoreApplication::processEvents();
        g_heard.clear();
        return m_window->controls();
    }
    void press(const QString &keys)
    {
        for (const QString &key : keys.split(u' ', Qt::SkipEmptyParts)) {
            const QKeyCombination combination = QKeySequence(key)[0];
            QTest::keyClick(m_window->windowHandle(), combination.key(),
                            combination.keyboardModifiers());
        }
    }

private slots:
    void initTestCase()
    {
        QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(true);
        QAccessible::installUpdateHandler(hear);
    }
    void init() { test::clearSettings(); }
    void cleanup() { stopProgram(); }

    void tableCellsHaveTheirPlace_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<QByteArray>("report");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("columnHeader");
        QTest::addColumn<int>("role");
        const int cell = QAccessible::Cell;
        QTest::newRow("address") << 5 << 1 << QByteArray("\xFC\x05\x00\x1F\xFF", 5) << "> 31"
                                 << QStringList{"Adresse"} << cell;
        QTest::newRow("empty CV") << 5 << 5 << QByteArray() << "leer" << QStringList{"CV"} << cell;
        QTest::newRow("number") << 1 << 0 << QByteArray() << "1" << QStringList{"Nr."} << cell;
        QTest::newRow("request button") << 24 << 4 << QByteArray() << "Anfordern Detektor 24"
                                        << QStringList{} << int(QAccessible::Button);
        QTest::newRow("last time")
            << 24 << 7 << QByteArray() << "leer" << QStringList{"Letzte Meldezeit"} << cell;
    }

    void tableCellsHaveTheirPlace()
    {
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(QByteArray, report);
        QFETCH(QString, name);
        QFETCH(QStringList, columnHeader);
        QFETCH(int, role);
        const Controls &c = startShown();
        c.cmdOpen->click();
        m_device->writeMaster(report);
        QAccessibleInterface *table = QAccessible::queryAccessibleInterface(c.tblDetektoren);
        QCOMPARE(table->role(), QAccessible::Table);
        QCOMPARE(table->tableInterface()->rowCount(), 24);
        QCOMPARE(table->tableInterface()->columnCount(), 8);
        QAccessibleInterface *cell = table->tableInterface()->cellAt(row - 1, column);
        QTRY_COMPARE(cell->text(QAccessible::Name), name);
        QCOMPARE(int(cell->role()), role);
        QCOMPARE(table->child(table->indexOfChild(cell)), cell);
        QCOMPARE(cell->parent(), table);
        QCOMPARE(names(cell->tableCellInterface()->columnHeaderCells()), columnHeader);
        QCOMPARE(names(cell->tableCellInterface()->rowHeaderCells()),
                 QStringList{QStringLiteral("Detektor %1").arg(row)});
    }

    void arrowKeysMoveTheCellCursor_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("sent");
        QTest::newRow("Tab from the init button") << "" << 1 << 0 << "1" << QByteArray();
        QTest::newRow("down and right") << "Down Down Right" << 3 << 1 << "leer" << QByteArray();
        QTest::newRow("stops at the top") << "Up Left" << 1 << 0 << "1" << QByteArray();
        QTest::newRow("end of row") << "Down End" << 2 << 7 << "leer" << QByteArray();
        QTest::newRow("last cell") << "Ctrl+End" << 24 << 7 << "leer" << QByteArray();
        QTest::newRow("back to the first")
            << "PgDown Right Ctrl+Home" << 1 << 0 << "1" << QByteArray();
        QTest::newRow("Space requests") << "Down Down Down Down Right Right Right Right Space" << 5
                                        << 4 << "Anfordern Detektor 5" << QByteArray("\x45");
    }

    void arrowKeysMoveTheCellCursor()
    {
        QFETCH(QString, keys);
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(QString, name);
        QFETCH(QByteArray, sent);
        const Controls &c = startShown();
        c.cmdOpen->click();
        c.cmdInit[0]->setFocus(Qt::TabFocusReason);
        press("Tab");
        QCOMPARE(m_window->focusWidget(), c.tblDetektoren);
        QTRY_COMPARE(g_focusPlace, (QVector<int>{1, 0}));
        press(keys);
        QCOMPARE(g_focusPlace, (QVector<int>{row, column}));
        QCOMPARE(g_focused, name);
        QAccessibleInterface *table = QAccessible::queryAccessibleInterface(c.tblDetektoren);
        QAccessibleInterface *cell = table->tableInterface()->cellAt(row - 1, column);
        QVERIFY(cell->state().focused);
        QCOMPARE(table->focusChild(), cell);
        QCOMPARE(m_window->focusWidget(), c.tblDetektoren);
        QCOMPARE(m_device->readMaster(sent.size(), 200), sent);
    }

    void whatHappensIsAnnounced_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<QStringList>("buttons");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QStringList>("heard");
        const QString on = "Verbindung: verbunden";
        QByteArray all, three, stream;
        for (int d = 1; d <= 24; ++d)
            all += QByteArray("\xFC") + char(d) + QByteArray("\x00\x1F\xFF", 3);
        three = all.left(15);
        for (int i = 0; i < 30; ++i) // within what the pseudo-terminal buffers
            stream += all;
        SettingsStore settings;
        const QString missing = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_" + QString(80, u'7');
        QTest::newRow("connect, disconnect")
            << "" << QStringList{"cmdOpen", "cmdClose"} << QByteArray()
            << QStringList{on + ". Verbindung: getrennt"};
        QTest::newRow("missing device")
            << missing << QStringList{"cmdOpen"} << QByteArray()
            << QStringList{errorLineText(failureMessage({CommErrorCode::DeviceNotFound, {}},
                                                        {1, missing}, PortDirectory(settings)))};
        QTest::newRow("every detector") << "" << QStringList{"cmdOpen", "cmdInit(0)"} << all
                                        << QStringList{on, "24 Detektoren gemeldet"};
        QTest::newRow("three detectors") << "" << QStringList{"cmdOpen", "cmdInit(0)"} << three
                                         << QStringList{on, "3 Detektoren gemeldet"};
        QTest::newRow("reports unasked")
            << "" << QStringList{"cmdOpen"} << stream << QStringList{on};
        QTest::newRow("system information")
            << "" << QStringList{"cmdOpen", "cmdInfo"} << QByteArray("\xFD\x54\x26\x1E\x15\xFF")
            << QStringList{on, "Sys-Info: Seriennummer 21542, Hardware 2.1, Software 3.0"};
    }

    void whatHappensIsAnnounced()
    {
        QFETCH(QString, device);
        QFETCH(QStringList, buttons);
        QFETCH(QByteArray, answer);
        QFETCH(QStringList, heard);
        startShown(device);
        for (const QString &button : buttons)
            m_window->findChild<QPushButton *>(button)->click();
        m_device->writeMaster(answer);
        QTRY_COMPARE_WITH_TIMEOUT(g_heard, heard, 5000);
        // Nothing more, once the answer has had time to end.
        QTest::qWait(1200);
        QCOMPARE(g_heard, heard);
    }

    void listsTellTheirKeyboardChoice_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<bool>("focused");
        QTest::addColumn<QStringList>("heard");
        QTest::newRow("port list") << "cmbCOM" << true << QStringList{"COM 2"};
        QTest::newRow("detector list") << "cmbDetektor" << true << QStringList{"Detektor 2"};
        QTest::newRow("chosen by the program") << "cmbCOM" << false << QStringList{};
    }

    void listsTellTheirKeyboardChoice()
    {
        QFETCH(QString, list);
        QFETCH(bool, focused);
        QFETCH(QStringList, heard);
        startShown();
        auto *box = m_window->findChild<QComboBox *>(list);
        (focused ? static_cast<QWidget *>(box) : m_window->controls().cmdInfo)
            ->setFocus(Qt::TabFocusReason);
        if (focused)
            press("Down");
        else
            box->setCurrentIndex(1);
        QCOMPARE(box->currentIndex(), 1);
        QTest::qWait(50);
        QCOMPARE(g_heard, heard);
    }
};

QTEST_MAIN(TestScreenReader)
#include "tst_screenreader.moc"
