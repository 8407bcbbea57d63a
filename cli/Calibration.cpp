#include "Calibration.h"

#include "../link/Clock.h"
#include "../link/Commands.h"
#include "../link/Cycle.h"
#include "../ranges/InRanges.h"
#include "../ranges/NumberFormat.h"
#include "../ranges/OutRanges.h"
#include "UnitRun.h"

#include <QCommandLineParser>
#include <QDateTime>
#include <QJsonDocument>
#include <QPointer>
#include <QSaveFile>
#include <QSocketNotifier>
#include <algorithm>
#include <cmath>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const IRange& InRow(uint8_t code) {
    int wiring = 0;
    return InRanges[CodeToRange(code, wiring)];
}

int Decimals(const QString& pattern) {
    const qsizetype dot = pattern.indexOf(QLatin1Char('.'));
    return dot < 0 ? 0 : int(pattern.size() - dot - 1);
}

double Rounded(double value, int decimals) {
    const double scale = std::pow(10.0, decimals);
    return std::round(value * scale) / scale;
}

// A test point as given: 25, 12.5.
QString PercentText(double value) {
    return QString::number(value, 'g', 6);
}

QString Pct(double value) {
    return FormatFloat(value, QStringLiteral("0.000"));
}

std::optional<double> Number(const QString& text) {
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value)) return std::nullopt;
    return value;
}

// The output signal the unit's stored codes give a DAC code, as CalcOutput draws it.
double OutputOf(const Msg::TOutputReport& out, int code) {
    const ORange& row = OutRanges[out.Range < OutRangeCount ? out.Range : 0];
    if (out.FullCode == out.ZeroCode) return std::nan("");
    return row.ZeroScale + (double(row.FullScale) - row.ZeroScale) / (double(out.FullCode) - out.ZeroCode) *
                               (double(code) - out.ZeroCode);
}

QString Verdict(bool pass) {
    return pass ? QStringLiteral("pass") : QStringLiteral("fail");
}

// The error of a point that decides its verdict: the largest of the measured ones.
double PointError(double eng, double out, std::optional<double> meter) {
    double worst = eng;
    if (std::fabs(out) > std::fabs(worst)) worst = out;
    if (meter && std::fabs(*meter) > std::fabs(worst)) worst = *meter;
    return worst;
}
} // namespace

// ---- Options ----

const char* const CheckUsage =
    "check [--points LIST] [--tolerance PERCENT] [--applied FILE|-] [--meter] [--settle SECONDS]\n"
    "       [--reference-id TEXT] [--by TEXT] [--record FILE] [--certificate FILE]\n"
    "       [--as-left-after input|output|input,output [calibrate's options]]";
const char* const CheckHelp =
    "Checks the unit at test points given in % of the programmed span (default\n"
    "0,25,50,75,100). For each point it names the signal to apply in the engineering\n"
    "unit and waits for Enter (or a typed value: the one really applied); with\n"
    "--applied it reads the applied values one a line from FILE (- standard input)\n"
    "without asking. It waits until the reading is steady (3 reads 0.25 s apart\n"
    "within the display's last digit, at most --settle seconds, default 10), reads\n"
    "the engineering value and the output, and prints a table row: errors in % of\n"
    "span, of the reading against the applied value and of the output against the\n"
    "ideal output for it. --meter asks for the meter's reading of the output at each\n"
    "point (Enter: none) and gives its error too. A point passes when every error\n"
    "is within --tolerance (default 0.25 %). Exit status 0 when all pass, 4 when\n"
    "any fails.\n"
    "--record FILE writes the JSON record, --certificate FILE an HTML certificate for\n"
    "one A4 sheet. --reference-id and --by name the reference instrument and the\n"
    "technician.\n"
    "--as-left-after WHAT checks as found, runs 'calibrate WHAT', checks as left,\n"
    "and puts all three in one record; the exit status is the as-left verdict.";
const char* const CalibrateUsage =
    "calibrate input|output|input,output [--applied FILE|-] [--switch-mode] [--yes]\n"
    "       [--settle SECONDS] [--trim-tolerance PERCENT] [--max-steps N]";
const char* const CalibrateHelp =
    "Calibrates the programmed range of the unit, which must be in CAL mode: with\n"
    "--switch-mode a unit in RUN mode is switched to CAL and back to RUN after it;\n"
    "without it such a unit is refused (status 2, nothing written).\n"
    "input: asks for the zero-scale signal (0 in the raw unit), waits for a steady\n"
    "reading and writes the zero calibration (cmdCalZero); then asks for the\n"
    "full-scale signal, takes the value really applied (typed, or Enter for the\n"
    "range's full scale) and writes it (cmdCalFull). With --applied the two values\n"
    "come one a line from FILE (- standard input), the first 0.\n"
    "output: for the zero and then the full code, drives the DAC (cmdSetDac) from\n"
    "the stored code, asks for the meter's reading at each step, and takes the next\n"
    "code from the last two readings (secant), until the reading is within\n"
    "--trim-tolerance (default 0.01 % of the range's span) or after --max-steps\n"
    "(default 10); then stores the code (cmdWriteOutZero, cmdWriteOutFull).\n"
    "Every write is asked for first (y to write); --yes writes without asking.\n"
    "Exit status 4 when a DAC code did not come within the tolerance.";

