#pragma once
// One command on one port, as its own state machine on the event loop: several
// ports run side by side in one thread.
//
// The port is opened and closed by the request cycle the window uses
// (link/Cycle.h), with the same rests; each request goes through it in its strict
// form: one request at a time, and what arrived before the request is discarded.
// The cycle's verdict is the only judge of an answer. A read that met no answer
// is repeated (Retries times), a write never. The rests, the watch interval and
// the reply time all count on the clock, so tests run them on a manual clock.
#include "../link/Cycle.h"
#include "../link/Messages.h"
#include "Calibration.h"
#include "Settings.h"

#include <QJsonObject>
#include <QObject>
#include <QStringList>
#include <functional>
#include <optional>

class TClock;
class TComPort;
class TDataPacket;
class TRequestCycle;
class TTransport;

enum TExitStatus {
    ExitDone = 0,
    ExitRefused = 1,      // the transmitter answered with status 0
    ExitBadInput = 2,     // bad arguments or settings file; nothing was sent
    ExitNoAnswer = 3,     // no port, or no (proper) answer within 4 s
    ExitDiffers = 4,      // the read-back (or the unit verified) differs from the file, apply
                          // met another version than --expect-version, or
                          // every step was confirmed and the read-back failed
    ExitOutputFailed = 5, // standard output (or the file dump -o names) could not be written
};

struct TCliJob {
    enum class TCommand { Version, Read, Dump, Apply, Verify, Mode, Watch, Check, Calibrate };
    TCommand Command = TCommand::Read;
    bool Active = false;   // read: the active ranges instead of the programmed ones
    bool Json = false;     // the result as JSON (Verdict and Details) instead of text
    TSettings Settings;    // apply, verify
    uint8_t Mode = 0;      // mode: 0 RUN, 1 CAL
    int IntervalMs = 1000; // watch
    int Count = 0;         // watch: lines to write, 0 until stopped
    TCalJob Cal;           // check, calibrate
    int Retries = 1;       // repeats of a read that met no answer
    // apply: --dry-run with a port reads the unit and says what would change;
    // --changed-only writes only a unit that differs from the file;
    // --expect-version programs only a unit whose version text is this one.
    bool DryRun = false;
    bool ChangedOnly = false;
    QString ExpectVersion; // null when not given
    bool Long = false;     // watch: port,time,quantity,value,unit lines
};

class TUnitRun : public QObject {
    Q_OBJECT
public:
    // port: "COMn" or a device path; the transport belongs to the caller.
    TUnitRun(const QString& port, const TCliJob& job, TTransport* transport, TClock* clock,
             QObject* parent = nullptr);
    ~TUnitRun() override;

    void Start();
    // Ends the run as soon as it can without cutting a command short: in the
    // pauses before and after opening, at once with nothing sent (the port, if
    // open, closed with its closing pause), status 3; a watch after its line, or
    // at once between lines, status 0; any other command that has begun sending
    // runs to its verdict.
    void Stop();
    // Ends the run at once, a request out or not, and closes the port without the
    // closing pause: status 3 unless the verdict was in already.
    void Abort();

    QString Port() const { return PortName; }
    int Status() const { return ExitStatus; }
    bool Done() const { return Phase == TPhase::Done; }
    // Between the first request and the verdict: cut short here, a command may
    // be half-done on the unit.
    bool Midway() const { return Phase == TPhase::Running || Phase == TPhase::Waiting; }
    // The command's result for standard output (text or JSON, no port name).
    QString Result;
    // The one error line, without the program's and the port's names.
    QString Error;
    // For --json: the word of the verdict ("read", "applied", "same", "differs",
    // "set", "watched"; empty when there is none) and the command's own fields.
    QString Verdict;
    QJsonObject Details;
    // What kind of failure ended the run, for --json: no_port, no_answer,
    // not_sent, broken_answer, refused, differs, other_version, stopped; empty
    // when it did not fail.
    QString Kind() const;
    // apply: the programming steps the transmitter confirmed, "input", "output".
    QStringList StepsDone;

