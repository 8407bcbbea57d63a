#include "Cycle.h"

#include "../base/MrtError.h"
#include "Clock.h"
#include "Codec.h"
#include "ComPort.h"
#include "Commands.h"
#include "DataPacket.h"
#include "Messages.h"
#include "Pause.h"

#include <algorithm>
#include <utility>

namespace {
// Whether the answer to this code carries a status byte (0: the transmitter
// failed the request).
bool HasStatus(uint8_t code) {
    return (code >= cmdCalZero && code <= cmdSetPermIn) ||
           (code >= cmdWriteOutZero && code <= cmdSetPermOut) || code == cmdSetToolkitVer;
}

// The decoded size of the answer to this code; 0 for codes without a layout of
// fixed size.
int AnswerSize(uint8_t code) {
    if (code >= cmdCalZero && code <= cmdSetPermIn) return InputReportSize;
    if (code >= cmdWriteOutZero && code <= cmdSetPermOut) return OutputReportSize;
    switch (code) {
    case cmdSetDac:
        return 1;
    case cmdSetMode:
    case cmdQueryMode:
    case cmdSetToolkitVer:
        return 2;
    default: // a version text may be short: what it lacks reads as blanks
        return 0;
    }
}

// The highest input range code the tables know.
constexpr uint8_t MaxInputCode = 39;

// What makes an answer of this (whole) size unusable, or an empty text.
QString BrokenReason(const QByteArray& body) {
    const uint8_t code = body.isEmpty() ? 0 : static_cast<uint8_t>(body[0]);
    const int size = AnswerSize(code);
    if (body.size() < size) return QStringLiteral("%1 of its %2 bytes").arg(body.size()).arg(size);
    if (code >= cmdCalZero && code <= cmdSetPermIn && static_cast<uint8_t>(body[2]) > MaxInputCode)
        return QStringLiteral("input range code %1").arg(static_cast<uint8_t>(body[2]));
    if (code >= cmdWriteOutZero && code <= cmdSetPermOut && static_cast<uint8_t>(body[2]) >= 2)
        return QStringLiteral("output range %1").arg(static_cast<uint8_t>(body[2]));
    if (code == cmdReadVersion) {
        const QString text = Msg::DecodeVersion(body);
        const auto blank = [](QChar c) { return c.isSpace() || c.category() == QChar::Other_Control; };
        if (std::all_of(text.begin(), text.end(), blank)) return QStringLiteral("no version text");
    }
    return QString();
}

// Twice the reply time: how long the code of an unanswered request stays owed.
constexpr qint64 OwedTicks = 2 * ReplyTicks;
} // namespace

bool IsRead(uint8_t code) {
    switch (code) {
    case cmdReadActiveIn:
    case cmdReadPermIn:
    case cmdReadActiveOut:
    case cmdReadPermOut:
    case cmdReadVersion:
        return true;
    default:
        return false;
    }
}

TRequestCycle::TRequestCycle(TComPort* port, TDataPacket* collector, QObject* parent)
    : QObject(parent), Port(port), Collector(collector) {
    Collector->OnPacket = [this](const uint8_t* data, int size) { Packet(data, size); };
    connect(Port->ClockSource(), &TClock::Ticked, this, &TRequestCycle::Tick);
    connect(Port, &TComPort::Failed, this, &TRequestCycle::PortFailed);
}

void TRequestCycle::Open(std::function<void(const QString& error)> done) {
    CloseNow();
    OnOpened = std::move(done);
    StartRest(TRest::BeforeOpen);
}

void TRequestCycle::OpenNow() {
    Port->SetDTR(true);
    Port->SetRTS(true);
    try {
        Port->Open();
    } catch (const EMrtError& error) {
        Rest = TRest::None;
        if (auto done = std::exchange(OnOpened, {})) done(error.Message);
        return;
    }
    StartRest(TRest::AfterOpen);
}

void TRequestCycle::Close(std::function<void()> done) {
    CloseNow();
    OnClosed = std::move(done);
    StartRest(TRest::AfterClose);
}

void TRequestCycle::CloseNow() {
    Pending.clear();
    Owed.clear();
    Queued = 0;
    Rest = TRest::None;
    OnOpened = nullptr;
    OnClosed = nullptr;
    Collector->Disable();
    Port->Close();
}

void TRequestCycle::StartRest(TRest rest) {
    Rest = rest;
    RestUntilMs = Port->ClockSource()->NowMs() + PortPauseMs;
}

void TRequestCycle::WaitWhileResting() {
    while (Resting()) {
        const qint64 left = RestUntilMs - Port->ClockSource()->NowMs();
        if (left > 0) Pause(static_cast<int>(left));
        CheckRest();
    }
}

void TRequestCycle::Tick() {
    CheckRest();
    CheckTimes();
}

void TRequestCycle::CheckRest() {
    if (Rest == TRest::None || Port->ClockSource()->NowMs() < RestUntilMs) return;
    switch (std::exchange(Rest, TRest::None)) {
    case TRest::BeforeOpen:
        return OpenNow();
    case TRest::AfterOpen:
        if (auto done = std::exchange(OnOpened, {})) done(QString());
        return;
    case TRest::AfterClose:
        if (auto done = std::exchange(OnClosed, {})) done();
        return;
    case TRest::None:
        return;
    }
}

