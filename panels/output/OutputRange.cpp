// Reading, selecting and programming the output range with its limits, inversion
// and alarm settings. Every request here is answered with an output report.
#include "../../app/PanelHost.h"
#include "../../app/UiServices.h"
#include "../../base/MrtError.h"
#include "../../link/Codec.h"
#include "../../link/Commands.h"
#include "../../link/Messages.h"
#include "../../ranges/InRanges.h"
#include "../../ranges/NumberFormat.h"
#include "../../ranges/OutRanges.h"
#include "../../widgets/Controls.h"
#include "../../widgets/ToggleSwitch.h"
#include "../general/GeneralPanel.h"
#include "OutputPanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>

int TOutputPanel::SelectedOutRow() const {
    const int row = cmbOutRanges ? cmbOutRanges->currentIndex() : -1;
    return row >= 0 && row < OutRangeCount ? row : -1;
}

void TOutputPanel::FillOutRanges() {
    // The selections made here must not reach the transmitter.
    EventsOn = false;
    cmbOutRanges->clear();
    for (int i = 0; i < OutRangeCount; ++i) {
        cmbOutRanges->addItem(OutRanges[i].Name);
        cmbOutRanges->setItemData(i, int(Qt::AlignCenter), Qt::TextAlignmentRole);
    }
    cmbOutRanges->setCurrentIndex(0);
    EventsOn = true;
}

void TOutputPanel::ShowOutRangeUnits(int rangeIndex) {
    if (rangeIndex < 0 || rangeIndex >= OutRangeCount) return;
    const ORange& row = OutRanges[rangeIndex];
    lblOutMinUnit->setText(row.Unit);
    lblOutMaxUnit->setText(row.Unit);
    General.ShowJumper(row.Unit == QLatin1String("mA"));
}

void TOutputPanel::ShowAlarmUnits(const QString& unit) {
    lblAlmLimUnit->setText(unit);
    lblDbandUnit->setText(unit);
}

void TOutputPanel::btnGetOutRangeClick() {
    Host.Send(Msg::ReadPermOut(), QStringLiteral("Reading programmed output range data..."));
}

void TOutputPanel::btnGetTempOutRangeClick() {
    const int row = SelectedOutRow();
    if (row < 0) return;
    Host.Send(Msg::ReadActiveOut(static_cast<uint8_t>(row)),
              QStringLiteral("Reading active output range data..."));
}

void TOutputPanel::cmbOutRangesPropertiesEditValueChanged() {
    if (!EventsOn) return;
    const int row = SelectedOutRow();
    if (row < 0) return;
    Host.Send(Msg::SetTempOut(static_cast<uint8_t>(row)), QStringLiteral("Setting temporary range..."));
}

bool TOutputPanel::OutRangeInvalid() {
    const int row = SelectedOutRow();
    if (row < 0) return false;
    float minimum = 0;
    float maximum = 0;
    try {
        minimum = StrToSingle(edOutMin->PersonText());
        maximum = StrToSingle(edOutMax->PersonText());
    } catch (const EMrtError&) {
        // Not numbers: the request being built reports them.
        return false;
    }
    return !OutLimitsError(row, minimum, maximum).isEmpty();
}

void TOutputPanel::btnSetOutRangeClick() {
    if (Host.WriteOut(cmdSetPermOut)) return;
    const int row = SelectedOutRow();
    if (row < 0) return;
    if (OutRangeInvalid()) {
        // The limits are numbers (OutRangeInvalid said so): the message names the range's.
        Host.Ui()->ErrorDialog(Host.Window(), OutLimitsError(row, StrToSingle(edOutMin->PersonText()),
                                                             StrToSingle(edOutMax->PersonText())));
        return;
    }
    const Msg::TOutSettings settings = OutSettings(row);
    if (!DeadBandAccepted(settings)) return;
    // No busy message: the status line keeps its text until the answer.
    Host.Send(Msg::SetPermOut(settings), QString());
}

bool TOutputPanel::DeadBandAccepted(const Msg::TOutSettings& settings) {
    const QString error = DeadBandError(settings.DeadBand);
    if (!error.isEmpty()) Host.Ui()->ErrorDialog(Host.Window(), error);
    return error.isEmpty();
}

Msg::TOutSettings TOutputPanel::OutSettings(int row) const {
    // The numbers in the order they travel, so that the first text that is not a
    // number is the one reported.
    Msg::TOutSettings s;
    s.Range = static_cast<uint8_t>(row);
    s.Invert = cbInvertOut->isChecked();
    s.OutMin = FieldNumber(edOutMin);
    s.OutMax = FieldNumber(edOutMax);
    s.AlarmLimit = FieldNumber(edAlarmLimit);
    s.DeadBand = FieldNumber(edDeadBand);
    if (cbEnableAlarm->isChecked()) s.AlarmFlags |= Msg::AlarmEnabledBit;
    if (cbLowAlarm->isChecked()) s.AlarmFlags |= Msg::AlarmLowBit;
    return s;
}
