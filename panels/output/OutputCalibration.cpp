// Trimming the output DAC codes: the spin edits drive the DAC live with the code
// being typed or stepped (only a real change of the code sends), the "S" buttons store the code found
// together with the range's other settings.
#include "../../app/MainWindow.h"
#include "../../link/Codec.h"
#include "../../link/Commands.h"
#include "../../link/Messages.h"
#include "../../widgets/PageSpinBox.h"
#include "OutputPanel.h"
#include "OutputShared.h"

#include <QComboBox>

namespace {
// The code a spin edit stands for: an empty text is 0, and the spin edit keeps
// it within 0 to 65535.
uint16_t DacCode(const TPageSpinBox* spin) {
    return static_cast<uint16_t>(spin->TextValue());
}

void SendDac(QComboBox* ranges, const TPageSpinBox* spin, TfrmMain* window) {
    // A report setting the spin edits never drives the DAC.
    if (!window->OutEventsOn) return;
    const int row = SelectedOutRow(ranges);
    if (row < 0) return;
    // No busy message: the answer's "Success." is the only one.
    PacketPut(Msg::SetDac(static_cast<uint8_t>(row), DacCode(spin)));
    window->PacketSend();
}
} // namespace

void TfrmMain::seOutZeroKeyPress(QChar& key) {
    // DAC codes are never negative.
    if (key == QLatin1Char('-')) key = QChar();
}

void TfrmMain::edOutZeroPropertiesChange() {
    SendDac(Out->cmbOutRanges, Out->seOutZero, this);
}

void TfrmMain::edOutFullPropertiesChange() {
    SendDac(Out->cmbOutRanges, Out->seOutFull, this);
}

void TfrmMain::seOutZeroExit() {
    Out->seOutZero->ShowZeroForEmpty();
}

void TfrmMain::seOutFullExit() {
    Out->seOutFull->ShowZeroForEmpty();
}

// The S buttons judge the spin edit as the person left it: a click that takes the
// focus from an emptied edit comes after the exit has put 0 into it.
void TfrmMain::btnOutZeroClick() {
    if (OutWriteOut || Out->seOutZero->LeftEmpty()) return;
    const int row = SelectedOutRow(Out->cmbOutRanges);
    if (row < 0) return;
    // Built before the busy message: a limit that is not a number ends the
    // handler with the line as it was.
    const Msg::TOutSettings settings = OutSettings(row);
    if (!DeadBandAccepted(settings) || !WriteInRunAccepted(QStringLiteral("Store the output zero DAC code")))
        return;
    Send(Msg::WriteOutZero(DacCode(Out->seOutZero), settings),
         QStringLiteral("Writing output low scale data..."));
}

void TfrmMain::btnOutFullClick() {
    if (OutWriteOut || Out->seOutFull->LeftEmpty()) return;
    const int row = SelectedOutRow(Out->cmbOutRanges);
    if (row < 0) return;
    const Msg::TOutSettings settings = OutSettings(row);
    if (!DeadBandAccepted(settings) ||
        !WriteInRunAccepted(QStringLiteral("Store the output full scale DAC code")))
        return;
    Send(Msg::WriteOutFull(DacCode(Out->seOutFull), settings),
         QStringLiteral("Writing output full scale data..."));
}
