// SPDX-License-Identifier: GPL-3.0-or-later
// The port list's tool tips and the dialog "Schnittstellen zuordnen", driven from the keyboard on
// the real program with the real settings file and a real pseudo-terminal.
#include "portassigndialog.h"
#include "serialdevices.h"
#include "support/windowtest.h"

#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

using namespace talvor;

class TestPortAssign : public test::WindowTest {
    Q_OBJECT

private:
    const Controls &start()
    {
        startReal();
        return showActive();
    }

    // Opens the dialog through the port list's context menu, from the keyboard.
    static QDialog *openDialog(QComboBox *list, const QString &how)
    {
        list->activateWindow();
        if (!QTest::qWaitForWindowActive(list->window()))
            return nullptr;
        list->setFocus();
        // The offscreen platform makes no context-menu event of the context-menu key or the
        // right button: it is sent as the desktop's platform sends it.
        if (how == "Shift+F10") {
            QTest::keyClick(list, Qt::Key_F10, Qt::ShiftModifier);
        } else {
            const auto reason =
                how == "right click" ? QContextMenuEvent::Mouse : QContextMenuEvent::Keyboard;
            const QPoint at = list->rect().center();
            QContextMenuEvent event(reason, at, list->mapToGlobal(at));
            QApplication::sendEvent(list, &event);
        }
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (!menu || menu->actions().value(0)->text() != "Schnittstellen zuordnen...")
            return nullptr;
        QTest::keyClick(menu, Qt::Key_Down);
        QTest::keyClick(menu, Qt::Key_Return);
        if (!QTest::qWaitFor([] { return QApplication::activeModalWidget() != nullptr; }))
            return nullptr;
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        return dialog && QTest::qWaitForWindowActive(dialog) ? dialog : nullptr;
    }

    static QPushButton *button(QDialog *dialog, const QString &text)
    {
        for (QPushButton *b : dialog->findChildren<QPushButton *>()) {
            if (b->text() == text)
                return b;
        }
        return nullptr;
    }

private slots:
    void init()
    {
        // The folder too, so that the file can be written by hand before the program starts.
        QVERIFY(QDir().mkpath(QFileInfo(SettingsStore().fileName()).path()));
        test::clearSettings();
    }
    void cleanup()
    {
        setSerialDeviceLister({});
        stopProgram();
    }

    void assignsFromTheKeyboard_data();
    void assignsFromTheKeyboard();
    void namesTheOnePluggedInAdapter_data();
    void namesTheOnePluggedInAdapter();
};

void TestPortAssign::assignsFromTheKeyboard_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QByteArray>("kept"); // a line of the file before, kept as it is
    QTest::newRow("context-menu key, a line not UTF-8")
        << "context-menu key" << QByteArray("COM9=/dev/tty\xE4\xF6");
    QTest::newRow("Shift+F10, another port") << "Shift+F10" << QByteArray("COM1=/dev/ttyUSB0");
    QTest::newRow("right click, another port") << "right click" << QByteArray("COM3=/dev/ttyACM0");
}

