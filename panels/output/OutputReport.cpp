// The output report: the transmitter's answer to every command of the output side
// (codes 17 to 23), one 43-byte record (Msg::DecodeOutputReport), shown on the
// active side (ShowOutActive), the programmed side (ShowOutPerm) or both
// (ShowOutFull). Only a whole report the transmitter accepted, naming one of the
// two output ranges, reaches them: the request cycle's verdict has judged it.
#include "../../app/PanelHost.h"
#include "../../link/Codec.h"
#include "../../link/Messages.h"
#include "../../ranges/InRanges.h"
#include "../../ranges/NumberFormat.h"
#include "../../ranges/OutRanges.h"
#include "../../ranges/ReportTexts.h"
#include "../../widgets/Controls.h"
#include "../../widgets/PageSpinBox.h"
#include "../../widgets/ToggleSwitch.h"
#include "../general/CalLists.h"
#include "../general/GeneralPanel.h"
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
void ShowAlarm(TOutputPanel& p, const IRange& inRange, const TOutReport& r) {
    p.edAlarmLimit->setText(EngText(inRange, r.AlarmLimit));
    p.edDeadBand->setText(EngText(inRange, r.DeadBand));
    p.cbEnableAlarm->setChecked((r.AlarmFlags & Msg::AlarmEnabledBit) != 0);
    p.cbLowAlarm->setChecked((r.AlarmFlags & Msg::AlarmLowBit) != 0);
    p.pnlAlmStatus->setText(ReportText::Activity(r.AlarmState != 0));
    // The read-back is the level of the open collector: low means active.
    p.pnlAlarmRback->setText(ReportText::Activity(r.AlarmReadBack == 0));
}

// The active side: the selection, trims, limits and alarm of the range in use. The
// caller has cleared the events, so that setting the controls drives nothing.
void ShowActiveSide(TOutputPanel& p, const IRange& inRange, const TOutReport& r) {
    const ORange& row = OutRanges[r.Range];
    p.cmbOutRanges->setCurrentIndex(r.Range);
    const QColor colour = FlagColour(r.RangeFlag);
    p.pnlTempOut->SetTextColor(colour);
    SetTextColour(p.lblTempOutRange, colour);
    p.seOutZero->SetCode(r.ZeroCode);
    p.seOutFull->SetCode(r.FullCode);
    p.edOutMin->setText(FormatFloat(r.OutMin, row.Format));
    p.edOutMax->setText(FormatFloat(r.OutMax, row.Format));
    p.cbInvertOut->setChecked(r.Invert != 0);
    p.pnlTempOut->setText(OutputText(r.Range, CalcOutput(r.Range, r.ZeroCode, r.FullCode, r.DacCode)));
    ShowAlarm(p, inRange, r);
}

// The programmed side: what the transmitter keeps in its memory.
void ShowPermSide(TOutputPanel& p, const TOutReport& r) {
    const ORange& row = OutRanges[r.Range];
    p.pnlPermOutRange->setText(row.Name);
    const QColor colour = FlagColour(r.RangeFlag);
    p.pnlPermOutRange->SetTextColor(colour);
    p.pnlPermOut->SetTextColor(colour);
    p.pnlOutZeroP->setText(QString::number(r.ZeroCode));
    p.pnlOutFsP->setText(QString::number(r.FullCode));
    p.pnlPermOutMin->setText(WithUnit(r.OutMin, row));
    p.pnlPermOutMax->setText(WithUnit(r.OutMax, row));
    p.pnlOutInvertP->setText(ReportText::YesNo(r.Invert != 0));
    p.pnlPermOut->setText(OutputText(r.Range, CalcOutput(r.Range, r.ZeroCode, r.FullCode, r.DacCode)));
}
} // namespace

void TOutputPanel::ShowCommon(const TOutReport& r) {
    Lists.ShowOutCalStat(r.ZeroCalFlags, r.FullCalFlags);
    General.ShowGeneral(r.Ta, r.TCal, r.Mode);
}

void TOutputPanel::ShowOutActive() {
    const TOutReport report = Msg::DecodeOutputReport(RxBody());
    EventsOn = false;
    ShowOutRangeUnits(report.Range);
    ShowActiveSide(*this, Host.ShownInRange(), report);
    ShowCommon(report);
    Host.ShowStatus(ReportText::Success(), skSuccess);
    EventsOn = true;
}

void TOutputPanel::ShowOutPerm() {
    const TOutReport report = Msg::DecodeOutputReport(RxBody());
    ShowOutRangeUnits(report.Range);
    ShowPermSide(*this, report);
    ShowCommon(report);
    EnableOutPanel();
    Host.ShowStatus(ReportText::Success(), skSuccess);
}

void TOutputPanel::ShowOutFull() {
    const TOutReport report = Msg::DecodeOutputReport(RxBody());
    EventsOn = false;
    ShowOutRangeUnits(report.Range);
    ShowPermSide(*this, report);
    ShowActiveSide(*this, Host.ShownInRange(), report);
    ShowCommon(report);
    EnableOutPanel();
    Host.ShowStatus(ReportText::Success(), skSuccess);
    EventsOn = true;
}
