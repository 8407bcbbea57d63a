// The controls of the input group box and the switching of the panel on and off.
//
// The upper half shows the range programmed into the transmitter (the P side);
// below the bevel line the user picks the active range and wiring, watches the
// live readings, edits the engineering span and calibrates. The calibration status
// list at the bottom is built with the other calibration list (panels/general/).
#include "InputPanel.h"
#include "../../app/MainWindow.h"
#include "../../app/WindowShell.h"
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
QAction* AddEditButton(TfrmMain* window, TEdit* edit, const char* name, const char* buttonName,
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
void TfrmMain::setupInputPanel() {
    QWidget* box = Shell->grpInput;
    const auto value = [](int left, int top) { return QRect(left, top, ValueWidth, ValueHeight); };

    // Programmed side.
    In->lblInpRange = NewPlainLabel(box, "lblInpRange", QStringLiteral("Range"), 13, 23);
    In->pnlInpRange =
        NewValueLabel(box, "pnlInpRange", In->lblInpRange, QRect(48, 20, 233, ValueHeight),
                      QStringLiteral("Press button to read programmed input range information"));
    In->btnGetPermInpRange = NewButton(box, "btnGetPermInpRange", QStringLiteral("R"), 286, 20,
                                       QStringLiteral("Press to read programmed input range information"),
                                       QStringLiteral("Read programmed input range"));

    In->lblWiring1 = NewPlainLabel(box, "lblWiring1", QStringLiteral("Wiring"), 47, 51);
    In->pnlWiring = NewValueLabel(box, "pnlWiring", In->lblWiring1, QRect(80, 48, 80, ValueHeight),
                                  QStringLiteral("RTD and resistance wiring type"));

    In->lblInpReadingP = NewPlainLabel(box, "lblInpReadingP", QStringLiteral("Raw"), 39, 79);
    In->pnlInpReadingP = NewValueLabel(box, "pnlInpReadingP", In->lblInpReadingP, value(64, 76),
                                       QStringLiteral("Input reading raw data"));
    In->lblEngReadingP = NewPlainLabel(box, "lblEngReadingP", QStringLiteral("Eng"), 178, 79);
    In->pnlEngReadingP = NewValueLabel(box, "pnlEngReadingP", In->lblEngReadingP, value(200, 76),
                                       QStringLiteral("\u0131nput reading after engineering conversion"));

    In->lblInputZeroP = NewPlainLabel(box, "lblInputZeroP", QStringLiteral("Zero"), 39, 107);
    In->pnlInpZeroP = NewValueLabel(box, "pnlInpZeroP", In->lblInputZeroP, value(64, 104),
                                    QStringLiteral("Input zero scale"));
    In->lblEuMinP = NewPlainLabel(box, "lblEuMinP", QStringLiteral("Eumin"), 168, 107);
    In->pnlEuMinP = NewValueLabel(box, "pnlEuMinP", In->lblEuMinP, value(200, 104),
                                  QStringLiteral("Engineering unit min value"));

    In->lblInpFsP = NewPlainLabel(box, "lblInpFsP", QStringLiteral("FS"), 48, 136);
    In->pnlInpFullP =
        NewValueLabel(box, "pnlInpFullP", In->lblInpFsP, value(64, 132), QStringLiteral("Input full scale"));
    In->lblEuMaxP = NewPlainLabel(box, "lblEuMaxP", QStringLiteral("Eumax"), 165, 136);
    In->pnlEuMaxP = NewValueLabel(box, "pnlEuMaxP", In->lblEuMaxP, value(200, 132),
                                  QStringLiteral("Engineering unit max value"));

    In->bvlInput = new QFrame(box);
    In->bvlInput->setObjectName(QStringLiteral("bvlInput"));
    In->bvlInput->setFrameShape(QFrame::HLine);
    In->bvlInput->setFrameShadow(QFrame::Sunken);
    In->bvlInput->setGeometry(8, 163, 305, 2);

    // Active side: range and wiring.
    In->lblInpRanges = NewPlainLabel(box, "lblInpRanges", QStringLiteral("Ranges"), 17, 179);
    In->cmbInpRanges = new TCentredComboBox(box);
    In->cmbInpRanges->setObjectName(QStringLiteral("cmbInpRanges"));
    In->cmbInpRanges->setAccessibleName(QStringLiteral("Input range"));
    In->lblInpRanges->setBuddy(In->cmbInpRanges);
    In->cmbInpRanges->setGeometry(56, 174, 201, EditHeight);
    KeepBefore(In->lblInpRanges, In->cmbInpRanges);
    In->cmbInpRanges->setEditable(false);
    In->cmbInpRanges->setMaxVisibleItems(25);
    In->cmbInpRanges->setToolTip(
        QStringLiteral("Select input range to calibrate (this will change the input range temporarly)"));
    In->btnGetTempInpRange = NewButton(box, "btnGetTempInpRange", QStringLiteral("R"), 264, 174,
                                       QStringLiteral("Press to read active input range information"),
                                       QStringLiteral("Read active input range"));
    In->btnSetInputRange =
        NewButton(box, "btnSetInputRange", QStringLiteral("S"), 288, 174,
                  QStringLiteral("1) Press button to set input range (this will make input range "
                                 "permanent)\r\n2) Cycle power to activate new input range"),
                  QStringLiteral("Program input range"));

    In->lblWiring = NewPlainLabel(box, "lblWiring", QStringLiteral("Wiring"), 47, 205);
    In->cmbWiring = new TCentredComboBox(box);
    In->cmbWiring->setObjectName(QStringLiteral("cmbWiring"));
    In->cmbWiring->setAccessibleName(In->lblWiring->text());
    In->lblWiring->setBuddy(In->cmbWiring);
    In->cmbWiring->setGeometry(80, 201, 73, EditHeight);
    KeepBefore(In->lblWiring, In->cmbWiring);
    In->cmbWiring->setEditable(false);
    In->cmbWiring->setToolTip(QStringLiteral("Select RTD and resistance wiring type"));
    AddCentredItems(In->cmbWiring, {WiringNames[0], WiringNames[1], WiringNames[2]});

    // Live readings.
    In->lblInpReading = NewPlainLabel(box, "lblInpReading", QStringLiteral("Raw"), 39, 232);
    In->pnlInpReading = NewValueLabel(box, "pnlInpReading", In->lblInpReading, value(64, 229),
                                      QStringLiteral("Input reading raw data"));
    In->lblEngReading = NewPlainLabel(box, "lblEngReading", QStringLiteral("Eng"), 178, 232);
    In->pnlEngReading = NewValueLabel(box, "pnlEngReading", In->lblEngReading, value(200, 229),
                                      QStringLiteral("\u0131nput reading after engineering conversion"));

    // Calibration points and the engineering span.
    In->lblInputZero = NewPlainLabel(box, "lblInputZero", QStringLiteral("Zero"), 40, 260);
    In->edInpZero = NewEdit(box, "edInpZero", In->lblInputZero, 64, 256, ZeroProcedure,
                            QStringLiteral("Input zero calibration point"));
    In->edInpZeroButton = AddEditButton(this, In->edInpZero, "edInpZeroButton", "btnCalInpZero",
                                        QStringLiteral("Calibrate input zero"));
    // The span's captions at full width; a raw unit too wide for the room left
    // before them (" Ohm") is condensed instead (SetUnitText).
    In->lblEuMin = NewPlainLabel(box, "lblEuMin", QStringLiteral("Eumin"), 169, 260);
    In->edEuMin =
        NewEdit(box, "edEuMin", In->lblEuMin, 200, 256, QStringLiteral("Enter engineering minimum value"),
                QStringLiteral("Engineering unit minimum"));
    In->lblInpZeroUnit = NewUnit(box, "lblInpZeroUnit", 138, 260);
    In->lblInpZeroUnit->resize(In->lblEuMin->x() - 1 - In->lblInpZeroUnit->x(), In->lblInpZeroUnit->height());
    In->lblEuMinUnit = NewUnit(box, "lblEuMinUnit", 274, 260);

    In->lblInpFs = NewPlainLabel(box, "lblInpFs", QStringLiteral("FS"), 49, 287);
    In->edInpFull = NewEdit(box, "edInpFull", In->lblInpFs, 64, 283, FullProcedure,
                            QStringLiteral("Input full scale calibration value"));
    In->edInpFullButton = AddEditButton(this, In->edInpFull, "edInpFullButton", "btnCalInpFull",
                                        QStringLiteral("Calibrate input full scale"));
    In->lblEuMax = NewPlainLabel(box, "lblEuMax", QStringLiteral("Eumax"), 166, 287);
    In->edEuMax =
        NewEdit(box, "edEuMax", In->lblEuMax, 200, 283, QStringLiteral("Enter engineering maximum value"),
                QStringLiteral("Engineering unit maximum"));
    In->lblInpFullUnit = NewUnit(box, "lblInpFullUnit", 138, 287);
    In->lblInpFullUnit->resize(In->lblEuMax->x() - 1 - In->lblInpFullUnit->x(), In->lblInpFullUnit->height());
    In->lblEuMaxUnit = NewUnit(box, "lblEuMaxUnit", 274, 287);

    // For the screen reader: the programmed and the active values apart.
    NameBySide({In->pnlInpRange, In->pnlWiring, In->pnlInpReadingP, In->pnlEngReadingP, In->pnlInpZeroP,
                In->pnlEuMinP, In->pnlInpFullP, In->pnlEuMaxP},
               {In->pnlInpReading, In->pnlEngReading});
}

void TfrmMain::EnableInPanel() {
    In->pnlInpReading->setEnabled(true);
    In->pnlEngReading->setEnabled(true);
    In->cmbInpRanges->setEnabled(true);
    In->btnGetTempInpRange->setEnabled(true);
    In->btnSetInputRange->setEnabled(true);
    if (FullMode) {
        SetCalEditEnabled(In->edInpZero, In->edInpZeroButton, true);
        SetCalEditEnabled(In->edInpFull, In->edInpFullButton, true);
        CalLists->mnuClearInCal->setEnabled(true);
        General->calSwitch->setEnabled(true);
    }
    In->edEuMin->setEnabled(true);
    In->edEuMax->setEnabled(true);
    CalLists->lvInpCalStat->setEnabled(true);
}

void TfrmMain::DisableInPanel() {
    In->pnlInpReading->setEnabled(false);
    In->pnlEngReading->setEnabled(false);
    In->cmbInpRanges->setEnabled(false);
    In->btnGetTempInpRange->setEnabled(false);
    In->btnSetInputRange->setEnabled(false);
    SetCalEditEnabled(In->edInpZero, In->edInpZeroButton, false);
    SetCalEditEnabled(In->edInpFull, In->edInpFullButton, false);
    CalLists->mnuClearInCal->setEnabled(false);
    In->edEuMin->setEnabled(false);
    In->edEuMax->setEnabled(false);
    CalLists->lvInpCalStat->setEnabled(false);
    General->calSwitch->setEnabled(false);
}
