// The transmitter's RUN/CAL mode behind General->calSwitch, the program's full mode behind
// the key chord Ctrl+Shift+Alt+F6, and the toolkit version the tool reports after
// a permanent input range has been programmed.
#include "../../app/MainWindow.h"
#include "../../app/UiServices.h"
#include "../../link/Codec.h"
#include "../../link/Commands.h"
#include "../../link/Messages.h"
#include "../../ranges/ReportTexts.h"
#include "../../widgets/StatusBar.h"
#include "../../widgets/ToggleSwitch.h"
#include "GeneralPanel.h"

namespace {
constexpr Qt::KeyboardModifiers FullModeChord = Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier;

uint8_t ModeByte(const TToggleSwitch* toggle) {
    return toggle->On() ? 1 : 0;
}
} // namespace

void TfrmMain::calSwitchClick() {
    // No status message: the line keeps what it shows.
    PacketPut(Msg::SetMode(ModeByte(General->calSwitch)));
    PacketSend();
}

void TfrmMain::QueryMode() {
    PacketPut(Msg::QueryMode(ModeByte(General->calSwitch)));
    PacketSend();
}

void TfrmMain::ShowMode() {
    // Any mode other than 0 is CAL. The answer carries no status byte.
    ReportedMode = Msg::DecodeMode(RxBody());
    General->calSwitch->SetOn(ReportedMode != 0);
    General->calSwitch->show();
}

bool TfrmMain::btnGetPermInpRangeKeyDown(int key, Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons) {
    if (key != Qt::Key_F6 || modifiers != FullModeChord || buttons != Qt::NoButton || FullMode) return false;
    Ui()->Beep();
    if (!Ui()->Confirm(this, QStringLiteral("Do you want to switch to full mode."))) return false;
    EnterFullMode();
    return true;
}

void TfrmMain::EnterFullMode() {
    // The calibration controls follow with the next presentation of a programmed
    // range, which asks for FullMode.
    FullMode = true;
    setWindowTitle(windowTitle() + QStringLiteral(" (full)"));
}

void TfrmMain::SendToolkitVersion() {
    // After a refused programming the red error stays on the line.
    Send(Msg::SetToolkitVer(ToolkitVersion),
         RefusalHeld ? QString() : QStringLiteral("Setting Toolkit version..."));
}

void TfrmMain::ShowOpResult() {
    // A refusal is the request cycle's verdict and never reaches here.
    ShowStatus(ReportText::Success(), skSuccess);
}
