#include "UnitRun.h"

#include "../base/MrtError.h"
#include "../link/Clock.h"
#include "../link/Codec.h"
#include "../link/ComPort.h"
#include "../link/Commands.h"
#include "../link/Cycle.h"
#include "../link/DataPacket.h"
#include "../link/PortNames.h"
#include "../ranges/InRanges.h"
#include "../ranges/OutRanges.h"
#include "../ranges/ReportTexts.h"
#include "CliRun.h"
#include "Present.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <cmath>
#include <cstdlib>

namespace {
// Now as ISO 8601 with the UTC offset: 2026-12-10T05:01:02.345+01:00.
QString TimeNow() {
    const QDateTime now = QDateTime::currentDateTime();
    const int offset = now.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    return now.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")) +
           QStringLiteral("%1%2:%3")
               .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
               .arg(minutes / 60, 2, 10, QLatin1Char('0'))
               .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QJsonObject JsonObject(const QString& text) {
    return QJsonDocument::fromJson(text.toUtf8()).object();
}

// The version text of an answer; whatever the device sends, no control
// character reaches the terminal.
QString VersionText(const QByteArray& answer) {
    QString text = Msg::DecodeVersion(answer);
    for (QChar& c : text)
        if (c.category() == QChar::Other_Control) c = QLatin1Char('?');
    return text;
}

// A compared value as the settings file writes it: a number or a truth value
// as such, a range name as text, null for no wiring.
QJsonValue JsonValueOf(const QString& text) {
    if (text.isEmpty()) return QJsonValue(QJsonValue::Null);
    if (text == QLatin1String("true") || text == QLatin1String("false")) return text == QLatin1String("true");
    bool number = false;
    const double value = text.toDouble(&number);
    return number ? QJsonValue(value) : QJsonValue(text);
}

// A compared value in a line of text: "none" for no wiring.
QString ValueText(const QString& text) {
    return text.isEmpty() ? QStringLiteral("none") : text;
}
} // namespace

TUnitRun::TUnitRun(const QString& port, const TCliJob& job, TTransport* transport, TClock* clock,
                   QObject* parent)
    : QObject(parent), PortName(port), Job(job), Clock(clock) {
    ComPort = new TComPort(transport, clock, this);
    DataPacket = new TDataPacket(ComPort, this);
    Cycle = new TRequestCycle(ComPort, DataPacket, this);
    Cycle->Strict = true;
    if (const int number = ComNumberOf(port))
        ComPort->SetComNumber(number);
    else
        ComPort->SetDevicePath(port);
    connect(Clock, &TClock::Ticked, this, &TUnitRun::Tick);
    connect(ComPort, &TComPort::DataReceived, this,
            [this](const QByteArray& bytes) { BytesIn += bytes.size(); });
    connect(ComPort, &TComPort::Failed, this, [this](const QString& message) {
        // A request out gets its verdict from the cycle; a watch between lines ends
        // here, a calibration waiting for the technician ends its own way.
        if (Phase != TPhase::Running) return;
        if (CalRun) return CalRun->PortFailed(message);
        Finish(ExitNoAnswer, message);
    });
}

TUnitRun::~TUnitRun() = default;

void TUnitRun::Start() {
    // The cycle closes, rests, opens and rests as the window does.
    Phase = TPhase::Opening;
    Cycle->Open([this](const QString& error) {
        if (!error.isNull()) {
            FailureKind = QStringLiteral("no_port");
            return End(ExitNoAnswer, OpenErrorText(PortName, error));
        }
        Phase = TPhase::Running;
        ReadyMs = Clock->NowMs();
        RunCommand();
    });
}

void TUnitRun::Stop() {
    StopAsked = true;
    if (CalRun && (Phase == TPhase::Running || Phase == TPhase::Waiting)) return CalRun->Stop();
    switch (Phase) {
    case TPhase::Opening:
        if (!ComPort->Connected()) {
            Cycle->CloseNow();
            return Stopped(QStringLiteral("stopped before the port was opened; nothing was sent"), true);
        }
        return Stopped(QStringLiteral("stopped before anything was sent"));
    case TPhase::Running: // a watch between its lines
        return Finish(ExitStatus);
    case TPhase::Waiting: // checked once the answer is in
    case TPhase::Closing:
    case TPhase::Done:
        break;
    }
}

void TUnitRun::Abort() {
    StopAsked = true;
    if (Phase == TPhase::Done) return;
    if (CalRun) CalRun->Abort();
    if (Phase == TPhase::Closing) {
        // The verdict is in and the port closed: only the closing rest is cut.
        Cycle->CloseNow();
        Phase = TPhase::Done;
        emit Finished();
        return;
    }
    const QString error =
        Phase == TPhase::Waiting
            ? QStringLiteral("stopped while waiting for the answer to %1").arg(CommandName(PendingCode))
            : QStringLiteral("stopped before anything was sent");
    Cycle->CloseNow();
    Stopped(error, true);
}

void TUnitRun::Stopped(const QString& error, bool closed) {
    FailureKind = QStringLiteral("stopped");
    closed ? End(ExitNoAnswer, error) : Finish(ExitNoAnswer, error);
}

void TUnitRun::End(int status, const QString& error) {
    ExitStatus = status;
    Error = error;
    VerdictMs = Clock->NowMs();
    Phase = TPhase::Done;
    emit Finished();
}

void TUnitRun::Tick() {
    if (Phase == TPhase::Running && Job.Command == TCliJob::TCommand::Watch && Clock->NowMs() >= NextLineMs)
        WatchLine();
}

void TUnitRun::RunCommand() {
    if (StopAsked) return Stopped(QStringLiteral("stopped before anything was sent"));
    switch (Job.Command) {
    case TCliJob::TCommand::Version:
        Version();
        break;
    case TCliJob::TCommand::Read:
        Read();
        break;
    case TCliJob::TCommand::Dump:
        Dump();
        break;
    case TCliJob::TCommand::Apply:
        Apply();
        break;
    case TCliJob::TCommand::Verify:
        Verify();
        break;
    case TCliJob::TCommand::Mode:
        SetMode();
        break;
    case TCliJob::TCommand::Watch:
        Watch();
        break;
    case TCliJob::TCommand::Check:
    case TCliJob::TCommand::Calibrate:
        RunCalibration();
        break;
    }
}

void TUnitRun::Ask(const QByteArray& request, THandler then, TFailHandler fail, int retries) {
    AskVerdict(
        request,
        [this, then = std::move(then), fail = std::move(fail)](const TReply& reply) {
            if (reply.Verdict == TVerdict::Answered) return then(reply.Body);
            if (fail) return fail(reply);
            Finish(reply.Verdict == TVerdict::Refused ? ExitRefused : ExitNoAnswer, VerdictText(reply));
        },
        retries);
}

void TUnitRun::AskVerdict(const QByteArray& request, std::function<void(const TReply&)> onReply,
                          int retries) {
    const QByteArray frame = Frame::Encode(request);
    BytesOut += frame.size();
    ++Exchanges;
    PendingCode = static_cast<uint8_t>(request[0]);
    Phase = TPhase::Waiting;
    Cycle->Send(request, [this, request, retries, size = frame.size(),
                          onReply = std::move(onReply)](const TReply& reply) mutable {
        if (Phase != TPhase::Waiting) return;
        Phase = TPhase::Running;
        LastVerdict = reply.Verdict;
        if (reply.Verdict == TVerdict::CannotSend) {
            BytesOut -= size;
            --Exchanges;
        }
        // A read that met no answer is safe to repeat; a write never is.
        if (reply.Verdict == TVerdict::NoAnswer && IsRead(reply.Code) && retries > 0 && !StopAsked)
            return AskVerdict(request, std::move(onReply), retries - 1);
        onReply(reply);
    });
}

void TUnitRun::Ask(const QByteArray& request, THandler then, TFailHandler fail) {
    Ask(request, std::move(then), std::move(fail), Job.Retries);
}

QString TUnitRun::Kind() const {
    if (ExitStatus == ExitDone) return {};
    if (!FailureKind.isEmpty()) return FailureKind;
    if (ExitStatus == ExitRefused) return QStringLiteral("refused");
    if (ExitStatus == ExitDiffers) return QStringLiteral("differs");
    switch (LastVerdict.value_or(TVerdict::CannotSend)) {
    case TVerdict::NoAnswer:
        return QStringLiteral("no_answer");
    case TVerdict::Broken:
    case TVerdict::Answered:
        return QStringLiteral("broken_answer");
    case TVerdict::Refused:
        return QStringLiteral("refused");
    case TVerdict::CannotSend:
    case TVerdict::PortFailed:
        break;
    }
    return QStringLiteral("not_sent");
}

void TUnitRun::Finish(int status, const QString& error) {
    if (Phase == TPhase::Closing || Phase == TPhase::Done) return;
    ExitStatus = status;
    if (!error.isEmpty()) Error = error;
    // --changed-only: a unit that was programmed says so first, failed or not.
    if (Details.value(QStringLiteral("changed")).toBool())
        Result =
            QStringLiteral("changed: true") + (Result.isEmpty() ? QString() : QLatin1Char('\n') + Result);
    VerdictMs = Clock->NowMs();
    // The cycle rests after closing, as the window does; the next program may
    // open at once.
    Phase = TPhase::Closing;
    Cycle->Close([this] {
        Phase = TPhase::Done;
        emit Finished();
    });
}

void TUnitRun::Version() {
    Ask(Msg::ReadVersion(), [this](const QByteArray& answer) {
        Result = VersionText(answer);
        Verdict = QStringLiteral("read");
        Details.insert(QStringLiteral("version"), Result);
        Finish(ExitDone);
    });
}

// Programmed ranges; for --active, the active ones as the window's lower R asks
// for them, with the range the programmed read selected.
void TUnitRun::Read() {
    Ask(Msg::ReadPermIn(), [this](const QByteArray& answer) {
        In = Msg::DecodeInputReport(answer);
        const auto readOutput = [this] {
            Ask(Msg::ReadPermOut(), [this](const QByteArray& answer) {
                Out = Msg::DecodeOutputReport(answer);
                const auto present = [this] {
                    Result = ReadText(In, Out, Job.Active);
                    Verdict = QStringLiteral("read");
                    Details.insert(QStringLiteral("unit"), JsonObject(ReadJson(In, Out, Job.Active)));
                    Finish(ExitDone);
                };
                if (!Job.Active) return present();
                Ask(Msg::ReadActiveOut(Out.Range), [this, present](const QByteArray& answer) {
                    Out = Msg::DecodeOutputReport(answer);
                    present();
                });
            });
        };
        if (!Job.Active) return readOutput();
        Ask(Msg::ReadActiveIn(In.RangeCode), [this, readOutput](const QByteArray& answer) {
            In = Msg::DecodeInputReport(answer);
            readOutput();
        });
    });
}

void TUnitRun::Dump() {
    Ask(Msg::ReadPermIn(), [this](const QByteArray& answer) {
        In = Msg::DecodeInputReport(answer);
        Ask(Msg::ReadPermOut(), [this](const QByteArray& answer) {
            Out = Msg::DecodeOutputReport(answer);
            // A settings file holds numbers only: a value that is none is a
            // broken answer, not a file that apply would refuse.
            const std::pair<const char*, float> values[] = {{"input.eu_min", In.EuMin},
                                                            {"input.eu_max", In.EuMax},
                                                            {"output.min", Out.OutMin},
                                                            {"output.max", Out.OutMax},
                                                            {"output.alarm_limit", Out.AlarmLimit},
                                                            {"output.dead_band", Out.DeadBand}};
            for (const auto& [field, value] : values)
                if (!std::isfinite(value))
                    return Finish(
                        ExitNoAnswer,
                        QStringLiteral("broken answer: %1 is not a number").arg(QLatin1String(field)));
            Result = SettingsText(In, Out);
            Verdict = QStringLiteral("read");
            Details.insert(QStringLiteral("settings"), JsonObject(Result));
            Finish(ExitDone);
        });
    });
}

// With --expect-version, the version first: a unit of another version (a
// swapped cable) is not programmed.
void TUnitRun::Apply() {
    if (Job.ExpectVersion.isNull()) return ApplyChecked();
    Ask(Msg::ReadVersion(), [this](const QByteArray& answer) {
        const QString version = VersionText(answer);
        Details.insert(QStringLiteral("version"), version);
        if (version == Job.ExpectVersion) return ApplyChecked();
        FailureKind = QStringLiteral("other_version");
        Finish(ExitDiffers, QStringLiteral("the unit's version is \"%1\", not \"%2\"; nothing written")
                                .arg(version, Job.ExpectVersion));
    });
}

// --dry-run with a port and --changed-only read the sections the file holds
// and compare them with it first: the plan of a dry run is every field that
// would change, from the unit's value to the file's.
void TUnitRun::ApplyChecked() {
    if (!Job.DryRun && !Job.ChangedOnly) return Program();
    ReadProgrammed([this] {
        const QList<TDifference> changes = CompareSettings(Job.Settings, &In, &Out);
        if (Job.DryRun) {
            QJsonArray plan;
            QStringList lines;
            for (const TDifference& d : changes) {
                plan.append(QJsonObject{{QStringLiteral("field"), d.Field},
                                        {QStringLiteral("from"), JsonValueOf(d.Found)},
                                        {QStringLiteral("to"), JsonValueOf(d.Expected)}});
                lines << QStringLiteral("%1: from %2 to %3")
                             .arg(d.Field, ValueText(d.Found), ValueText(d.Expected));
            }
            lines << (changes.isEmpty() ? QStringLiteral("nothing would change; nothing was written")
                                        : QStringLiteral("%1 field(s) would change; nothing was written")
                                              .arg(changes.size()));
            Details.insert(QStringLiteral("changes"), plan);
            Verdict = QStringLiteral("planned");
            Result = lines.join(QLatin1Char('\n'));
            return Finish(ExitDone);
        }
        Details.insert(QStringLiteral("changed"), !changes.isEmpty());
        if (!changes.isEmpty()) return Program();
        Result = QStringLiteral("changed: false; the unit holds the file's settings, nothing written");
        Verdict = QStringLiteral("same");
        Details.insert(QStringLiteral("differences"), QJsonArray());
        Finish(ExitDone);
    });
}

// As the window's S of the input panel: cmdSetPermIn, then the toolkit version,
// which goes out whatever the answer; then the output panel's S; then the
// read-back. A failure says which steps were done.
void TUnitRun::Program() {
    // A stop during the reads of --changed-only or --expect-version comes
    // before the first write: nothing is begun, so nothing is written.
    if (StopAsked) return Stopped(QStringLiteral("stopped before anything was written"));
    if (!Job.Settings.Input) return ApplyOutput();
    const TInputSettings& in = *Job.Settings.Input;
    const QString step = QStringLiteral("input range and span");
    // The toolkit version goes out after every programming, a refused one too; a
    // refusal of the programming stands whatever its answer.
    const auto toolkit = [this, step] {
        Ask(
            Msg::SetToolkitVer(ToolkitVersion),
            [this, step](const QByteArray&) {
                if (InputRefusal) return ApplyFailed(step, *InputRefusal);
                ApplyOutput();
            },
            [this, step](const TReply& reply) {
                if (InputRefusal) return ApplyFailed(step, *InputRefusal);
                ApplyFailed(QStringLiteral("toolkit version"), reply);
            });
    };
    Ask(
        Msg::SetPermIn(in.RangeCode(), in.EuMin, in.EuMax),
        [this, toolkit](const QByteArray&) {
            StepsDone << QStringLiteral("input");
            toolkit();
        },
        [this, step, toolkit](const TReply& reply) {
            if (reply.Verdict != TVerdict::Refused) return ApplyFailed(step, reply);
            InputRefusal = reply;
            toolkit();
        });
}

void TUnitRun::ApplyOutput() {
    if (!Job.Settings.Output) return ReadBack();
    const QString step = QStringLiteral("output settings");
    Ask(
        Msg::SetPermOut(*Job.Settings.Output),
        [this](const QByteArray&) {
            StepsDone << QStringLiteral("output");
            ReadBack();
        },
        [this, step](const TReply& reply) { ApplyFailed(step, reply); });
}

QString TUnitRun::StepsDoneText(bool refused) const {
    QStringList done;
    if (StepsDone.contains(QLatin1String("input"))) done << QStringLiteral("input range and span programmed");
    if (StepsDone.contains(QLatin1String("output"))) done << QStringLiteral("output settings programmed");
    if (done.isEmpty())
        done << (refused ? QStringLiteral("nothing programmed") : QStringLiteral("no step confirmed"));
    return done.join(QStringLiteral(", "));
}

void TUnitRun::ApplyFailed(const QString& step, const TReply& reply) {
    const bool refused = reply.Verdict == TVerdict::Refused;
    const int status = refused ? ExitRefused : ExitNoAnswer;
    // Without a proper answer nobody knows whether the unit took the step.
    const QString message =
        QStringLiteral("%1; %2 %3: %4")
            .arg(StepsDoneText(refused), step,
                 refused ? QStringLiteral("not programmed") : QStringLiteral("not confirmed"),
                 VerdictText(reply));
    if (!refused && reply.Verdict != TVerdict::Broken) return Finish(status, message);
    // The line answers: say what the unit holds now, from reports it accepted.
    const auto unread = [this, status, message](const TReply&) {
        Finish(status, message + QStringLiteral("; the unit's state could not be read"));
    };
    Ask(
        Msg::ReadPermIn(),
        [this, status, message, unread](const QByteArray& answer) {
            const Msg::TInputReport in = Msg::DecodeInputReport(answer);
            Ask(
                Msg::ReadPermOut(),
                [this, status, message, in](const QByteArray& answer) {
                    const Msg::TOutputReport out = Msg::DecodeOutputReport(answer);
                    Finish(status,
                           QStringLiteral("%1; the unit now holds %2, %3 to %4, and %5, %6 to %7")
                               .arg(message, InName(in.RangeCode), SingleText(in.EuMin), SingleText(in.EuMax),
                                    OutName(out.Range), SingleText(out.OutMin), SingleText(out.OutMax)));
                },
                unread);
        },
        unread);
}

// Every step was confirmed: a read-back that fails is no refusal of the
// programming, and it says so first (status 4, as a read-back that differs).
void TUnitRun::ReadBack() {
    ReadProgrammed(
        [this] {
            FinishComparison(QStringLiteral("applied"), QStringLiteral("read back"),
                             QStringLiteral("applied, read back the same"), QStringLiteral("applied"),
                             QStringLiteral("the read-back differs in %1 field(s)"));
        },
        [this](const TReply& reply) {
            Finish(ExitDiffers,
                   QStringLiteral("%1; not read back: %2").arg(StepsDoneText(false), VerdictText(reply)));
        });
}

// The programmed settings of the unit, compared with the file as apply compares
// its read-back; nothing is written.
void TUnitRun::Verify() {
    ReadProgrammed([this] {
        FinishComparison(QStringLiteral("file"), QStringLiteral("unit"),
                         QStringLiteral("the same as the file"), QStringLiteral("same"),
                         QStringLiteral("the unit differs from the file in %1 field(s)"));
    });
}

void TUnitRun::ReadProgrammed(const std::function<void()>& then, const TFailHandler& fail) {
    const auto output = [this, then, fail] {
        if (!Job.Settings.Output) return then();
        Ask(
            Msg::ReadPermOut(),
            [this, then](const QByteArray& answer) {
                Out = Msg::DecodeOutputReport(answer);
                then();
            },
            fail);
    };
    if (!Job.Settings.Input) return output();
    Ask(
        Msg::ReadPermIn(),
        [this, output](const QByteArray& answer) {
            In = Msg::DecodeInputReport(answer);
            output();
        },
        fail);
}

void TUnitRun::FinishComparison(const QString& expected, const QString& found, const QString& same,
                                const QString& sameVerdict, const QString& differs) {
    QJsonArray list;
    for (const TDifference& d : CompareSettings(Job.Settings, &In, &Out)) {
        Differences << QStringLiteral("%1: %2 %3, %4 %5")
                           .arg(d.Field, expected, ValueText(d.Expected), found, ValueText(d.Found));
        list.append(QJsonObject{{QStringLiteral("field"), d.Field},
                                {QStringLiteral("expected"), JsonValueOf(d.Expected)},
                                {QStringLiteral("found"), JsonValueOf(d.Found)}});
    }
    Details.insert(QStringLiteral("differences"), list);
    if (Differences.isEmpty()) {
        Result = same;
        Verdict = sameVerdict;
        return Finish(ExitDone);
    }
    Result = Differences.join(QLatin1Char('\n'));
    Verdict = QStringLiteral("differs");
    Finish(ExitDiffers, differs.arg(Differences.size()));
}

void TUnitRun::SetMode() {
    Ask(Msg::SetMode(Job.Mode), [this](const QByteArray& answer) {
        const bool cal = Msg::DecodeMode(answer) != 0;
        Result = ReportText::Mode(cal);
        Details.insert(QStringLiteral("mode"), Result);
        if (cal != (Job.Mode != 0))
            return Finish(ExitRefused, QStringLiteral("the transmitter stayed in %1 mode").arg(Result));
        Verdict = QStringLiteral("set");
        Finish(ExitDone);
    });
}

// The programmed ranges first, then active readings a line per interval, each
// read with the range the last answer named, as the window's lower R does.
void TUnitRun::Watch() {
    Ask(Msg::ReadPermIn(), [this](const QByteArray& answer) {
        In = Msg::DecodeInputReport(answer);
        InCode = In.RangeCode;
        Ask(Msg::ReadPermOut(), [this](const QByteArray& answer) {
            Out = Msg::DecodeOutputReport(answer);
            OutRange = Out.Range;
            NextLineMs = Clock->NowMs();
            Verdict = QStringLiteral("watched");
            if (StopAsked) return Finish(ExitDone);
            WatchLine();
        });
    });
}

void TUnitRun::WatchLine() {
    NextLineMs += Job.IntervalMs;
    const QString time = TimeNow();
    Ask(Msg::ReadActiveIn(InCode), [this, time](const QByteArray& answer) {
        In = Msg::DecodeInputReport(answer);
        InCode = In.RangeCode;
        Ask(Msg::ReadActiveOut(OutRange), [this, time](const QByteArray& answer) {
            Out = Msg::DecodeOutputReport(answer);
            OutRange = Out.Range;
            // The columns carry the units of the active ranges, whose readings
            // these are: a unit keeps its old ranges active until a power cycle.
            if (const QString header = WatchHeader(In, Out); header != LastHeader)
                emit Header(LastHeader = header);
            emit Line(Job.Json   ? WatchJson(time, In, Out)
                      : Job.Long ? WatchLongLines(PortName, time, In, Out)
                                 : ::WatchLine(time, In, Out));
            ++LinesWritten;
            Details.insert(QStringLiteral("lines"), LinesWritten);
            if (StopAsked || (Job.Count > 0 && LinesWritten >= Job.Count)) return Finish(ExitDone);
            // A line that took longer than the interval is followed at once.
            if (NextLineMs < Clock->NowMs()) NextLineMs = Clock->NowMs();
        });
    });
}
