// The window's status line and dispatch, its side of the request cycle (the
// cycle itself is link/Cycle.*): the status line with its timer, the verdict of
// each request, and the dispatch of answers by response code.
//
// Status line: a busy message (black) while a request is out; after its answer a
// green success or red error message; 7 ticks after a success and 36 after an
// error "Ready". A request with no answer within 73 ticks shows "No response !",
// whatever the line showed. A refusal, once shown, stays until it turns to
// "Ready", whatever comes meanwhile, until a new request's busy message. A frame
// that answers no request of the window's (a late answer included) is
// presented, but writes no status and sends nothing. The cycle's verdict is the
// only judge of an answer: a refused or broken one is never presented.
#include "MainWindow.h"

#include "../link/Codec.h"
#include "../link/ComPort.h"
#include "../link/Commands.h"
#include "../link/Cycle.h"
#include "../panels/general/GeneralPanel.h"
#include "../panels/input/InputPanel.h"
#include "../panels/output/OutputPanel.h"
#include "../ranges/ReportTexts.h"
#include "../widgets/Controls.h"
#include "../widgets/StatusBar.h"
#include "../widgets/ToggleSwitch.h"
#include "UiServices.h"
#include "WindowShell.h"

#include <QComboBox>
#include <QScopeGuard>
#include <utility>

namespace {
constexpr uint16_t ErrorTicks = 36;
constexpr uint16_t SuccessTicks = 7;
constexpr int StatusPanel = 2;

// The line's red and green: shades of those hues dark enough that the text, as
// the screen shows it, stands out from the status bar's ground by 4.5:1. The
// strokes of the 8-point font are about a pixel wide and smoothed into the
// ground, so the colour itself is taken at 5:1 (FullInkRatio).
QColor StatusInk(const TStatusBar* bar, const QColor& hue) {
    return ShadeWithContrast(hue, bar->palette().color(QPalette::Window), FullInkRatio);
}
} // namespace

void TfrmMain::PacketSend() {
    PacketAddRaw(ETX);
    if (!ComPort->Connected() || PresentingUnasked) return;
    if (const auto writeOut = WriteOutFlag(uint8_t(TxBody.at(0)))) this->*writeOut = true;
    InPacketSend = true;
    Cycle->Send(TxBody, [this](const TReply& reply) { RequestEnded(reply); });
    InPacketSend = false;
    // The port did not take the request: it has ended already, and the box says why.
    if (!NotSent.isNull()) throw EMrtError(std::exchange(NotSent, QString()));
}

void TfrmMain::Send(const QByteArray& body, const QString& busy) {
    PacketPut(body);
    if (!busy.isNull()) ShowStatus(busy, skBusy);
    PacketSend();
}

void TfrmMain::RequestEnded(const TReply& reply) {
    if (const auto writeOut = WriteOutFlag(reply.Code)) this->*writeOut = false; // its panel may write again
    if (reply.Code == cmdSetMode && reply.Verdict != TVerdict::Answered) General->ShowReportedMode();
    switch (reply.Verdict) {
    case TVerdict::Answered:
        GuardedLater([this, &reply] { PacketProcess(reply.Body, true); });
        break;
    case TVerdict::Refused:
        ShowStatus(ReportText::OperationFailed(), skError);
        RefusalOnLine = true;
        // The transmitter takes the toolkit version once per programming of the
        // tool's, also after a refused one.
        if (reply.Code == cmdSetPermIn) GuardedLater([this] { General->SendToolkitVersion(); });
        break;
    case TVerdict::Broken:
        ShowStatus(ReportText::UnknownResponse(), skError);
        break;
    case TVerdict::NoAnswer:
        ShowStatus(QStringLiteral("No response !"), skError);
        break;
    case TVerdict::CannotSend:
        ShowStatus(QStringLiteral("Not sent !"), skError);
        // Inside PacketSend the sender's handler ends in the box; a request whose
        // bytes never left by its reply time gets it once the tick has returned.
        if (InPacketSend)
            NotSent = reply.Error;
        else
            ShowGeneralErrorLater(reply.Error);
        break;
    case TVerdict::PortFailed: // ComPortFailed reports it
        break;
    }
}

