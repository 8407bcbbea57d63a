// Trimming the output DAC codes: the spin edits drive the DAC live with the code
// being typed or stepped (only a real change of the code sends), the "S" buttons store the code found
// together with the range's other settings.
#include "../../app/PanelHost.h"
#include "../../link/Codec.h"
#include "../../link/Commands.h"
#include "../../link/Messages.h"
#include "../../widgets/PageSpinBox.h"
#include "../general/GeneralPanel.h"
#include "OutputPanel.h"

namespace {
// The code a spin edit stands for: an empty text is 0, and the spin edit keeps
// it within 0 to 65535.
uint16_t DacCode(const TPageSpinBox* spin) {
    return static_cast<uint16_t>(spin->TextValue());
}
} // namespace

void TOutputPanel::SendDac(const TPageSpinBox* spin) {
    // A report setting the spin edits never drives the DAC.
    if (!EventsOn) return;
    const int row = SelectedOutRow();
    if (row < 0) return;
    // No busy message: the answer's "Success." is the only one.
    Host.Send(Msg::SetDac(static_cast<uint8_t>(row), DacCode(spin)), QString());
}

void TOutputPanel::seOutZeroKeyPress(QChar& key) {
    // DAC codes are never negative.
    if (key == QLatin1Char('-')) key = QChar();
}

void TOutputPanel::edOutZeroPropertiesChange() {
    SendDac(seOutZero);
}

void TOutputPanel::edOutFullPropertiesChange() {
    SendDac(seOutFull);
}

void TOutputPanel::seOutZeroExit() {
    seOutZero->ShowZeroForEmpty();
}

void TOutputPanel::seOutFullExit() {
    seOutFull->ShowZeroForEmpty();
}

// The S buttons judge the spin edit as the person left it: a click that takes the
// focus from an emptied edit comes after the exit has put 0 into it.
void TOutputPanel::btnOutZeroClick() {
    if (Host.WriteOut(cmdWriteOutZero) || seOutZero->LeftEmpty()) return;
    const int row = SelectedOutRow();
    if (row < 0) return;
    // Built before the busy message: a limit that is not a number ends the
    // handler with the line as it was.
    const Msg::TOutSettings settings = OutSettings(row);
    if (!DeadBandAccepted(settings) ||
        !General.WriteInRunAccepted(QStringLiteral("Store the output zero DAC code")))
        return;
    Host.Send(Msg::WriteOutZero(DacCode(seOutZero), settings),
              QStringLiteral("Writing output low scale data..."));
}

void TOutputPanel::btnOutFullClick() {
    if (Host.WriteOut(cmdWriteOutFull) || seOutFull->LeftEmpty()) return;
    const int row = SelectedOutRow();
    if (row < 0) return;
    const Msg::TOutSettings settings = OutSettings(row);
    if (!DeadBandAccepted(settings) ||
        !General.WriteInRunAccepted(QStringLiteral("Store the output full scale DAC code")))
        return;
    Host.Send(Msg::WriteOutFull(DacCode(seOutFull), settings),
              QStringLiteral("Writing output full scale data..."));
}
