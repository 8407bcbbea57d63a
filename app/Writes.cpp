// What a person's press may write: one write of a panel at a time, the question
// before a store that RUN mode makes meaningless, and the numbers of the edits
// as the person left them, named by their field when they are not numbers.
#include "MainWindow.h"

#include "../link/Commands.h"
#include "../ranges/NumberFormat.h"
#include "../widgets/Controls.h"
#include "UiServices.h"

bool* TfrmMain::WriteOutFlag(uint8_t code) {
    switch (code) {
    case cmdSetPermIn:
    case cmdCalZero:
    case cmdCalFull:
        return &InWriteOut;
    case cmdSetPermOut:
    case cmdWriteOutZero:
    case cmdWriteOutFull:
        return &OutWriteOut;
    default:
        return nullptr;
    }
}

bool TfrmMain::WriteInRunAccepted(const QString& what) {
    if (ReportedMode != 0) return true;
    return Ui()->Confirm(this, QStringLiteral("The transmitter is in RUN mode: its output follows the input, "
                                              "and calibration is done in CAL mode. Switch to CAL mode "
                                              "first.\r\n\r\n%1 in RUN mode all the same?")
                                   .arg(what));
}

float TfrmMain::FieldNumber(const TEdit* edit) {
    try {
        const float value = StrToSingle(edit->PersonText());
        return value == 0 ? 0.0f : value; // "-0" is sent as 0
    } catch (const EMrtError& e) {
        throw EMrtError(edit->FieldName + QStringLiteral(": ") + e.Message);
    }
}
