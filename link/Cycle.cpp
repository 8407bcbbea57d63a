#include "Cycle.h"

#include "../base/MrtError.h"
#include "Clock.h"
#include "Codec.h"
#include "ComPort.h"
#include "Commands.h"
#include "DataPacket.h"
#include "Messages.h"

#include <utility>

namespace {
// Whether the answer to this code carries a status byte (0: the transmitter
// failed the request).
bool HasStatus(uint8_t code) {
    return (code >= cmdCalZero && code <= cmdSetPermIn) ||
           (code >= cmdWriteOutZero && code <= cmdSetPermOut) || code == cmdSetToolkitVer;
}

// The decoded size of the answer to this code; 0 for codes without an answer.
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
    case cmdReadVersion:
        return 1 + VersionTextSize;
    default:
        return 0;
    }
}

// The highest input range code the tables know.
constexpr uint8_t MaxInputCode = 39;
} // namespace

TRequestCycle::TRequestCycle(TComPort* port, TDataPacket* collector, QObject* parent)
    : QObject(parent), Port(port), Collector(collector) {
    Collector->OnPacket = [this](const uint8_t* data, int size) { Packet(data, size); };
    connect(Port->ClockSource(), &TClock::Ticked, this, &TRequestCycle::CheckTimes);
    connect(Port, &TComPort::Failed, this, &TRequestCycle::PortFailed);
}

void TRequestCycle::Open() {
    Port->SetDTR(true);
    Port->SetRTS(true);
    Port->Open();
}

void TRequestCycle::Close() {
    Pending.clear();
    Collector->Disable();
    Port->Close();
}

void TRequestCycle::Send(const QByteArray& body, TOnReply onReply) {
    SendFrame(Frame::Encode(body), body.isEmpty() ? 0 : static_cast<uint8_t>(body[0]), std::move(onReply));
}

void TRequestCycle::SendFrame(const QByteArray& frame, uint8_t code, TOnReply onReply) {
    if (Strict) {
        // Whatever came before the request cannot be its answer.
        Port->DiscardInput();
        Collector->Flush();
    }
    try {
        Port->PutBlock(reinterpret_cast<const uint8_t*>(frame.constData()), static_cast<int>(frame.size()));
    } catch (const EMrtError& error) {
        TReply reply;
        reply.Verdict = TVerdict::CannotSend;
        reply.Code = code;
        reply.Error = error.Message;
        if (onReply) onReply(reply);
        return;
    }
    if (!Port->Connected()) {
        // The port failed while it took the bytes.
        if (onReply) onReply(TReply{TVerdict::PortFailed, code, {}, LastFailure});
        return;
    }
    Pending.append(TRequest{code, Port->CurrentTick(), std::move(onReply)});
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
    if (request.OnReply) request.OnReply(reply);
}

QString TRequestCycle::BrokenReason(const QByteArray& body) {
    const uint8_t code = body.isEmpty() ? 0 : static_cast<uint8_t>(body[0]);
    const int size = AnswerSize(code);
    if (body.size() < size) return QStringLiteral("%1 of its %2 bytes").arg(body.size()).arg(size);
    if (code >= cmdCalZero && code <= cmdSetPermIn && static_cast<uint8_t>(body[2]) > MaxInputCode)
        return QStringLiteral("input range code %1").arg(static_cast<uint8_t>(body[2]));
    if (code >= cmdWriteOutZero && code <= cmdSetPermOut && static_cast<uint8_t>(body[2]) >= 2)
        return QStringLiteral("output range %1").arg(static_cast<uint8_t>(body[2]));
    return QString();
}

void TRequestCycle::Packet(const uint8_t* data, int size) {
    const bool oversize = size < 0 || size > PacketBufSize;
    // No transmitter of this protocol sends a longer body; only its code is read.
    const QByteArray body = Frame::Unescape(
        QByteArray(reinterpret_cast<const char*>(data), oversize ? (size > 0 ? 2 : 0) : size));
    const uint8_t code = body.isEmpty() ? 0 : static_cast<uint8_t>(body[0]);
    int index = 0;
    while (index < Pending.size() && Pending[index].Code != code)
        ++index;
    if (index == Pending.size()) {
        CollectWhileOut();
        if (!Strict && !oversize && OnUnasked) OnUnasked(body);
        return;
    }
    TReply reply;
    reply.Body = body;
    if (oversize) {
        reply.Verdict = TVerdict::Broken;
        reply.Error = QStringLiteral("a body of %1 bytes").arg(size);
    } else if (const QString why = Strict ? BrokenReason(body) : QString(); !why.isEmpty()) {
        reply.Verdict = TVerdict::Broken;
        reply.Error = why;
    } else if (HasStatus(code) && body.size() > 1 && body[1] == 0) {
        reply.Verdict = TVerdict::Refused;
    } else {
        reply.Verdict = TVerdict::Answered;
    }
    End(index, reply);
}

void TRequestCycle::CheckTimes() {
    // A request is unanswered at the first check past its 73 ticks, as the port's
    // one-shot timers fire; the oldest first.
    const qint64 now = Port->CurrentTick();
    for (int i = 0; i < Pending.size();) {
        if (now > Pending[i].StartTick + ReplyTicks) {
            End(i, TReply{TVerdict::NoAnswer, 0, {}, {}});
            i = 0; // a verdict may have sent or ended requests
        } else {
            ++i;
        }
    }
}

void TRequestCycle::PortFailed(const QString& message) {
    LastFailure = message;
    const QList<TRequest> ended = std::exchange(Pending, {});
    Collector->Disable();
    for (const TRequest& request : ended)
        if (request.OnReply) request.OnReply(TReply{TVerdict::PortFailed, request.Code, {}, message});
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
