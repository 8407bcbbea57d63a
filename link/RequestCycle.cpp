// The request cycle: sending a request, taking in its response and dispatching it
// by response code, the status line and its reply timer.
//
// Status line states: a busy message (black) while a request is out; after the
// response a green success or red error message; 7 ticks after a success and 36
// after an error "Ready". Silence for 73 ticks after a request shows
// "No response !" when the last message was busy or "Ready", and "Ready" when it
// was a success or an error.
#include "../app/MainWindow.h"

#include "../app/UiServices.h"
#include "../widgets/StatusBar.h"
#include "Codec.h"
#include "ComPort.h"
#include "Commands.h"
#include "DataPacket.h"

#include <QComboBox>
#include <QScopeGuard>
#include <cstring>
#include <utility>

namespace {
constexpr uint16_t ErrorTicks = 36;
constexpr uint16_t SuccessTicks = 7;
constexpr int StatusPanel = 2;
} // namespace

void TfrmMain::PacketSend() {
    PacketAddRaw(ETX);
    if (!ComPort->Connected()) return;
    ComPort->PutBlock(TxBuf, TxLen);
    AwaitedCode = TxCode;
    ToolkitAfterRefusal = false;
    DataPacket->Enable();
    ComPort->SetTimer(ReplyTrigger, ReplyTicks, true);
}

void TfrmMain::DataPacketPacket(const uint8_t* data, int size) {
    if (size < 0 || size > PacketBufSize) {
        // No transmitter of this protocol sends such a body; it never reaches RxRaw.
        DataPacket->Disable();
        ComPort->SetTimer(ReplyTrigger, 0, false);
        ShowStatus(QStringLiteral("Unknown response received."), skError);
        return;
    }
    std::memcpy(RxRaw, data, static_cast<size_t>(size));
    PacketProcess(RxRaw, size);
}

void TfrmMain::PacketProcess(const uint8_t* body, int size) {
    DataPacket->Disable();
    ComPort->SetTimer(ReplyTrigger, 0, false);
    const uint8_t code = PacketDecode(body, size);
    // Whether this is the answer to the tool's own request: a frame the
    // transmitter (or a line that echoes) sends unasked is shown, but never
    // answered with a request of the tool's.
    const bool asked = code == AwaitedCode;
    AwaitedCode = 0;
    // The answer to a toolkit version sent after a refused programming, whatever
    // the line delivered as that answer, leaves the refusal on the line: while it
    // is presented ShowStatus keeps the refusal.
    const bool afterRefusal = std::exchange(ToolkitAfterRefusal, false);
    HoldingRefusal = afterRefusal;
    const auto endOfAnswer = qScopeGuard([this] { HoldingRefusal = false; });
    switch (code) {
    case cmdCalZero:
    case cmdCalFull:
    case cmdReadActiveIn:
    case cmdClearInCal:
    case cmdSetTempIn:
        ShowInActive();
        break;
    case cmdReadPermIn:
        if (cmbInpRanges->isEnabled())
            ShowInPerm();
        else
            ShowInFull();
        break;
    case cmdSetPermIn:
        ShowInFull();
        // The transmitter takes the toolkit version once per programming, also
        // after a refused one.
        if (asked) SendToolkitVersion();
        break;
    case cmdSetDac:
        ShowStatus(QStringLiteral("Success."), skSuccess);
        break;
    case cmdWriteOutZero:
    case cmdWriteOutFull:
    case cmdReadActiveOut:
    case cmdClearOutCal:
    case cmdSetTempOut:
    case cmdSetPermOut:
        ShowOutActive();
        break;
    case cmdReadPermOut:
        if (cmbOutRanges->isEnabled())
            ShowOutPerm();
        else
            ShowOutFull();
        break;
    case cmdSetMode:
    case cmdQueryMode:
        ShowMode();
        // The mode answer shows no message of its own.
        KeepStatusMessage();
        break;
    case cmdReadVersion:
        ShowVersion();
        break;
    case cmdSetToolkitVer:
        if (!afterRefusal) ShowOpResult();
        break;
    default:
        ShowStatus(QStringLiteral("Unknown response received."), skError);
        break;
    }
    if (afterRefusal) KeepStatusMessage();
    // A frame in place of the awaited answer that shows no message of its own
    // leaves the request's busy message, which then ends as an unanswered
    // request's does.
    if (!asked && sbMain->Tag == skBusy) ComPort->SetTimer(ReplyTrigger, ReplyTicks, true);
}

void TfrmMain::KeepStatusMessage() {
    // A success or error message still on the line (also "No response !" before a
    // late answer) goes on to "Ready" as it would have without the last request.
    if (sbMain->Tag == skSuccess)
        ComPort->SetTimer(ReplyTrigger, SuccessTicks, true);
    else if (sbMain->Tag == skError)
        ComPort->SetTimer(ReplyTrigger, ErrorTicks, true);
}

void TfrmMain::ShowStatus(const QString& message, TStatusKind kind) {
    if (HoldingRefusal && (kind == skSuccess || kind == skError)) return;
    if (!ComPort->Connected()) {
        sbMain->SetPanelColor(StatusPanel, QColor(255, 0, 0));
        sbMain->SetPanelText(StatusPanel, QStringLiteral("No COM port !"));
        return;
    }
    sbMain->SetPanelText(StatusPanel, message);
    switch (kind) {
    case skBusy:
        sbMain->SetPanelColor(StatusPanel, QColor(0, 0, 0));
        break;
    case skError:
        Ui()->Beep();
        sbMain->SetPanelColor(StatusPanel, QColor(255, 0, 0));
        ComPort->SetTimer(ReplyTrigger, ErrorTicks, true);
        break;
    case skSuccess:
        sbMain->SetPanelColor(StatusPanel, QColor(0, 128, 0));
        ComPort->SetTimer(ReplyTrigger, SuccessTicks, true);
        break;
    case skReady:
        sbMain->SetPanelColor(StatusPanel, QColor(0, 0, 0));
        break;
    }
    sbMain->Tag = kind;
}

void TfrmMain::ComPortTriggerTimer(uint16_t handle) {
    if (handle != ReplyTrigger) return;
    // The line moves on; a late answer no longer restores a refusal.
    ToolkitAfterRefusal = false;
    if (sbMain->Tag == skError || sbMain->Tag == skSuccess)
        ShowStatus(QStringLiteral("Ready"), skReady);
    else
        ShowStatus(QStringLiteral("No response !"), skError);
}
