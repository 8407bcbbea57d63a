// Reading, selecting and programming the output range with its limits, inversion
// and alarm settings. Every request here is answered with an output report.
#include "../../app/MainWindow.h"
#include "../../app/UiServices.h"
#include "../../link/Codec.h"
#include "../../link/Messages.h"
#include "../../ranges/InRanges.h"
#include "../../ranges/NumberFormat.h"
#include "../../ranges/OutRanges.h"
#include "../../widgets/Controls.h"
#include "../../widgets/ToggleSwitch.h"
#include "../general/GeneralPanel.h"
#include "OutputPanel.h"
#include "OutputShared.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>

void TfrmMain::FillOutRanges() {
    // The selections made here must not reach the transmitter.
    OutEventsOn = false;
    Out->cmbOutRanges->clear();
    for (int i = 0; i < OutRangeCount; ++i) {
        Out->cmbOutRanges->addItem(OutRanges[i].Name);
        Out->cmbOutRanges->setItemData(i, int(Qt::AlignCenter), Qt::TextAlignmentRole);
    }
    Out->cmbOutRanges->setCurrentIndex(0);
    OutEventsOn = true;
}

void TfrmMain::ShowOutRangeUnits(int rangeIndex) {
    if (rangeIndex < 0 || rangeIndex >= OutRangeCount) return;
    const ORange& row = OutRanges[rangeIndex];
    Out->lblOutMinUnit->setText(row.Unit);
    Out->lblOutMaxUnit->setText(row.Unit);
    // The jumper links pins 1 and 2 for current, pins 2 and 3 for voltage; the
    // screen reader hears where it sits.
    const bool current = row.Unit == QLatin1String("mA");
    General->OutJumper->move(current ? 461 : 494, General->OutJumper->y());
    General->OutJumper->setAccessibleName(current ? QStringLiteral("JP6 set for current (mA)")
                                                  : QStringLiteral("JP6 set for voltage (V)"));
}

void TfrmMain::btnGetOutRangeClick() {
    Send(Msg::ReadPermOut(), QStringLiteral("Reading programmed output range data..."));
}

void TfrmMain::btnGetTempOutRangeClick() {
    const int row = SelectedOutRow(Out->cmbOutRanges);
    if (row < 0) return;
    Send(Msg::ReadActiveOut(static_cast<uint8_t>(row)),
         QStringLiteral("Reading active output range data..."));
}

void TfrmMain::cmbOutRangesPropertiesEditValueChanged() {
    if (!OutEventsOn) return;
    const int row = SelectedOutRow(Out->cmbOutRanges);
    if (row < 0) return;
    Send(Msg::SetTempOut(static_cast<uint8_t>(row)), QStringLiteral("Setting temporary range..."));
}

bool TfrmMain::OutRangeInvalid() {
    const int row = SelectedOutRow(Out->cmbOutRanges);
    if (row < 0) return false;
    float minimum = 0;
    float maximum = 0;
    try {
        minimum = StrToSingle(Out->edOutMin->PersonText());
        maximum = StrToSingle(Out->edOutMax->PersonText());
    } catch (const EMrtError&) {
        // Not numbers: the request being built reports them.
        return false;
    }
    return !OutLimitsError(row, minimum, maximum).isEmpty();
}

void TfrmMain::btnSetOutRangeClick() {
    if (OutWriteOut) return;
    const int row = SelectedOutRow(Out->cmbOutRanges);
    if (row < 0) return;
    if (OutRangeInvalid()) {
        // The limits are numbers (OutRangeInvalid said so): the message names the range's.
        Ui()->ErrorDialog(this, OutLimitsError(row, StrToSingle(Out->edOutMin->PersonText()),
                                               StrToSingle(Out->edOutMax->PersonText())));
        return;
    }
    const Msg::TOutSettings settings = OutSettings(row);
    if (!DeadBandAccepted(settings)) return;
    // No busy message: the status line keeps its text until the answer.
    PacketPut(Msg::SetPermOut(settings));
    PacketSend();
}

bool TfrmMain::DeadBandAccepted(const Msg::TOutSettings& settings) {
    const QString error = DeadBandError(settings.DeadBand);
    if (!error.isEmpty()) Ui()->ErrorDialog(this, error);
    return error.isEmpty();
}

Msg::TOutSettings TfrmMain::OutSettings(int row) const {
    // The numbers in the order they travel, so that the first text that is not a
    // number is the one reported.
    Msg::TOutSettings s;
    s.Range = static_cast<uint8_t>(row);
    s.Invert = Out->cbInvertOut->isChecked();
    s.OutMin = FieldNumber(Out->edOutMin);
    s.OutMax = FieldNumber(Out->edOutMax);
    s.AlarmLimit = FieldNumber(Out->edAlarmLimit);
    s.DeadBand = FieldNumber(Out->edDeadBand);
    if (Out->cbEnableAlarm->isChecked()) s.AlarmFlags |= Msg::AlarmEnabledBit;
    if (Out->cbLowAlarm->isChecked()) s.AlarmFlags |= Msg::AlarmLowBit;
    return s;
}
