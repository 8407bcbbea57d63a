// Fuzz target for the device link and every presentation of the main window.
//
// One real TfrmMain lives for the whole run: offscreen, on the manual clock, over
// the in-memory transport, with every dialog answered silently. Each input drives
// it like a serial line that delivers anything at all:
//
//   input  := flags record*
//   flags  := bit 0 full mode, bit 1 input panel back to its start state,
//             bit 2 output panel back to its start state, bit 3 paint the window
//             at the end
//   record := sel adv len chunk[len]          (Steps.h; the first 24 records run)
//   sel    := < 0x80: one of the window's own actions (a handler, or a step of a
//             combo box), run only while its control is enabled, as a user could,
//             or a thing that happens to the line (Selectors.h); >= 0x80: a bare
//             request with the code sel & 0x7F
//   adv    := the clock moves on adv * 20 ms after the chunk (up to 5.1 s, past
//             the collector's and the reply timer's time-outs)
//
// The chunk arrives as received bytes right after the request went out, so the
// collector is enabled and the frame reaches the decoder, the dispatch and the
// presentation named by its response code. Two actions make the port fail, as a
// pulled adapter (resource error) or a closed pseudo-terminal (hang-up) does; one
// delivers the last record's bytes again, as a line that repeats a frame.
//
// After every input the tool must have kept its word, or the target aborts:
//   - a refusal (status 0) on the line is never replaced by a success message
//     without a new action of the person's (a bare request is none);
//   - nothing goes out that nobody asked for: between the person's actions the
//     tool writes only the toolkit version, at most once per cmdSetPermIn of its
//     own;
//   - once the clock has run on by 73 + 36 ticks (and more), the line reads
//     "Ready" or "No COM port !";
//   - a late answer ends no request: after a request of a code ends unanswered,
//     the first frame of that code within twice the reply time gives no verdict;
//   - nothing reaches the unit after its verdict: when a stalled line takes
//     again, it sends only frames of requests still out;
//   - a frame that answers no request is presented, but writes no status line
//     and sends nothing;
//   - against the simulated transmitter, on the port opened again where it
//     failed, a read of the programmed input range succeeds.
#include "../../app/WindowShell.h"
#include "../../link/Codec.h"
#include "../../link/ComPort.h"
#include "../../link/Commands.h"
#include "../../link/Cycle.h"
#include "../../link/DataPacket.h"
#include "../../panels/general/CalLists.h"
#include "../../panels/general/GeneralPanel.h"
#include "../../panels/input/InputPanel.h"
#include "../../panels/output/OutputPanel.h"
#include "../../widgets/Controls.h"
#include "../../widgets/PageSpinBox.h"
#include "../../widgets/StatusBar.h"
#include "../../widgets/ToggleSwitch.h"
#include "Selectors.h"
#include "Steps.h"
#include "WindowHarness.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QWidget>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

QApplication* App = nullptr;
// The clock's step while the input runs, as the real clock beats.
constexpr qint64 StepMs = 50;
TWindowHarness* Harness = nullptr;
const QString RefusalText = QStringLiteral("Error occured while performing the operation !");
// A refusal is on the line and no action of the person's has come since.
bool RefusalShown = false;

[[noreturn]] void Broken(const QString& what) {
    std::fprintf(stderr, "fuzz_link: %s\n", qPrintable(what));
    std::abort();
}

// An unasked frame is being presented.
bool PresentingUnasked = false;

void WatchStatusLine(int panel, const QString& text) {
    if (panel != 2) return;
    if (PresentingUnasked) Broken(QStringLiteral("a frame that answers nothing wrote \"%1\"").arg(text));
    if (text == RefusalText) RefusalShown = true;
    if (text == QLatin1String("Ready") || text == QLatin1String("No COM port !")) RefusalShown = false;
    if (RefusalShown && text.startsWith(QLatin1String("Success")))
        Broken(QStringLiteral("a refusal turned into \"%1\"").arg(text));
}

bool Usable(QObject* control) {
    if (!control) return true;
    if (auto* widget = qobject_cast<QWidget*>(control)) return widget->isEnabled();
    if (auto* action = qobject_cast<QAction*>(control)) return action->isEnabled();
    return true;
}

void StepCombo(QComboBox* combo) {
    if (!combo || !combo->isEnabled() || combo->count() == 0) return;
    combo->setCurrentIndex((combo->currentIndex() + 1) % combo->count());
}

// The oracle's own account of owed codes: each request that ended unanswered
// owes its code until a tick a little before the one the cycle keeps it to (its
// reply time ran out 74 ticks after it went out, and it is owed for 146).
struct TOwed {
    uint8_t Code;
    qint64 UntilTick;
};
QList<TOwed> Owed;
// The code of the frame being handed to the cycle when it is a late answer.
int LateCode = -1;

