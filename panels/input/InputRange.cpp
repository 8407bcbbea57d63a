// Reading, selecting and programming the input range.
//
// Every request that names a range sends the range code of the two combo boxes,
// and the span is checked against that range: the range being programmed, which
// is not necessarily the one of the last input report (CurInRange) when a
// temporary selection went unanswered. A change of either combo box sends a
// temporary range only while InEventsOn is set: the fill of the list and the
// presentations of the reports clear it while they set the selections themselves.
#include "../../app/MainWindow.h"
#include "../../app/UiServices.h"
#include "../../link/Codec.h"
#include "../../link/Commands.h"
#include "../../link/Messages.h"
#include "../../ranges/InRanges.h"
#include "../../ranges/NumberFormat.h"
#include "../../widgets/Controls.h"
#include "../../widgets/PanelControls.h"
#include "../output/OutputPanel.h"
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

void SetText(QLabel* label, const QString& text) {
    if (label) label->setText(text);
}
} // namespace

const IRange& TfrmMain::ShownInRange() const {
    return InRanges[CurInRange >= 0 && CurInRange < InRangeCount ? CurInRange : 0];
}

int TfrmMain::SelectedInputCode() const {
    return RangeToCode(In->cmbInpRanges->currentIndex(), In->cmbWiring->currentIndex());
}

void TfrmMain::FillInRanges() {
    InEventsOn = false;
    In->cmbInpRanges->clear();
    for (const IRange& range : InRanges) {
        In->cmbInpRanges->addItem(range.Name);
        In->cmbInpRanges->setItemData(In->cmbInpRanges->count() - 1, int(Qt::AlignCenter),
                                      Qt::TextAlignmentRole);
    }
    In->cmbInpRanges->setCurrentIndex(0);
    In->cmbWiring->setCurrentIndex(0);
    InEventsOn = true;
}

void TfrmMain::ShowInRangeDefaults(int code) {
    int wiring = 0;
    CurInRange = CodeToRange(code < 0 ? 0u : unsigned(code), wiring);
    const IRange& row = ShownInRange();
    In->edInpZero->setText(FormatFloat(0, row.RawFormat));
    In->edInpFull->setText(FormatFloat(row.RawFullScale, row.RawFormat));
    In->edEuMin->setText(EngText(row, row.EuMin));
    In->edEuMax->setText(EngText(row, row.EuMax));
    SetUnitText(In->lblInpZeroUnit, row.RawUnit);
    SetUnitText(In->lblInpFullUnit, row.RawUnit);
    In->lblEuMinUnit->setText(row.EngUnit);
    In->lblEuMaxUnit->setText(row.EngUnit);
    SetText(Out->lblAlmLimUnit, row.EngUnit);
    SetText(Out->lblDbandUnit, row.EngUnit);
    In->cmbWiring->setEnabled(row.HasWiring);
}

void TfrmMain::btnGetPermInpRangeClick() {
    Send(Msg::ReadPermIn(), QStringLiteral("Reading permanent input range..."));
}

void TfrmMain::btnGetTempInpRangeClick() {
    Send(Msg::ReadActiveIn(uint8_t(SelectedInputCode())), QStringLiteral("Reading active input range..."));
}

void TfrmMain::cmbInpRangesClick() {
    if (!InEventsOn) return;
    Send(Msg::SetTempIn(uint8_t(SelectedInputCode())), QStringLiteral("Setting temporary range..."));
}

namespace {
// The catalogue index of the range the selections name.
int SelectedRangeIndex(int code) {
    int wiring = 0;
    return CodeToRange(unsigned(code), wiring);
}
} // namespace

bool TfrmMain::InRangeInvalid() {
    float minimum = 0;
    float maximum = 0;
    try {
        minimum = StrToSingle(In->edEuMin->PersonText());
        maximum = StrToSingle(In->edEuMax->PersonText());
    } catch (const EMrtError&) {
        // Not a number: the request's own conversion reports it.
        return false;
    }
    return !SpanError(SelectedRangeIndex(SelectedInputCode()), minimum, maximum).isEmpty();
}

void TfrmMain::btnSetInputRangeClick() {
    if (InWriteOut) return;
    if (InRangeInvalid()) {
        // The texts are numbers (InRangeInvalid said so): the message names the limits.
        Ui()->ErrorDialog(this, SpanError(SelectedRangeIndex(SelectedInputCode()),
                                          StrToSingle(In->edEuMin->PersonText()),
                                          StrToSingle(In->edEuMax->PersonText())));
        return;
    }
    const TEventsOnAgain eventsOnAgain(InEventsOn);
    // Built before the busy message, which a text that is not a number would
    // otherwise leave on the line for good.
    const float euMin = FieldNumber(In->edEuMin);
    const float euMax = FieldNumber(In->edEuMax);
    Send(Msg::SetPermIn(uint8_t(SelectedInputCode()), euMin, euMax),
         QStringLiteral("Setting range permanently..."));
}
