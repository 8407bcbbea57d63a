#pragma once
// The request cycle without a window, for the window and the companion alike.
//
// It opens the port with its rests (500 ms, DTR and RTS raised, the port
// opened, 500 ms) and closes it (500 ms after), on the port's clock; sends one
// framed request at a time or several in a row, and keeps a state per request:
// its command code and its own reply time of 73 ticks of 55 ms. A received
// frame ends the oldest request out with the same code; each request gets
// exactly one verdict, and the verdict is the one place where an answer is
// judged:
//   Answered    the answer, whole and decoded;
//   Refused     the answer carries status 0, or is its code byte alone (the
//               transmitter failed the request);
//   NoAnswer    nothing that answers it within 73 ticks;
//   Broken      a frame of its code that cannot be its answer: longer than the
//               receive buffer, shorter than its layout, naming a range the tables
//               lack, or a version text with nothing to read;
//   CannotSend  the port did not take the bytes (given at once, inside Send), or
//               they had still not left the computer when the reply time ran out;
//   PortFailed  the port failed while the request was out.
// Nothing reaches the unit after its verdict: a request that ends unanswered
// takes its bytes that are still queued off the line. It leaves its code owed
// for twice the reply time from when it went out: the first frame of an owed
// code is the late answer to the old request and never ends a newer one.
// A frame that answers no request out (a late one included) goes to OnUnasked
// when it would be an answer; strict users (the companion) never see it, and the
// bytes received before a request goes out are discarded.
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

    // Closes whatever is open, rests 500 ms, raises DTR, then RTS, opens the port
    // and rests 500 ms; then `done` gets an empty text. When the port cannot be
    // opened, `done` gets the error's text at once and the port stays closed.
    void Open(std::function<void(const QString& error)> done);
    // Forgets every request out without a verdict, closes the port and rests
    // 500 ms, then `done`. A rest of Open still running is cut short without its
    // `done`.
    void Close(std::function<void()> done = {});
    // Closes at once, without the rest, and forgets every request and rest.
    void CloseNow();
    // A rest of Open or Close is running.
    bool Resting() const { return Rest != TRest::None; }
    // Waits until the rests running now are over, through Pause (link/Pause.h),
    // for a user that cannot go on before the port is ready (the window).
    void WaitWhileResting();

    // The companion's rules: what arrived before a request is discarded, and no
    // frame that answers nothing is handed on.
    bool Strict = false;

    // Frames the decoded body (code and fields) and sends it.
    void Send(const QByteArray& body, TOnReply onReply);
    int Outstanding() const { return static_cast<int>(Pending.size()); }

    std::function<void(const QByteArray& body)> OnUnasked;
    // Sees every verdict before its request's own handler does (for whoever
    // watches the line: the fuzz target's oracle).
    TOnReply OnVerdict;
    // A packet the collector cut out (its escaped body); the collector's OnPacket
    // calls it unless its user wraps it.
    void Packet(const uint8_t* data, int size);

    // The verdict a frame's decoded body would give the request of its code:
    // Answered, Refused or Broken (with the reason in *why).
    static TVerdict Judge(const QByteArray& body, QString* why = nullptr);

private:
    struct TRequest {
        uint8_t Code = 0;
        qint64 StartTick = 0;
        qint64 EndOffset = 0; // its last byte, counted in Queued
        TOnReply OnReply;
    };
    struct TOwed {
        uint8_t Code = 0;
        qint64 UntilTick = 0;
    };
    enum class TRest { None, BeforeOpen, AfterOpen, AfterClose };
    void Tick();
    void CheckRest();
    void CheckTimes();
    void StartRest(TRest rest);
    void OpenNow();
    void PortFailed(const QString& message);
    // Takes the request out of the list before its verdict, so that the verdict
    // may send the next request.
    void End(int index, TReply reply);
    void Deliver(const TOnReply& onReply, const TReply& reply);
    void CollectWhileOut();
    // An owed code's late answer, if this frame is one; it pays the debt.
    bool LateAnswer(uint8_t code);

    TComPort* Port;
    TDataPacket* Collector;
    QList<TRequest> Pending; // oldest first
    QList<TOwed> Owed;       // oldest first
    // Bytes handed to the port since it opened, or since its queue was dropped.
    qint64 Queued = 0;
    QString LastFailure;
    TRest Rest = TRest::None;
    qint64 RestUntilMs = 0;
    std::function<void(const QString&)> OnOpened;
    std::function<void()> OnClosed;
};

// Whether a request only reads, so that it is safe to repeat.
bool IsRead(uint8_t code);

// One line for a verdict that is no answer, naming the request ("no answer
// within 4 s to cmdReadPermIn").
QString VerdictText(const TReply& reply);
