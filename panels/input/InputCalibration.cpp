// Input calibration at zero and full scale, for the range code of the combo boxes.
// The technician applies the signal with a precision calibrator and presses the
// button at the right end of In->edInpZero or In->edInpFull; the transmitter answers with
// an input report (codes 1 and 2, presented by ShowInActive). Both edits are
// enabled only in full mode.
#include "../../app/MainWindow.h"
#include "../../app/UiServices.h"
#include "../../link/Codec.h"
#include "../../link/Messages.h"
#include "../../ranges/InRanges.h"
#include "../../ranges/NumberFormat.h"
#include "../../widgets/Controls.h"
#include "InputPanel.h"

void TfrmMain::edInpZeroPropertiesButtonClick() {
    if (InWriteOut) return;
    // The zero point needs no value: the text of In->edInpZero is only shown. An edit
    // the person emptied is refused all the same, as every emptied number is.
    if (In->edInpZero->PersonText().isEmpty()) FieldNumber(In->edInpZero);
    if (!WriteInRunAccepted(QStringLiteral("Calibrate input zero"))) return;
    Send(Msg::CalZero(uint8_t(SelectedInputCode())), QStringLiteral("Calibrating zero scale..."));
}

void TfrmMain::edInpFullPropertiesButtonClick() {
    if (InWriteOut) return;
    // The request is built before the busy message: a text that is not a number
    // ends the handler with the line as it was.
    const int code = SelectedInputCode();
    const float value = FieldNumber(In->edInpFull);
    int wiring = 0;
    const int rangeIndex = CodeToRange(unsigned(code), wiring);
    // A value the range cannot measure would spoil its calibration for good.
    if (const QString error = CalFullError(rangeIndex, value); !error.isEmpty()) {
        Ui()->ErrorDialog(this, error);
        return;
    }
    if (const QString question = CalFullQuestion(rangeIndex, value);
        !question.isEmpty() && !Ui()->Confirm(this, question))
        return;
    if (!WriteInRunAccepted(QStringLiteral("Calibrate input full scale"))) return;
    Send(Msg::CalFull(uint8_t(code), value), QStringLiteral("Calibrating full scale..."));
}
