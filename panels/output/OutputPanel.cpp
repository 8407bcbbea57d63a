// The controls of the output group box and the switching of the panel on and off.
//
// The upper rows show what the transmitter holds for its programmed output range;
// below the bevel line are the controls of the active range, the DAC calibration
// and the alarm. Labels stand right-aligned before the control they name.
#include "OutputPanel.h"
#include "../../app/MainWindow.h"
#include "../../app/WindowShell.h"
#include "../../widgets/Controls.h"
#include "../../widgets/PageSpinBox.h"
#include "../../widgets/PanelControls.h"
#include "../../widgets/ToggleSwitch.h"
#include "../general/CalLists.h"
#include "../general/GeneralPanel.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

namespace {
// Columns of the box: value labels and edits of the left half start at 64, those
// of the right half at 200; their captions end CaptionGap pixels before.
constexpr int LeftColumn = 64;
constexpr int RightColumn = 200;
constexpr int CheckLeft = 16;
// The DAC spin edits leave room for their "S" buttons before the right half.
constexpr int DacWidth = 71;
constexpr int UnitGap = 1;

const QString DacHint =
    QStringLiteral("To calibrate the output range:\r\n") + QString(95, QLatin1Char('-')) +
    QStringLiteral("\r\n1) Switch to CAL mode"
                   "\r\n2) Connect an ammeter or voltmeter to output terminals"
                   "\r\n3) Adjust zero/full scale DAC code until desired output is observed"
                   "\r\n4) Press Set button to update DAC codes"
                   "\r\n5) Observe success on the status bar"
                   "\r\n6) Switch back to RUN mode");

// A caption, right-aligned so that it ends just before `controlLeft`, as high as
// the control beside it so that both texts share their vertical centre.
QLabel* NewCaption(QWidget* box, const char* name, const QString& caption, int controlLeft, int top,
                   int height = ValueHeight) {
    auto* label = new QLabel(caption, box);
    label->setObjectName(QString::fromLatin1(name));
    label->setAccessibleName(caption);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    const int width = label->sizeHint().width();
    label->setGeometry(controlLeft - CaptionGap - width, top, width, height);
    return label;
}

QCheckBox* NewCheck(QWidget* box, const char* name, const QString& caption, int left, int top,
                    const QString& hint = QString()) {
    auto* check = new QCheckBox(caption, box);
    check->setObjectName(QString::fromLatin1(name));
    check->setAccessibleName(caption);
    check->setGeometry(left, top, check->sizeHint().width(), ValueHeight);
    check->setToolTip(hint);
    return check;
}

TPageSpinBox* NewDacSpin(QWidget* box, const char* name, QLabel* caption, int top, const QString& holds) {
    auto* spin = new TPageSpinBox(box);
    spin->setObjectName(QString::fromLatin1(name));
    spin->setGeometry(LeftColumn, top, DacWidth, EditHeight);
    spin->setAccessibleName(holds);
    caption->setBuddy(spin);
    spin->setToolTip(DacHint);
    return spin;
}
} // namespace