QList<QCommandLineOption> CalOptions(bool check) {
    QList<QCommandLineOption> options{
        {QStringLiteral("applied"), QStringLiteral("Applied values, one a line."), QStringLiteral("FILE|-")},
        {QStringLiteral("settle"), QStringLiteral("Seconds to wait for a steady reading."),
         QStringLiteral("SECONDS")},
        {QStringLiteral("switch-mode"), QStringLiteral("Switch a unit in RUN mode to CAL and back.")},
        {QStringLiteral("yes"), QStringLiteral("Write without asking.")},
        {QStringLiteral("trim-tolerance"), QStringLiteral("DAC trim tolerance, % of the output span."),
         QStringLiteral("PERCENT")},
        {QStringLiteral("max-steps"), QStringLiteral("DAC trim steps at most."), QStringLiteral("N")},
    };
    if (check)
        options += QList<QCommandLineOption>{
            {QStringLiteral("points"), QStringLiteral("Test points, % of span."), QStringLiteral("LIST")},
            {QStringLiteral("tolerance"), QStringLiteral("% of span."), QStringLiteral("PERCENT")},
            {QStringLiteral("meter"), QStringLiteral("Ask for the meter's reading of the output.")},
            {QStringLiteral("reference-id"), QStringLiteral("The reference instrument."),
             QStringLiteral("TEXT")},
            {QStringLiteral("by"), QStringLiteral("The technician."), QStringLiteral("TEXT")},
            {QStringLiteral("record"), QStringLiteral("The JSON record."), QStringLiteral("FILE")},
            {QStringLiteral("certificate"), QStringLiteral("The HTML certificate."), QStringLiteral("FILE")},
            {QStringLiteral("as-left-after"), QStringLiteral("Calibrate, then check again."),
             QStringLiteral("input|output|input,output")},
        };
    return options;
}

namespace {
bool ParseWhat(const QString& text, TCalJob& job) {
    const QStringList parts = text.toLower().split(QLatin1Char(','));
    for (const QString& p : parts) {
        if (p == QLatin1String("input"))
            job.CalInput = true;
        else if (p == QLatin1String("output"))
            job.CalOutput = true;
        else
            return false;
    }
    return !parts.isEmpty();
}
} // namespace

bool ParseCalJob(bool check, const QCommandLineParser& parser, const QStringList& args,
                 const std::function<QByteArray(const QString&, QString*)>& readFile, TCalJob& job,
                 QString* error) {
    const QString name = check ? QStringLiteral("check") : QStringLiteral("calibrate");
    const auto fail = [&](const QString& text) {
        *error = QStringLiteral("%1: %2").arg(name, text);
        return false;
    };
    job = TCalJob{};
    if (check) {
        job.CheckBefore = true;
        if (parser.isSet(QStringLiteral("as-left-after"))) {
            if (!ParseWhat(parser.value(QStringLiteral("as-left-after")), job))
                return fail(QStringLiteral("--as-left-after takes input, output or input,output"));
            job.CheckAfter = true;
        }
        if (parser.isSet(QStringLiteral("points"))) {
            job.Points.clear();
            for (const QString& p : parser.value(QStringLiteral("points")).split(QLatin1Char(','))) {
                const std::optional<double> v = Number(p);
                if (!v || *v < 0 || *v > 100)
                    return fail(QStringLiteral("--points wants percentages from 0 to 100, comma-separated"));
                job.Points << *v;
            }
        }
        if (parser.isSet(QStringLiteral("tolerance"))) {
            const std::optional<double> v = Number(parser.value(QStringLiteral("tolerance")));
            if (!v || *v <= 0 || *v > 100)
                return fail(QStringLiteral("--tolerance wants a percentage above 0"));
            job.Tolerance = *v;
        }
        job.Meter = parser.isSet(QStringLiteral("meter"));
        job.ReferenceId = parser.value(QStringLiteral("reference-id"));
        job.By = parser.value(QStringLiteral("by"));
        job.RecordFile = parser.value(QStringLiteral("record"));
        job.CertificateFile = parser.value(QStringLiteral("certificate"));
    } else if (args.size() != 1 || !ParseWhat(args.first(), job)) {
        return fail(QStringLiteral("calibrate takes input, output or input,output"));
    }
    if (parser.isSet(QStringLiteral("settle"))) {
        const std::optional<double> v = Number(parser.value(QStringLiteral("settle")));
        if (!v || *v <= 0 || *v > 3600) return fail(QStringLiteral("--settle wants seconds above 0"));
        job.SettleLimitMs = int(std::lround(*v * 1000));
    }
    if (parser.isSet(QStringLiteral("trim-tolerance"))) {
        const std::optional<double> v = Number(parser.value(QStringLiteral("trim-tolerance")));
        if (!v || *v <= 0 || *v > 10)
            return fail(QStringLiteral("--trim-tolerance wants a percentage above 0"));
        job.TrimTolerance = *v;
    }
    if (parser.isSet(QStringLiteral("max-steps"))) {
        bool ok = false;
        job.MaxSteps = parser.value(QStringLiteral("max-steps")).toInt(&ok);
        if (!ok || job.MaxSteps < 1 || job.MaxSteps > 1000)
            return fail(QStringLiteral("--max-steps wants 1 to 1000"));
    }
    job.SwitchMode = parser.isSet(QStringLiteral("switch-mode"));
    job.Yes = parser.isSet(QStringLiteral("yes"));
    if (parser.isSet(QStringLiteral("applied"))) {
        job.Applied = true;
        const QString file = parser.value(QStringLiteral("applied"));
        if (file == QLatin1String("-")) {
            job.AppliedFromInput = true;
        } else {
            QString readError;
            const QByteArray text = readFile ? readFile(file, &readError) : QByteArray();
            if (!readError.isEmpty()) return fail(QStringLiteral("%1: %2").arg(file, readError));
            for (const QString& line : QString::fromUtf8(text).split(QLatin1Char('\n'))) {
                if (line.trimmed().isEmpty()) continue;
                if (!Number(line))
                    return fail(QStringLiteral("%1: '%2' is not a number").arg(file, line.trimmed()));
                job.AppliedLines << line.trimmed();
            }
        }
    }
    return true;
}

// ---- The steady reading and the trim ----

bool IsSteady(const QList<double>& values, int decimals) {
    if (values.size() < SteadyReads) return false;
    const auto last = values.mid(values.size() - SteadyReads);
    const auto [lo, hi] = std::minmax_element(last.begin(), last.end());
    // One step of the display, with room for the single's rounding.
    return *hi - *lo <= std::pow(10.0, -decimals) * 1.0001;
}

int NextTrimCode(const QList<QPair<int, double>>& steps, double target, double nominalSlope) {
    const QPair<int, double> last = steps.last();
    double slope = nominalSlope;
    if (steps.size() >= 2) {
        const QPair<int, double> before = steps[steps.size() - 2];
        // A secant through two readings of one code, or one that runs against the
        // DAC's direction (noise), says nothing: the nominal slope instead.
        if (last.first != before.first) {
            const double secant = (last.second - before.second) / double(last.first - before.first);
            if (secant * nominalSlope > 0) slope = secant;
        }
    }
    const double next = last.first + (target - last.second) / slope;
    return int(std::clamp(std::lround(next), 0L, 65535L));
}

