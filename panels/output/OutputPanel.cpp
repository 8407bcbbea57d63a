// The controls of the output group box and the switching of the panel on and off.
//
// The upper rows show what the transmitter holds for its programmed output range;
// below the bevel line are the controls of the active range, the DAC calibration
// and the alarm. Labels stand right-aligned before the control they name.
#include "OutputPanel.h"
#include "../../app/PanelHost.h"
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
void TOutputPanel::Setup(QWidget* box) {
    const auto value = [](int left, int top) { return QRect(left, top, ValueWidth, ValueHeight); };

    // Programmed side.
    lblOutRange = NewCaption(box, "lblOutRange", QStringLiteral("Range"), 48, 20);
    pnlPermOutRange = NewValueLabel(box, "pnlPermOutRange", lblOutRange, QRect(48, 20, 233, ValueHeight),
                                    QStringLiteral("Press button to read active output range"));
    btnGetOutRange = NewButton(box, "btnGetOutRange", QStringLiteral("R"), 286, 20,
                               QStringLiteral("Press to read programmed output range information"),
                               QStringLiteral("Read programmed output range"));

    lblOutZeroP = NewCaption(box, "lblOutZeroP", QStringLiteral("Zero"), LeftColumn, 48);
    pnlOutZeroP = NewValueLabel(box, "pnlOutZeroP", lblOutZeroP, value(LeftColumn, 48),
                                QStringLiteral("Output zero DAC code"));
    lblPermOutMin = NewCaption(box, "lblPermOutMin", QStringLiteral("Outmin"), RightColumn, 48);
    pnlPermOutMin = NewValueLabel(box, "pnlPermOutMin", lblPermOutMin, value(RightColumn, 48),
                                  QStringLiteral("Output minimum"));

    lblOutFsP = NewCaption(box, "lblOutFsP", QStringLiteral("FS"), LeftColumn, 76);
    pnlOutFsP = NewValueLabel(box, "pnlOutFsP", lblOutFsP, value(LeftColumn, 76),
                              QStringLiteral("Output full scale DAC code"));
    lblPermOutMax = NewCaption(box, "lblPermOutMax", QStringLiteral("Outmax"), RightColumn, 76);
    pnlPermOutMax = NewValueLabel(box, "pnlPermOutMax", lblPermOutMax, value(RightColumn, 76),
                                  QStringLiteral("Output maximum"));

    lblPermOut = NewCaption(box, "lblPermOut", QStringLiteral("Output"), LeftColumn, 104);
    pnlPermOut = NewValueLabel(box, "pnlPermOut", lblPermOut, value(LeftColumn, 104),
                               QStringLiteral("Calculated output signal"));
    lblOutInvertP = NewCaption(box, "lblOutInvertP", QStringLiteral("Invert"), RightColumn, 104);
    pnlOutInvertP = NewValueLabel(box, "pnlOutInvertP", lblOutInvertP, value(RightColumn, 104),
                                  QStringLiteral("Output invert status"));

    bvlOutput = new QFrame(box);
    bvlOutput->setObjectName(QStringLiteral("bvlOutput"));
    bvlOutput->setFrameShape(QFrame::HLine);
    bvlOutput->setFrameShadow(QFrame::Sunken);
    bvlOutput->setGeometry(8, 135, 305, 2);

    // Active side: the range.
    lblTempOutRange = NewCaption(box, "lblTempOutRange", QStringLiteral("Ranges"), 56, 146, EditHeight);
    cmbOutRanges = new TCentredComboBox(box);
    cmbOutRanges->setObjectName(QStringLiteral("cmbOutRanges"));
    cmbOutRanges->setAccessibleName(QStringLiteral("Output range"));
    lblTempOutRange->setBuddy(cmbOutRanges);
    cmbOutRanges->setGeometry(56, 146, 201, EditHeight);
    cmbOutRanges->setEditable(false);
    cmbOutRanges->setMaxVisibleItems(25);
    btnGetTempOutRange = NewButton(box, "btnGetTempOutRange", QStringLiteral("R"), 264, 146,
                                   QStringLiteral("Press to read active output range information"),
                                   QStringLiteral("Read active output range"));
    btnSetOutRange = NewButton(box, "btnSetOutRange", QStringLiteral("S"), 288, 146, QString(),
                               QStringLiteral("Program output range"));

    // DAC codes and output limits.
    const int buttonLeft = LeftColumn + DacWidth;
    const int unitLeft = RightColumn + ValueWidth + UnitGap;
    const int unitWidth = 313 - unitLeft;
    lblOutputZero = NewCaption(box, "lblOutputZero", QStringLiteral("Zero"), LeftColumn, 173, EditHeight);
    seOutZero = NewDacSpin(box, "seOutZero", lblOutputZero, 173, QStringLiteral("Output zero DAC code"));
    btnOutZero = NewButton(box, "btnOutZero", QStringLiteral("S"), buttonLeft, 173,
                           QStringLiteral("Press button to set zero scale DAC code"),
                           QStringLiteral("Store output zero DAC code"));
    lblOutMin = NewCaption(box, "lblOutMin", QStringLiteral("Outmin"), RightColumn, 173, EditHeight);
    edOutMin =
        NewEdit(box, "edOutMin", lblOutMin, RightColumn, 173, QStringLiteral("Enter output minimum value"));
    lblOutMinUnit = NewUnit(box, "lblOutMinUnit", unitLeft, 173, unitWidth);

    lblOutputFs = NewCaption(box, "lblOutputFs", QStringLiteral("FS"), LeftColumn, 200, EditHeight);
    seOutFull = NewDacSpin(box, "seOutFull", lblOutputFs, 200, QStringLiteral("Output full scale DAC code"));
    btnOutFull = NewButton(box, "btnOutFull", QStringLiteral("S"), buttonLeft, 200,
                           QStringLiteral("Press button to set full scale DAC code"),
                           QStringLiteral("Store output full scale DAC code"));
    lblOutMax = NewCaption(box, "lblOutMax", QStringLiteral("Outmax"), RightColumn, 200, EditHeight);
    edOutMax =
        NewEdit(box, "edOutMax", lblOutMax, RightColumn, 200, QStringLiteral("Enter output maximum value"));
    lblOutMaxUnit = NewUnit(box, "lblOutMaxUnit", unitLeft, 200, unitWidth);

    lblTempOut = NewCaption(box, "lblTempOut", QStringLiteral("Output"), LeftColumn, 228);
    pnlTempOut = NewValueLabel(box, "pnlTempOut", lblTempOut, value(LeftColumn, 228),
                               QStringLiteral("Calculated output signal"));
    cbInvertOut = NewCheck(box, "cbInvertOut", QStringLiteral("Invert output"), RightColumn, 228,
                           QStringLiteral("1) Check to invert the output signal\r\n"
                                          "2) Press Set button to program invert feature for the selected "
                                          "output range"));

    // The alarm. Its two check boxes keep their hints for the screen reader only:
    // the tool tip stays empty, so neither is ever shown.
    cbEnableAlarm = NewCheck(box, "cbEnableAlarm", QStringLiteral("Enable alarm output"), CheckLeft, 264);
    cbEnableAlarm->setAccessibleDescription(QStringLiteral("Enables alarm output (open collector)"));

    // The unit labels of the alarm rows hold the engineering unit of the input
    // range; the input side fills them.
    const int alarmUnitWidth = 27;
    lblAlmLimit = NewCaption(box, "lblAlmLimit", QStringLiteral("Alarm limit"), LeftColumn, 288, EditHeight);
    edAlarmLimit = NewEdit(box, "edAlarmLimit", lblAlmLimit, LeftColumn, 288,
                           QStringLiteral("Enter alarm limit value that will active the alarm output"));
    lblAlmLimUnit = NewUnit(box, "lblAlmLimUnit", LeftColumn + ValueWidth + UnitGap, 288, alarmUnitWidth);
    lblAlmStatus = NewCaption(box, "lblAlmStatus", QStringLiteral("Status"), RightColumn, 288);
    pnlAlmStatus = NewValueLabel(box, "pnlAlmStatus", lblAlmStatus, value(RightColumn, 288));

    lblDband = NewCaption(box, "lblDband", QStringLiteral("Deadband"), LeftColumn, 315, EditHeight);
    edDeadBand =
        NewEdit(box, "edDeadBand", lblDband, LeftColumn, 315, QStringLiteral("Enter dead band value"));
    lblDbandUnit = NewUnit(box, "lblDbandUnit", LeftColumn + ValueWidth + UnitGap, 315, alarmUnitWidth);
    lblAlarmRback = NewCaption(box, "lblAlarmRback", QStringLiteral("Rback"), RightColumn, 315);
    pnlAlarmRback = NewValueLabel(box, "pnlAlarmRback", lblAlarmRback, value(RightColumn, 315));

    // The screen reader's names of the number edits say what they hold in words.
    edOutMin->setAccessibleName(QStringLiteral("Output minimum"));
    edOutMax->setAccessibleName(QStringLiteral("Output maximum"));
    edDeadBand->setAccessibleName(QStringLiteral("Dead band"));

    cbLowAlarm = NewCheck(box, "cbLowAlarm", QStringLiteral("Low alarm"), CheckLeft, 344);
    cbLowAlarm->setAccessibleDescription(QStringLiteral("Check to invert alarm level (active high)"));

    // For the screen reader: the programmed and the active values apart, and a
    // description where the window gives no hint.
    NameBySide(
        {pnlPermOutRange, pnlOutZeroP, pnlPermOutMin, pnlOutFsP, pnlPermOutMax, pnlPermOut, pnlOutInvertP},
        {pnlTempOut});
    pnlAlmStatus->setAccessibleName(QStringLiteral("Alarm status"));
    pnlAlarmRback->setAccessibleName(QStringLiteral("Alarm read back"));
    pnlAlmStatus->setAccessibleDescription(QStringLiteral("State of the alarm output"));
    pnlAlarmRback->setAccessibleDescription(QStringLiteral("Alarm output level read back from the terminal"));
    cmbOutRanges->setAccessibleDescription(
        QStringLiteral("Select output range to calibrate (this will change the output range temporarily)"));
    btnSetOutRange->setAccessibleDescription(
        QStringLiteral("Program the selected output range with its limits, inversion and alarm settings"));
}

