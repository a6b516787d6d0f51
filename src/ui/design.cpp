// SPDX-License-Identifier: GPL-3.0-or-later
#include "design.h"

#include <algorithm>

namespace talvor {

QString ControlDesign::objectName() const
{
    return index < 0 ? name : QStringLiteral("%1(%2)").arg(name).arg(index);
}

namespace {

using K = ControlKind;
using S = LabelStyle;

// The detector table: one column per control array; member 0 is the bold heading (cmdInit has no
// heading: its member 0 is the "Initialisiere Detektoren" button in Frame1), members 1 to 24 are
// the rows. The design texts of the rows are placeholders that the display reset overwrites.
struct TableColumn {
    const char *name;
    ControlKind kind;
    int left;
    int width;
    const char *heading;
    const char *rowText;
    // The heading as assistive technology names the column: the right half's headings repeat
    // the left half's, so there the CV is named.
    const char *spokenHeading;
};

constexpr TableColumn kTableColumns[] = {
    {"lblDetektor", K::Label, 120, 855, "Nr.", "Nr.", "Nr."},
    {"lblAdresse", K::Label, 1080, 975, "Adresse", "Adresse", "Adresse"},
    {"lblRaw", K::Label, 2160, 1695, "Letzte Rohdaten", "Letzte Rohdaten", "Letzte Rohdaten"},
    {"lblZeit", K::Label, 3960, 1695, "Letzte Meldezeit", "Letzte Meldezeit", "Letzte Meldezeit"},
    {"cmdInit", K::Button, 5760, 855, nullptr, "Anfordern", nullptr},
    {"lblCV", K::Label, 6720, 975, "CV", "Adresse", "CV"},
    {"lblRawCV", K::Label, 7800, 1695, "Letzte Rohdaten", "Letzte Rohdaten", "CV Rohdaten"},
    {"lblZeitCV", K::Label, 9600, 1695, "Letzte Meldezeit", "Letzte Meldezeit", "CV Meldezeit"},
};

constexpr int kHeadingTop = 240;
constexpr int kRowHeight = 255;

constexpr int rowTop(int row)
{
    return row == 0 ? kHeadingTop : 360 + 240 * row;
}

void addTable(std::vector<ControlDesign> &design)
{
    for (const TableColumn &column : kTableColumns) {
        for (int row = 0; row <= kDetectorCount; ++row) {
            if (row == 0 && column.heading == nullptr)
                continue;
            const bool heading = row == 0;
            const LabelStyle style = column.kind == K::Button ? S::None
                                     : heading                ? S::Header
                                                              : S::Cell;
            ControlDesign cell{column.name,
                               row,
                               column.kind,
                               {},
                               column.left,
                               rowTop(row),
                               column.width,
                               kRowHeight,
                               QString::fromUtf8(heading ? column.heading : column.rowText),
                               style};
            // A cell's place is told by the table (its heading and "Detektor n"); a row's
            // button, also a stop of its own, names its row after its caption.
            if (heading) {
                cell.accessibleName = QString::fromUtf8(column.spokenHeading);
            } else if (column.kind == K::Button) {
                cell.accessibleName = cell.text + QStringLiteral(" Detektor %1").arg(row);
                cell.accessibleDescription =
                    QStringLiteral("Fordert die Meldungen von Detektor %1 an").arg(row);
            }
            design.push_back(cell);
        }
    }
}

// Everything outside the detector table, frames first.
const std::vector<ControlDesign> kOtherControls = {
    {"Frame1", -1, K::Frame, {}, 120, 6480, 11175, 1215, "Schnittstelle"},
    {"Frame", -1, K::Frame, {}, 120, 7680, 11175, 735, {}},
    {"framBeta", -1, K::Frame, {}, 11400, 120, 3015, 8295, "Beta-Funktionen"},

    {"cmbCOM", -1, K::ComboBox, "Frame1", 120, 240, 1215, 315, {}},
    {"cmdOpen", -1, K::Button, "Frame1", 1440, 240, 975, 315, "Verbinden"},
    {"cmdClose", -1, K::Button, "Frame1", 2520, 240, 855, 315, "Trennen"},
    {"Shape1", -1, K::Shape, "Frame1", 3480, 240, 315, 315, {}},
    {"cmdReset", -1, K::Button, "Frame1", 4080, 240, 1215, 315, "Reset Anzeige"},
    {"Lavel", -1, K::Label, "Frame1", 5400, 240, 1575, 255, "Sys-Info Roh", S::Header},
    {"lasd", -1, K::Label, "Frame1", 7080, 240, 1215, 255, "Hw.-Version", S::Header},
    {"Label1", -1, K::Label, "Frame1", 8400, 240, 1215, 255, "Sw.-Version", S::Header},
    {"Label2", -1, K::Label, "Frame1", 9720, 240, 1335, 255, "Seriennummer", S::Header},
    {"cmdInfo", -1, K::Button, "Frame1", 120, 600, 1215, 255, "Sys-Info"},
    {"cmdInit", 0, K::Button, "Frame1", 1440, 600, 1935, 255, "Initialisiere Detektoren"},
    {"lblSysRaw", -1, K::Label, "Frame1", 5400, 600, 1575, 255, "Sys-Info Roh", S::Cell},
    {"lblHW", -1, K::Label, "Frame1", 7080, 600, 1215, 255, "Hw.-Version", S::Cell},
    {"lblSW", -1, K::Label, "Frame1", 8400, 600, 1215, 255, "Softwareversion", S::Cell},
    {"lblSN", -1, K::Label, "Frame1", 9720, 600, 1335, 255, "Seriennummer", S::Cell},
    {"lblFehler", -1, K::Label, "Frame1", 120, 840, 480, 195, "Label1", S::ErrorLine},

    {"cmbDetektor", -1, K::ComboBox, "Frame", 120, 240, 2655, 315, {}},
    {"cmdProg", -1, K::Button, "Frame", 2880, 240, 2655, 315, "Detektoradresse programmieren"},

    {"txtSend", -1, K::TextBox, "framBeta", 240, 240, 495, 285, "0x60"},
    {"cmdSend", -1, K::Button, "framBeta", 840, 240, 1215, 255, {}},
    {"chkRTSCTS", -1, K::CheckBox, "framBeta", 240, 600, 1935, 255, "RTS/CTS benutzen"},
    {"lblCTS", -1, K::Label, "framBeta", 240, 960, 1095, 255, "CTS", S::Indicator},
    {"lblRTS", -1, K::Label, "framBeta", 1440, 960, 1095, 255, "RTS", S::Indicator, false},
    {"RichTextBox1", -1, K::LogBox, "framBeta", 120, 1320, 2775, 6855, {}},
};

// What the controls outside the table tell assistive technology beyond their shown text: the
// purpose of those that show none (or one that says little), the place of the information
// labels, and the indicators' names with the words for their states.
struct AccessibleText {
    const char *control;
    const char *name;
    const char *description;
    const char *on = nullptr;
    const char *off = nullptr;
};

const AccessibleText kAccessibleTexts[] = {
    {"Frame", "Adresse programmieren", nullptr},
    {"cmbCOM", "Schnittstelle",
     "Serielle Schnittstelle zum Gerät. Eine andere Wahl trennt die Verbindung. Im Kontextmenü: "
     "„Schnittstellen zuordnen...“."},
    {"cmdOpen", nullptr, "Öffnet die gewählte Schnittstelle zum Gerät"},
    {"cmdClose", nullptr, "Schließt die Schnittstelle"},
    {"cmdInit(0)", nullptr, "Initialisiert alle Detektoren; ihre Meldungen füllen die Tabelle"},
    {"Shape1", "Verbindung", nullptr, "verbunden", "getrennt"},
    {"cmdReset", nullptr, "Leert die Tabelle, die Sys-Info und das Verkehrsprotokoll"},
    {"cmdInfo", nullptr, "Fordert Seriennummer und Versionen vom Gerät an"},
    {"lblSysRaw", nullptr, "Sys-Info Roh"},
    {"lblHW", nullptr, "Hw.-Version"},
    {"lblSW", nullptr, "Sw.-Version"},
    {"lblSN", nullptr, "Seriennummer"},
    {"cmbDetektor", "Detektor zum Programmieren",
     "Der Detektor, dessen Adresse „Detektoradresse programmieren“ ändert"},
    {"cmdProg", nullptr, "Programmiert die Adresse des gewählten Detektors"},
    {"txtSend", "Zu sendendes Byte", "Wert des Bytes, z. B. 0x60, &H60 oder 96"},
    {"cmdSend", nullptr, "Sendet das Byte aus dem Feld davor"},
    {"chkRTSCTS", nullptr, "Gilt ab dem nächsten Verbinden"},
    {"lblCTS", "CTS", nullptr, "aktiv", "inaktiv"},
    {"lblRTS", "RTS", nullptr, "aktiv", "inaktiv"},
    {"RichTextBox1", "Verkehrsprotokoll",
     "Jedes empfangene Byte als Hex-Paar, ein Rahmen des Geräts je Zeile"},
};

void addAccessibleTexts(std::vector<ControlDesign> &design)
{
    for (ControlDesign &control : design) {
        const auto entry = std::find_if(std::begin(kAccessibleTexts), std::end(kAccessibleTexts),
                                        [&](const AccessibleText &e) {
                                            return control.objectName() == QLatin1String(e.control);
                                        });
        if (entry == std::end(kAccessibleTexts))
            continue;
        control.accessibleName = QString::fromUtf8(entry->name);
        control.accessibleDescription = QString::fromUtf8(entry->description);
        control.states = {QString::fromUtf8(entry->on), QString::fromUtf8(entry->off)};
    }
}

std::vector<ControlDesign> buildDesign()
{
    std::vector<ControlDesign> design(kOtherControls.begin(), kOtherControls.begin() + 3);
    addTable(design);
    design.insert(design.end(), kOtherControls.begin() + 3, kOtherControls.end());
    addAccessibleTexts(design);
    return design;
}

} // namespace

const std::vector<ControlDesign> &windowDesign()
{
    static const std::vector<ControlDesign> design = buildDesign();
    return design;
}

const std::vector<QString> &tabOrder()
{
    static const std::vector<QString> order = [] {
        std::vector<QString> names = {"cmbCOM", "cmdOpen", "cmdClose"};
        // The table's stop follows "Initialisiere Detektoren", whose answer fills it, and comes
        // before the table's own "Anfordern" buttons.
        names.push_back(QStringLiteral("cmdInit(0)"));
        names.push_back(QStringLiteral("tblDetektoren"));
        for (int i = 1; i <= kDetectorCount; ++i)
            names.push_back(QStringLiteral("cmdInit(%1)").arg(i));
        names.insert(names.end(), {"cmdReset", "cmdInfo", "cmdSend", "txtSend", "chkRTSCTS",
                                   "cmdProg", "cmbDetektor", "RichTextBox1"});
        return names;
    }();
    return order;
}

} // namespace talvor
