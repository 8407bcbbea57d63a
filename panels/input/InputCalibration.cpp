// Input calibration at zero and full scale, for the range code of the combo boxes.
// The technician applies the signal with a precision calibrator and presses the
// button at the right end of edInpZero or edInpFull; the transmitter answers with
// an input report (codes 1 and 2, presented by ShowInActive). Both edits are
// enabled only in full mode.
#include "../../app/PanelHost.h"
#include "../../app/UiServices.h"
#include "../../link/Codec.h"
#include "../../link/Commands.h"
#include "../../link/Messages.h"
#include "../../ranges/InRanges.h"
#include "../../ranges/NumberFormat.h"
#include "../../widgets/Controls.h"
#include "../general/GeneralPanel.h"
#include "InputPanel.h"

void TInputPanel::edInpZeroPropertiesButtonClick() {
    if (Host.WriteOut(cmdCalZero)) return;
    // The zero point needs no value: the text of edInpZero is only shown. An edit
    // the person emptied is refused all the same, as every emptied number is.
    if (edInpZero->PersonText().isEmpty()) FieldNumber(edInpZero);
    if (!General.WriteInRunAccepted(QStringLiteral("Calibrate input zero"))) return;
    Host.Send(Msg::CalZero(uint8_t(SelectedInputCode())), QStringLiteral("Calibrating zero scale..."));
}

void TInputPanel::edInpFullPropertiesButtonClick() {
    if (Host.WriteOut(cmdCalFull)) return;
    // The request is built before the busy message: a text that is not a number
    // ends the handler with the line as it was.
    const int code = SelectedInputCode();
    const float value = FieldNumber(edInpFull);
    int wiring = 0;
    const int rangeIndex = CodeToRange(unsigned(code), wiring);
    // A value the range cannot measure would spoil its calibration for good.
    if (const QString error = CalFullError(rangeIndex, value); !error.isEmpty()) {
        Host.Ui()->ErrorDialog(Host.Window(), error);
        return;
    }
    if (const QString question = CalFullQuestion(rangeIndex, value);
        !question.isEmpty() && !Host.Ui()->Confirm(Host.Window(), question))
        return;
    if (!General.WriteInRunAccepted(QStringLiteral("Calibrate input full scale"))) return;
    Host.Send(Msg::CalFull(uint8_t(code), value), QStringLiteral("Calibrating full scale..."));
}