// ---- The run ----

TCalRun::TCalRun(const QString& port, const TCalJob& job, TClock* clock, TAsk ask, TFinish finish,
                 QObject* parent)
    : QObject(parent), Port(port), Job(job), Clock(clock), Ask(std::move(ask)),
      FinishUnit(std::move(finish)) {
    connect(Clock, &TClock::Ticked, this, &TCalRun::Tick);
}

void TCalRun::Tick() {
    if (Ended) return;
    if (LineAction && LineArrived) {
        auto action = std::move(LineAction);
        const std::optional<QString> line = *LineArrived;
        LineAction = nullptr;
        LineArrived.reset();
        return action(line);
    }
    if (DueAction && Clock->NowMs() >= DueMs) {
        auto action = std::move(DueAction);
        DueAction = nullptr;
        action();
    }
}

void TCalRun::After(int ms, std::function<void()> then) {
    if (Stopping) return Fail(ExitNoAnswer, QStringLiteral("stopped; nothing more was written"));
    DueMs = Clock->NowMs() + ms;
    DueAction = std::move(then);
}

void TCalRun::WaitLine(std::function<void(std::optional<QString>)> then) {
    if (Stopping) return Fail(ExitNoAnswer, QStringLiteral("stopped; nothing more was written"));
    LineAction = std::move(then);
    LineArrived.reset();
    if (!Job.ReadLine) {
        LineArrived = std::optional<QString>();
        return;
    }
    QPointer<TCalRun> self(this);
    Job.ReadLine([self](std::optional<QString> line) {
        if (self) self->LineArrived = std::move(line);
    });
}

void TCalRun::Send(const QByteArray& request, THandler then) {
    if (Stopping) return Fail(ExitNoAnswer, QStringLiteral("stopped; nothing more was written"));
    Ask(request, std::move(then), [this](const TReply& reply) {
        Fail(reply.Verdict == TVerdict::Refused ? ExitRefused : ExitNoAnswer, VerdictText(reply));
    });
}

void TCalRun::Stop() {
    Stopping = true;
    // Waiting for the technician or the clock: nothing is out, so end now. With
    // a request out, the next step ends it.
    if (LineAction || DueAction) {
        LineAction = nullptr;
        DueAction = nullptr;
        Fail(ExitNoAnswer, QStringLiteral("stopped; nothing more was written"));
    }
}

void TCalRun::Fail(int status, const QString& error) {
    if (Ended) return;
    Ended = true;
    LineAction = nullptr;
    DueAction = nullptr;
    if (!Switched) return FinishUnit(status, error);
    Switched = false;
    // Whatever went wrong, a unit this run put into CAL mode goes back to RUN.
    Ask(
        Msg::SetMode(0),
        [this, status, error](const QByteArray&) {
            emit Line(QStringLiteral("switched the unit back to RUN mode"));
            FinishUnit(status, error);
        },
        [this, status, error](const TReply&) {
            FinishUnit(status, error + QStringLiteral("; the unit may still be in CAL mode"));
        });
}

void TCalRun::InputEnded(const QString& where) {
    Fail(ExitNoAnswer, QStringLiteral("the input ended %1; nothing more was written").arg(where));
}

void TCalRun::NextApplied(const QString& prompt, std::function<void(std::optional<QString>)> then) {
    if (Job.Applied && !Job.AppliedFromInput) {
        emit Line(prompt);
        // A value from the file: taken at the next tick, as a typed line is.
        std::optional<QString> line;
        if (!Job.AppliedLines.isEmpty()) line = Job.AppliedLines.takeFirst();
        if (Stopping) return Fail(ExitNoAnswer, QStringLiteral("stopped; nothing more was written"));
        LineAction = std::move(then);
        LineArrived = line;
        return;
    }
    emit Line(Job.Applied ? prompt : prompt + QStringLiteral(", then press Enter"));
    WaitLine(std::move(then));
}

void TCalRun::Confirm(const QString& question, std::function<void(bool)> then) {
    if (Job.Yes) {
        emit Line(question + QStringLiteral(" yes (--yes)"));
        return then(true);
    }
    emit Line(question + QStringLiteral(" [y/N]"));
    WaitLine([this, question, then](std::optional<QString> line) {
        if (!line) return InputEnded(QStringLiteral("before the answer to: ") + question);
        const QString answer = line->trimmed().toLower();
        then(answer == QLatin1String("y") || answer == QLatin1String("yes"));
    });
}

void TCalRun::AskNumber(const QString& prompt, bool emptyAllowed,
                        std::function<void(std::optional<double>)> then) {
    emit Line(prompt);
    WaitLine([this, prompt, emptyAllowed, then](std::optional<QString> line) {
        if (!line) return InputEnded(QStringLiteral("before: ") + prompt);
        if (line->trimmed().isEmpty() && emptyAllowed) return then(std::nullopt);
        const std::optional<double> v = Number(*line);
        if (v) return then(v);
        emit Line(QStringLiteral("'%1' is not a number").arg(line->trimmed()));
        AskNumber(prompt, emptyAllowed, then);
    });
}

void TCalRun::WaitSteady(std::function<void(const Msg::TInputReport&, bool)> then) {
    SteadyValues.clear();
    SteadySinceMs = Clock->NowMs();
    SteadyThen = std::move(then);
    SteadyRead();
}

