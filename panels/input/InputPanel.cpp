// The controls of the input group box and the switching of the panel on and off.
//
// The upper half shows the range programmed into the transmitter (the P side);
// below the bevel line the user picks the active range and wiring, watches the
// live readings, edits the engineering span and calibrates. The calibration status
// list at the bottom is built with the other calibration list (panels/general/).
#include "InputPanel.h"
#include "../../app/PanelHost.h"
#include "../../ranges/InRanges.h"
#include "../../widgets/Controls.h"
#include "../../widgets/PanelControls.h"
#include "../../widgets/ToggleSwitch.h"
#include "../general/CalLists.h"
#include "../general/GeneralPanel.h"

#include <QAction>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QTreeWidget>

namespace {

const QString ZeroProcedure = QStringLiteral("To calibrate input zero range:\r\n") +
                              QString(82, QLatin1Char('-')) +
                              QStringLiteral("\r\n1) Connect a precision calibrator to the input terminals"
                                             "\r\n2) Apply the zero scale signal to the inputs"
                                             "\r\n3) Press button to correct zero scale errors"
                                             "\r\n4) Observe success on the status bar below");
const QString FullProcedure = QStringLiteral("To calibrate input full scale range:\r\n") +
                              QString(82, QLatin1Char('-')) +
                              QStringLiteral("\r\n1) Connect a precision calibrator to the input terminals"
                                             "\r\n2) Apply the full scale signal to the inputs"
                                             "\r\n3) Press button to correct full scale errors"
                                             "\r\n4) Observe success on the status bar below");

// The face of the small captionless button at the right end of the calibration
// edits: a raised square in the button colours.
QIcon ButtonFace(const QPalette& palette) {
    QPixmap face(12, 14);
    face.fill(palette.color(QPalette::Button));
    QPainter p(&face);
    const QRect r = face.rect().adjusted(0, 0, -1, -1);
    p.setPen(palette.color(QPalette::Light));
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(palette.color(QPalette::Shadow));
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
    p.setPen(palette.color(QPalette::Dark));
    p.drawLine(r.left() + 1, r.bottom() - 1, r.right() - 1, r.bottom() - 1);
    p.drawLine(r.right() - 1, r.top() + 1, r.right() - 1, r.bottom() - 1);
    return QIcon(face);
}

// An edit with the button that runs its calibration at its right end.
QAction* AddEditButton(QWidget* window, TEdit* edit, const char* name, const char* buttonName,
                       const QString& does) {
    auto* action = new QAction(ButtonFace(edit->palette()), QString(), window);
    action->setObjectName(QString::fromLatin1(name));
    action->setToolTip(edit->toolTip());
    edit->addAction(action, QLineEdit::TrailingPosition);
    MakeEditButtonFocusable(edit, buttonName, does);
    return action;
}

void AddCentredItems(QComboBox* list, const QStringList& items) {
    for (const QString& item : items) {
        list->addItem(item);
        list->setItemData(list->count() - 1, int(Qt::AlignCenter), Qt::TextAlignmentRole);
    }
}

// The calibration edits and their buttons go on and off together.
void SetCalEditEnabled(TEdit* edit, QAction* button, bool enabled) {
    edit->setEnabled(enabled);
    button->setEnabled(enabled);
}
} // namespace