void TestPortAssign::assignsFromTheKeyboard()
{
    QFETCH(QString, how);
    QFETCH(QByteArray, kept);
    test::writeSettingsFile("[Devices]\n" + kept + "\n");
    test::PtyPair pty;
    QVERIFY(pty.isValid());
    const Controls &c = start();
    c.cmbCOM->setCurrentIndex(1);

    QDialog *dialog = openDialog(c.cmbCOM, how);
    QVERIFY(dialog);
    QCOMPARE(dialog->windowTitle(), "Schnittstellen zuordnen");
    QTest::keyClick(dialog, Qt::Key_G, Qt::AltModifier);
    auto *field = qobject_cast<QLineEdit *>(QApplication::focusWidget());
    QVERIFY(field && field->accessibleName() == "Gerät");
    QTest::keyClicks(field, pty.slavePath());
    QTest::keyClick(field, Qt::Key_Return);
    QTest::keyClick(dialog, Qt::Key_Escape);
    QTRY_VERIFY(!QApplication::activeModalWidget());
    const QByteArray assigned = "COM2=" + pty.slavePath().toUtf8() + "\n";
    QVERIFY2(test::settingsFileContents().contains(assigned), test::settingsFileContents());
    QVERIFY2(test::settingsFileContents().contains(kept + "\n"), test::settingsFileContents());
    c.cmdOpen->click();
    QVERIFY2(m_port->portOpen().value(), qPrintable(c.lblFehler->text()));

    // Back to the default while the port is open: it applies at the next connect.
    dialog = openDialog(c.cmbCOM, how);
    QVERIFY(dialog);
    QTest::keyClick(dialog, Qt::Key_G, Qt::AltModifier);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), button(dialog, "Standard"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    QVERIFY(!test::settingsFileContents().contains("COM2="));
    bool told = false;
    for (const QLabel *label : dialog->findChildren<QLabel *>())
        told |= label->text().contains("gilt ab dem nächsten „Verbinden“");
    QVERIFY(told);
    button(dialog, "Schließen")->click();
    QVERIFY(test::settingsFileContents().contains(kept + "\n"));
}

void TestPortAssign::namesTheOnePluggedInAdapter_data()
{
    QTest::addColumn<QString>("stablePath");
    QTest::addColumn<QString>("written");
    const QString byId = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0";
    QTest::newRow("with a by-id link") << byId << byId;
    QTest::newRow("without a link") << QString() << "/dev/ttyUSB0";
}

void TestPortAssign::namesTheOnePluggedInAdapter()
{
    QFETCH(QString, stablePath);
    QFETCH(QString, written);
    const SerialDevice adapter{"/dev/ttyUSB0", "FT232R USB UART", "FTDI", "A1B2C3", 0x0403,
                               0x6001,         stablePath};
    setSerialDeviceLister([adapter] { return QList<SerialDevice>{adapter}; });
    const Controls &c = start();
    const QString before = "COM 16: /dev/ttyS15 (Standard, nicht vorhanden)";
    QCOMPARE(c.cmbCOM->itemData(15, Qt::ToolTipRole).toString(), before);
    QCOMPARE(c.cmbCOM->itemData(15, Qt::AccessibleDescriptionRole).toString(), before);

    c.cmbCOM->setCurrentIndex(15);
    c.cmdOpen->click();
    const QString error = c.lblFehler->toolTip();
    QVERIFY2(error.startsWith("Fehler 2 COM 16 (/dev/ttyS15) nicht gefunden."), qPrintable(error));
    QVERIFY2(error.endsWith("Rechtsklick auf die Portliste: „Schnittstellen zuordnen...“. "
                            "Gefunden: /dev/ttyUSB0 (FT232R USB UART)."),
             qPrintable(error));

    m_program.window->assignPorts();
    auto *dialog = qobject_cast<PortAssignDialog *>(QApplication::activeModalWidget());
    QVERIFY(dialog);
    auto *devices = dialog->findChildren<QTreeWidget *>().value(1);
    QVERIFY(devices && devices->topLevelItemCount() == 1);
    QStringList shown;
    for (int column = 0; column < devices->columnCount(); ++column)
        shown << devices->topLevelItem(0)->text(column);
    QCOMPARE(shown, QStringList({"/dev/ttyUSB0", "FT232R USB UART", "FTDI", "A1B2C3", "0403",
                                 "6001", stablePath}));
    devices->setFocus();
    QTest::keyClick(devices, Qt::Key_Down);
    QCOMPARE(dialog->findChild<QLineEdit *>()->text(), written);
    button(dialog, "Übernehmen")->click();
    QVERIFY(test::settingsFileContents().contains("COM16=" + written.toUtf8() + "\n"));
    dialog->close();
    QCOMPARE(c.cmbCOM->itemData(15, Qt::ToolTipRole).toString(),
             "COM 16: " + written + " (FT232R USB UART, angeschlossen)");
    c.cmdOpen->click();
    QVERIFY(!c.lblFehler->toolTip().contains("Gefunden"));
}

QTEST_MAIN(TestPortAssign)
#include "tst_portassign.moc"
