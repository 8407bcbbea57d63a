// What a person's press may write: one write of a panel at a time, and the
// numbers of the edits as the person left them, named by their field when they
// are not numbers.
#include "MainWindow.h"

#include "../link/Commands.h"
#include "../ranges/NumberFormat.h"
#include "../widgets/Controls.h"

bool TfrmMain::*TfrmMain::WriteOutFlag(uint8_t code) {
    switch (code) {
    case cmdSetPermIn:
    case cmdCalZero:
    case cmdCalFull:
        return &TfrmMain::InWriteOut;
    case cmdSetPermOut:
    case cmdWriteOutZero:
    case cmdWriteOutFull:
        return &TfrmMain::OutWriteOut;
    default:
        return nullptr;
    }
}

bool TfrmMain::WriteOut(uint8_t code) const {
    const auto flag = WriteOutFlag(code);
    return flag && this->*flag;
}

float FieldNumber(const TEdit* edit) {
    try {
        const float value = StrToSingle(edit->PersonText());
        return value == 0 ? 0.0f : value; // "-0" is sent as 0
    } catch (const EMrtError& e) {
        throw EMrtError(edit->FieldName + QStringLiteral(": ") + e.Message);
    }
}
