// The output report: the transmitter's answer to every command of the output side
// (codes 17 to 23), one 43-byte record, shown on the active side (ShowOutActive),
// the programmed side (ShowOutPerm) or both (ShowOutFull).
#include "../../app/EventFlags.h"
#include "../../app/MainWindow.h"
#include "../../link/Codec.h"
#include "../../ranges/InRanges.h"
#include "../../ranges/NumberFormat.h"
#include "../../ranges/OutRanges.h"
#include "../../widgets/Controls.h"
#include "../../widgets/PageSpinBox.h"
#include "../../widgets/ToggleSwitch.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>

namespace {
const QString FailedText = QStringLiteral("Error occured while performing the operation !");
const QString UnknownText = QStringLiteral("Unknown response received.");
const QString SuccessText = QStringLiteral("Success.");

// The record after its status byte, in the order it travels.
struct TOutReport {
    uint8_t Range = 0;
    uint8_t RangeFlag = 0;
    uint16_t ZeroCode = 0;
    uint16_t FullCode = 0;
    uint8_t Invert = 0;
    uint16_t ZeroCalFlags = 0;
    uint16_t FullCalFlags = 0;
    float OutMin = 0;
    float OutMax = 0;
    uint16_t DacCode = 0;
    float Ta = 0;
    float TCal = 0;
    uint8_t Mode = 0;
    // The alarm block, read only by the presentations of the active side.
    float AlarmLimit = 0;
    float DeadBand = 0;
    uint8_t AlarmFlags = 0;
    uint8_t AlarmState = 0;
    uint8_t AlarmReadBack = 0;
};

// Reads the fields from offset 2 on (RxPos must stand there), up to the mode byte,
// and the alarm block too when `withAlarm`.
TOutReport ReadOutReport(bool withAlarm) {
    TOutReport r;
    r.Range = PacketGetByte();
    r.RangeFlag = PacketGetByte();
    r.ZeroCode = PacketGetWord();
    r.FullCode = PacketGetWord();
    r.Invert = PacketGetByte();
    r.ZeroCalFlags = PacketGetWord();
    r.FullCalFlags = PacketGetWord();
    r.OutMin = PacketGetSingle();
    r.OutMax = PacketGetSingle();
    r.DacCode = PacketGetWord();
    r.Ta = PacketGetSingle();
    r.TCal = PacketGetSingle();
    r.Mode = PacketGetByte();
    if (withAlarm) {
        r.AlarmLimit = PacketGetSingle();
        r.DeadBand = PacketGetSingle();
        r.AlarmFlags = PacketGetByte();
        r.AlarmState = PacketGetByte();
        r.AlarmReadBack = PacketGetByte();
    }
    return r;
}

// Range flag 0 marks the range's texts red; anything else leaves them black.
QColor FlagColour(uint8_t rangeFlag) {
    return rangeFlag != 0 ? QColor(0, 0, 0) : QColor(255, 0, 0);
}

QString WithUnit(float value, const ORange& row) {
    return FormatFloat(value, row.Format, QLatin1Char(' ') + row.Unit);
}

// The alarm limit and dead band are in the engineering unit of the input range
// now shown, whatever output range the report is about.
QString EngText(float value) {
    const int range = CurInRange >= 0 && CurInRange < InRangeCount ? CurInRange : 0;
    return FormatFloat(value, InRanges[range].EngFormat);
}

QString AlarmText(bool active) {
    return active ? QStringLiteral("Active") : QStringLiteral("Inactive");
}

// The alarm fields of an active or full report.
void ShowAlarm(TfrmMain& w, const TOutReport& r) {
    w.edAlarmLimit->setText(EngText(r.AlarmLimit));
    w.edDeadBand->setText(EngText(r.DeadBand));
    w.cbEnableAlarm->setChecked((r.AlarmFlags & 0x01) != 0);
    w.cbLowAlarm->setChecked((r.AlarmFlags & 0x02) != 0);
    w.pnlAlmStatus->setText(AlarmText(r.AlarmState != 0));
    // The read-back is the level of the open collector: low means active.
    w.pnlAlarmRback->setText(AlarmText(r.AlarmReadBack == 0));
}

// The common start of the three presentations: true when the status byte says the
// command succeeded and the report names an output range this tool knows. Leaves
// RxPos at the range index.
bool OutReportUsable(TfrmMain* window) {
    RxPos = 1;
    if (PacketGetByte() == 0) {
        window->ShowStatus(FailedText, skError);
        return false;
    }
    if (RxBuf[RxPos] >= OutRangeCount) {
        window->ShowStatus(UnknownText, skError);
        return false;
    }
    return true;
}
} // namespace

