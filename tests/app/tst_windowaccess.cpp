// SPDX-License-Identifier: GPL-3.0-or-later
// The window for users of the keyboard, the mouse wheel and a screen reader: Qt's own texts in
// German, lists that a stray wheel turn does not change, Enter on the focused button, an error
// line that stays readable with long device paths, and what every control tells assistive
// technology. The real window, connected to a real pseudo-terminal where a connection matters.
#include "failuretexts.h"
#include "shape.h"
#include "support/windowtest.h"

#include <QAccessible>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>

using namespace talvor;

namespace {

// Every interface under `root` by the objectName of its widget, as a screen reader walks the tree.
void collect(QAccessibleInterface *root, QHash<QString, QAccessibleInterface *> &found)
{
    for (int i = 0; i < root->childCount(); ++i) {
        QAccessibleInterface *child = root->child(i);
        if (auto *widget = qobject_cast<QWidget *>(child->object())) {
            found.insert(widget->objectName(), child);
            collect(child, found);
        }
    }
}

} // namespace

class TestWindowAccess : public test::WindowTest {
    Q_OBJECT

private:
    // The window shown and active, COM 1 a pseudo-terminal.
    const Controls &startShown()
    {
        startOnDevice();
        return showActive();
    }
    // Every control by its objectName, as a screen reader reaches it from the window.
    QHash<QString, QAccessibleInterface *> accessibleTree()
    {
        QHash<QString, QAccessibleInterface *> tree;
        collect(accessible(m_window), tree);
        return tree;
    }
    QAccessibleInterface *accessible(QWidget *w)
    {
        return QAccessible::queryAccessibleInterface(w);
    }

private slots:
    // The program's Qt texts do not follow the system's language.
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void init() { test::clearSettings(); }
    void cleanup() { stopProgram(); }

    void qtTextsAreGerman()
    {
        const Controls &c = start(std::make_unique<test::FakeComm>());
        const std::unique_ptr<QMenu> menu(c.txtSend->createStandardContextMenu());
        QStringList entries;
        for (const QAction *action : menu->actions())
            entries << action->text().section(u'\t', 0, 0);
        QVERIFY2(entries.contains("&Kopieren"), qPrintable(entries.join(", ")));
        QVERIFY2(entries.contains("Alles auswählen"), qPrintable(entries.join(", ")));
        // The scroll bars' menu and the key names in shortcuts.
        QCOMPARE(QCoreApplication::translate("QScrollBar", "Scroll here"), "Hierher scrollen");
        QCOMPARE(QCoreApplication::translate("QShortcut", "Ctrl"), "Strg");
    }

