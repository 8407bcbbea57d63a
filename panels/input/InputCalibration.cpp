// Input calibration at zero and full scale, for the range code of the combo boxes.
// The technician applies the signal with a precision calibrator and presses the
// button at the right end of edInpZero or edInpFull; the transmitter answers with
// an input report (codes 1 and 2, presented by ShowInActive). Both edits are
// enabled only in full mode.
#include "../../app/MainWindow.h"
#include "../../link/Codec.h"
#include "../../link/Messages.h"
#include "../../ranges/NumberFormat.h"
#include "../../widgets/Controls.h"

void TfrmMain::edInpZeroPropertiesButtonClick() {
    // The zero point needs no value: the text of edInpZero is only shown.
    ShowStatus(QStringLiteral("Calibrating zero scale..."), skBusy);
    PacketPut(Msg::CalZero(uint8_t(SelectedInputCode())));
    PacketSend();
}

void TfrmMain::edInpFullPropertiesButtonClick() {
    // The request is built before the busy message: a text that is not a number
    // ends the handler with the line as it was.
    PacketPut(Msg::CalFull(uint8_t(SelectedInputCode()), StrToSingle(edInpFull->text())));
    ShowStatus(QStringLiteral("Calibrating full scale..."), skBusy);
    PacketSend();
}