    // For the benchmark: clock times of the port being ready (after the opening
    // pauses) and of the verdict, and the bytes that crossed the line.
    qint64 ReadyMs = -1;
    qint64 VerdictMs = -1;
    qint64 BytesOut = 0;
    qint64 BytesIn = 0;
    int Exchanges = 0;

signals:
    // watch: its header (CSV, with the units of the active ranges, no port
    // column) before the first line and again when those units change; then a
    // line (CSV, a JSON object with --json, no port name; or the long form's
    // lines with the port) as it comes.
    void Header(const QString& header);
    void Line(const QString& line);
    void Finished();

private:
    enum class TPhase { Opening, Running, Waiting, Closing, Done };
    using THandler = std::function<void(const QByteArray& answer)>;
    using TFailHandler = std::function<void(const TReply& reply)>;

    void Tick();
    void RunCommand();
    // Sends a request; `then` gets the decoded answer the cycle accepted. Any
    // other verdict ends the run (status 1 refused, else 3), or goes to `fail`
    // when given; a read that met no answer is sent again first, `retries` times.
    void Ask(const QByteArray& request, THandler then, TFailHandler fail = {});
    void Ask(const QByteArray& request, THandler then, TFailHandler fail, int retries);
    // Sends a request and hands its verdict, whatever it is, to `onReply`; a read
    // that met no answer is sent again first, `retries` times.
    void AskVerdict(const QByteArray& request, std::function<void(const TReply&)> onReply, int retries);
    void Finish(int status, const QString& error = QString());
    // Ends the run with the port closed already, without the closing rest.
    void End(int status, const QString& error);
    // Ends a run that a stop signal cut short (status 3, kind stopped); `closed`:
    // the port is closed already.
    void Stopped(const QString& error, bool closed = false);

    // The commands; each ends in Finish.
    void Version();
    void Read();
    void Dump();
    // apply: the version check, then the comparison of --dry-run and
    // --changed-only, then Program.
    void Apply();
    void ApplyChecked();
    void Program();
    void ApplyOutput();
    void ReadBack();
    // Ends an apply that failed in its step `step`, saying which steps were
    // done and, where the line still answers, what the unit holds now.
    void ApplyFailed(const QString& step, const TReply& reply);
    // "input range and span programmed, output settings programmed".
    QString StepsDoneText(bool refused) const;
    void Verify();
    // Reads the programmed sections that the job's settings hold into In and
    // Out, then calls `then`; a failure ends the run, or goes to `fail`.
    void ReadProgrammed(const std::function<void()>& then, const TFailHandler& fail = {});
    void SetMode();
    void Watch();
    void WatchLine();
    void RunCalibration(); // Calibration.cpp
    TCalRun* CalRun = nullptr;

    QString PortName;
    TCliJob Job;
    TClock* Clock;
    TComPort* ComPort;
    TDataPacket* DataPacket;
    TRequestCycle* Cycle;
    TPhase Phase = TPhase::Opening;
    uint8_t PendingCode = 0; // the request out
    int ExitStatus = ExitDone;
    bool StopAsked = false;
    // The failures that are not the last verdict's: no_port, stopped.
    QString FailureKind;
    std::optional<TVerdict> LastVerdict;
    // read, dump, watch
    Msg::TInputReport In;
    Msg::TOutputReport Out;
    uint8_t InCode = 0;
    uint8_t OutRange = 0;
    int LinesWritten = 0;
    QString LastHeader; // watch: the header of the last line
    qint64 NextLineMs = 0;
    QStringList Differences;
    // apply: a refusal of cmdSetPermIn, which stands whatever follows.
    std::optional<TReply> InputRefusal;
    // Compares the programmed settings read into In and Out with the job's, as
    // apply's read-back and verify do, and ends the run: status 0 and `same`
    // (verdict `sameVerdict`), or 4 with every field that differs, named
    // `expected` and `found` ("input.eu_max: applied 600.0, read back 599.0"),
    // in the lines, in --json and in the error `differs` (%1: how many).
    void FinishComparison(const QString& expected, const QString& found, const QString& same,
                          const QString& sameVerdict, const QString& differs);
};