void TCalRun::SteadyRead() {
    Send(Msg::ReadActiveIn(InPerm.RangeCode), [this](const QByteArray& answer) {
        const Msg::TInputReport in = Msg::DecodeInputReport(answer);
        if (in.Status == 0)
            return Fail(ExitRefused, QStringLiteral("the transmitter refused cmdReadActiveIn (status 0)"));
        // The span, the formats and a calibration belong to the programmed range:
        // a unit measuring another one (selected for the moment) is not checked.
        if (in.RangeCode != InPerm.RangeCode) {
            int wiring = 0;
            const IRange& active = InRanges[CodeToRange(in.RangeCode, wiring)];
            return Fail(
                ExitBadInput,
                QStringLiteral("the unit measures %1%2, not its programmed %3: select that range or power "
                               "the unit off and on; nothing was written")
                    .arg(active.Name,
                         active.HasWiring ? QStringLiteral(", ") + WiringNames[wiring] : QString(),
                         InRow(InPerm.RangeCode).Name));
        }
        SteadyValues << in.Eng;
        if (IsSteady(SteadyValues, Decimals(InRow(InPerm.RangeCode).EngFormat))) return SteadyThen(in, true);
        if (Clock->NowMs() - SteadySinceMs >= Job.SettleLimitMs) return SteadyThen(in, false);
        After(SteadyIntervalMs, [this] { SteadyRead(); });
    });
}

void TCalRun::Start() {
    StartUtc = QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
    Send(Msg::ReadVersion(), [this](const QByteArray& answer) {
        Version = Msg::DecodeVersion(answer);
        for (QChar& c : Version)
            if (c.category() == QChar::Other_Control) c = QLatin1Char('?');
        Send(Msg::ReadPermIn(), [this](const QByteArray& answer) {
            InPerm = Msg::DecodeInputReport(answer);
            if (InPerm.Status == 0)
                return Fail(ExitRefused, QStringLiteral("the transmitter refused cmdReadPermIn (status 0)"));
            Send(Msg::ReadPermOut(), [this](const QByteArray& answer) {
                OutPerm = Msg::DecodeOutputReport(answer);
                if (OutPerm.Status == 0)
                    return Fail(ExitRefused,
                                QStringLiteral("the transmitter refused cmdReadPermOut (status 0)"));
                StartMode = InPerm.Mode;
                const IRange& in = InRow(InPerm.RangeCode);
                const ORange& out = OutRanges[OutPerm.Range];
                emit Line(QStringLiteral("unit %1: input %2, %3 to %4%5; output %6, %7 to %8 %9%10")
                              .arg(Version, in.Name, FormatFloat(InPerm.EuMin, in.EngFormat),
                                   FormatFloat(InPerm.EuMax, in.EngFormat), in.EngUnit, out.Name,
                                   FormatFloat(OutPerm.OutMin, out.Format),
                                   FormatFloat(OutPerm.OutMax, out.Format), out.Unit,
                                   OutPerm.Invert ? QStringLiteral(", inverted") : QString()));
                Phases();
            });
        });
    });
}

void TCalRun::Phases() {
    switch (Phase++) {
    case 0: // the mode, before anything is measured: a calibration the unit cannot take is refused now
        if ((Job.CalInput || Job.CalOutput) && StartMode == 0 && !Job.SwitchMode)
            return Fail(ExitBadInput,
                        QStringLiteral("the unit is in RUN mode: switch it with 'mode cal' first, or give "
                                       "--switch-mode; nothing was written"));
        return Phases();
    case 1:
        if (!Job.CheckBefore) return Phases();
        AsLeft = false;
        emit Line(Job.CheckAfter || Job.CalInput || Job.CalOutput ? QStringLiteral("as found:")
                                                                  : QStringLiteral("check:"));
        emit Line(TableHeader());
        return CheckPoint(0);
    case 2: // as found in the mode the unit was in; calibrated in CAL mode
        if (!Job.CalInput && !Job.CalOutput) return Phases();
        if (StartMode != 0) {
            emit Line(QStringLiteral("the unit is in CAL mode; it stays so"));
            return Phases();
        }
        return Send(Msg::SetMode(1), [this](const QByteArray& answer) {
            if (Msg::DecodeMode(answer) == 0)
                return Fail(ExitRefused, QStringLiteral("the transmitter stayed in RUN mode"));
            Switched = true;
            emit Line(QStringLiteral(
                "switched the unit to CAL mode for the calibration; it goes back to RUN mode after it"));
            Phases();
        });
    case 3:
        if (!Job.CalInput) return Phases();
        return CalInputZero();
    case 4:
        if (!Job.CalOutput) return Phases();
        return TrimOutput(false);
    case 5:
        if (!Switched) return Phases();
        return Send(Msg::SetMode(0), [this](const QByteArray&) {
            Switched = false;
            emit Line(QStringLiteral("switched the unit back to RUN mode"));
            Phases();
        });
    case 6:
        if (!Job.CheckAfter) return Phases();
        AsLeft = true;
        emit Line(QStringLiteral("as left:"));
        emit Line(TableHeader());
        return CheckPoint(0);
    default:
        return Done();
    }
}

// ---- check ----

QString TCalRun::TableHeader() const {
    const IRange& in = InRow(InPerm.RangeCode);
    const QString eu = in.EngUnit.trimmed(), ou = OutRanges[OutPerm.Range].Unit;
    QString header = QStringLiteral("%1 %2 %3 %4 %5 %6 %7")
                         .arg(QStringLiteral("point %"), 7)
                         .arg(QStringLiteral("applied ") + eu, 11)
                         .arg(QStringLiteral("read ") + eu, 10)
                         .arg(QStringLiteral("err %"), 7)
                         .arg(QStringLiteral("output ") + ou, 9)
                         .arg(QStringLiteral("ideal ") + ou, 9)
                         .arg(QStringLiteral("err %"), 7);
    if (Job.Meter)
        header +=
            QStringLiteral(" %1 %2").arg(QStringLiteral("meter ") + ou, 9).arg(QStringLiteral("err %"), 7);
    return header + QStringLiteral("  verdict");
}

QString TCalRun::TableRow(const TPoint& p) const {
    const IRange& in = InRow(InPerm.RangeCode);
    const QString of = OutRanges[OutPerm.Range].Format;
    QString row = QStringLiteral("%1 %2 %3 %4 %5 %6 %7")
                      .arg(PercentText(p.Percent), 7)
                      .arg(FormatFloat(p.Applied, in.EngFormat), 11)
                      .arg(FormatFloat(p.Eng, in.EngFormat), 10)
                      .arg(Pct(p.EngError), 7)
                      .arg(FormatFloat(p.Output, of), 9)
                      .arg(FormatFloat(p.Ideal, of), 9)
                      .arg(Pct(p.OutError), 7);
    if (Job.Meter)
        row += QStringLiteral(" %1 %2")
                   .arg(p.Meter ? FormatFloat(*p.Meter, of) : QStringLiteral("-"), 9)
                   .arg(p.MeterError ? Pct(*p.MeterError) : QStringLiteral("-"), 7);
    row += QStringLiteral("  ") + (p.Pass ? QStringLiteral("pass") : QStringLiteral("FAIL"));
    if (!p.Steady) row += QStringLiteral(" (not steady)");
    return row;
}

