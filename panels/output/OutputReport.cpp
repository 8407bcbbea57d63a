// The output report: the transmitter's answer to every command of the output side
// (codes 17 to 23), one 43-byte record (Msg::DecodeOutputReport), shown on the
// active side (ShowOutActive), the programmed side (ShowOutPerm) or both
// (ShowOutFull). Only a whole report the transmitter accepted, naming one of the
// two output ranges, reaches them: the request cycle's verdict has judged it.
#include "../../app/MainWindow.h"
#include "../../link/Codec.h"
#include "../../link/Messages.h"
#include "../../ranges/InRanges.h"
#include "../../ranges/NumberFormat.h"
#include "../../ranges/OutRanges.h"
#include "../../ranges/ReportTexts.h"
#include "../../widgets/Controls.h"
#include "../../widgets/PageSpinBox.h"
#include "../../widgets/ToggleSwitch.h"
#include "OutputPanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>

namespace {

using TOutReport = Msg::TOutputReport;

// Range flag 0 marks the range's texts red; anything else leaves them black.
QColor FlagColour(uint8_t rangeFlag) {
    return rangeFlag != 0 ? QColor(0, 0, 0) : QColor(255, 0, 0);
}

QString WithUnit(float value, const ORange& row) {
    return FormatFloat(value, row.Format, QLatin1Char(' ') + row.Unit);
}

// The alarm fields of an active or full report. The alarm limit and dead band are
// in the engineering unit of the input range now shown, whatever output range the
// report is about.
void ShowAlarm(TfrmMain& w, const TOutReport& r) {
    w.Out->edAlarmLimit->setText(EngText(w.ShownInRange(), r.AlarmLimit));
    w.Out->edDeadBand->setText(EngText(w.ShownInRange(), r.DeadBand));
    w.Out->cbEnableAlarm->setChecked((r.AlarmFlags & Msg::AlarmEnabledBit) != 0);
    w.Out->cbLowAlarm->setChecked((r.AlarmFlags & Msg::AlarmLowBit) != 0);
    w.Out->pnlAlmStatus->setText(ReportText::Activity(r.AlarmState != 0));
    // The read-back is the level of the open collector: low means active.
    w.Out->pnlAlarmRback->setText(ReportText::Activity(r.AlarmReadBack == 0));
}

// The active side: the selection, trims, limits and alarm of the range in use. The
// caller has cleared OutEventsOn, so that setting the controls drives nothing.
void ShowActiveSide(TfrmMain& w, const TOutReport& r) {
    const ORange& row = OutRanges[r.Range];
    w.Out->cmbOutRanges->setCurrentIndex(r.Range);
    const QColor colour = FlagColour(r.RangeFlag);
    w.Out->pnlTempOut->SetTextColor(colour);
    SetTextColour(w.Out->lblTempOutRange, colour);
    w.Out->seOutZero->SetCode(r.ZeroCode);
    w.Out->seOutFull->SetCode(r.FullCode);
    w.Out->edOutMin->setText(FormatFloat(r.OutMin, row.Format));
    w.Out->edOutMax->setText(FormatFloat(r.OutMax, row.Format));
    w.Out->cbInvertOut->setChecked(r.Invert != 0);
    w.Out->pnlTempOut->setText(OutputText(r.Range, CalcOutput(r.Range, r.ZeroCode, r.FullCode, r.DacCode)));
    ShowAlarm(w, r);
}

// The programmed side: what the transmitter keeps in its memory.
void ShowPermSide(TfrmMain& w, const TOutReport& r) {
    const ORange& row = OutRanges[r.Range];
    w.Out->pnlPermOutRange->setText(row.Name);
    const QColor colour = FlagColour(r.RangeFlag);
    w.Out->pnlPermOutRange->SetTextColor(colour);
    w.Out->pnlPermOut->SetTextColor(colour);
    w.Out->pnlOutZeroP->setText(QString::number(r.ZeroCode));
    w.Out->pnlOutFsP->setText(QString::number(r.FullCode));
    w.Out->pnlPermOutMin->setText(WithUnit(r.OutMin, row));
    w.Out->pnlPermOutMax->setText(WithUnit(r.OutMax, row));
    w.Out->pnlOutInvertP->setText(ReportText::YesNo(r.Invert != 0));
    w.Out->pnlPermOut->setText(OutputText(r.Range, CalcOutput(r.Range, r.ZeroCode, r.FullCode, r.DacCode)));
}

// What every presentation shows besides its sides: the calibration flags and
// the general strip.
void ShowCommon(TfrmMain& w, const TOutReport& r) {
    w.ShowOutCalStat(r.ZeroCalFlags, r.FullCalFlags);
    w.ShowGeneral(r.Ta, r.TCal, r.Mode);
}
} // namespace

void TfrmMain::ShowOutActive() {
    const TOutReport report = Msg::DecodeOutputReport(RxBody());
    OutEventsOn = false;
    ShowOutRangeUnits(report.Range);
    ShowActiveSide(*this, report);
    ShowCommon(*this, report);
    ShowStatus(ReportText::Success(), skSuccess);
    OutEventsOn = true;
}

void TfrmMain::ShowOutPerm() {
    const TOutReport report = Msg::DecodeOutputReport(RxBody());
    ShowOutRangeUnits(report.Range);
    ShowPermSide(*this, report);
    ShowCommon(*this, report);
    EnableOutPanel();
    ShowStatus(ReportText::Success(), skSuccess);
}

void TfrmMain::ShowOutFull() {
    const TOutReport report = Msg::DecodeOutputReport(RxBody());
    OutEventsOn = false;
    ShowOutRangeUnits(report.Range);
    ShowPermSide(*this, report);
    ShowActiveSide(*this, report);
    ShowCommon(*this, report);
    EnableOutPanel();
    ShowStatus(ReportText::Success(), skSuccess);
    OutEventsOn = true;
}