// Long as the panel: one line per control with its position, in the panel's reading order.
void TInputPanel::Setup(QWidget* box) {
    const auto value = [](int left, int top) { return QRect(left, top, ValueWidth, ValueHeight); };

    // Programmed side.
    lblInpRange = NewPlainLabel(box, "lblInpRange", QStringLiteral("Range"), 13, 23);
    pnlInpRange = NewValueLabel(box, "pnlInpRange", lblInpRange, QRect(48, 20, 233, ValueHeight),
                                QStringLiteral("Press button to read programmed input range information"));
    btnGetPermInpRange = NewButton(box, "btnGetPermInpRange", QStringLiteral("R"), 286, 20,
                                   QStringLiteral("Press to read programmed input range information"),
                                   QStringLiteral("Read programmed input range"));

    lblWiring1 = NewPlainLabel(box, "lblWiring1", QStringLiteral("Wiring"), 47, 51);
    pnlWiring = NewValueLabel(box, "pnlWiring", lblWiring1, QRect(80, 48, 80, ValueHeight),
                              QStringLiteral("RTD and resistance wiring type"));

    lblInpReadingP = NewPlainLabel(box, "lblInpReadingP", QStringLiteral("Raw"), 39, 79);
    pnlInpReadingP = NewValueLabel(box, "pnlInpReadingP", lblInpReadingP, value(64, 76),
                                   QStringLiteral("Input reading raw data"));
    lblEngReadingP = NewPlainLabel(box, "lblEngReadingP", QStringLiteral("Eng"), 178, 79);
    pnlEngReadingP = NewValueLabel(box, "pnlEngReadingP", lblEngReadingP, value(200, 76),
                                   QStringLiteral("\u0131nput reading after engineering conversion"));

    lblInputZeroP = NewPlainLabel(box, "lblInputZeroP", QStringLiteral("Zero"), 39, 107);
    pnlInpZeroP =
        NewValueLabel(box, "pnlInpZeroP", lblInputZeroP, value(64, 104), QStringLiteral("Input zero scale"));
    lblEuMinP = NewPlainLabel(box, "lblEuMinP", QStringLiteral("Eumin"), 168, 107);
    pnlEuMinP = NewValueLabel(box, "pnlEuMinP", lblEuMinP, value(200, 104),
                              QStringLiteral("Engineering unit min value"));

    lblInpFsP = NewPlainLabel(box, "lblInpFsP", QStringLiteral("FS"), 48, 136);
    pnlInpFullP =
        NewValueLabel(box, "pnlInpFullP", lblInpFsP, value(64, 132), QStringLiteral("Input full scale"));
    lblEuMaxP = NewPlainLabel(box, "lblEuMaxP", QStringLiteral("Eumax"), 165, 136);
    pnlEuMaxP = NewValueLabel(box, "pnlEuMaxP", lblEuMaxP, value(200, 132),
                              QStringLiteral("Engineering unit max value"));

    bvlInput = new QFrame(box);
    bvlInput->setObjectName(QStringLiteral("bvlInput"));
    bvlInput->setFrameShape(QFrame::HLine);
    bvlInput->setFrameShadow(QFrame::Sunken);
    bvlInput->setGeometry(8, 163, 305, 2);

    // Active side: range and wiring.
    lblInpRanges = NewPlainLabel(box, "lblInpRanges", QStringLiteral("Ranges"), 17, 179);
    cmbInpRanges = new TCentredComboBox(box);
    cmbInpRanges->setObjectName(QStringLiteral("cmbInpRanges"));
    cmbInpRanges->setAccessibleName(QStringLiteral("Input range"));
    lblInpRanges->setBuddy(cmbInpRanges);
    cmbInpRanges->setGeometry(56, 174, 201, EditHeight);
    KeepBefore(lblInpRanges, cmbInpRanges);
    cmbInpRanges->setEditable(false);
    cmbInpRanges->setMaxVisibleItems(25);
    cmbInpRanges->setToolTip(
        QStringLiteral("Select input range to calibrate (this will change the input range temporarly)"));
    btnGetTempInpRange = NewButton(box, "btnGetTempInpRange", QStringLiteral("R"), 264, 174,
                                   QStringLiteral("Press to read active input range information"),
                                   QStringLiteral("Read active input range"));
    btnSetInputRange =
        NewButton(box, "btnSetInputRange", QStringLiteral("S"), 288, 174,
                  QStringLiteral("1) Press button to set input range (this will make input range "
                                 "permanent)\r\n2) Cycle power to activate new input range"),
                  QStringLiteral("Program input range"));

    lblWiring = NewPlainLabel(box, "lblWiring", QStringLiteral("Wiring"), 47, 205);
    cmbWiring = new TCentredComboBox(box);
    cmbWiring->setObjectName(QStringLiteral("cmbWiring"));
    cmbWiring->setAccessibleName(lblWiring->text());
    lblWiring->setBuddy(cmbWiring);
    cmbWiring->setGeometry(80, 201, 73, EditHeight);
    KeepBefore(lblWiring, cmbWiring);
    cmbWiring->setEditable(false);
    cmbWiring->setToolTip(QStringLiteral("Select RTD and resistance wiring type"));
    AddCentredItems(cmbWiring, {WiringNames[0], WiringNames[1], WiringNames[2]});

    // Live readings.
    lblInpReading = NewPlainLabel(box, "lblInpReading", QStringLiteral("Raw"), 39, 232);
    pnlInpReading = NewValueLabel(box, "pnlInpReading", lblInpReading, value(64, 229),
                                  QStringLiteral("Input reading raw data"));
    lblEngReading = NewPlainLabel(box, "lblEngReading", QStringLiteral("Eng"), 178, 232);
    pnlEngReading = NewValueLabel(box, "pnlEngReading", lblEngReading, value(200, 229),
                                  QStringLiteral("\u0131nput reading after engineering conversion"));

    // Calibration points and the engineering span.
    lblInputZero = NewPlainLabel(box, "lblInputZero", QStringLiteral("Zero"), 40, 260);
    edInpZero = NewEdit(box, "edInpZero", lblInputZero, 64, 256, ZeroProcedure,
                        QStringLiteral("Input zero calibration point"));
    edInpZeroButton = AddEditButton(Host.Window(), edInpZero, "edInpZeroButton", "btnCalInpZero",
                                    QStringLiteral("Calibrate input zero"));
    // The span's captions at full width; a raw unit too wide for the room left
    // before them (" Ohm") is condensed instead (SetUnitText).
    lblEuMin = NewPlainLabel(box, "lblEuMin", QStringLiteral("Eumin"), 169, 260);
    edEuMin = NewEdit(box, "edEuMin", lblEuMin, 200, 256, QStringLiteral("Enter engineering minimum value"),
                      QStringLiteral("Engineering unit minimum"));
    lblInpZeroUnit = NewUnit(box, "lblInpZeroUnit", 138, 260);
    lblInpZeroUnit->resize(lblEuMin->x() - 1 - lblInpZeroUnit->x(), lblInpZeroUnit->height());
    lblEuMinUnit = NewUnit(box, "lblEuMinUnit", 274, 260);

    lblInpFs = NewPlainLabel(box, "lblInpFs", QStringLiteral("FS"), 49, 287);
    edInpFull = NewEdit(box, "edInpFull", lblInpFs, 64, 283, FullProcedure,
                        QStringLiteral("Input full scale calibration value"));
    edInpFullButton = AddEditButton(Host.Window(), edInpFull, "edInpFullButton", "btnCalInpFull",
                                    QStringLiteral("Calibrate input full scale"));
    lblEuMax = NewPlainLabel(box, "lblEuMax", QStringLiteral("Eumax"), 166, 287);
    edEuMax = NewEdit(box, "edEuMax", lblEuMax, 200, 283, QStringLiteral("Enter engineering maximum value"),
                      QStringLiteral("Engineering unit maximum"));
    lblInpFullUnit = NewUnit(box, "lblInpFullUnit", 138, 287);
    lblInpFullUnit->resize(lblEuMax->x() - 1 - lblInpFullUnit->x(), lblInpFullUnit->height());
    lblEuMaxUnit = NewUnit(box, "lblEuMaxUnit", 274, 287);

    // For the screen reader: the programmed and the active values apart.
    NameBySide({pnlInpRange, pnlWiring, pnlInpReadingP, pnlEngReadingP, pnlInpZeroP, pnlEuMinP, pnlInpFullP,
                pnlEuMaxP},
               {pnlInpReading, pnlEngReading});
}