// Long as the panel: one line per control with its position, in the panel's reading order.
void TfrmMain::setupOutputPanel() {
    QWidget* box = Shell->grpOutput;
    const auto value = [](int left, int top) { return QRect(left, top, ValueWidth, ValueHeight); };

    // Programmed side.
    Out->lblOutRange = NewCaption(box, "lblOutRange", QStringLiteral("Range"), 48, 20);
    Out->pnlPermOutRange =
        NewValueLabel(box, "pnlPermOutRange", Out->lblOutRange, QRect(48, 20, 233, ValueHeight),
                      QStringLiteral("Press button to read active output range"));
    Out->btnGetOutRange = NewButton(box, "btnGetOutRange", QStringLiteral("R"), 286, 20,
                                    QStringLiteral("Press to read programmed output range information"),
                                    QStringLiteral("Read programmed output range"));

    Out->lblOutZeroP = NewCaption(box, "lblOutZeroP", QStringLiteral("Zero"), LeftColumn, 48);
    Out->pnlOutZeroP = NewValueLabel(box, "pnlOutZeroP", Out->lblOutZeroP, value(LeftColumn, 48),
                                     QStringLiteral("Output zero DAC code"));
    Out->lblPermOutMin = NewCaption(box, "lblPermOutMin", QStringLiteral("Outmin"), RightColumn, 48);
    Out->pnlPermOutMin = NewValueLabel(box, "pnlPermOutMin", Out->lblPermOutMin, value(RightColumn, 48),
                                       QStringLiteral("Output minimum"));

    Out->lblOutFsP = NewCaption(box, "lblOutFsP", QStringLiteral("FS"), LeftColumn, 76);
    Out->pnlOutFsP = NewValueLabel(box, "pnlOutFsP", Out->lblOutFsP, value(LeftColumn, 76),
                                   QStringLiteral("Output full scale DAC code"));
    Out->lblPermOutMax = NewCaption(box, "lblPermOutMax", QStringLiteral("Outmax"), RightColumn, 76);
    Out->pnlPermOutMax = NewValueLabel(box, "pnlPermOutMax", Out->lblPermOutMax, value(RightColumn, 76),
                                       QStringLiteral("Output maximum"));

    Out->lblPermOut = NewCaption(box, "lblPermOut", QStringLiteral("Output"), LeftColumn, 104);
    Out->pnlPermOut = NewValueLabel(box, "pnlPermOut", Out->lblPermOut, value(LeftColumn, 104),
                                    QStringLiteral("Calculated output signal"));
    Out->lblOutInvertP = NewCaption(box, "lblOutInvertP", QStringLiteral("Invert"), RightColumn, 104);
    Out->pnlOutInvertP = NewValueLabel(box, "pnlOutInvertP", Out->lblOutInvertP, value(RightColumn, 104),
                                       QStringLiteral("Output invert status"));

    Out->bvlOutput = new QFrame(box);
    Out->bvlOutput->setObjectName(QStringLiteral("bvlOutput"));
    Out->bvlOutput->setFrameShape(QFrame::HLine);
    Out->bvlOutput->setFrameShadow(QFrame::Sunken);
    Out->bvlOutput->setGeometry(8, 135, 305, 2);

    // Active side: the range.
    Out->lblTempOutRange = NewCaption(box, "lblTempOutRange", QStringLiteral("Ranges"), 56, 146, EditHeight);
    Out->cmbOutRanges = new TCentredComboBox(box);
    Out->cmbOutRanges->setObjectName(QStringLiteral("cmbOutRanges"));
    Out->cmbOutRanges->setAccessibleName(QStringLiteral("Output range"));
    Out->lblTempOutRange->setBuddy(Out->cmbOutRanges);
    Out->cmbOutRanges->setGeometry(56, 146, 201, EditHeight);
    Out->cmbOutRanges->setEditable(false);
    Out->cmbOutRanges->setMaxVisibleItems(25);
    Out->btnGetTempOutRange = NewButton(box, "btnGetTempOutRange", QStringLiteral("R"), 264, 146,
                                        QStringLiteral("Press to read active output range information"),
                                        QStringLiteral("Read active output range"));
    Out->btnSetOutRange = NewButton(box, "btnSetOutRange", QStringLiteral("S"), 288, 146, QString(),
                                    QStringLiteral("Program output range"));

    // DAC codes and output limits.
    const int buttonLeft = LeftColumn + DacWidth;
    const int unitLeft = RightColumn + ValueWidth + UnitGap;
    const int unitWidth = 313 - unitLeft;
    Out->lblOutputZero =
        NewCaption(box, "lblOutputZero", QStringLiteral("Zero"), LeftColumn, 173, EditHeight);
    Out->seOutZero =
        NewDacSpin(box, "seOutZero", Out->lblOutputZero, 173, QStringLiteral("Output zero DAC code"));
    Out->btnOutZero = NewButton(box, "btnOutZero", QStringLiteral("S"), buttonLeft, 173,
                                QStringLiteral("Press button to set zero scale DAC code"),
                                QStringLiteral("Store output zero DAC code"));
    Out->lblOutMin = NewCaption(box, "lblOutMin", QStringLiteral("Outmin"), RightColumn, 173, EditHeight);
    Out->edOutMin = NewEdit(box, "edOutMin", Out->lblOutMin, RightColumn, 173,
                            QStringLiteral("Enter output minimum value"));
    Out->lblOutMinUnit = NewUnit(box, "lblOutMinUnit", unitLeft, 173, unitWidth);

    Out->lblOutputFs = NewCaption(box, "lblOutputFs", QStringLiteral("FS"), LeftColumn, 200, EditHeight);
    Out->seOutFull =
        NewDacSpin(box, "seOutFull", Out->lblOutputFs, 200, QStringLiteral("Output full scale DAC code"));
    Out->btnOutFull = NewButton(box, "btnOutFull", QStringLiteral("S"), buttonLeft, 200,
                                QStringLiteral("Press button to set full scale DAC code"),
                                QStringLiteral("Store output full scale DAC code"));
    Out->lblOutMax = NewCaption(box, "lblOutMax", QStringLiteral("Outmax"), RightColumn, 200, EditHeight);
    Out->edOutMax = NewEdit(box, "edOutMax", Out->lblOutMax, RightColumn, 200,
                            QStringLiteral("Enter output maximum value"));
    Out->lblOutMaxUnit = NewUnit(box, "lblOutMaxUnit", unitLeft, 200, unitWidth);

    Out->lblTempOut = NewCaption(box, "lblTempOut", QStringLiteral("Output"), LeftColumn, 228);
    Out->pnlTempOut = NewValueLabel(box, "pnlTempOut", Out->lblTempOut, value(LeftColumn, 228),
                                    QStringLiteral("Calculated output signal"));
    Out->cbInvertOut =
        NewCheck(box, "cbInvertOut", QStringLiteral("Invert output"), RightColumn, 228,
                 QStringLiteral("1) Check to invert the output signal\r\n"
                                "2) Press Set button to program invert feature for the selected "
                                "output range"));

    // The alarm. Its two check boxes keep their hints for the screen reader only:
    // the tool tip stays empty, so neither is ever shown.
    Out->cbEnableAlarm =
        NewCheck(box, "cbEnableAlarm", QStringLiteral("Enable alarm output"), CheckLeft, 264);
    Out->cbEnableAlarm->setAccessibleDescription(QStringLiteral("Enables alarm output (open collector)"));

    // The unit labels of the alarm rows hold the engineering unit of the input
    // range; the input side fills them.
    const int alarmUnitWidth = 27;
    Out->lblAlmLimit =
        NewCaption(box, "lblAlmLimit", QStringLiteral("Alarm limit"), LeftColumn, 288, EditHeight);
    Out->edAlarmLimit = NewEdit(box, "edAlarmLimit", Out->lblAlmLimit, LeftColumn, 288,
                                QStringLiteral("Enter alarm limit value that will active the alarm output"));
    Out->lblAlmLimUnit =
        NewUnit(box, "lblAlmLimUnit", LeftColumn + ValueWidth + UnitGap, 288, alarmUnitWidth);
    Out->lblAlmStatus = NewCaption(box, "lblAlmStatus", QStringLiteral("Status"), RightColumn, 288);
    Out->pnlAlmStatus = NewValueLabel(box, "pnlAlmStatus", Out->lblAlmStatus, value(RightColumn, 288));

    Out->lblDband = NewCaption(box, "lblDband", QStringLiteral("Deadband"), LeftColumn, 315, EditHeight);
    Out->edDeadBand =
        NewEdit(box, "edDeadBand", Out->lblDband, LeftColumn, 315, QStringLiteral("Enter dead band value"));
    Out->lblDbandUnit = NewUnit(box, "lblDbandUnit", LeftColumn + ValueWidth + UnitGap, 315, alarmUnitWidth);
    Out->lblAlarmRback = NewCaption(box, "lblAlarmRback", QStringLiteral("Rback"), RightColumn, 315);
    Out->pnlAlarmRback = NewValueLabel(box, "pnlAlarmRback", Out->lblAlarmRback, value(RightColumn, 315));

    // The screen reader's names of the number edits say what they hold in words.
    Out->edOutMin->setAccessibleName(QStringLiteral("Output minimum"));
    Out->edOutMax->setAccessibleName(QStringLiteral("Output maximum"));
    Out->edDeadBand->setAccessibleName(QStringLiteral("Dead band"));

    Out->cbLowAlarm = NewCheck(box, "cbLowAlarm", QStringLiteral("Low alarm"), CheckLeft, 344);
    Out->cbLowAlarm->setAccessibleDescription(QStringLiteral("Check to invert alarm level (active high)"));

    // For the screen reader: the programmed and the active values apart, and a
    // description where the window gives no hint.
    NameBySide({Out->pnlPermOutRange, Out->pnlOutZeroP, Out->pnlPermOutMin, Out->pnlOutFsP,
                Out->pnlPermOutMax, Out->pnlPermOut, Out->pnlOutInvertP},
               {Out->pnlTempOut});
    Out->pnlAlmStatus->setAccessibleName(QStringLiteral("Alarm status"));
    Out->pnlAlarmRback->setAccessibleName(QStringLiteral("Alarm read back"));
    Out->pnlAlmStatus->setAccessibleDescription(QStringLiteral("State of the alarm output"));
    Out->pnlAlarmRback->setAccessibleDescription(
        QStringLiteral("Alarm output level read back from the terminal"));
    Out->cmbOutRanges->setAccessibleDescription(
        QStringLiteral("Select output range to calibrate (this will change the output range temporarily)"));
    Out->btnSetOutRange->setAccessibleDescription(
        QStringLiteral("Program the selected output range with its limits, inversion and alarm settings"));
}

