// The output report: the transmitter's answer to every command of the output side
// (codes 17 to 23), one 43-byte record (Msg::DecodeOutputReport), shown on the
// active side (ShowOutActive), the programmed side (ShowOutPerm) or both
// (ShowOutFull).
#include "../../app/MainWindow.h"
#include "../../link/Codec.h"
#include "../../link/Messages.h"
#include "../../ranges/InRanges.h"
#include "../../ranges/NumberFormat.h"
#include "../../ranges/OutRanges.h"
#include "../../widgets/Controls.h"
#include "../../widgets/PageSpinBox.h"
#include "../../widgets/ToggleSwitch.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <optional>

namespace {
const QString FailedText = QStringLiteral("Error occured while performing the operation !");
const QString UnknownText = QStringLiteral("Unknown response received.");
const QString SuccessText = QStringLiteral("Success.");

using TOutReport = Msg::TOutputReport;

// Range flag 0 marks the range's texts red; anything else leaves them black.
QColor FlagColour(uint8_t rangeFlag) {
    return rangeFlag != 0 ? QColor(0, 0, 0) : QColor(255, 0, 0);
}

QString WithUnit(float value, const ORange& row) {
    return FormatFloat(value, row.Format, QLatin1Char(' ') + row.Unit);
}

// The alarm limit and dead band are in the engineering unit of the input range
// now shown, whatever output range the report is about.
QString EngText(const TfrmMain& w, float value) { return FormatFloat(value, w.ShownInRange().EngFormat); }

QString AlarmText(bool active) {
    return active ? QStringLiteral("Active") : QStringLiteral("Inactive");
}

// The alarm fields of an active or full report.
void ShowAlarm(TfrmMain& w, const TOutReport& r) {
    w.edAlarmLimit->setText(EngText(w, r.AlarmLimit));
    w.edDeadBand->setText(EngText(w, r.DeadBand));
    w.cbEnableAlarm->setChecked((r.AlarmFlags & Msg::AlarmEnabledBit) != 0);
    w.cbLowAlarm->setChecked((r.AlarmFlags & Msg::AlarmLowBit) != 0);
    w.pnlAlmStatus->setText(AlarmText(r.AlarmState != 0));
    // The read-back is the level of the open collector: low means active.
    w.pnlAlarmRback->setText(AlarmText(r.AlarmReadBack == 0));
}

// The common start of the three presentations: the decoded report when the
// status byte says the command succeeded and the report names an output range
// this tool knows.
std::optional<TOutReport> OpenOutReport(TfrmMain* window) {
    const TOutReport r = Msg::DecodeOutputReport(RxBody());
    if (r.Status == 0) {
        window->ShowStatus(FailedText, skError);
        return std::nullopt;
    }
    if (r.Range >= OutRangeCount) {
        window->ShowStatus(UnknownText, skError);
        return std::nullopt;
    }
    return r;
}
} // namespace

void TfrmMain::ShowOutActive() {
    const std::optional<TOutReport> report = OpenOutReport(this);
    if (!report) return;
    OutEventsOn = false;
    const TOutReport& r = *report;
    const ORange& row = OutRanges[r.Range];

    ShowOutRangeUnits(r.Range);
    cmbOutRanges->setCurrentIndex(r.Range);
    const QColor colour = FlagColour(r.RangeFlag);
    pnlTempOut->SetTextColor(colour);
    SetTextColour(lblTempOutRange, colour);
    seOutZero->SetCode(r.ZeroCode);
    seOutFull->SetCode(r.FullCode);
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
    const std::optional<TOutReport> report = OpenOutReport(this);
    if (!report) return;
    const TOutReport& r = *report;
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
    const std::optional<TOutReport> report = OpenOutReport(this);
    if (!report) return;
    OutEventsOn = false;
    const TOutReport& r = *report;
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
    seOutZero->SetCode(r.ZeroCode);
    seOutFull->SetCode(r.FullCode);
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