void TfrmMain::ShowOutActive() {
    if (!OutReportUsable(this)) return;
    OutEventsOn = false;
    const TOutReport r = ReadOutReport(true);
    const ORange& row = OutRanges[r.Range];

    ShowOutRangeUnits(r.Range);
    cmbOutRanges->setCurrentIndex(r.Range);
    const QColor colour = FlagColour(r.RangeFlag);
    pnlTempOut->SetTextColor(colour);
    SetTextColour(lblTempOutRange, colour);
    seOutZero->setValue(r.ZeroCode);
    seOutFull->setValue(r.FullCode);
    edOutMin->setText(FormatFloat(r.OutMin, row.Format));
    edOutMax->setText(FormatFloat(r.OutMax, row.Format));
    cbInvertOut->setChecked(r.Invert != 0);
    pnlTempOut->setText(CalcOutput(r.Range, r.ZeroCode, r.FullCode, r.DacCode));
    ShowOutCalStat(r.ZeroCalFlags, r.FullCalFlags);
    pnlTemp->setText(FormatFloat(r.Ta, QStringLiteral("0.0")));
    pnlCalTemp->setText(FormatFloat(r.TCal, QStringLiteral("0.0")));
    calSwitch->SetOn(r.Mode != 0);
    ShowAlarm(*this, r);
    ShowStatus(SuccessText, skSuccess);
    OutEventsOn = true;
}

void TfrmMain::ShowOutPerm() {
    if (!OutReportUsable(this)) return;
    const TOutReport r = ReadOutReport(false);
    const ORange& row = OutRanges[r.Range];

    ShowOutRangeUnits(r.Range);
    pnlPermOutRange->setText(row.Name);
    const QColor colour = FlagColour(r.RangeFlag);
    pnlPermOutRange->SetTextColor(colour);
    pnlPermOut->SetTextColor(colour);
    pnlOutZeroP->setText(QString::number(r.ZeroCode));
    pnlOutFsP->setText(QString::number(r.FullCode));
    pnlPermOutMin->setText(WithUnit(r.OutMin, row));
    pnlPermOutMax->setText(WithUnit(r.OutMax, row));
    pnlOutInvertP->setText(r.Invert != 0 ? QStringLiteral("Yes") : QStringLiteral("No"));
    pnlPermOut->setText(CalcOutput(r.Range, r.ZeroCode, r.FullCode, r.DacCode));
    ShowOutCalStat(r.ZeroCalFlags, r.FullCalFlags);
    pnlTemp->setText(FormatFloat(r.Ta, QStringLiteral("0.0")));
    pnlCalTemp->setText(FormatFloat(r.TCal, QStringLiteral("0.0")));
    calSwitch->SetOn(r.Mode != 0);
    EnableOutPanel();
    ShowStatus(SuccessText, skSuccess);
}

void TfrmMain::ShowOutFull() {
    if (!OutReportUsable(this)) return;
    OutEventsOn = false;
    const TOutReport r = ReadOutReport(true);
    const ORange& row = OutRanges[r.Range];

    ShowOutRangeUnits(r.Range);
    pnlPermOutRange->setText(row.Name);
    cmbOutRanges->setCurrentIndex(r.Range);
    const QColor colour = FlagColour(r.RangeFlag);
    pnlPermOutRange->SetTextColor(colour);
    pnlPermOut->SetTextColor(colour);
    pnlTempOut->SetTextColor(colour);
    SetTextColour(lblTempOutRange, colour);
    pnlOutZeroP->setText(QString::number(r.ZeroCode));
    pnlOutFsP->setText(QString::number(r.FullCode));
    seOutZero->setValue(r.ZeroCode);
    seOutFull->setValue(r.FullCode);
    pnlPermOutMin->setText(WithUnit(r.OutMin, row));
    pnlPermOutMax->setText(WithUnit(r.OutMax, row));
    edOutMin->setText(FormatFloat(r.OutMin, row.Format));
    edOutMax->setText(FormatFloat(r.OutMax, row.Format));
    pnlOutInvertP->setText(r.Invert != 0 ? QStringLiteral("Yes") : QStringLiteral("No"));
    cbInvertOut->setChecked(r.Invert != 0);
    pnlPermOut->setText(CalcOutput(r.Range, r.ZeroCode, r.FullCode, r.DacCode));
    pnlTempOut->setText(pnlPermOut->text());
    ShowOutCalStat(r.ZeroCalFlags, r.FullCalFlags);
    pnlTemp->setText(FormatFloat(r.Ta, QStringLiteral("0.0")));
    pnlCalTemp->setText(FormatFloat(r.TCal, QStringLiteral("0.0")));
    calSwitch->SetOn(r.Mode != 0);
    ShowAlarm(*this, r);
    EnableOutPanel();
    OutEventsOn = true;
    ShowStatus(SuccessText, skSuccess);
}