void TCalRun::CheckPoint(int index) {
    PointIndex = index;
    QList<TPoint>& points = AsLeft ? Left : Found;
    if (index >= Job.Points.size()) {
        const auto failed =
            std::count_if(points.begin(), points.end(), [](const TPoint& p) { return !p.Pass; });
        emit Line(failed ? QStringLiteral("%1 of %2 points outside ±%3 % of span")
                               .arg(failed)
                               .arg(points.size())
                               .arg(Job.Tolerance)
                         : QStringLiteral("every point within ±%1 % of span").arg(Job.Tolerance));
        return Phases();
    }
    const IRange& in = InRow(InPerm.RangeCode);
    Current = TPoint{};
    Current.Percent = Job.Points[index];
    Current.Target = InPerm.EuMin + (double(InPerm.EuMax) - InPerm.EuMin) * Current.Percent / 100.0;
    const QString target = FormatFloat(Current.Target, in.EngFormat, in.EngUnit);
    NextApplied(QStringLiteral("point %1/%2: apply %3 (%4 % of %5 to %6)")
                    .arg(index + 1)
                    .arg(Job.Points.size())
                    .arg(target, PercentText(Current.Percent), FormatFloat(InPerm.EuMin, in.EngFormat),
                         FormatFloat(InPerm.EuMax, in.EngFormat)),
                [this, index](std::optional<QString> line) {
                    if (!line) return InputEnded(QStringLiteral("before point %1").arg(index + 1));
                    if (line->trimmed().isEmpty() && !Job.Applied) {
                        Current.Applied = Current.Target;
                    } else if (const std::optional<double> v = Number(*line)) {
                        Current.Applied = *v;
                    } else if (Job.Applied) {
                        return Fail(ExitBadInput,
                                    QStringLiteral("--applied: '%1' is not a number").arg(line->trimmed()));
                    } else {
                        emit Line(
                            QStringLiteral("'%1' is not a number; press Enter, or type the value applied")
                                .arg(line->trimmed()));
                        return CheckPoint(index);
                    }
                    WaitSteady([this](const Msg::TInputReport& in, bool steady) { PointRead(in, steady); });
                });
}

void TCalRun::PointRead(const Msg::TInputReport& in, bool steady) {
    Current.Eng = in.Eng;
    Current.Steady = steady;
    Send(Msg::ReadActiveOut(OutPerm.Range), [this](const QByteArray& answer) {
        const Msg::TOutputReport out = Msg::DecodeOutputReport(answer);
        if (out.Status == 0)
            return Fail(ExitRefused, QStringLiteral("the transmitter refused cmdReadActiveOut (status 0)"));
        Current.Output = OutputOf(out, out.DacCode);
        double fraction = (Current.Applied - InPerm.EuMin) / (double(InPerm.EuMax) - InPerm.EuMin);
        if (OutPerm.Invert) fraction = 1 - fraction;
        const double outSpan = double(OutPerm.OutMax) - OutPerm.OutMin;
        Current.Ideal = OutPerm.OutMin + fraction * outSpan;
        Current.EngError = (Current.Eng - Current.Applied) / (double(InPerm.EuMax) - InPerm.EuMin) * 100;
        Current.OutError = (Current.Output - Current.Ideal) / outSpan * 100;
        const auto finish = [this, outSpan](std::optional<double> meter) {
            Current.Meter = meter;
            if (meter) Current.MeterError = (*meter - Current.Ideal) / outSpan * 100;
            const double worst =
                std::fabs(PointError(Current.EngError, Current.OutError, Current.MeterError));
            Current.Pass = Current.Steady && std::isfinite(worst) && worst <= Job.Tolerance + 1e-9;
            emit Line(TableRow(Current));
            (AsLeft ? Left : Found) << Current;
            CheckPoint(PointIndex + 1);
        };
        if (!Job.Meter) return finish(std::nullopt);
        AskNumber(QStringLiteral("meter reading of the output in %1 (ideal %2; Enter: none)")
                      .arg(OutRanges[OutPerm.Range].Unit,
                           FormatFloat(Current.Ideal, OutRanges[OutPerm.Range].Format)),
                  true, finish);
    });
}

// ---- calibrate input ----

void TCalRun::CalInputZero() {
    const IRange& row = InRow(InPerm.RangeCode);
    const QString zero = FormatFloat(0, row.RawFormat, row.RawUnit);
    NextApplied(QStringLiteral("input zero scale: apply %1 (%2) to the input")
                    .arg(zero, FormatFloat(row.EuMin, row.EngFormat, row.EngUnit)),
                [this, zero](std::optional<QString> line) {
                    if (!line) return InputEnded(QStringLiteral("before the input zero point"));
                    if (Job.Applied && (!Number(*line) || *Number(*line) != 0))
                        return Fail(ExitBadInput,
                                    QStringLiteral("the input's zero point is %1; --applied gave '%2'; "
                                                   "nothing was written")
                                        .arg(zero, line->trimmed()));
                    WriteInputPoint(false, 0, [this] { CalInputFull(); });
                });
}