qint64 NowTick(TWindowHarness& h) {
    return h.Window->ComPort->CurrentTick();
}

void WatchVerdict(const TReply& reply) {
    if (reply.Verdict == TVerdict::NoAnswer)
        Owed.append(TOwed{reply.Code, NowTick(*Harness) + ReplyTicks - 4});
    if (reply.Code == LateCode && (reply.Verdict == TVerdict::Answered ||
                                   reply.Verdict == TVerdict::Refused || reply.Verdict == TVerdict::Broken))
        Broken(QStringLiteral("a late answer of code %1 ended a newer request").arg(reply.Code));
}

// Every packet the collector cuts out passes here before the cycle sees it.
void WatchPacket(const std::function<void(const uint8_t*, int)>& next, const uint8_t* data, int size) {
    const QByteArray body =
        Frame::Unescape(QByteArray(reinterpret_cast<const char*>(data), std::clamp(size, 0, 2)));
    const int code = body.isEmpty() ? 0 : uint8_t(body[0]);
    const qint64 now = NowTick(*Harness);
    Owed.removeIf([now](const TOwed& owed) { return now > owed.UntilTick; });
    LateCode = -1;
    for (qsizetype i = 0; i < Owed.size(); ++i)
        if (Owed[i].Code == code) {
            Owed.removeAt(i);
            LateCode = code;
            break;
        }
    next(data, size);
    LateCode = -1;
}

// The frames a stalled line holds may go out only while their requests are out.
void DrainLine(TWindowHarness& h) {
    const qsizetype frames = h.Transport.Held.count(char(ETX));
    if (frames > h.Window->Cycle->Outstanding())
        Broken(QStringLiteral("%1 held frames for %2 requests out: bytes went out after their verdict")
                   .arg(frames)
                   .arg(h.Window->Cycle->Outstanding()));
    h.Transport.Drain();
}

// cmdSetPermIn frames the tool wrote in this input, and toolkit versions it wrote
// of itself.
int ProgrammingsSent = 0;
int ToolkitsSent = 0;
QByteArray LastChunk;

qsizetype HandedSeen = 0;

// Checks what the tool wrote since the last look (whether the line took it or
// not): only its own toolkit versions, when no action of the person's ran.
void CheckWritten(TWindowHarness& h, bool action) {
    QByteArray written = h.Transport.Handed.mid(HandedSeen);
    HandedSeen = h.Transport.Handed.size();
    if (action) {
        // The action's own requests; a programming among them earns one toolkit version.
        for (qsizetype at = 0; (at = written.indexOf(QByteArray("\x02\x07", 2), at)) >= 0; ++at)
            ++ProgrammingsSent;
        return;
    }
    while (written.startsWith(QByteArray("\x02\x33", 2))) {
        const qsizetype end = written.indexOf('\x03', 2);
        written.remove(0, end < 0 ? written.size() : end + 1);
        if (++ToolkitsSent > ProgrammingsSent)
            Broken(QStringLiteral("a second toolkit version for one programming"));
    }
    if (!written.isEmpty())
        Broken(QStringLiteral("unasked bytes went out: %1").arg(QString::fromLatin1(written.toHex(' '))));
}

