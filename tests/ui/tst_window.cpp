// SPDX-License-Identifier: GPL-3.0-or-later
// The window as the user sees it after loading: every control of the design in its container, at
// its place, with its text, font and look. The expected values are written down here as the
// window's design states them, independently of the program's own design table.
#include "mainwindow.h"
#include "settingsstore.h"
#include "shape.h"
#include "support/fakecomm.h"
#include "testercore.h"
#include "trafficlogview.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace talvor;

namespace {

struct Expected {
    const char *name;
    const char *kind;
    const char *container;
    int left, top, width, height; // twips
    const char *text;
    bool bold;
};

// Everything outside the detector table.
const Expected kControls[] = {
    {"Frame1", "QGroupBox", "frmMOXT", 120, 6480, 11175, 1215, "Schnittstelle", false},
    {"Frame", "QGroupBox", "frmMOXT", 120, 7680, 11175, 735, "", false},
    {"framBeta", "QGroupBox", "frmMOXT", 11400, 120, 3015, 8295, "Beta-Funktionen", false},
    {"cmbCOM", "QComboBox", "Frame1", 120, 240, 1215, 315, nullptr, false},
    {"cmdOpen", "QPushButton", "Frame1", 1440, 240, 975, 315, "Verbinden", false},
    {"cmdClose", "QPushButton", "Frame1", 2520, 240, 855, 315, "Trennen", false},
    {"Shape1", "talvor::Shape", "Frame1", 3480, 240, 315, 315, nullptr, false},
    {"cmdReset", "QPushButton", "Frame1", 4080, 240, 1215, 315, "Reset Anzeige", false},
    {"Lavel", "QLabel", "Frame1", 5400, 240, 1575, 255, "Sys-Info Roh", true},
    {"lasd", "QLabel", "Frame1", 7080, 240, 1215, 255, "Hw.-Version", true},
    {"Label1", "QLabel", "Frame1", 8400, 240, 1215, 255, "Sw.-Version", true},
    {"Label2", "QLabel", "Frame1", 9720, 240, 1335, 255, "Seriennummer", true},
    {"cmdInfo", "QPushButton", "Frame1", 120, 600, 1215, 255, "Sys-Info", false},
    {"cmdInit(0)", "QPushButton", "Frame1", 1440, 600, 1935, 255, "Initialisiere Detektoren",
     false},
    {"lblSysRaw", "QLabel", "Frame1", 5400, 600, 1575, 255, "Sys-Info Roh", false},
    {"lblHW", "QLabel", "Frame1", 7080, 600, 1215, 255, "Hw.-Version", false},
    {"lblSW", "QLabel", "Frame1", 8400, 600, 1215, 255, "Softwareversion", false},
    {"lblSN", "QLabel", "Frame1", 9720, 600, 1335, 255, "Seriennummer", false},
    {"lblFehler", "QLabel", "Frame1", 120, 840, 480, 195, "Label1", false},
    {"cmbDetektor", "QComboBox", "Frame", 120, 240, 2655, 315, nullptr, false},
    {"cmdProg", "QPushButton", "Frame", 2880, 240, 2655, 315, "Detektoradresse programmieren",
     false},
    {"txtSend", "QLineEdit", "framBeta", 240, 240, 495, 285, "0x60", false},
    {"cmdSend", "QPushButton", "framBeta", 840, 240, 1215, 255, "", false},
    {"chkRTSCTS", "QCheckBox", "framBeta", 240, 600, 1935, 255, "RTS/CTS benutzen", false},
    {"lblCTS", "QLabel", "framBeta", 240, 960, 1095, 255, "CTS", false},
    {"lblRTS", "QLabel", "framBeta", 1440, 960, 1095, 255, "RTS", false},
    {"RichTextBox1", "talvor::TrafficLogView", "framBeta", 120, 1320, 2775, 6855, nullptr, false},
};

struct Column {
    const char *name;
    const char *kind;
    int left, width;
    const char *heading; // nullptr: no heading member
    const char *rowText;
};

const Column kColumns[] = {
    {"lblDetektor", "QLabel", 120, 855, "Nr.", "Nr."},
    {"lblAdresse", "QLabel", 1080, 975, "Adresse", "Adresse"},
    {"lblRaw", "QLabel", 2160, 1695, "Letzte Rohdaten", "Letzte Rohdaten"},
    {"lblZeit", "QLabel", 3960, 1695, "Letzte Meldezeit", "Letzte Meldezeit"},
    {"cmdInit", "QPushButton", 5760, 855, nullptr, "Anfordern"},
    {"lblCV", "QLabel", 6720, 975, "CV", "Adresse"},
    {"lblRawCV", "QLabel", 7800, 1695, "Letzte Rohdaten", "Letzte Rohdaten"},
    {"lblZeitCV", "QLabel", 9600, 1695, "Letzte Meldezeit", "Letzte Meldezeit"},
};

QRect pixels(int left, int top, int width, int height)
{
    return QRect(left / 15, top / 15, width / 15, height / 15);
}

QString textOf(const QWidget *w)
{
    if (auto *label = qobject_cast<const QLabel *>(w))
        return label->text();
    if (auto *button = qobject_cast<const QAbstractButton *>(w))
        return button->text();
    if (auto *box = qobject_cast<const QGroupBox *>(w))
        return box->title();
    if (auto *edit = qobject_cast<const QLineEdit *>(w))
        return edit->text();
    return {};
}

} // namespace

