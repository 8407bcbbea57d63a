#pragma once
// The request cycle without a window, for the window and the companion alike.
//
// It opens the port with DTR and RTS raised, sends one framed request at a time
// or several in a row, and keeps a state per request: its command code and its
// own reply time of 73 ticks of 55 ms. A received frame ends the oldest request
// out with the same code; each request gets exactly one verdict:
//   Answered    the answer, decoded;
//   Refused     the answer carries status 0 (the transmitter failed the request);
//   NoAnswer    nothing that answers it within 73 ticks;
//   Broken      a frame of its code that cannot be its answer (longer than the
//               receive buffer; strict: shorter than its layout, or naming a range
//               the tables lack);
//   CannotSend  the port did not take the bytes (given at once, inside Send);
//   PortFailed  the port failed while the request was out.
// A frame that answers no request out goes to OnUnasked (the window presents it);
// strict users (the companion) never see it, and the bytes received before a
// request goes out are discarded.
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>

class TComPort;
class TDataPacket;

enum class TVerdict { Answered, Refused, NoAnswer, Broken, CannotSend, PortFailed };

struct TReply {
    TVerdict Verdict = TVerdict::NoAnswer;
    uint8_t Code = 0; // the request's command code
    QByteArray Body;  // the decoded answer: Answered, Refused, Broken
    QString Error;    // what went wrong: Broken, CannotSend, PortFailed
};

class TRequestCycle : public QObject {
    Q_OBJECT
public:
    using TOnReply = std::function<void(const TReply&)>;

    TRequestCycle(TComPort* port, TDataPacket* collector, QObject* parent = nullptr);

    // Raises DTR, then RTS, and opens the port: EMrtError when it cannot be
    // opened. The pauses before and after are the caller's (PortPauseMs).
    void Open();
    // Forgets every request out, without a verdict, and closes the port.
    void Close();

    // The companion's rules: short reports and unknown ranges are broken answers,
    // and what arrived before a request is discarded.
    bool Strict = false;

    // Sends the decoded body (code and fields) as one frame.
    void Send(const QByteArray& body, TOnReply onReply);
    // Sends a frame already built (STX, escaped code and fields, ETX).
    void SendFrame(const QByteArray& frame, uint8_t code, TOnReply onReply);
    int Outstanding() const { return static_cast<int>(Pending.size()); }

    std::function<void(const QByteArray& body)> OnUnasked;
    // A packet the collector cut out (its escaped body); the collector's OnPacket
    // calls it unless its user wraps it.
    void Packet(const uint8_t* data, int size);

    // What a strict user takes as broken in an answer of this code, or an empty
    // text.
    static QString BrokenReason(const QByteArray& body);

private:
    struct TRequest {
        uint8_t Code = 0;
        qint64 StartTick = 0;
        TOnReply OnReply;
    };
    void CheckTimes();
    void PortFailed(const QString& message);
    // Takes the request out of the list before its verdict, so that the verdict
    // may send the next request.
    void End(int index, TReply reply);
    void CollectWhileOut();

    TComPort* Port;
    TDataPacket* Collector;
    QList<TRequest> Pending; // oldest first
    QString LastFailure;
};

// One line for a verdict that is no answer, naming the request ("no answer
// within 4 s to cmdReadPermIn").
QString VerdictText(const TReply& reply);
