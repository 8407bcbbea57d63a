// The transmitter's RUN/CAL mode behind calSwitch, the program's full mode behind
// the key chord Ctrl+Shift+Alt+F6, and the toolkit version the tool reports after
// a permanent input range has been programmed.
#include "../../app/PanelHost.h"
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

void TGeneralPanel::calSwitchClick() {
    // No status message: the line keeps what it shows.
    Host.Send(Msg::SetMode(ModeByte(calSwitch)), QString());
}

void TGeneralPanel::QueryMode() {
    Host.Send(Msg::QueryMode(ModeByte(calSwitch)), QString());
}

void TGeneralPanel::ShowMode() {
    // Any mode other than 0 is CAL. The answer carries no status byte.
    ReportedMode = Msg::DecodeMode(RxBody());
    calSwitch->SetOn(ReportedMode != 0);
    calSwitch->show();
}

void TGeneralPanel::ShowReportedMode() {
    calSwitch->SetOn(ReportedMode != 0);
}

bool TGeneralPanel::WriteInRunAccepted(const QString& what) {
    if (ReportedMode != 0) return true;
    return Host.Ui()->Confirm(Host.Window(),
                              QStringLiteral("The transmitter is in RUN mode: its output follows the input, "
                                             "and calibration is done in CAL mode. Switch to CAL mode "
                                             "first.\r\n\r\n%1 in RUN mode all the same?")
                                  .arg(what));
}

bool TGeneralPanel::btnGetPermInpRangeKeyDown(int key, Qt::KeyboardModifiers modifiers,
                                              Qt::MouseButtons buttons) {
    if (key != Qt::Key_F6 || modifiers != FullModeChord || buttons != Qt::NoButton || Host.FullMode())
        return false;
    Host.Ui()->Beep();
    if (!Host.Ui()->Confirm(Host.Window(), QStringLiteral("Do you want to switch to full mode.")))
        return false;
    Host.EnterFullMode();
    return true;
}

void TGeneralPanel::SendToolkitVersion() {
    // After a refused programming the red error stays on the line.
    Host.Send(Msg::SetToolkitVer(ToolkitVersion),
              Host.RefusalHeld() ? QString() : QStringLiteral("Setting Toolkit version..."));
}

void TGeneralPanel::ShowOpResult() {
    // A refusal is the request cycle's verdict and never reaches here.
    Host.ShowStatus(ReportText::Success(), skSuccess);
}
