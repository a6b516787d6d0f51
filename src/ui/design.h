// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "talvorprotocol.h"

#include <QString>

#include <vector>

namespace talvor {

// The window's design: every control with its container, place, size and design text, as the
// window builder creates it. Positions and sizes are in twips (15 twips are one pixel at 96 dpi),
// measured from the top left corner of the container's client area (a group frame or the window).
enum class ControlKind { Frame, Label, Button, ComboBox, CheckBox, TextBox, Shape, LogBox };

enum class LabelStyle {
    None,      // not a label
    Cell,      // white, single-line border, centred: the cells of the table and the info labels
    Header,    // like Cell, bold
    ErrorLine, // no border, default background, sizes itself to its text
    Indicator, // flat, single-line border, centred, the system's window colours
};

// The words for an indicator's two states, as assistive technology reads them.
struct IndicatorStates {
    QString on;
    QString off;
};

struct ControlDesign {
    QString name;   // the control's name, e.g. "lblAdresse"
    int index = -1; // the member index for control arrays, -1 for single controls
    ControlKind kind = ControlKind::Label;
    QString container; // the name of the frame that holds it; empty for the window
    int left = 0, top = 0, width = 0, height = 0;
    QString text; // design caption or text
    LabelStyle style = LabelStyle::None;
    bool visible = true;
    // What the control tells assistive technology. Without a name of its own a control is known
    // by its shown text, as every label is; the description says where it stands or what it is
    // for. An indicator's name is followed by the word for its state: "Verbindung: verbunden".
    QString accessibleName{};
    QString accessibleDescription{};
    IndicatorStates states{};

    // The objectName: "cmbCOM", or "lblAdresse(5)" for the members of control arrays.
    QString objectName() const;
};

inline constexpr int kTwipsPerPixel = 15;
inline constexpr int kClientWidthTwips = 14700;
inline constexpr int kClientHeightTwips = 8520;

inline constexpr int twipsToPixels(int twips)
{
    return twips / kTwipsPerPixel;
}

// All controls in creation order: frames before the controls they hold.
const std::vector<ControlDesign> &windowDesign();

// The keyboard focus order; the first one has the focus when the window opens.
const std::vector<QString> &tabOrder();

} // namespace talvor