void TfrmMain::DataPacketPacket(const uint8_t* data, int size) {
    Cycle->Packet(data, size);
}

void TfrmMain::PacketProcess(const QByteArray& body, bool asked) {
    RxSet(body);
    const uint8_t code = RxLen > 0 ? RxBuf[0] : 0;
    PresentingUnasked = !asked;
    const auto endOfAnswer = qScopeGuard([this] { PresentingUnasked = false; });
    switch (code) {
    case cmdCalZero:
    case cmdCalFull:
    case cmdReadActiveIn:
    case cmdClearInCal:
    case cmdSetTempIn:
        In->ShowInActive();
        break;
    case cmdReadPermIn:
        if (In->cmbInpRanges->isEnabled())
            In->ShowInPerm();
        else
            In->ShowInFull();
        break;
    case cmdSetPermIn:
        In->ShowInFull();
        if (asked) General->SendToolkitVersion();
        break;
    case cmdSetDac:
        ShowStatus(ReportText::Success(), skSuccess);
        break;
    case cmdWriteOutZero:
    case cmdWriteOutFull:
    case cmdReadActiveOut:
    case cmdClearOutCal:
    case cmdSetTempOut:
    case cmdSetPermOut:
        Out->ShowOutActive();
        break;
    case cmdReadPermOut:
        if (Out->cmbOutRanges->isEnabled())
            Out->ShowOutPerm();
        else
            Out->ShowOutFull();
        break;
    case cmdSetMode:
    case cmdQueryMode:
        General->ShowMode(); // no message of its own
        break;
    case cmdReadVersion:
        ShowVersion();
        break;
    case cmdSetToolkitVer:
        General->ShowOpResult();
        break;
    default:
        ShowStatus(ReportText::UnknownResponse(), skError);
        break;
    }
}

void TfrmMain::ShowStatus(const QString& message, TStatusKind kind) {
    if (PresentingUnasked) return;
    if (!ComPort->Connected()) {
        RefusalOnLine = false;
        Shell->sbMain->SetPanelColor(StatusPanel, StatusInk(Shell->sbMain, Qt::red));
        Shell->sbMain->SetPanelText(StatusPanel, QStringLiteral("No COM port !"));
        return;
    }
    // A refusal on the line is covered by no other message until "Ready".
    if (RefusalOnLine && (kind == skSuccess || kind == skError)) return;
    Shell->sbMain->SetPanelText(StatusPanel, message);
    switch (kind) {
    case skBusy:
        RefusalOnLine = false;
        Shell->sbMain->SetPanelColor(StatusPanel, QColor(0, 0, 0));
        ComPort->SetTimer(ReplyTrigger, 0, false);
        break;
    case skError:
        Ui()->Beep();
        Shell->sbMain->SetPanelColor(StatusPanel, StatusInk(Shell->sbMain, Qt::red));
        ComPort->SetTimer(ReplyTrigger, ErrorTicks, true);
        break;
    case skSuccess:
        Shell->sbMain->SetPanelColor(StatusPanel, StatusInk(Shell->sbMain, QColor(0, 128, 0)));
        ComPort->SetTimer(ReplyTrigger, SuccessTicks, true);
        break;
    case skReady:
        RefusalOnLine = false;
        Shell->sbMain->SetPanelColor(StatusPanel, QColor(0, 0, 0));
        break;
    }
    Kind = kind;
}

void TfrmMain::ComPortTriggerTimer(uint16_t handle) {
    // The status line's own timer: a success or an error runs its course. An
    // unanswered request is the cycle's verdict, not this timer's.
    if (handle != ReplyTrigger) return;
    if (Kind == skError || Kind == skSuccess) ShowStatus(QStringLiteral("Ready"), skReady);
}