    void wheelChoosesOnlyWithFocus_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<bool>("focused");
        QTest::newRow("port list, no focus") << "cmbCOM" << false;
        QTest::newRow("port list, focus") << "cmbCOM" << true;
        QTest::newRow("detector list, no focus") << "cmbDetektor" << false;
        QTest::newRow("detector list, focus") << "cmbDetektor" << true;
    }

    void wheelChoosesOnlyWithFocus()
    {
        QFETCH(QString, list);
        QFETCH(bool, focused);
        const Controls &c = startShown();
        c.cmdOpen->click();
        QVERIFY(portOpen());
        auto *box = m_window->findChild<QComboBox *>(list);
        (focused ? static_cast<QWidget *>(box) : c.cmdInfo)->setFocus(Qt::TabFocusReason);
        QTRY_COMPARE(box->hasFocus(), focused);
        const QPoint middle = box->rect().center();
        QWheelEvent turn(middle, box->mapToGlobal(middle), {}, {0, -120}, Qt::NoButton,
                         Qt::NoModifier, Qt::NoScrollPhase, false);
        // Delivered as one from the mouse, so that Qt also applies its focus-on-wheel rules.
        QSpontaneKeyEvent::setSpontaneous(&turn);
        QApplication::instance()->notify(box, &turn);
        QCOMPARE(box->currentIndex(), focused ? 1 : 0);
        QCOMPARE(box->hasFocus(), focused); // the wheel alone gives no focus
        // With the focus, a turn over the port list is a choice and disconnects, as a click is.
        QCOMPARE(portOpen(), !(focused && list == "cmbCOM"));
    }

    void keysClickTheFocusedButton_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::newRow("Return") << int(Qt::Key_Return) << int(Qt::NoModifier);
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier);
        QTest::newRow("Space") << int(Qt::Key_Space) << int(Qt::NoModifier);
    }

    void keysClickTheFocusedButton()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        const auto press = [&] {
            QTest::keyClick(m_window->windowHandle(), Qt::Key(key),
                            Qt::KeyboardModifiers(modifiers));
        };
        const Controls &c = startShown();
        // From the port list, Tab reaches "Verbinden"; the key connects.
        QTest::keyClick(m_window->windowHandle(), Qt::Key_Tab);
        QCOMPARE(m_window->focusWidget(), c.cmdOpen);
        press();
        QVERIFY(portOpen());
        c.cmdInit[5]->setFocus(Qt::TabFocusReason);
        press();
        QCOMPARE(m_device->readMaster(1), QByteArray("\x45"));
        QCOMPARE(m_device->readMaster(1, 100), QByteArray()); // one key, one click
    }

    void errorLineKeepsNumberAndRemedy_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("shortened");
        const QString prefix = QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_");
        const QString byId = prefix + QString(120 - prefix.size(), u'7');
        QTest::newRow("not found, short path") << 2 << "/dev/ttyUSB0" << false;
        QTest::newRow("not found, 120 characters") << 2 << byId << true;
        QTest::newRow("no permission, 120 characters") << 3 << byId << true;
        QTest::newRow("busy, 120 characters") << 4 << byId << true;
        QTest::newRow("lost, 120 characters") << 9 << byId << true;
    }

    void errorLineKeepsNumberAndRemedy()
    {
        QFETCH(int, code);
        QFETCH(QString, path);
        QFETCH(bool, shortened);
        test::setPortDevice(1, path);
        const Controls &c = start(std::make_unique<QtCommComponent>());
        const QString full = errorLineText(
            failureMessage({CommErrorCode(code), {}}, {1, path}, m_program.core->ports()));
        if (code == int(CommErrorCode::DeviceNotFound))
            c.cmdOpen->click(); // the real failure of a missing device
        else
            m_window->setErrorLine(full);
        QCOMPARE(c.lblFehler->toolTip(), full);
        const QString shown = c.lblFehler->text();
        QVERIFY2(shown.startsWith(QStringLiteral("Fehler %1 ").arg(code)), qPrintable(shown));
        QVERIFY2(shown.endsWith(full.mid(full.indexOf(path) + path.size())), qPrintable(shown));
        QCOMPARE(shown.contains(u'…'), shortened);
        QCOMPARE(shown == full, !shortened);
        // On one line inside the frame, from its place.
        QCOMPARE(c.lblFehler->pos(), QPoint(8, 56));
        QVERIFY(c.lblFehler->fontMetrics().horizontalAdvance(shown) <= c.lblFehler->width());
        QVERIFY(c.lblFehler->geometry().right() < c.Frame1->contentsRect().right());
        QCOMPARE(accessible(c.lblFehler)->text(QAccessible::Name), shown);
        QCOMPARE(accessible(c.lblFehler)->text(QAccessible::Description), full);
    }

    void controlsSayWhatTheyAre_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("description");
        struct Row {
            const char *control, *name, *description;
        };
        const Row rows[] = {
            {"lblDetektor(5)", "5", "Nr., Detektor 5"},
            {"lblAdresse(5)", "", "Adresse, Detektor 5"},
            {"lblZeitCV(24)", "", "Letzte Meldezeit CV, Detektor 24"},
            {"lblRaw(0)", "Letzte Rohdaten", ""},
            {"lblSN", "", "Seriennummer"},
            {"cmdInit(5)", "Anfordern Detektor 5", "Fordert die Meldungen von Detektor 5 an"},
            {"cmdInit(0)", "Initialisiere Detektoren",
             "Initialisiert alle Detektoren; ihre Meldungen füllen die Tabelle"},
            {"cmdOpen", "Verbinden", "Öffnet die gewählte Schnittstelle zum Gerät"},
            {"cmdClose", "Trennen", "Schließt die Schnittstelle"},
            {"Shape1", "Verbindung: getrennt", ""},
            {"lblCTS", "CTS: inaktiv", ""},
            {"Frame", "Adresse programmieren", ""},
            // On Linux Qt names a list by its chosen entry; its purpose is in the description.
            {"cmbCOM", "COM 1",
             "Serielle Schnittstelle zum Gerät. Eine andere Wahl trennt die Verbindung. Im "
             "Kontextmenü: „Schnittstellen zuordnen...“."},
            {"cmbDetektor", "Detektor 1",
             "Der Detektor, dessen Adresse „Detektoradresse programmieren“ ändert"},
            {"txtSend", "Zu sendendes Byte", "Wert des Bytes, z. B. 0x60, &H60 oder 96"},
            {"RichTextBox1", "Verkehrsprotokoll",
             "Jedes empfangene Byte als Hex-Paar, ein Rahmen des Geräts je Zeile"},
        };
        for (const Row &row : rows)
            QTest::newRow(row.control) << row.control << row.name << row.description;
    }

    void controlsSayWhatTheyAre()
    {
        QFETCH(QString, control);
        QFETCH(QString, name);
        QFETCH(QString, description);
        start(std::make_unique<test::FakeComm>());
        QAccessibleInterface *found = accessibleTree().value(control);
        QVERIFY2(found, qPrintable(control));
        QCOMPARE(found->text(QAccessible::Name), name);
        QCOMPARE(found->text(QAccessible::Description), description);
    }

    void labelsAreTheirTextAndFocusableControlsHaveNames()
    {
        start(std::make_unique<test::FakeComm>());
        const auto tree = accessibleTree();
        for (const QWidget *control : m_window->findChildren<QWidget *>()) {
            const QString name = control->objectName();
            if (!name.isEmpty() && !name.startsWith("qt_")) // Qt's inner parts have "qt_" names
                QVERIFY2(tree.contains(name), qPrintable(name + " is not in the tree"));
        }
        for (QAccessibleInterface *each : tree) {
            auto *widget = qobject_cast<QWidget *>(each->object());
            const QString name = widget->objectName();
            const bool indicator = name == "lblCTS" || name == "lblRTS";
            if (auto *label = qobject_cast<QLabel *>(widget); label && !indicator)
                QCOMPARE(each->text(QAccessible::Name), label->text());
            if (widget->focusPolicy() != Qt::NoFocus && widget->isVisibleTo(m_window))
                QVERIFY2(!each->text(QAccessible::Name).isEmpty(), qPrintable(name));
        }
    }

    void indicatorsTellTheirState_data()
    {
        QTest::addColumn<bool>("on");
        QTest::addColumn<QString>("link");
        QTest::addColumn<QString>("cts");
        QTest::newRow("connected, CTS on") << true << "Verbindung: verbunden"
                                           << "CTS: aktiv";
        QTest::newRow("closed, CTS off") << false << "Verbindung: getrennt"
                                         << "CTS: inaktiv";
    }

    void indicatorsTellTheirState()
    {
        QFETCH(bool, on);
        QFETCH(QString, link);
        QFETCH(QString, cts);
        auto comm = std::make_unique<test::FakeComm>();
        test::FakeComm &fake = *comm;
        const Controls &c = start(std::move(comm));
        for (const bool state : {!on, on}) {
            fake.open = fake.cts = fake.rts = state;
            m_program.core->receivePoll();
        }
        QCOMPARE(accessible(c.Shape1)->text(QAccessible::Name), link);
        QCOMPARE(accessible(c.lblCTS)->text(QAccessible::Name), cts);
    }
};

QTEST_MAIN(TestWindowAccess)
#include "tst_windowaccess.moc"
