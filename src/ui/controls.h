// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "design.h"

#include <QColor>

#include <array>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace talvor {

class DetectorTable;
class Shape;
class TrafficLogView;

template <typename T> using ControlArray = std::array<T *, kDetectorCount + 1>;

// The controls of the window frmMOXT under their design names. Every displayed value is a property
// of one of them. Control arrays are indexed like the design: member 0 is the heading (for cmdInit
// the "Initialisiere Detektoren" button), members 1 to 24 the detector rows.
struct Controls {
    QGroupBox *Frame1 = nullptr;
    QGroupBox *Frame = nullptr;
    QGroupBox *framBeta = nullptr;

    ControlArray<QLabel> lblDetektor{};
    ControlArray<QLabel> lblAdresse{};
    ControlArray<QLabel> lblRaw{};
    ControlArray<QLabel> lblZeit{};
    ControlArray<QPushButton> cmdInit{};
    ControlArray<QLabel> lblCV{};
    ControlArray<QLabel> lblRawCV{};
    ControlArray<QLabel> lblZeitCV{};

    QComboBox *cmbCOM = nullptr;
    QPushButton *cmdOpen = nullptr;
    QPushButton *cmdClose = nullptr;
    Shape *Shape1 = nullptr;
    QPushButton *cmdReset = nullptr;
    QLabel *Lavel = nullptr;
    QLabel *lasd = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QPushButton *cmdInfo = nullptr;
    QLabel *lblSysRaw = nullptr;
    QLabel *lblHW = nullptr;
    QLabel *lblSW = nullptr;
    QLabel *lblSN = nullptr;
    QLabel *lblFehler = nullptr;

    QComboBox *cmbDetektor = nullptr;
    QPushButton *cmdProg = nullptr;

    QLineEdit *txtSend = nullptr;
    QPushButton *cmdSend = nullptr;
    QCheckBox *chkRTSCTS = nullptr;
    QLabel *lblCTS = nullptr;
    QLabel *lblRTS = nullptr;
    TrafficLogView *RichTextBox1 = nullptr;
    // The table's labels and buttons above as one keyboard stop.
    DetectorTable *tblDetektoren = nullptr;
};

inline const QColor kWhite(255, 255, 255);
inline const QColor kGreen(0, 255, 0);
inline const QColor kLightGreen(128, 255, 128);

// Creates every control of the design inside `window`, with its geometry, text, font and look,
// and sets the keyboard focus order.
Controls buildControls(QWidget *window);

// The background colour of a label, as the handlers write it.
void setBackground(QLabel *label, const QColor &colour);
QColor background(const QLabel *label);

// Tells assistive technology the state of an indicator (Shape1, lblCTS, lblRTS) in its name:
// "Verbindung: verbunden", "CTS: inaktiv".
void showIndicatorState(QWidget *indicator, bool on);
QString indicatorStateName(const QWidget *indicator, bool on);

// The free text slot `Tag` of a button (used by cmdSend).
QString tag(const QPushButton *button);
void setTag(QPushButton *button, const QString &value);

} // namespace talvor