class TestWindow : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_settings = std::make_unique<SettingsStore>();
        m_core = std::make_unique<TesterCore>(std::make_unique<test::FakeComm>(), *m_settings);
        m_window = std::make_unique<MainWindow>(*m_core);
    }
    void cleanup()
    {
        m_window.reset();
        m_core.reset();
    }

    void control_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("container");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<QVariant>("text"); // invalid: the control shows no text of its own
        QTest::addColumn<bool>("bold");
        for (const Expected &e : kControls)
            QTest::newRow(e.name) << e.name << e.kind << e.container
                                  << pixels(e.left, e.top, e.width, e.height)
                                  << (e.text ? QVariant(QString::fromUtf8(e.text)) : QVariant())
                                  << e.bold;
        for (const Column &c : kColumns) {
            for (int row = c.heading ? 0 : 1; row <= 24; ++row) {
                const QString name = QStringLiteral("%1(%2)").arg(c.name).arg(row);
                const int top = row == 0 ? 240 : 360 + 240 * row;
                QTest::newRow(qPrintable(name))
                    << name << c.kind << "tblDetektoren" << pixels(c.left, top, c.width, 255)
                    << QVariant(QString::fromUtf8(row == 0 ? c.heading : c.rowText)) << (row == 0);
            }
        }
    }

    void control()
    {
        QFETCH(QString, name);
        QFETCH(QString, kind);
        QFETCH(QString, container);
        QFETCH(QRect, geometry);
        QFETCH(QVariant, text);
        QFETCH(bool, bold);
        const auto matches = m_window->findChildren<QWidget *>(name);
        QCOMPARE(matches.size(), 1);
        QWidget *control = matches.front();
        QCOMPARE(QString::fromLatin1(control->metaObject()->className()), kind);
        QCOMPARE(control->parentWidget()->objectName(), container);
        QCOMPARE(control->geometry(), geometry);
        if (text.isValid())
            QCOMPARE(textOf(control), text.toString());
        QCOMPARE(control->font().bold(), bold);
        if (name == QLatin1String("RichTextBox1")) {
            // The traffic log has a fixed-width font of its own, so that its columns line up.
            const QFontMetricsF metrics(control->font());
            QCOMPARE(metrics.horizontalAdvance(QString(30, u'W')),
                     metrics.horizontalAdvance(QString(30, u'1')));
        } else {
            QCOMPARE(control->font().family(), QStringLiteral("MS Sans Serif"));
            QCOMPARE(control->font().pointSizeF(), 8.25);
        }
        QCOMPARE(control->isVisibleTo(m_window.get()), name != QLatin1String("lblRTS"));
    }

    void tableLabelsAreWhiteBorderedAndCentred()
    {
        const auto labels = m_window->findChildren<QLabel *>();
        int cells = 0;
        for (QLabel *label : labels) {
            const QString name = label->objectName();
            if (name == "lblFehler" || name == "lblCTS" || name == "lblRTS")
                continue;
            ++cells;
            QVERIFY2(label->frameShape() == QFrame::Box, qPrintable(name));
            QCOMPARE(label->lineWidth(), 1);
            QCOMPARE(label->alignment(), Qt::AlignCenter);
            QCOMPARE(background(label), QColor(255, 255, 255));
        }
        QCOMPARE(cells, 7 * 25 + 8);
    }

    void indicatorsAndErrorLineLook()
    {
        const Controls &c = m_window->controls();
        QCOMPARE(c.lblCTS->frameShape(), QFrame::Box);
        QCOMPARE(c.lblCTS->frameShadow(), QFrame::Plain);
        QCOMPARE(c.lblCTS->alignment(), Qt::AlignCenter);
        QCOMPARE(c.lblFehler->frameShape(), QFrame::NoFrame);
        QCOMPARE(c.Shape1->fillStyle(), Shape::Transparent);
        QCOMPARE(c.Shape1->fillColor(), QColor(0, 255, 0));
        QVERIFY(!c.cmbCOM->isEditable());
        QVERIFY(!c.cmbDetektor->isEditable());
        QCOMPARE(c.cmbCOM->count(), 0);
        QVERIFY(!c.chkRTSCTS->isChecked());
        QVERIFY(c.chkRTSCTS->isEnabled());
    }

    void clientAreaIsFixed()
    {
        QCOMPARE(m_window->size(), QSize(980, 568));
        QCOMPARE(m_window->minimumSize(), m_window->maximumSize());
    }

    void tabOrderFollowsTheDesign()
    {
        QStringList expected = {"cmbCOM", "cmdOpen", "cmdClose", "cmdInit(0)", "tblDetektoren"};
        for (int i = 1; i <= 24; ++i)
            expected << QStringLiteral("cmdInit(%1)").arg(i);
        expected << "cmdReset"
                 << "cmdInfo"
                 << "cmdSend"
                 << "txtSend"
                 << "chkRTSCTS"
                 << "cmdProg"
                 << "cmbDetektor"
                 << "RichTextBox1";
        QWidget *w = m_window->findChild<QWidget *>("cmbCOM");
        QStringList seen;
        for (int i = 0; i < expected.size(); ++i) {
            seen << w->objectName();
            w = w->nextInFocusChain();
            while (w->focusPolicy() == Qt::NoFocus || !w->isVisibleTo(m_window.get()))
                w = w->nextInFocusChain();
        }
        QCOMPARE(seen, expected);
        QCOMPARE(m_window->focusWidget(), m_window->findChild<QWidget *>("cmbCOM"));
    }

    void labelsAndFramesTakeNoFocus()
    {
        for (QWidget *w : m_window->findChildren<QWidget *>()) {
            if (qobject_cast<QLabel *>(w) || qobject_cast<QGroupBox *>(w) ||
                qobject_cast<Shape *>(w))
                QVERIFY2(w->focusPolicy() == Qt::NoFocus, qPrintable(w->objectName()));
        }
    }

private:
    std::unique_ptr<SettingsStore> m_settings;
    std::unique_ptr<TesterCore> m_core;
    std::unique_ptr<MainWindow> m_window;
};

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