void TfrmMain::DisableOutPanel() {
    Out->cmbOutRanges->setEnabled(false);
    Out->btnSetOutRange->setEnabled(false);
    Out->btnGetTempOutRange->setEnabled(false);
    Out->seOutZero->setEnabled(false);
    Out->seOutFull->setEnabled(false);
    CalLists->mnuClearOutCal->setEnabled(false);
    Out->btnOutZero->setEnabled(false);
    Out->btnOutFull->setEnabled(false);
    Out->cbInvertOut->setEnabled(false);
    CalLists->lvOutCalStat->setEnabled(false);
    Out->cbEnableAlarm->setEnabled(false);
    Out->edAlarmLimit->setEnabled(false);
    Out->edDeadBand->setEnabled(false);
    Out->pnlAlmStatus->setEnabled(false);
    Out->pnlAlarmRback->setEnabled(false);
    Out->cbLowAlarm->setEnabled(false);
    General->calSwitch->setEnabled(false);
}

void TfrmMain::EnableOutPanel() {
    Out->cmbOutRanges->setEnabled(true);
    Out->btnSetOutRange->setEnabled(true);
    Out->btnGetTempOutRange->setEnabled(true);
    // The calibration controls and the mode switch only in full mode; once enabled
    // they stay so.
    if (FullMode) {
        Out->seOutZero->setEnabled(true);
        Out->seOutFull->setEnabled(true);
        CalLists->mnuClearOutCal->setEnabled(true);
        Out->btnOutZero->setEnabled(true);
        Out->btnOutFull->setEnabled(true);
        General->calSwitch->setEnabled(true);
    }
    Out->cbInvertOut->setEnabled(true);
    CalLists->lvOutCalStat->setEnabled(true);
    Out->cbEnableAlarm->setEnabled(true);
    Out->edAlarmLimit->setEnabled(true);
    Out->edDeadBand->setEnabled(true);
    Out->pnlAlmStatus->setEnabled(true);
    Out->pnlAlarmRback->setEnabled(true);
    Out->cbLowAlarm->setEnabled(true);
}