void RunAction(TWindowHarness& h, uint8_t sel) {
    TfrmMain& w = *h.Window;
    if (PersonsAction(sel)) RefusalShown = false;
    if (sel & 0x80) {
        w.Guarded([&] {
            PacketStart(static_cast<uint8_t>(sel & 0x7F));
            w.PacketSend();
        });
        return;
    }
    // A handler and the control whose use runs it; the handler runs only while
    // that control is enabled (no control: always possible).
    // A person leaving a number edit sends nothing and fills nothing in: those
    // selectors keep their places, without a handler.
    struct TEntry {
        void (*Handler)(TfrmMain&);
        QObject* Control;
    };
    const TEntry entries[selStepInRange] = {
        {[](TfrmMain& w) { w.ReadVersion(); }, nullptr},
        {[](TfrmMain& w) { w.General->QueryMode(); }, nullptr},
        {[](TfrmMain& w) { w.General->SendToolkitVersion(); }, nullptr},
        {[](TfrmMain& w) { w.General->calSwitchClick(); }, w.General->calSwitch},
        {[](TfrmMain& w) { w.CalLists->mnuClearInCalClick(); }, w.CalLists->mnuClearInCal},
        {[](TfrmMain& w) { w.CalLists->mnuClearOutCalClick(); }, w.CalLists->mnuClearOutCal},
        {[](TfrmMain& w) { w.In->btnGetPermInpRangeClick(); }, w.In->btnGetPermInpRange},
        {[](TfrmMain& w) { w.In->btnGetTempInpRangeClick(); }, w.In->btnGetTempInpRange},
        {[](TfrmMain& w) { w.In->btnSetInputRangeClick(); }, w.In->btnSetInputRange},
        {[](TfrmMain& w) { w.In->cmbInpRangesClick(); }, w.In->cmbInpRanges},
        {nullptr, w.In->edEuMin},
        {nullptr, w.In->edEuMax},
        {[](TfrmMain& w) { w.In->edInpZeroPropertiesButtonClick(); }, w.In->edInpZero},
        {[](TfrmMain& w) { w.In->edInpFullPropertiesButtonClick(); }, w.In->edInpFull},
        {[](TfrmMain& w) { w.Out->btnGetOutRangeClick(); }, w.Out->btnGetOutRange},
        {[](TfrmMain& w) { w.Out->btnGetTempOutRangeClick(); }, w.Out->btnGetTempOutRange},
        {[](TfrmMain& w) { w.Out->cmbOutRangesPropertiesEditValueChanged(); }, w.Out->cmbOutRanges},
        {[](TfrmMain& w) { w.Out->btnSetOutRangeClick(); }, w.Out->btnSetOutRange},
        {nullptr, w.Out->edAlarmLimit},
        {nullptr, w.Out->edDeadBand},
        {[](TfrmMain& w) { w.Out->edOutZeroPropertiesChange(); }, w.Out->seOutZero},
        {[](TfrmMain& w) { w.Out->edOutFullPropertiesChange(); }, w.Out->seOutFull},
        {[](TfrmMain& w) { w.Out->seOutZeroExit(); }, w.Out->seOutZero},
        {[](TfrmMain& w) { w.Out->seOutFullExit(); }, w.Out->seOutFull},
        {[](TfrmMain& w) { w.Out->btnOutZeroClick(); }, w.Out->btnOutZero},
        {[](TfrmMain& w) { w.Out->btnOutFullClick(); }, w.Out->btnOutFull},
    };
    const int index = sel % selCount;
    if (index < selStepInRange) {
        const TEntry& e = entries[index];
        if (e.Handler && Usable(e.Control)) w.Guarded([&] { e.Handler(w); });
        return;
    }
    switch (index) {
    case selStepInRange:
        StepCombo(w.In->cmbInpRanges);
        break; // as a user's choice of range
    case selStepWiring:
        StepCombo(w.In->cmbWiring);
        break;
    case selStepOutRange:
        StepCombo(w.Out->cmbOutRanges);
        break;
    case selResourceError:
        h.Transport.InjectFailure(QStringLiteral("Resource error"));
        break;
    case selHangUp:
        h.Transport.InjectFailure(QStringLiteral("The device COM1 was disconnected"));
        break;
    case selRepeatFrame:
        h.Transport.Feed(LastChunk);
        break;
    case selStall:
        h.Transport.Stalled = true;
        break;
    case selDrain:
        DrainLine(h);
        break;
    case selAnswerLast: {
        // The code of the last frame the tool handed over, escaped as it went.
        const QByteArray& handed = h.Transport.Handed;
        const qsizetype at = handed.lastIndexOf(char(STX));
        if (at < 0 || at + 1 >= handed.size()) break;
        QByteArray frame(1, char(STX));
        frame.append(handed.mid(at + 1, handed[at + 1] == char(DLE) ? 2 : 1));
        frame.append(char(ETX));
        h.Transport.Feed(frame);
        break;
    }
    default:
        break; // nothing: the bytes arrive unasked
    }
}

// The oracle's last two checks.
void CheckTheLineRecovers(TWindowHarness& h) {
    TfrmMain& w = *h.Window;
    // Past the status line's time and past the time any code stays owed, so
    // that the read below is no late answer's. Nothing arrives meanwhile: the
    // clock moves in steps of 10 ticks, late by at most one step for each of the
    // reply time and the error's time.
    h.Clock.StepMs = 10 * 55;
    h.Advance((2 * 73 + 2) * 55);
    h.Clock.StepMs = StepMs;
    DrainLine(h);
    const QString status = h.Status();
    if (status != QLatin1String("Ready") && status != QLatin1String("No COM port !"))
        Broken(QStringLiteral("the line stays at \"%1\"").arg(status));
    if (!w.ComPort->Connected()) {
        h.Ui.PortAnswer = 1;
        w.Guarded([&] { w.sbMainPanels0DblClick(); });
    }
    Owed.clear(); // the cycle forgets them too when the port closes
    while (h.Sim.Busy())
        h.Sim.Transmit(); // what it still had to say is long gone
    h.Transport.OnHostWrite = [&h](const QByteArray& bytes) { h.Sim.Receive(bytes); };
    h.Transport.PollPeer = [&h] { return h.Sim.Transmit(); };
    h.Sim.Faults = TSimFaults();
    w.Guarded([&] { w.In->btnGetPermInpRangeClick(); });
    h.Settle();
    if (h.Status() != QLatin1String("Success"))
        Broken(QStringLiteral("a read of the programmed input range ends in \"%1\"").arg(h.Status()));
    h.Transport.OnHostWrite = nullptr;
    h.Transport.PollPeer = nullptr;
    // "Success" turns into "Ready": the next input starts on a quiet line.
    h.Advance(600);
    h.TakeWritten();
}

} // namespace