void TOutputPanel::DisableOutPanel() {
    cmbOutRanges->setEnabled(false);
    btnSetOutRange->setEnabled(false);
    btnGetTempOutRange->setEnabled(false);
    seOutZero->setEnabled(false);
    seOutFull->setEnabled(false);
    Lists.mnuClearOutCal->setEnabled(false);
    btnOutZero->setEnabled(false);
    btnOutFull->setEnabled(false);
    cbInvertOut->setEnabled(false);
    Lists.lvOutCalStat->setEnabled(false);
    cbEnableAlarm->setEnabled(false);
    edAlarmLimit->setEnabled(false);
    edDeadBand->setEnabled(false);
    pnlAlmStatus->setEnabled(false);
    pnlAlarmRback->setEnabled(false);
    cbLowAlarm->setEnabled(false);
    General.calSwitch->setEnabled(false);
}

void TOutputPanel::EnableOutPanel() {
    cmbOutRanges->setEnabled(true);
    btnSetOutRange->setEnabled(true);
    btnGetTempOutRange->setEnabled(true);
    // The calibration controls and the mode switch only in full mode; once enabled
    // they stay so.
    if (Host.FullMode()) {
        seOutZero->setEnabled(true);
        seOutFull->setEnabled(true);
        Lists.mnuClearOutCal->setEnabled(true);
        btnOutZero->setEnabled(true);
        btnOutFull->setEnabled(true);
        General.calSwitch->setEnabled(true);
    }
    cbInvertOut->setEnabled(true);
    Lists.lvOutCalStat->setEnabled(true);
    cbEnableAlarm->setEnabled(true);
    edAlarmLimit->setEnabled(true);
    edDeadBand->setEnabled(true);
    pnlAlmStatus->setEnabled(true);
    pnlAlarmRback->setEnabled(true);
    cbLowAlarm->setEnabled(true);
}
