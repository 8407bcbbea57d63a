// The input report, the one answer to every input command, and its three
// presentations: the programmed side only (ShowInPerm), the active side only
// (ShowInActive) and both (ShowInFull, the first read and the permanent set).
//
// The report, 49 bytes, is decoded by Msg::DecodeInputReport (link/Messages.h).
// Only a whole report the transmitter accepted, naming a range of the tables,
// reaches them: the request cycle's verdict has judged it.
#include "../../app/PanelHost.h"
#include "../../link/Codec.h"
#include "../../link/Messages.h"
#include "../../ranges/InRanges.h"
#include "../../ranges/NumberFormat.h"
#include "../../ranges/ReportTexts.h"
#include "../../widgets/Controls.h"
#include "../../widgets/PanelControls.h"
#include "../../widgets/ToggleSwitch.h"
#include "../general/CalLists.h"
#include "../general/GeneralPanel.h"
#include "InputPanel.h"

#include <QComboBox>
#include <QLabel>

namespace {
const QColor FlagOk(0, 0, 0);
const QColor FlagBad(255, 0, 0);
} // namespace

// The decoded report, the catalogue index and wiring index of its range code, and
// the row of its range, which gives the units and formats of its values.
struct TInputReportView : Msg::TInputReport {
    int Index = 0;
    int Wiring = 0;
    const IRange* Range = nullptr;

    const IRange& Row() const { return *Range; }
    QString RawUnitText(double value) const { return FormatFloat(value, Row().RawFormat, Row().RawUnit); }
    QString RawText(double value) const { return FormatFloat(value, Row().RawFormat); }
    QString EngUnitText(double value) const { return FormatFloat(value, Row().EngFormat, Row().EngUnit); }
    QColor FlagColour() const { return RangeFlag ? FlagOk : FlagBad; }
};

// The opening the three presentations share: every field, the current range and
// the general strip. clearEvents: the presentation is about to set the combo
// boxes itself.
TInputReportView TInputPanel::OpenReport(bool clearEvents) {
    const Msg::TInputReport m = Msg::DecodeInputReport(RxBody());
    if (clearEvents) EventsOn = false;

    TInputReportView r;
    static_cast<Msg::TInputReport&>(r) = m;
    CurRange = CodeToRange(r.RangeCode, r.Wiring);
    r.Index = CurRange;
    r.Range = &ShownInRange();
    General.ShowGeneral(r.Ta, r.TCal, r.Mode);
    General.pnlTempComp->setText(r.RawUnitText(r.Seebeck));
    Lists.ShowInCalStat(r.CalFlags[0], r.CalFlags[1], r.CalFlags[2], r.CalFlags[3]);
    return r;
}

// The programmed side: what the transmitter keeps in its memory.
void TInputPanel::ShowPermSide(const TInputReportView& r) {
    pnlInpRange->SetTextColor(r.FlagColour());
    pnlInpRange->setText(r.Row().Name);
    pnlWiring->setText(cmbWiring->itemText(r.Wiring));
    pnlInpReadingP->setText(r.RawUnitText(r.Raw));
    pnlEngReadingP->setText(r.EngUnitText(r.Eng));
    pnlInpZeroP->setText(r.RawUnitText(0));
    pnlInpFullP->setText(r.RawUnitText(r.Row().RawFullScale));
    pnlEuMinP->setText(r.EngUnitText(r.EuMin));
    pnlEuMaxP->setText(r.EngUnitText(r.EuMax));
}

// The active side: the selections, readings and edits of the range in use, with
// their units. The caller has cleared the events, so that setting the combo boxes
// sends nothing.
void TInputPanel::ShowActiveSide(const TInputReportView& r) {
    SetTextColour(lblInpRanges, r.FlagColour());
    cmbInpRanges->setCurrentIndex(r.Index);
    cmbWiring->setEnabled(r.Row().HasWiring);
    cmbWiring->setCurrentIndex(r.Wiring);
    pnlInpReading->setText(r.RawUnitText(r.Raw));
    pnlEngReading->setText(r.EngUnitText(r.Eng));
    SetUnitText(lblInpZeroUnit, r.Row().RawUnit);
    edInpZero->setText(r.RawText(0));
    SetUnitText(lblInpFullUnit, r.Row().RawUnit);
    edInpFull->setText(r.RawText(r.Row().RawFullScale));
    lblEuMinUnit->setText(r.Row().EngUnit);
    edEuMin->setText(EngText(r.Row(), r.EuMin));
    lblEuMaxUnit->setText(r.Row().EngUnit);
    edEuMax->setText(EngText(r.Row(), r.EuMax));
    // The alarm limit and dead band of the output panel are in the input's units.
    Host.InRangeShown(r.Row());
}

void TInputPanel::ShowInPerm() {
    const TInputReportView report = OpenReport(false);
    ShowPermSide(report);
    EnableInPanel();
    Host.ShowStatus(ReportText::SuccessRead(), skSuccess);
}

void TInputPanel::ShowInActive() {
    const TInputReportView report = OpenReport(true);
    ShowActiveSide(report);
    Host.ShowStatus(ReportText::SuccessRead(), skSuccess);
    EventsOn = true;
}

void TInputPanel::ShowInFull() {
    const TInputReportView report = OpenReport(true);
    ShowPermSide(report);
    ShowActiveSide(report);
    EnableInPanel();
    Host.ShowStatus(ReportText::SuccessRead(), skSuccess);
    EventsOn = true;
}