void TInputPanel::EnableInPanel() {
    pnlInpReading->setEnabled(true);
    pnlEngReading->setEnabled(true);
    cmbInpRanges->setEnabled(true);
    btnGetTempInpRange->setEnabled(true);
    btnSetInputRange->setEnabled(true);
    if (Host.FullMode()) {
        SetCalEditEnabled(edInpZero, edInpZeroButton, true);
        SetCalEditEnabled(edInpFull, edInpFullButton, true);
        Lists.mnuClearInCal->setEnabled(true);
        General.calSwitch->setEnabled(true);
    }
    edEuMin->setEnabled(true);
    edEuMax->setEnabled(true);
    Lists.lvInpCalStat->setEnabled(true);
}

void TInputPanel::DisableInPanel() {
    pnlInpReading->setEnabled(false);
    pnlEngReading->setEnabled(false);
    cmbInpRanges->setEnabled(false);
    btnGetTempInpRange->setEnabled(false);
    btnSetInputRange->setEnabled(false);
    SetCalEditEnabled(edInpZero, edInpZeroButton, false);
    SetCalEditEnabled(edInpFull, edInpFullButton, false);
    Lists.mnuClearInCal->setEnabled(false);
    edEuMin->setEnabled(false);
    edEuMax->setEnabled(false);
    Lists.lvInpCalStat->setEnabled(false);
    General.calSwitch->setEnabled(false);
}
