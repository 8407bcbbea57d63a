// The input report, the one answer to every input command, and its three
// presentations: the programmed side only (ShowInPerm), the active side only
// (ShowInActive) and both (ShowInFull, the first read and the permanent set).
//
// The report, 49 bytes, is decoded by Msg::DecodeInputReport (link/Messages.h).
// Only a whole report the transmitter accepted, naming a range of the tables,
// reaches them: the request cycle's verdict has judged it.
#include "../../app/MainWindow.h"
#include "../../link/Codec.h"
#include "../../link/Messages.h"
#include "../../ranges/InRanges.h"
#include "../../ranges/NumberFormat.h"
#include "../../ranges/ReportTexts.h"
#include "../../widgets/Controls.h"
#include "../../widgets/PanelControls.h"
#include "../../widgets/ToggleSwitch.h"
#include "../general/GeneralPanel.h"
#include "../output/OutputPanel.h"
#include "InputPanel.h"

#include <QComboBox>
#include <QLabel>

namespace {
const QColor FlagOk(0, 0, 0);
const QColor FlagBad(255, 0, 0);

// The decoded report, the wiring index of its range code and the row of its
// range, which gives the units and formats of its values.
struct TInputReport : Msg::TInputReport {
    int Wiring = 0;
    const IRange* Range = nullptr;

    const IRange& Row() const { return *Range; }
    QString RawUnitText(double value) const { return FormatFloat(value, Row().RawFormat, Row().RawUnit); }
    QString RawText(double value) const { return FormatFloat(value, Row().RawFormat); }
    QString EngUnitText(double value) const { return FormatFloat(value, Row().EngFormat, Row().EngUnit); }
};

QColor FlagColour(const TInputReport& r) {
    return r.RangeFlag ? FlagOk : FlagBad;
}

void SetText(QLabel* label, const QString& text) {
    if (label) label->setText(text);
}

// The opening the three presentations share: every field, the current range and
// the general panel. clearEvents: the presentation is about to set the combo
// boxes itself.
TInputReport OpenReport(TfrmMain& w, bool clearEvents) {
    const Msg::TInputReport m = Msg::DecodeInputReport(RxBody());
    if (clearEvents) w.InEventsOn = false;

    TInputReport r;
    static_cast<Msg::TInputReport&>(r) = m;
    w.CurInRange = CodeToRange(r.RangeCode, r.Wiring);
    r.Range = &w.ShownInRange();
    w.ShowGeneral(r.Ta, r.TCal, r.Mode);
    w.General->pnlTempComp->setText(r.RawUnitText(r.Seebeck));
    return r;
}

// The calibration points and span of the active side with their units.
void ShowActiveEdits(TfrmMain& w, const TInputReport& r) {
    SetUnitText(w.In->lblInpZeroUnit, r.Row().RawUnit);
    w.In->edInpZero->setText(r.RawText(0));
    SetUnitText(w.In->lblInpFullUnit, r.Row().RawUnit);
    w.In->edInpFull->setText(r.RawText(r.Row().RawFullScale));
    w.In->lblEuMinUnit->setText(r.Row().EngUnit);
    w.In->edEuMin->setText(EngText(r.Row(), r.EuMin));
    w.In->lblEuMaxUnit->setText(r.Row().EngUnit);
    w.In->edEuMax->setText(EngText(r.Row(), r.EuMax));
    // The alarm limit and dead band of the output panel are in the input's units.
    SetText(w.Out->lblAlmLimUnit, r.Row().EngUnit);
    SetText(w.Out->lblDbandUnit, r.Row().EngUnit);
}

void ShowCalFlags(TfrmMain& w, const TInputReport& r) {
    w.ShowInCalStat(r.CalFlags[0], r.CalFlags[1], r.CalFlags[2], r.CalFlags[3]);
}

// The programmed side: what the transmitter keeps in its memory.
void ShowPermSide(TfrmMain& w, const TInputReport& r) {
    w.In->pnlInpRange->SetTextColor(FlagColour(r));
    w.In->pnlInpRange->setText(r.Row().Name);
    w.In->pnlWiring->setText(w.In->cmbWiring->itemText(r.Wiring));
    w.In->pnlInpReadingP->setText(r.RawUnitText(r.Raw));
    w.In->pnlEngReadingP->setText(r.EngUnitText(r.Eng));
    w.In->pnlInpZeroP->setText(r.RawUnitText(0));
    w.In->pnlInpFullP->setText(r.RawUnitText(r.Row().RawFullScale));
    w.In->pnlEuMinP->setText(r.EngUnitText(r.EuMin));
    w.In->pnlEuMaxP->setText(r.EngUnitText(r.EuMax));
}

// The active side: the selections, readings and edits of the range in use. The
// caller has cleared InEventsOn, so that setting the combo boxes sends nothing.
void ShowActiveSide(TfrmMain& w, const TInputReport& r) {
    SetTextColour(w.In->lblInpRanges, FlagColour(r));
    w.In->cmbInpRanges->setCurrentIndex(w.CurInRange);
    w.In->cmbWiring->setEnabled(r.Row().HasWiring);
    w.In->cmbWiring->setCurrentIndex(r.Wiring);
    w.In->pnlInpReading->setText(r.RawUnitText(r.Raw));
    w.In->pnlEngReading->setText(r.EngUnitText(r.Eng));
    ShowActiveEdits(w, r);
}
} // namespace

void TfrmMain::ShowInPerm() {
    const TInputReport report = OpenReport(*this, false);
    ShowPermSide(*this, report);
    ShowCalFlags(*this, report);
    EnableInPanel();
    ShowStatus(ReportText::SuccessRead(), skSuccess);
}

void TfrmMain::ShowInActive() {
    const TInputReport report = OpenReport(*this, true);
    ShowActiveSide(*this, report);
    ShowCalFlags(*this, report);
    ShowStatus(ReportText::SuccessRead(), skSuccess);
    InEventsOn = true;
}

void TfrmMain::ShowInFull() {
    const TInputReport report = OpenReport(*this, true);
    ShowPermSide(*this, report);
    ShowActiveSide(*this, report);
    ShowCalFlags(*this, report);
    EnableInPanel();
    ShowStatus(ReportText::SuccessRead(), skSuccess);
    InEventsOn = true;
}