void TCalRun::CalInputFull() {
    const IRange& row = InRow(InPerm.RangeCode);
    const QString full = FormatFloat(row.RawFullScale, row.RawFormat, row.RawUnit);
    NextApplied(
        QStringLiteral("input full scale: apply %1 (%2) to the input%3")
            .arg(full, FormatFloat(row.EuMax, row.EngFormat, row.EngUnit),
                 Job.Applied ? QString() : QStringLiteral("; type the value really applied if it differs")),
        [this](std::optional<QString> line) {
            if (!line) return InputEnded(QStringLiteral("before the input full-scale point"));
            const IRange& row = InRow(InPerm.RangeCode);
            const std::optional<double> v = line->trimmed().isEmpty() && !Job.Applied
                                                ? std::optional<double>(row.RawFullScale)
                                                : Number(*line);
            // The transmitter takes a full scale above zero and up to half as much again as the range's.
            if (!v || *v <= 0 || *v > 1.5 * row.RawFullScale) {
                const QString text =
                    QStringLiteral("the full-scale value must lie above 0 and up to %1, not '%2'")
                        .arg(FormatFloat(1.5 * row.RawFullScale, row.RawFormat, row.RawUnit),
                             line->trimmed());
                if (Job.Applied)
                    return Fail(ExitBadInput, text + QStringLiteral("; nothing more was written"));
                emit Line(text);
                return CalInputFull();
            }
            WriteInputPoint(true, *v, [this] { Phases(); });
        });
}

// Waits for a steady reading, asks, and writes the calibration of the input's
// zero (cmdCalZero) or full scale (cmdCalFull at `applied`), keeping it among
// the adjustments, written or not; then `next`.
void TCalRun::WriteInputPoint(bool full, double applied, const std::function<void()>& next) {
    const QString what = full ? QStringLiteral("input full scale") : QStringLiteral("input zero");
    const QString command = full ? QStringLiteral("cmdCalFull") : QStringLiteral("cmdCalZero");
    WaitSteady([=, this](const Msg::TInputReport& in, bool steady) {
        const IRange& row = InRow(InPerm.RangeCode);
        if (!steady)
            return Fail(ExitNoAnswer, QStringLiteral("the input did not settle within %1 s; %2")
                                          .arg(Job.SettleLimitMs / 1000.0)
                                          .arg(full ? QStringLiteral("the full scale was not written")
                                                    : QStringLiteral("nothing was written")));
        const QString before = FormatFloat(in.Raw, row.RawFormat, row.RawUnit);
        const QString question =
            full ? QStringLiteral("the input reads %1; write the full-scale calibration of %2 at %3 (%4)?")
                       .arg(before, row.Name, FormatFloat(applied, row.RawFormat, row.RawUnit), command)
                 : QStringLiteral("the input reads %1; write the zero calibration of %2 (%3)?")
                       .arg(before, row.Name, command);
        Confirm(question, [=, this](bool yes) {
            QJsonObject adj{{QStringLiteral("what"), what},
                            {QStringLiteral("applied"), applied},
                            {QStringLiteral("unit"), InRow(InPerm.RangeCode).RawUnit.trimmed()},
                            {QStringLiteral("read_before"), before},
                            {QStringLiteral("written"), yes}};
            if (!yes) {
                emit Line(what + QStringLiteral(" not written"));
                Adjustments << adj;
                return next();
            }
            const QByteArray request =
                full ? Msg::CalFull(InPerm.RangeCode, float(applied)) : Msg::CalZero(InPerm.RangeCode);
            Send(request, [=, this](const QByteArray& answer) mutable {
                const Msg::TInputReport r = Msg::DecodeInputReport(answer);
                if (r.Status == 0)
                    return Fail(ExitRefused,
                                QStringLiteral("the transmitter refused %1 (status 0)").arg(command));
                const IRange& row = InRow(InPerm.RangeCode);
                const QString after = FormatFloat(r.Raw, row.RawFormat, row.RawUnit);
                adj[QStringLiteral("read_after")] = after;
                Adjustments << adj;
                emit Line(what + QStringLiteral(" calibrated: reads %1").arg(after));
                next();
            });
        });
    });
}

// ---- calibrate output ----

void TCalRun::TrimOutput(bool full) {
    const ORange& row = OutRanges[OutPerm.Range];
    TrimSteps.clear();
    TrimCode = full ? OutPerm.FullCode : OutPerm.ZeroCode;
    const double tolerance = Job.TrimTolerance / 100 * (double(row.FullScale) - row.ZeroScale);
    emit Line(QStringLiteral(
                  "output %1 scale: trimming the DAC towards %2 %3 (within ±%4 %3), from the stored code %5")
                  .arg(full ? QStringLiteral("full") : QStringLiteral("zero"),
                       FormatFloat(full ? row.FullScale : row.ZeroScale, row.Format), row.Unit,
                       FormatFloat(tolerance, QStringLiteral("0.0000")))
                  .arg(TrimCode));
    TrimStep(full);
}

