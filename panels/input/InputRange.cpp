// Reading, selecting and programming the input range.
//
// Every request that names a range sends the range code of the two combo boxes,
// and the span is checked against that range: the range being programmed, which
// is not necessarily the one of the last input report (CurInRange()) when a
// temporary selection went unanswered. A change of either combo box sends a
// temporary range only while InEventsOn is set: the fill of the list and the
// presentations of the reports clear it while they set the selections themselves.
#include "../../app/PanelHost.h"
#include "../../app/UiServices.h"
#include "../../base/MrtError.h"
#include "../../link/Codec.h"
#include "../../link/Commands.h"
#include "../../link/Messages.h"
#include "../../ranges/InRanges.h"
#include "../../ranges/NumberFormat.h"
#include "../../widgets/Controls.h"
#include "../../widgets/PanelControls.h"
#include "InputPanel.h"

#include <QComboBox>
#include <QLabel>

namespace {
// Sets InEventsOn again however the scope is left, also by a failed conversion.
class TEventsOnAgain {
public:
    explicit TEventsOnAgain(bool& flag) : Flag(flag) { Flag = false; }
    ~TEventsOnAgain() { Flag = true; }
    TEventsOnAgain(const TEventsOnAgain&) = delete;
    TEventsOnAgain& operator=(const TEventsOnAgain&) = delete;

private:
    bool& Flag;
};
} // namespace

const IRange& TInputPanel::ShownInRange() const {
    return InRanges[CurRange >= 0 && CurRange < InRangeCount ? CurRange : 0];
}

int TInputPanel::SelectedInputCode() const {
    return RangeToCode(cmbInpRanges->currentIndex(), cmbWiring->currentIndex());
}

void TInputPanel::FillInRanges() {
    EventsOn = false;
    cmbInpRanges->clear();
    for (const IRange& range : InRanges) {
        cmbInpRanges->addItem(range.Name);
        cmbInpRanges->setItemData(cmbInpRanges->count() - 1, int(Qt::AlignCenter), Qt::TextAlignmentRole);
    }
    cmbInpRanges->setCurrentIndex(0);
    cmbWiring->setCurrentIndex(0);
    EventsOn = true;
}

void TInputPanel::ShowInRangeDefaults(int code) {
    int wiring = 0;
    CurRange = CodeToRange(code < 0 ? 0u : unsigned(code), wiring);
    const IRange& row = ShownInRange();
    edInpZero->setText(FormatFloat(0, row.RawFormat));
    edInpFull->setText(FormatFloat(row.RawFullScale, row.RawFormat));
    edEuMin->setText(EngText(row, row.EuMin));
    edEuMax->setText(EngText(row, row.EuMax));
    SetUnitText(lblInpZeroUnit, row.RawUnit);
    SetUnitText(lblInpFullUnit, row.RawUnit);
    lblEuMinUnit->setText(row.EngUnit);
    lblEuMaxUnit->setText(row.EngUnit);
    Host.InRangeShown(row);
    cmbWiring->setEnabled(row.HasWiring);
}

void TInputPanel::btnGetPermInpRangeClick() {
    Host.Send(Msg::ReadPermIn(), QStringLiteral("Reading permanent input range..."));
}

void TInputPanel::btnGetTempInpRangeClick() {
    Host.Send(Msg::ReadActiveIn(uint8_t(SelectedInputCode())),
              QStringLiteral("Reading active input range..."));
}

void TInputPanel::cmbInpRangesClick() {
    if (!EventsOn) return;
    Host.Send(Msg::SetTempIn(uint8_t(SelectedInputCode())), QStringLiteral("Setting temporary range..."));
}

namespace {
// The catalogue index of the range the selections name.
int SelectedRangeIndex(int code) {
    int wiring = 0;
    return CodeToRange(unsigned(code), wiring);
}
} // namespace

bool TInputPanel::InRangeInvalid() {
    float minimum = 0;
    float maximum = 0;
    try {
        minimum = StrToSingle(edEuMin->PersonText());
        maximum = StrToSingle(edEuMax->PersonText());
    } catch (const EMrtError&) {
        // Not a number: the request's own conversion reports it.
        return false;
    }
    return !SpanError(SelectedRangeIndex(SelectedInputCode()), minimum, maximum).isEmpty();
}

void TInputPanel::btnSetInputRangeClick() {
    if (Host.WriteOut(cmdSetPermIn)) return;
    if (InRangeInvalid()) {
        // The texts are numbers (InRangeInvalid said so): the message names the limits.
        Host.Ui()->ErrorDialog(Host.Window(), SpanError(SelectedRangeIndex(SelectedInputCode()),
                                                        StrToSingle(edEuMin->PersonText()),
                                                        StrToSingle(edEuMax->PersonText())));
        return;
    }
    const TEventsOnAgain eventsOnAgain(EventsOn);
    // Built before the busy message, which a text that is not a number would
    // otherwise leave on the line for good.
    const float euMin = FieldNumber(edEuMin);
    const float euMax = FieldNumber(edEuMax);
    Host.Send(Msg::SetPermIn(uint8_t(SelectedInputCode()), euMin, euMax),
              QStringLiteral("Setting range permanently..."));
}