namespace {
// A window on a line with no simulator behind it, its start-up run to its end,
// and the oracle's watches on it; in full mode when `full`, entered as a person
// does, by the chord. The oracle's watches act on the window of the input now
// running (Harness).
TWindowHarness* NewHarness(bool full) {
    auto* h = new TWindowHarness(1, true);
    // No simulator behind the line: every received byte comes from the input.
    h->Transport.OnHostWrite = nullptr;
    h->Transport.PollPeer = nullptr;
    // The port's timers are checked at least every 50 ms, as on the real clock.
    h->Clock.StepMs = StepMs;
    // The start-up sequence runs to its end before the first input.
    h->Advance(6000);
    if (full) h->EnterFullModeByChord();
    h->TakeWritten();
    QObject::connect(h->Window->Shell->sbMain, &TStatusBar::PanelTextSet, h->Window.get(), WatchStatusLine);
    h->Window->Cycle->OnVerdict = WatchVerdict;
    h->Window->Cycle->OnUnasked = [next = h->Window->Cycle->OnUnasked](const QByteArray& body) {
        const qsizetype handed = Harness->Transport.Handed.size();
        PresentingUnasked = true;
        next(body);
        PresentingUnasked = false;
        if (Harness->Transport.Handed.size() != handed)
            Broken(QStringLiteral("a frame that answers nothing sent a request"));
    };
    h->Window->DataPacket->OnPacket = [next = h->Window->DataPacket->OnPacket](
                                          const uint8_t* data, int size) { WatchPacket(next, data, size); };
    return h;
}

// Two windows reused across inputs, one of them in full mode: no action of a
// person leaves full mode, and a new window per input costs a hundred inputs.
TWindowHarness* PlainHarness = nullptr;
TWindowHarness* FullHarness = nullptr;
} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    App = new QApplication(*argc, *argv);
    PlainHarness = NewHarness(false);
    FullHarness = NewHarness(true);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const TSteps input = ParseSteps(data, size);
    Harness = (input.Flags & fFull) ? FullHarness : PlainHarness;
    TWindowHarness& h = *Harness;
    h.TakePauses();
    TfrmMain& w = *h.Window;
    // The last input ended on a quiet line (CheckTheLineRecovers).
    h.Transport.Written.clear();
    h.TakeWritten();
    h.Transport.Handed.clear();
    HandedSeen = 0;
    h.Ui.Infos.clear();
    h.Ui.Errors.clear();
    h.Ui.GeneralErrors.clear();
    h.Ui.Questions.clear();

    ProgrammingsSent = ToolkitsSent = 0;
    LastChunk.clear();
    if (input.Flags & fInStart) w.In->DisableInPanel();
    if (input.Flags & fOutStart) w.Out->DisableOutPanel();

    const size_t steps = std::min(input.Steps.size(), MaxSteps);
    for (size_t i = 0; i < steps; ++i) {
        const TStep& step = input.Steps[i];
        const bool action = PersonsAction(step.Sel) || (step.Sel & 0x80);
        RunAction(h, step.Sel);
        if (!w.ComPort->Connected()) Owed.clear();
        CheckWritten(h, action);
        const QByteArray chunk(reinterpret_cast<const char*>(step.Chunk.data()),
                               static_cast<qsizetype>(step.Chunk.size()));
        h.Transport.Feed(chunk);
        LastChunk = chunk;
        h.Advance(qint64(step.Adv) * 20);
        CheckWritten(h, false);
    }
    CheckTheLineRecovers(h);
    if (input.Flags & fPaint) {
        // Paint what the presentations changed (a grab of the whole window on
        // top cost as much as a hundred inputs).
        QApplication::processEvents();
    } else {
        // Objects scheduled for deletion go; the pending paint waits for an input
        // that asks for it.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return 0;
}