void TCalRun::TrimStep(bool full) {
    const ORange& row = OutRanges[OutPerm.Range];
    const double target = full ? row.FullScale : row.ZeroScale;
    const double tolerance = Job.TrimTolerance / 100 * (double(row.FullScale) - row.ZeroScale);
    const int stored = full ? OutPerm.FullCode : OutPerm.ZeroCode;
    const QString which = full ? QStringLiteral("full") : QStringLiteral("zero");
    Send(Msg::SetDac(OutPerm.Range, uint16_t(TrimCode)), [=, this](const QByteArray&) {
        AskNumber(
            QStringLiteral("step %1: DAC code %2; meter reading in %3")
                .arg(TrimSteps.size() + 1)
                .arg(TrimCode)
                .arg(row.Unit),
            false, [=, this](std::optional<double> reading) {
                TrimSteps << qMakePair(TrimCode, *reading);
                QJsonArray steps;
                for (const auto& s : TrimSteps)
                    steps << QJsonObject{{QStringLiteral("code"), s.first},
                                         {QStringLiteral("meter"), s.second}};
                QJsonObject adj{{QStringLiteral("what"), QStringLiteral("output %1 code").arg(which)},
                                {QStringLiteral("target"), target},
                                {QStringLiteral("code_before"), stored},
                                {QStringLiteral("steps"), steps}};
                const auto next = [this, full] {
                    if (!full) return TrimOutput(true);
                    // The DAC follows the input again, as after selecting the range.
                    Send(Msg::SetTempOut(OutPerm.Range), [this](const QByteArray&) {
                        emit Line(QStringLiteral("the output follows the input again"));
                        Phases();
                    });
                };
                auto giveUp = [=, this](const QString& why) mutable {
                    TrimFailed = true;
                    adj[QStringLiteral("written")] = false;
                    Adjustments << adj;
                    emit Line(QStringLiteral("%1; the %2 code stays %3").arg(why, which).arg(stored));
                    next();
                };
                if (std::fabs(*reading - target) > tolerance) {
                    if (TrimSteps.size() >= Job.MaxSteps)
                        return giveUp(QStringLiteral("not within ±%1 %2 after %3 steps")
                                          .arg(FormatFloat(tolerance, QStringLiteral("0.0000")), row.Unit)
                                          .arg(TrimSteps.size()));
                    const int code = NextTrimCode(TrimSteps, target,
                                                  (double(row.FullScale) - row.ZeroScale) /
                                                      (OutPerm.FullCode != OutPerm.ZeroCode
                                                           ? double(OutPerm.FullCode) - OutPerm.ZeroCode
                                                           : 60000.0));
                    if (code == TrimCode)
                        return giveUp(QStringLiteral("the DAC gets no closer than code %1").arg(code));
                    TrimCode = code;
                    return TrimStep(full);
                }
                Confirm(
                    QStringLiteral(
                        "code %1 gives %2 %3 after %4 step(s); store it as the %5 code (%6, was %7)?")
                        .arg(TrimCode)
                        .arg(FormatFloat(*reading, QStringLiteral("0.0000")), row.Unit)
                        .arg(TrimSteps.size())
                        .arg(which,
                             full ? QStringLiteral("cmdWriteOutFull") : QStringLiteral("cmdWriteOutZero"))
                        .arg(stored),
                    [=, this](bool yes) mutable {
                        adj[QStringLiteral("code_after")] = TrimCode;
                        adj[QStringLiteral("written")] = yes;
                        if (!yes) {
                            Adjustments << adj;
                            emit Line(
                                QStringLiteral("the %1 code not stored; it stays %2").arg(which).arg(stored));
                            return next();
                        }
                        Msg::TOutSettings s;
                        s.Range = OutPerm.Range;
                        s.Invert = OutPerm.Invert != 0;
                        s.OutMin = OutPerm.OutMin;
                        s.OutMax = OutPerm.OutMax;
                        s.AlarmLimit = OutPerm.AlarmLimit;
                        s.DeadBand = OutPerm.DeadBand;
                        s.AlarmFlags = OutPerm.AlarmFlags & (Msg::AlarmEnabledBit | Msg::AlarmLowBit);
                        const uint16_t code = uint16_t(TrimCode);
                        Send(full ? Msg::WriteOutFull(code, s) : Msg::WriteOutZero(code, s),
                             [=, this](const QByteArray& answer) mutable {
                                 const Msg::TOutputReport r = Msg::DecodeOutputReport(answer);
                                 if (r.Status == 0)
                                     return Fail(ExitRefused,
                                                 QStringLiteral("the transmitter refused %1 (status 0)")
                                                     .arg(CommandName(r.Code)));
                                 const int kept = full ? r.FullCode : r.ZeroCode;
                                 if (kept != code)
                                     return Fail(ExitDiffers,
                                                 QStringLiteral("the unit holds %1 code %2, not %3")
                                                     .arg(which)
                                                     .arg(kept)
                                                     .arg(code));
                                 Adjustments << adj;
                                 emit Line(QStringLiteral("%1 code stored: %2 (was %3)")
                                               .arg(which)
                                               .arg(code)
                                               .arg(stored));
                                 (full ? OutPerm.FullCode : OutPerm.ZeroCode) = code;
                                 next();
                             });
                    });
            });
    });
}

// ---- The record ----

QJsonArray TCalRun::PointsJson(const QList<TPoint>& points) const {
    QJsonArray list;
    const auto orNull = [](std::optional<double> v, int d) {
        return v ? QJsonValue(Rounded(*v, d)) : QJsonValue();
    };
    for (const TPoint& p : points)
        list << QJsonObject{{QStringLiteral("percent"), p.Percent},
                            {QStringLiteral("target"), Rounded(p.Target, 4)},
                            {QStringLiteral("applied"), Rounded(p.Applied, 4)},
                            {QStringLiteral("read"), Rounded(p.Eng, 4)},
                            {QStringLiteral("read_error_percent"), Rounded(p.EngError, 4)},
                            {QStringLiteral("output"), Rounded(p.Output, 4)},
                            {QStringLiteral("output_ideal"), Rounded(p.Ideal, 4)},
                            {QStringLiteral("output_error_percent"), Rounded(p.OutError, 4)},
                            {QStringLiteral("meter"), orNull(p.Meter, 4)},
                            {QStringLiteral("meter_error_percent"), orNull(p.MeterError, 4)},
                            {QStringLiteral("steady"), p.Steady},
                            {QStringLiteral("verdict"), Verdict(p.Pass)}};
    return list;
}

QJsonObject TCalRun::Record() const {
    int wiring = 0;
    const IRange& in = InRanges[CodeToRange(InPerm.RangeCode, wiring)];
    const ORange& out = OutRanges[OutPerm.Range];
    const auto check = [this](const QList<TPoint>& points, bool done) -> QJsonValue {
        if (!done) return QJsonValue();
        const bool pass = std::all_of(points.begin(), points.end(), [](const TPoint& p) { return p.Pass; });
        return QJsonObject{{QStringLiteral("points"), PointsJson(points)},
                           {QStringLiteral("verdict"), Verdict(pass)}};
    };
    const bool foundPass = std::all_of(Found.begin(), Found.end(), [](const TPoint& p) { return p.Pass; });
    const bool leftPass = std::all_of(Left.begin(), Left.end(), [](const TPoint& p) { return p.Pass; });
    return QJsonObject{
        {QStringLiteral("record"), QStringLiteral("mrt9dx calibration record")},
        {QStringLiteral("record_version"), 1},
        {QStringLiteral("unit"),
         QJsonObject{{QStringLiteral("port"), Port}, {QStringLiteral("version"), Version}}},
        {QStringLiteral("input"),
         QJsonObject{{QStringLiteral("range"), in.Name},
                     {QStringLiteral("wiring"), in.HasWiring ? WiringNames[wiring] : QJsonValue()},
                     {QStringLiteral("range_code"), InPerm.RangeCode},
                     {QStringLiteral("eu_min"), InPerm.EuMin},
                     {QStringLiteral("eu_max"), InPerm.EuMax},
                     {QStringLiteral("unit"), in.EngUnit.trimmed()}}},
        {QStringLiteral("output"), QJsonObject{{QStringLiteral("range"), out.Name},
                                               {QStringLiteral("min"), OutPerm.OutMin},
                                               {QStringLiteral("max"), OutPerm.OutMax},
                                               {QStringLiteral("unit"), out.Unit},
                                               {QStringLiteral("invert"), OutPerm.Invert != 0},
                                               {QStringLiteral("zero_code"), OutPerm.ZeroCode},
                                               {QStringLiteral("full_code"), OutPerm.FullCode}}},
        {QStringLiteral("tolerance_percent_of_span"), Job.Tolerance},
        {QStringLiteral("reference_id"), Job.ReferenceId},
        {QStringLiteral("technician"), Job.By},
        {QStringLiteral("start_utc"), StartUtc},
        {QStringLiteral("end_utc"), EndUtc},
        {QStringLiteral("as_found"), check(Found, Job.CheckBefore)},
        {QStringLiteral("adjustments"), Adjustments},
        {QStringLiteral("as_left"), check(Left, Job.CheckAfter)},
        {QStringLiteral("verdict"), Verdict(Job.CheckAfter ? leftPass : foundPass)},
    };
}

