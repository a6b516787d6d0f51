// SPDX-License-Identifier: GPL-3.0-or-later
#include "accessibledetectortable.h"
#include "accessibleeventfilter.h"
#include "accessiblelabel.h"
#include "accessiblelineedit.h"
#include "controls.h"
#include "detectortable.h"
#include "shape.h"
#include "sharedcellpicture.h"
#include "trafficlogview.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace talvor {

namespace {

// The design's font is "MS Sans Serif" 8.25 pt. Where it is missing (every Linux system), a face
// with the same narrow metrics stands in, so that every text still fits its cell; fontconfig's own
// choice, DejaVu Sans, is too wide for "Anfordern" and "Initialisiere Detektoren".
QFont designFont(bool bold)
{
    static const bool substituted = [] {
        QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                                   {QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
        return true;
    }();
    Q_UNUSED(substituted);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSizeF(8.25);
    font.setBold(bold);
    return font;
}

void styleLabel(QLabel *label, LabelStyle style)
{
    switch (style) {
    case LabelStyle::Header:
        label->setFont(designFont(true));
        [[fallthrough]];
    case LabelStyle::Cell:
        label->setFrameStyle(QFrame::Box | QFrame::Plain);
        label->setAlignment(Qt::AlignCenter);
        setBackground(label, kWhite);
        break;
    case LabelStyle::Indicator:
        label->setFrameStyle(QFrame::Box | QFrame::Plain);
        label->setAlignment(Qt::AlignCenter);
        label->setAutoFillBackground(true);
        break;
    case LabelStyle::ErrorLine:
    case LabelStyle::None:
        break;
    }
}

// A drop-down list takes the mouse wheel only while it has the keyboard focus, the common guard on
// desktop forms: a wheel turn over the port list would otherwise choose the next port and so close
// the connection, and one over the detector list would change which detector is programmed. The
// wheel passes on to the window behind; a click or the keyboard chooses as before.
class WheelGuard : public QObject {
public:
    explicit WheelGuard(QComboBox *list)
        : QObject(list)
    {
        list->setFocusPolicy(Qt::StrongFocus); // a wheel turn alone gives no focus
        list->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Wheel || static_cast<QWidget *>(watched)->hasFocus())
            return false;
        event->ignore();
        return true;
    }
};

QComboBox *createList(QWidget *parent)
{
    auto *list = new QComboBox(parent); // a pure drop-down list: not editable
    new WheelGuard(list);
    return list;
}

QPushButton *createButton(const QString &text, QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    // Enter and Return click the focused button as Space does, as on the desktop the window
    // comes from; outside a dialog Qt's buttons take Enter only when set so.
    button->setAutoDefault(true);
    return button;
}

const char *const kStateNamesProperty = "accessibleStateNames";

void describe(QWidget *control, const ControlDesign &design)
{
    if (!design.accessibleName.isEmpty())
        control->setAccessibleName(design.accessibleName);
    control->setAccessibleDescription(design.accessibleDescription);
    if (!design.states.on.isEmpty()) {
        const QString prefix = design.accessibleName + QStringLiteral(": ");
        control->setProperty(kStateNamesProperty,
                             QStringList{prefix + design.states.off, prefix + design.states.on});
        showIndicatorState(control, false);
    }
}

QWidget *createControl(const ControlDesign &design, QWidget *parent)
{
    switch (design.kind) {
    case ControlKind::Frame:
        return new QGroupBox(design.text, parent);
    case ControlKind::Label: {
        auto *label = new QLabel(design.text, parent);
        styleLabel(label, design.style);
        return label;
    }
    case ControlKind::Button:
        return createButton(design.text, parent);
    case ControlKind::ComboBox:
        return createList(parent);
    case ControlKind::CheckBox:
        return new QCheckBox(design.text, parent);
    case ControlKind::TextBox:
        return new QLineEdit(design.text, parent);
    case ControlKind::Shape:
        return new Shape(parent);
    case ControlKind::LogBox:
        return new TrafficLogView(parent);
    }
    return nullptr;
}

template <typename T> T *find(const QHash<QString, QWidget *> &made, const QString &name)
{
    return qobject_cast<T *>(made.value(name));
}

template <typename T>
void fillArray(ControlArray<T> &array, const QHash<QString, QWidget *> &made, const char *name)
{
    for (int i = 0; i <= kDetectorCount; ++i)
        array[i] = find<T>(made, QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(i));
}

Controls collect(const QHash<QString, QWidget *> &made)
{
    Controls c;
    c.Frame1 = find<QGroupBox>(made, "Frame1");
    c.Frame = find<QGroupBox>(made, "Frame");
    c.framBeta = find<QGroupBox>(made, "framBeta");
    fillArray(c.lblDetektor, made, "lblDetektor");
    fillArray(c.lblAdresse, made, "lblAdresse");
    fillArray(c.lblRaw, made, "lblRaw");
    fillArray(c.lblZeit, made, "lblZeit");
    fillArray(c.cmdInit, made, "cmdInit");
    fillArray(c.lblCV, made, "lblCV");
    fillArray(c.lblRawCV, made, "lblRawCV");
    fillArray(c.lblZeitCV, made, "lblZeitCV");
    c.cmbCOM = find<QComboBox>(made, "cmbCOM");
    c.cmdOpen = find<QPushButton>(made, "cmdOpen");
    c.cmdClose = find<QPushButton>(made, "cmdClose");
    c.Shape1 = find<Shape>(made, "Shape1");
    c.cmdReset = find<QPushButton>(made, "cmdReset");
    c.Lavel = find<QLabel>(made, "Lavel");
    c.lasd = find<QLabel>(made, "lasd");
    c.Label1 = find<QLabel>(made, "Label1");
    c.Label2 = find<QLabel>(made, "Label2");
    c.cmdInfo = find<QPushButton>(made, "cmdInfo");
    c.lblSysRaw = find<QLabel>(made, "lblSysRaw");
    c.lblHW = find<QLabel>(made, "lblHW");
    c.lblSW = find<QLabel>(made, "lblSW");
    c.lblSN = find<QLabel>(made, "lblSN");
    c.lblFehler = find<QLabel>(made, "lblFehler");
    c.cmbDetektor = find<QComboBox>(made, "cmbDetektor");
    c.cmdProg = find<QPushButton>(made, "cmdProg");
    c.txtSend = find<QLineEdit>(made, "txtSend");
    c.cmdSend = find<QPushButton>(made, "cmdSend");
    c.chkRTSCTS = find<QCheckBox>(made, "chkRTSCTS");
    c.lblCTS = find<QLabel>(made, "lblCTS");
    c.lblRTS = find<QLabel>(made, "lblRTS");
    c.RichTextBox1 = find<TrafficLogView>(made, "RichTextBox1");
    return c;
}

DetectorTable::Grid tableGrid(const Controls &c)
{
    DetectorTable::Grid grid{};
    for (int row = 0; row <= kDetectorCount; ++row) {
        // cmdInit(0) is not in the table: the request column has no heading.
        QPushButton *request = row == 0 ? nullptr : c.cmdInit[row];
        grid[size_t(row)] = {c.lblDetektor[row], c.lblAdresse[row], c.lblRaw[row],
                             c.lblZeit[row],     request,           c.lblCV[row],
                             c.lblRawCV[row],    c.lblZeitCV[row]};
    }
    return grid;
}

void applyTabOrder(const QHash<QString, QWidget *> &made)
{
    const std::vector<QString> &order = tabOrder();
    for (std::size_t i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(made.value(order[i - 1]), made.value(order[i]));
    made.value(order.front())->setFocus();
}

} // namespace

Controls buildControls(QWidget *window)
{
    // Qt asks the factory installed last first: the table's labels are cells.
    installAccessibleEventFilter();
    installLabelAccessibility();
    installLineEditAccessibility();
    installDetectorTableAccessibility();
    window->setFont(designFont(false));
    QHash<QString, QWidget *> made;
    for (const ControlDesign &design : windowDesign()) {
        QWidget *parent = design.container.isEmpty() ? window : made.value(design.container);
        QWidget *control = createControl(design, parent);
        control->setObjectName(design.objectName());
        control->setGeometry(twipsToPixels(design.left), twipsToPixels(design.top),
                             twipsToPixels(design.width), twipsToPixels(design.height));
        control->setVisible(design.visible);
        describe(control, design);
        made.insert(design.objectName(), control);
    }
    Controls c = collect(made);
    c.tblDetektoren = new DetectorTable(tableGrid(c), window);
    made.insert(c.tblDetektoren->objectName(), c.tblDetektoren);
    applyTabOrder(made);
    auto *times = new SharedCellPicture(window);
    for (int i = 1; i <= kDetectorCount; ++i) {
        times->share(c.lblZeit[i]);
        times->share(c.lblZeitCV[i]);
    }
    return c;
}

void setBackground(QLabel *label, const QColor &colour)
{
    // A report that repeats sets the same colour again; that costs nothing.
    if (label->autoFillBackground() && background(label) == colour)
        return;
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, colour);
    label->setPalette(palette);
    label->setAutoFillBackground(true);
}

QColor background(const QLabel *label)
{
    return label->palette().color(QPalette::Window);
}

void showIndicatorState(QWidget *indicator, bool on)
{
    const QString name = indicatorStateName(indicator, on);
    // Only a change is told: each new name is an event for a listening screen reader.
    if (indicator->accessibleName() != name)
        indicator->setAccessibleName(name);
}

QString indicatorStateName(const QWidget *indicator, bool on)
{
    return indicator->property(kStateNamesProperty).toStringList().value(on);
}

QString tag(const QPushButton *button)
{
    return button->property("Tag").toString();
}

void setTag(QPushButton *button, const QString &value)
{
    button->setProperty("Tag", value);
}

} // namespace talvor