void TRequestCycle::Send(const QByteArray& body, TOnReply onReply) {
    const uint8_t code = body.isEmpty() ? 0 : static_cast<uint8_t>(body[0]);
    const QByteArray frame = Frame::Encode(body);
    if (Strict) {
        // Whatever came before the request cannot be its answer.
        Port->DiscardInput();
        Collector->Flush();
    }
    try {
        Port->PutBlock(reinterpret_cast<const uint8_t*>(frame.constData()), static_cast<int>(frame.size()));
    } catch (const EMrtError& error) {
        return Deliver(onReply, TReply{TVerdict::CannotSend, code, {}, error.Message});
    }
    if (!Port->Connected()) {
        // The port failed while it took the bytes.
        return Deliver(onReply, TReply{TVerdict::PortFailed, code, {}, LastFailure});
    }
    Queued += frame.size();
    Pending.append(TRequest{code, Port->CurrentTick(), Queued, std::move(onReply)});
    Collector->Enable();
}

void TRequestCycle::CollectWhileOut() {
    // The collector stops after each packet; it goes on while requests are out.
    if (!Pending.isEmpty())
        Collector->Enable();
    else
        Collector->Disable();
}

void TRequestCycle::End(int index, TReply reply) {
    const TRequest request = Pending.takeAt(index);
    reply.Code = request.Code;
    CollectWhileOut();
    Deliver(request.OnReply, reply);
}

void TRequestCycle::Deliver(const TOnReply& onReply, const TReply& reply) {
    if (OnVerdict) OnVerdict(reply);
    if (onReply) onReply(reply);
}

TVerdict TRequestCycle::Judge(const QByteArray& body, QString* why) {
    const uint8_t code = body.isEmpty() ? 0 : static_cast<uint8_t>(body[0]);
    if (HasStatus(code) && (body.size() == 1 || body[1] == 0)) return TVerdict::Refused;
    const QString reason = BrokenReason(body);
    if (why) *why = reason;
    return reason.isEmpty() ? TVerdict::Answered : TVerdict::Broken;
}

bool TRequestCycle::LateAnswer(uint8_t code) {
    const qint64 now = Port->CurrentTick();
    Owed.removeIf([now](const TOwed& owed) { return now > owed.UntilTick; });
    for (int i = 0; i < Owed.size(); ++i)
        if (Owed[i].Code == code) {
            Owed.removeAt(i);
            return true;
        }
    return false;
}

void TRequestCycle::Packet(const uint8_t* data, int size) {
    const bool oversize = size < 0 || size > PacketBufSize;
    // No transmitter of this protocol sends a longer body; only its code is read.
    const QByteArray body = Frame::Unescape(
        QByteArray(reinterpret_cast<const char*>(data), oversize ? (size > 0 ? 2 : 0) : size));
    const uint8_t code = body.isEmpty() ? 0 : static_cast<uint8_t>(body[0]);
    // Only a request whose bytes have all left can have its answer: a frame of
    // its code that comes before then is no answer to it.
    const qint64 written = Queued - Port->OutQueue();
    int index = 0;
    while (index < Pending.size() && (Pending[index].Code != code || Pending[index].EndOffset > written))
        ++index;
    QString why;
    const TVerdict verdict = oversize ? TVerdict::Broken : Judge(body, &why);
    // A late answer is the old request's, never a newer one's.
    if (LateAnswer(code) || index == Pending.size()) {
        CollectWhileOut();
        if (!Strict && verdict == TVerdict::Answered && OnUnasked) OnUnasked(body);
        return;
    }
    if (oversize) why = QStringLiteral("a body of %1 bytes").arg(size);
    End(index, TReply{verdict, code, body, why});
}

void TRequestCycle::CheckTimes() {
    // A request is unanswered at the first check past its 73 ticks, as the port's
    // one-shot timers fire; the oldest first.
    const qint64 now = Port->CurrentTick();
    for (int i = 0; i < Pending.size();) {
        if (now <= Pending[i].StartTick + ReplyTicks) {
            ++i;
            continue;
        }
        const qint64 written = Queued - Port->OutQueue();
        if (written >= Pending[i].EndOffset) {
            // It reached the unit: its answer may still come.
            Owed.append(TOwed{Pending[i].Code, Pending[i].StartTick + OwedTicks});
            End(i, TReply{TVerdict::NoAnswer, 0, {}, {}});
        } else {
            // Its bytes never left: they, and everything queued behind them,
            // are dropped, so that nothing reaches the unit after its verdict.
            Port->DropOutput();
            Queued = written;
            QList<TRequest> unsent;
            for (int j = static_cast<int>(Pending.size()) - 1; j >= 0; --j)
                if (Pending[j].EndOffset > written) unsent.prepend(Pending.takeAt(j));
            CollectWhileOut();
            const QString error = Port->NotTakingDataText();
            for (const TRequest& request : unsent)
                Deliver(request.OnReply, TReply{TVerdict::CannotSend, request.Code, {}, error});
        }
        i = 0; // a verdict may have sent or ended requests
    }
}

void TRequestCycle::PortFailed(const QString& message) {
    LastFailure = message;
    const QList<TRequest> ended = std::exchange(Pending, {});
    Owed.clear();
    Collector->Disable();
    for (const TRequest& request : ended)
        Deliver(request.OnReply, TReply{TVerdict::PortFailed, request.Code, {}, message});
}

QString VerdictText(const TReply& reply) {
    const QString name = CommandName(reply.Code);
    switch (reply.Verdict) {
    case TVerdict::Answered:
        return QString();
    case TVerdict::Refused:
        return QStringLiteral("the transmitter refused %1 (status 0)").arg(name);
    case TVerdict::NoAnswer:
        return QStringLiteral("no answer within 4 s to %1").arg(name);
    case TVerdict::Broken:
        return QStringLiteral("broken answer to %1: %2").arg(name, reply.Error);
    case TVerdict::CannotSend:
    case TVerdict::PortFailed:
        return reply.Error;
    }
    return QString();
}