QString CertificateHtml(const QJsonObject& record); // Certificate.cpp

bool TCalRun::WriteFiles(QString* error) {
    const QJsonObject record = Record();
    const auto write = [error](const QString& name, const QByteArray& data) {
        if (name.isEmpty()) return true;
        QSaveFile file(name);
        if (file.open(QIODevice::WriteOnly) && file.write(data) == data.size() && file.commit()) return true;
        *error = QStringLiteral("%1: %2").arg(name, file.errorString());
        return false;
    };
    return write(Job.RecordFile, QJsonDocument(record).toJson(QJsonDocument::Indented)) &&
           write(Job.CertificateFile, CertificateHtml(record).toUtf8());
}

void TCalRun::Done() {
    EndUtc = QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
    const auto pass = [](const QList<TPoint>& points) {
        return std::all_of(points.begin(), points.end(), [](const TPoint& p) { return p.Pass; });
    };
    QStringList summary;
    if (Job.CheckBefore)
        summary << QStringLiteral("%1: %2").arg(
            Job.CheckAfter ? QStringLiteral("as found") : QStringLiteral("check"),
            pass(Found) ? QStringLiteral("pass") : QStringLiteral("FAIL"));
    if (Job.CalInput || Job.CalOutput)
        summary << (TrimFailed ? QStringLiteral("calibration: a DAC code not within tolerance")
                               : QStringLiteral("calibration: done"));
    if (Job.CheckAfter)
        summary << QStringLiteral("as left: %1")
                       .arg(pass(Left) ? QStringLiteral("pass") : QStringLiteral("FAIL"));
    Result = summary.join(QStringLiteral("; "));
    int status = ExitDone;
    if (Job.CheckAfter ? !pass(Left) : (Job.CheckBefore && !pass(Found))) status = ExitDiffers;
    if (TrimFailed) status = ExitDiffers;
    QString error;
    if (!WriteFiles(&error))
        return Fail(ExitNoAnswer, QStringLiteral("the record was not written: ") + error);
    if (!Job.RecordFile.isEmpty()) emit Line(QStringLiteral("record written to %1").arg(Job.RecordFile));
    if (!Job.CertificateFile.isEmpty())
        emit Line(QStringLiteral("certificate written to %1").arg(Job.CertificateFile));
    Ended = true;
    FinishUnit(status,
               status == ExitDiffers ? QStringLiteral("outside the tolerance: ") + Result : QString());
}

// ---- Standard input ----

TStdinLines::TStdinLines(QObject* parent) : QObject(parent) {}

void TStdinLines::Open() {
    // Only once a line is wanted: `apply -` reads standard input its own way.
    Opened = true;
    struct stat info {};
    if (fstat(0, &info) == 0 && S_ISREG(info.st_mode)) {
        // A file: poll() has nothing to say about it; read it whole.
        char buf[4096];
        ssize_t n;
        while ((n = ::read(0, buf, sizeof buf)) > 0)
            Buffer.append(buf, n);
        AtEnd = true;
        return;
    }
    Notifier = new QSocketNotifier(0, QSocketNotifier::Read, this);
    Notifier->setEnabled(false);
    connect(Notifier, &QSocketNotifier::activated, this, &TStdinLines::Readable);
}

void TStdinLines::Next(std::function<void(std::optional<QString>)> then) {
    if (!Opened) Open();
    Waiting = std::move(then);
    Deliver();
    if (Waiting && Notifier && !AtEnd) Notifier->setEnabled(true);
}

void TStdinLines::Readable() {
    char buf[4096];
    const ssize_t n = ::read(0, buf, sizeof buf);
    if (n <= 0) {
        AtEnd = true;
        Notifier->setEnabled(false);
    } else {
        Buffer.append(buf, n);
    }
    Deliver();
}

void TStdinLines::Deliver() {
    if (!Waiting) return;
    const qsizetype end = Buffer.indexOf('\n');
    if (end < 0 && !AtEnd) return;
    if (Notifier) Notifier->setEnabled(false);
    auto then = std::move(Waiting);
    Waiting = nullptr;
    if (end < 0 && Buffer.isEmpty()) return then(std::nullopt);
    const QByteArray line = end < 0 ? Buffer : Buffer.left(end);
    Buffer.remove(0, end < 0 ? Buffer.size() : end + 1);
    then(QString::fromUtf8(line).remove(QLatin1Char('\r')));
}

// ---- The hook into the unit's run ----

void TUnitRun::RunCalibration() {
    CalRun = new TCalRun(
        PortName, Job.Cal, Clock,
        [this](const QByteArray& request, THandler then, TFailHandler fail) {
            Ask(request, std::move(then), std::move(fail));
        },
        [this](int status, const QString& error) {
            Result = CalRun->Result;
            Finish(status, error);
        },
        this);
    connect(CalRun, &TCalRun::Line, this, &TUnitRun::Line);
    CalRun->Start();
}
