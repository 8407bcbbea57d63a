#include "Calibration.h"

#include "../link/Clock.h"
#include "../link/Commands.h"
#include "../link/Cycle.h"
#include "../ranges/InRanges.h"
#include "../ranges/NumberFormat.h"
#include "../ranges/OutRanges.h"
#include "Settings.h"
#include "UnitRun.h"

#include <MrtVersion.h>

#include <QCommandLineParser>
#include <QDateTime>
#include <QFileInfo>
#include <QJsonDocument>
#include <QPointer>
#include <QSaveFile>
#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string_view>
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

// A single as the unit holds it: its shortest decimal, not the double nearest
// to its binary value (100.3, not 100.30000305175781). A value that is no
// number stays one, so that it is judged as such and never reads as 0.
double Held(float value) {
    return std::isfinite(value) ? SingleText(value).toDouble() : double(value);
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

// The file a name leads to, through links.
QString RealPath(const QString& name) {
    const QFileInfo info(name);
    return info.exists() ? info.canonicalFilePath() : info.absoluteFilePath();
}

QString SystemText(int error) {
    return LowerFirst(QString::fromLocal8Bit(std::strerror(error)));
}

std::optional<double> Number(const QString& text) {
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value)) return std::nullopt;
    return value;
}

QString Verdict(bool pass) {
    return pass ? QStringLiteral("pass") : QStringLiteral("fail");
}

} // namespace

// ---- Options ----

const char* const CheckUsage =
    "check [--points LIST] [--tolerance TOL] [--output-tolerance TOL] [--applied FILE|-] [--meter]\n"
    "       [--decision-rule simple|guard-band] [--settle SECONDS] [--adjust-limit PERCENT] [--bench FILE]\n"
    "       [--unit TAG] [--customer TEXT] [--interval DAYS] [--reference-id TEXT] [--by TEXT]\n"
    "       [--record FILE] [--certificate FILE] [--certificate-number N] [--store STORE] [--json]\n"
    "       [--as-left-after input|output|input,output [--adjust-over TOL] [calibrate's options]]";
const char* const CheckHelp =
    "Checks the unit at test points given in % of the programmed span (default\n"
    "0,25,50,75,100). For each point it names the signal to apply in the engineering\n"
    "unit and waits for Enter (or a typed value: the one really applied); with\n"
    "--applied it reads the applied values one a line from FILE (- standard input)\n"
    "without asking. It waits until the reading is steady (3 reads 0.25 s apart\n"
    "within the display's last digit, at most --settle seconds, default 10) and, with\n"
    "--applied, within --adjust-limit (default 10 % of span) of the applied value: a\n"
    "point that does not get there is 'not reached'. It prints a table row with the\n"
    "reading's error in % of span. The output is measured only with --meter, which\n"
    "selects the programmed output range (cmdSetTempOut), as after a power cycle, and\n"
    "asks for the meter's reading of the output at each point (Enter: none) and gives\n"
    "its error against the ideal output; without it the output is 'not measured' and\n"
    "judged nowhere. Each error is judged against --tolerance (input) and\n"
    "--output-tolerance (default: the input's): 0.25% (of span, the default),\n"
    "0.1%rdg+0.05%span, or a value with its unit (0.5C, 2uV, 0.01mA, 0.005V), with\n"
    "its expanded uncertainty U (k=2) from the bench file's reference and the\n"
    "display's resolution, under --decision-rule: simple (within the tolerance) or\n"
    "guard-band (within the tolerance less U). A point given twice gives the\n"
    "hysteresis there. Exit status 0 when every point is accepted, 4 otherwise.\n"
    "--record FILE writes the JSON record, --certificate FILE an HTML certificate for\n"
    "A4, on every end (marked incomplete when the run did not finish); --json prints\n"
    "the record alone on standard output, the dialogue on standard error.\n"
    "A certificate needs --unit TAG and --bench FILE (organisation, reference\n"
    "standards with their due dates, decision rule); it is refused before anything is\n"
    "sent when a reference it names is out of date or missing. --customer and\n"
    "--interval DAYS (the next due date) go into the record.\n"
    "--reference-id and --by name the reference instrument and the technician.\n"
    "With --unit the run goes into the store of records, which gives the certificate\n"
    "number (a --certificate-number it holds already is refused): --store STORE, a\n"
    "SQLite file or postgresql://user@host:port/db (default MRT9DX_STORE, else\n"
    "records.sqlite in the user's data folder); a store that cannot be reached is\n"
    "refused before anything is sent.\n"
    "--as-left-after WHAT checks as found, runs 'calibrate WHAT', checks as left,\n"
    "and puts all three in one record; the exit status is the as-left verdict.\n"
    "--adjust-over TOL: calibrates only when an as-found error exceeds TOL, else\n"
    "records 'no adjustment needed'.";
const char* const CalibrateUsage =
    "calibrate input|output|input,output [--applied FILE|-] [--switch-mode] [--yes]\n"
    "       [--settle SECONDS] [--adjust-limit PERCENT] [--trim-tolerance PERCENT] [--max-steps N]\n"
    "       [--reference-id TEXT] [--by TEXT] [--bench FILE] [--unit TAG] [--customer TEXT]\n"
    "       [--interval DAYS] [--record FILE] [--certificate FILE] [--certificate-number N]\n"
    "       [--store STORE] [--json]";
const char* const CalibrateHelp =
    "Calibrates the programmed range of the unit, which must be in CAL mode: with\n"
    "--switch-mode a unit in RUN mode is switched to CAL and back to RUN after it;\n"
    "without it such a unit is refused (status 2, nothing written).\n"
    "input: asks for the zero-scale signal (0 in the raw unit), waits for a steady\n"
    "reading and writes the zero calibration (cmdCalZero); then asks for the\n"
    "full-scale signal in the raw unit, takes the value really applied (typed, or\n"
    "Enter for the range's full scale) and writes it (cmdCalFull). With --applied the\n"
    "two values come one a line from FILE (- standard input), the first 0. A write is\n"
    "refused when the reading lies further than --adjust-limit (default 10 % of the\n"
    "raw span) from the value applied.\n"
    "output: selects the programmed output range (cmdSetTempOut); for the zero and\n"
    "then the full code, drives the DAC (cmdSetDac) from the stored code, asks for\n"
    "the meter's reading at each step, and takes the next code from the last two\n"
    "readings (secant), until the reading is within --trim-tolerance (default 0.01 %\n"
    "of the range's span) or after --max-steps (default 10); then stores the code\n"
    "(cmdWriteOutZero, cmdWriteOutFull).\n"
    "Every write is asked for first (y to write); --yes writes without asking.\n"
    "However the run ends, the output follows the input again (cmdSetTempOut), a\n"
    "unit switched to CAL goes back to RUN, and the last line says what was written\n"
    "and what was put back. --record, --certificate and the store (--unit, --store)\n"
    "as for check.\n"
    "Exit status 4 when a DAC code did not come within the tolerance.";

QList<QCommandLineOption> CalOptions(bool check) {
    QList<QCommandLineOption> options{
        {QStringLiteral("applied"), QStringLiteral("Applied values, one a line."), QStringLiteral("FILE|-")},
        {QStringLiteral("settle"), QStringLiteral("Seconds to wait for a steady reading."),
         QStringLiteral("SECONDS")},
        {QStringLiteral("adjust-limit"), QStringLiteral("How near the applied value a reading must be, %."),
         QStringLiteral("PERCENT")},
        {QStringLiteral("switch-mode"), QStringLiteral("Switch a unit in RUN mode to CAL and back.")},
        {QStringLiteral("yes"), QStringLiteral("Write without asking.")},
        {QStringLiteral("trim-tolerance"), QStringLiteral("DAC trim tolerance, % of the output span."),
         QStringLiteral("PERCENT")},
        {QStringLiteral("max-steps"), QStringLiteral("DAC trim steps at most."), QStringLiteral("N")},
        {QStringLiteral("reference-id"), QStringLiteral("The reference instrument."), QStringLiteral("TEXT")},
        {QStringLiteral("by"), QStringLiteral("The technician."), QStringLiteral("TEXT")},
        {QStringLiteral("record"), QStringLiteral("The JSON record."), QStringLiteral("FILE")},
        {QStringLiteral("certificate"), QStringLiteral("The HTML certificate."), QStringLiteral("FILE")},
        {QStringLiteral("bench"), QStringLiteral("The bench file: organisation, references, decision rule."),
         QStringLiteral("FILE")},
        {QStringLiteral("unit"), QStringLiteral("The unit's tag or serial."), QStringLiteral("TAG")},
        {QStringLiteral("customer"), QStringLiteral("The customer."), QStringLiteral("TEXT")},
        {QStringLiteral("interval"), QStringLiteral("Days to the next calibration."), QStringLiteral("DAYS")},
        {QStringLiteral("decision-rule"), QStringLiteral("simple or guard-band."), QStringLiteral("RULE")},
    };
    // The number a record store gives; for tests without one.
    QCommandLineOption number(QStringLiteral("certificate-number"),
                              QStringLiteral("The certificate's number."), QStringLiteral("TEXT"));
    number.setFlags(QCommandLineOption::HiddenFromHelp);
    options << number;
    if (check)
        options += QList<QCommandLineOption>{
            {QStringLiteral("points"), QStringLiteral("Test points, % of span."), QStringLiteral("LIST")},
            {QStringLiteral("tolerance"), QStringLiteral("The input's tolerance."),
             QStringLiteral("TOLERANCE")},
            {QStringLiteral("output-tolerance"), QStringLiteral("The output's tolerance."),
             QStringLiteral("TOLERANCE")},
            {QStringLiteral("adjust-over"), QStringLiteral("Adjust only an as-found error above this."),
             QStringLiteral("TOLERANCE")},
            {QStringLiteral("meter"), QStringLiteral("Ask for the meter's reading of the output.")},
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

namespace {
// The bench, the unit's tag and the customer; a certificate is refused before
// anything is sent when a reference it would name is out of date or missing,
// or the unit has no tag.
bool ParseCertificateFacts(const QCommandLineParser& parser,
                           const std::function<QByteArray(const QString&, QString*)>& readFile, TCalJob& job,
                           QString* error) {
    job.UnitTag = parser.value(QStringLiteral("unit")).trimmed();
    job.Customer = parser.value(QStringLiteral("customer")).trimmed();
    job.CertificateNumber = parser.value(QStringLiteral("certificate-number")).trimmed();
    job.CertificateFile = parser.value(QStringLiteral("certificate"));
    if (parser.isSet(QStringLiteral("interval"))) {
        bool ok = false;
        job.IntervalDays = parser.value(QStringLiteral("interval")).toInt(&ok);
        if (!ok || job.IntervalDays < 1 || job.IntervalDays > 3660) {
            *error = QStringLiteral("--interval wants 1 to 3660 days");
            return false;
        }
    }
    if (parser.isSet(QStringLiteral("bench"))) {
        job.BenchFile = parser.value(QStringLiteral("bench"));
        QString why;
        const QByteArray text = readFile ? readFile(job.BenchFile, &why) : QByteArray();
        if (why.isEmpty()) job.Bench = ParseBench(text, &why);
        if (!why.isEmpty()) {
            *error = QStringLiteral("%1: %2; nothing was sent").arg(job.BenchFile, why);
            return false;
        }
        job.Rule = job.Bench->Rule;
    }
    if (parser.isSet(QStringLiteral("decision-rule"))) {
        const auto rule = ParseDecisionRule(parser.value(QStringLiteral("decision-rule")));
        if (!rule) {
            *error = QStringLiteral("--decision-rule is simple or guard-band");
            return false;
        }
        job.Rule = *rule;
    }
    if (job.CertificateFile.isEmpty()) return true;
    QString problem;
    if (job.UnitTag.isEmpty())
        problem = QStringLiteral("a certificate names the unit: give --unit TAG");
    else if (!job.Bench)
        problem = QStringLiteral("a certificate names the reference standards: give --bench FILE");
    else
        problem = BenchProblem(*job.Bench, job.CheckBefore || job.CalInput, job.Meter || job.CalOutput,
                               QDate::currentDate());
    if (problem.isEmpty()) return true;
    *error = problem + QStringLiteral("; nothing was sent");
    return false;
}
// check's own options: the points, the tolerances, the as-left check, the meter.
bool ParseCheck(const QCommandLineParser& parser, TCalJob& job, QString* error) {
    const auto fail = [error](const QString& text) {
        *error = text;
        return false;
    };
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
    for (const char* option : {"tolerance", "output-tolerance", "adjust-over"}) {
        if (!parser.isSet(QLatin1String(option))) continue;
        QString why;
        const std::optional<TTolerance> t = ParseTolerance(parser.value(QLatin1String(option)), &why);
        if (!t) return fail(QStringLiteral("--%1: %2").arg(QLatin1String(option), why));
        (option == std::string_view("tolerance")          ? job.Tolerance
         : option == std::string_view("output-tolerance") ? job.OutputTolerance.emplace()
                                                          : job.AdjustOver.emplace()) = *t;
    }
    if (job.AdjustOver && !job.CheckAfter)
        return fail(QStringLiteral("--adjust-over decides whether --as-left-after adjusts: give both"));
    job.Meter = parser.isSet(QStringLiteral("meter"));
    return true;
}
// --applied: standard input, or a file read now with one value for each point
// and each input calibration point, in order.
bool ParseApplied(const QCommandLineParser& parser,
                  const std::function<QByteArray(const QString&, QString*)>& readFile, TCalJob& job,
                  QString* error) {
    const auto fail = [error](const QString& text) {
        *error = text;
        return false;
    };
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
            // One value for each point and each input calibration point, in order.
            const qsizetype wanted = (job.CheckBefore ? job.Points.size() : 0) + (job.CalInput ? 2 : 0) +
                                     (job.CheckAfter ? job.Points.size() : 0);
            if (job.AppliedLines.size() != wanted)
                return fail(QStringLiteral("%1 gives %2 value(s) for %3 point(s); nothing was sent")
                                .arg(file)
                                .arg(job.AppliedLines.size())
                                .arg(wanted));
        }
    }
    return true;
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
    const auto percent = [&](const char* option, double high, double& into) {
        if (!parser.isSet(QLatin1String(option))) return true;
        const std::optional<double> v = Number(parser.value(QLatin1String(option)));
        if (!v || *v <= 0 || *v > high) return false;
        into = *v;
        return true;
    };
    job = TCalJob{};
    if (check) {
        if (!ParseCheck(parser, job, error)) return fail(*error);
    } else if (args.size() != 1 || !ParseWhat(args.first(), job)) {
        return fail(QStringLiteral("calibrate takes input, output or input,output"));
    }
    if (!ParseCertificateFacts(parser, readFile, job, error)) return fail(*error);
    job.ReferenceId = parser.value(QStringLiteral("reference-id"));
    job.By = parser.value(QStringLiteral("by"));
    job.RecordFile = parser.value(QStringLiteral("record"));
    // The files are checked before anything is sent: a unit is never adjusted
    // for a record that cannot be kept.
    for (const QString& file : {job.RecordFile, job.CertificateFile})
        if (const QString problem = FileTargetProblem(file); !problem.isEmpty())
            return fail(QStringLiteral("%1: %2; nothing was sent").arg(file, problem));
    if (!job.RecordFile.isEmpty() && RealPath(job.RecordFile) == RealPath(job.CertificateFile))
        return fail(QStringLiteral("--record and --certificate name one file"));
    if (parser.isSet(QStringLiteral("settle"))) {
        const std::optional<double> v = Number(parser.value(QStringLiteral("settle")));
        if (!v || *v <= 0 || *v > 3600) return fail(QStringLiteral("--settle wants seconds above 0"));
        job.SettleLimitMs = int(std::lround(*v * 1000));
    }
    if (!percent("adjust-limit", 100, job.AdjustLimit))
        return fail(QStringLiteral("--adjust-limit wants a percentage of span above 0"));
    if (!percent("trim-tolerance", 10, job.TrimTolerance))
        return fail(QStringLiteral("--trim-tolerance wants a percentage above 0"));
    if (parser.isSet(QStringLiteral("max-steps"))) {
        bool ok = false;
        job.MaxSteps = parser.value(QStringLiteral("max-steps")).toInt(&ok);
        if (!ok || job.MaxSteps < 1 || job.MaxSteps > 1000)
            return fail(QStringLiteral("--max-steps wants 1 to 1000"));
    }
    job.SwitchMode = parser.isSet(QStringLiteral("switch-mode"));
    job.Yes = parser.isSet(QStringLiteral("yes"));
    if (!ParseApplied(parser, readFile, job, error)) return fail(*error);
    return true;
}

// ---- The files ----

QString FileTargetProblem(const QString& name) {
    if (name.isEmpty()) return QString();
    const QFileInfo info(name);
    if (info.exists() && !info.isFile())
        return info.isDir() ? QStringLiteral("is a folder") : QStringLiteral("is not a regular file");
    const QFileInfo target(info.exists() ? info.canonicalFilePath() : info.absoluteFilePath());
    const QString folder = target.absolutePath();
    if (!QFileInfo(folder).isDir()) return QStringLiteral("there is no folder %1").arg(folder);
    if (::access(QFile::encodeName(folder).constData(), W_OK | X_OK) != 0)
        return QStringLiteral("cannot write in %1: %2").arg(folder, SystemText(errno));
    return QString();
}

bool WriteFileSafely(const QString& name, const QByteArray& data, QString* error) {
    // Beside the target (through a link, beside the file it leads to), renamed
    // over it only once every byte is on the disk; otherwise the old file stays.
    const QString target = RealPath(name);
    if (const QString problem = FileTargetProblem(target); !problem.isEmpty()) {
        *error = problem;
        return false;
    }
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        *error = LowerFirst(file.errorString());
        return false;
    }
    // Unbuffered, so that a write the disk takes only in part is seen here; the
    // temporary file goes with `file` unless it is committed.
    errno = 0;
    if (file.write(data) != data.size()) {
        *error = SystemText(errno ? errno : ENOSPC);
        return false;
    }
    if (file.commit()) return true;
    *error = LowerFirst(file.errorString());
    return false;
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

bool TCalRun::Stopped() {
    if (!Stopping) return false;
    Fail(ExitNoAnswer, QStringLiteral("stopped"));
    return true;
}

void TCalRun::After(int ms, std::function<void()> then) {
    if (Stopped()) return;
    DueMs = Clock->NowMs() + ms;
    DueAction = std::move(then);
}

void TCalRun::WaitLine(std::function<void(std::optional<QString>)> then) {
    if (Stopped()) return;
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
    if (Stopped()) return;
    const auto code = uint8_t(request[0]);
    // The unit may take a DAC code whose answer is lost: it counts as driven.
    if (code == cmdSetDac) DacDriven = true;
    if (code == cmdSetMode && request.size() > 1 && request[1] != 0) Switched = true;
    Ask(request, [this, then = std::move(then)](const TReply& reply) {
        if (Ended) return;
        if (reply.Verdict == TVerdict::Answered) {
            PendingWrite.clear();
            return then(reply.Body);
        }
        if (reply.Verdict == TVerdict::CannotSend || reply.Verdict == TVerdict::PortFailed) PortGone = true;
        // A write whose answer is lost may have reached the unit's memory.
        if (!PendingWrite.isEmpty() && reply.Verdict != TVerdict::Refused &&
            reply.Verdict != TVerdict::CannotSend)
            Written << PendingWrite + QStringLiteral(" (perhaps: no answer)");
        PendingWrite.clear();
        Fail(reply.Verdict == TVerdict::Refused ? ExitRefused : ExitNoAnswer, VerdictText(reply));
    });
}

void TCalRun::Stop() {
    Stopping = true;
    // Waiting for the technician or the clock: nothing is out, so end now. With
    // a request out, the next step ends it.
    if (LineAction || DueAction) Stopped();
}

void TCalRun::PortFailed(const QString& message) {
    PortGone = true;
    Fail(ExitNoAnswer, message);
}

void TCalRun::Abort() {
    if (Closed) return;
    // No more requests: what could not be put back is said in the record and the line.
    if (!Ended) {
        Ended = true;
        EndStatus = ExitNoAnswer;
        EndError = QStringLiteral("stopped twice");
    }
    Stopping = true;
    PortGone = true; // no more requests
    PutBack();
}

void TCalRun::Fail(int status, const QString& error) {
    if (Ended) return;
    Ended = true;
    EndStatus = status;
    EndError = LowerFirst(error);
    LineAction = nullptr;
    DueAction = nullptr;
    PutBack();
}

// However the run ends: the DAC released, then the mode put back, each once;
// what could not be done is said, with what the technician must do.
void TCalRun::PutBack() {
    if (PortGone) {
        // Nothing reaches the unit any more.
        if (DacDriven)
            NotPutBack << QStringLiteral("the output may still be held at DAC code %1").arg(TrimCode);
        if (Switched) NotPutBack << QStringLiteral("the unit may still be in CAL mode");
        DacDriven = Switched = false;
    }
    if (DacDriven)
        return Ask(Msg::SetTempOut(OutPerm.Range), [this](const TReply& reply) {
            if (!DacDriven) return;
            DacDriven = false;
            if (reply.Verdict == TVerdict::Answered)
                PutBackLines << QStringLiteral("the output follows the input again");
            else
                NotPutBack << QStringLiteral("the output may still be held at DAC code %1 (%2)")
                                  .arg(TrimCode)
                                  .arg(LowerFirst(VerdictText(reply)));
            PutBack();
        });
    if (Switched)
        return Ask(Msg::SetMode(0), [this](const TReply& reply) {
            if (!Switched) return;
            Switched = false;
            if (reply.Verdict == TVerdict::Answered && Msg::DecodeMode(reply.Body) == 0)
                PutBackLines << QStringLiteral("switched the unit back to RUN mode");
            else
                NotPutBack << QStringLiteral("the unit may still be in CAL mode");
            PutBack();
        });
    Close();
}

QString TCalRun::WhatWasWritten() const {
    return Written.isEmpty() ? QStringLiteral("nothing was written")
                             : QStringLiteral("written: ") + Written.join(QStringLiteral(", "));
}

// The files, then the last line: what was written, what was put back, and what
// the technician must still do.
void TCalRun::Close() {
    if (Closed) return;
    Closed = true;
    if (EndUtc.isEmpty()) EndUtc = QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
    QStringList last;
    if (Complete) last << Result;
    if (Job.CalInput || Job.CalOutput) last << WhatWasWritten();
    last << PutBackLines;
    if (!NotPutBack.isEmpty())
        last << NotPutBack.join(QStringLiteral("; ")) +
                    QStringLiteral(": switch the unit with 'mode run', select its output range again, or "
                                   "power it off and on");
    int status = EndStatus;
    QString error = EndError;
    if (!NotPutBack.isEmpty() && status == ExitDone) status = ExitNoAnswer;
    QString fileError;
    if (!WriteFiles(&fileError)) {
        status = std::max(status, int(ExitNoAnswer));
        error = (error.isEmpty() ? QString() : error + QStringLiteral("; ")) +
                QStringLiteral("not written, the old file kept: ") + fileError;
    } else {
        for (const QString& file : {Job.RecordFile, Job.CertificateFile})
            if (!file.isEmpty())
                emit Line(QStringLiteral("%1 written to %2%3")
                              .arg(file == Job.RecordFile ? QStringLiteral("record")
                                                          : QStringLiteral("certificate"),
                                   file, Complete ? QString() : QStringLiteral(" (incomplete)")));
    }
    Result = last.join(QStringLiteral("; "));
    FinishUnit(status, error);
}

void TCalRun::InputEnded(const QString& where) {
    Fail(ExitNoAnswer, QStringLiteral("the input ended %1").arg(where));
}

void TCalRun::NextApplied(const QString& prompt, std::function<void(std::optional<QString>)> then) {
    if (Job.Applied && !Job.AppliedFromInput) {
        emit Line(prompt);
        // A value from the file: taken at the next tick, as a typed line is.
        std::optional<QString> line;
        if (!Job.AppliedLines.isEmpty()) line = Job.AppliedLines.takeFirst();
        if (Stopped()) return;
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

void TCalRun::AskMeter(const QString& prompt, bool emptyAllowed,
                       std::function<void(std::optional<double>)> then) {
    AskNumber(prompt, emptyAllowed, [=, this](std::optional<double> reading) {
        // A lost decimal point would drive the DAC to an end on a live loop.
        const ORange& row = OutRanges[OutPerm.Range];
        const double most = 1.5 * std::max(std::fabs(row.ZeroScale), std::fabs(row.FullScale));
        if (!reading || std::fabs(*reading) <= most) return then(reading);
        emit Line(QStringLiteral("%1 %2 lies outside 1.5 times the output range; read the meter again")
                      .arg(FormatFloat(*reading, QStringLiteral("0.0###")), row.Unit));
        AskMeter(prompt, emptyAllowed, then);
    });
}

// The adjust limit in the raw unit (of the raw full scale) or the engineering
// unit (of the programmed span).
double TCalRun::InputLimit(bool raw) const {
    return Job.AdjustLimit / 100 *
           (raw ? double(InRow(InPerm.RangeCode).RawFullScale) : double(InPerm.EuMax) - InPerm.EuMin);
}

void TCalRun::WaitSteady(std::optional<double> target, bool raw, double limit,
                         std::function<void(const Msg::TInputReport&, bool, bool)> then) {
    SteadyValues.clear();
    SteadySinceMs = Clock->NowMs();
    SteadyTarget = target;
    SteadyRaw = raw;
    SteadyLimit = limit;
    SteadyThen = std::move(then);
    SteadyRead();
}

void TCalRun::SteadyRead() {
    Send(Msg::ReadActiveIn(InPerm.RangeCode), [this](const QByteArray& answer) {
        const Msg::TInputReport in = Msg::DecodeInputReport(answer);
        // The span, the formats and a calibration belong to the programmed range:
        // a unit measuring another one (selected for the moment) is not checked.
        if (in.RangeCode != InPerm.RangeCode) {
            int wiring = 0;
            const IRange& active = InRanges[CodeToRange(in.RangeCode, wiring)];
            return Fail(ExitBadInput,
                        QStringLiteral("the unit measures %1%2, not its programmed %3: select that range or "
                                       "power the unit off and on")
                            .arg(active.Name,
                                 active.HasWiring ? QStringLiteral(", ") + WiringNames[wiring] : QString(),
                                 InRow(InPerm.RangeCode).Name));
        }
        SteadyValues << in.Eng;
        const double value = SteadyRaw ? in.Raw : in.Eng;
        const bool reached = !SteadyTarget || std::fabs(value - *SteadyTarget) <= SteadyLimit;
        const bool steady = IsSteady(SteadyValues, Decimals(InRow(InPerm.RangeCode).EngFormat));
        if (steady && reached) return SteadyThen(in, true, true);
        if (Clock->NowMs() - SteadySinceMs >= Job.SettleLimitMs) return SteadyThen(in, steady, reached);
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
            Send(Msg::ReadPermOut(), [this](const QByteArray& answer) {
                OutPerm = Msg::DecodeOutputReport(answer);
                FoundZeroCode = OutPerm.ZeroCode;
                FoundFullCode = OutPerm.FullCode;
                StartMode = InPerm.Mode;
                Known = true;
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
        if (const QString problem = SettingsProblem(); !problem.isEmpty())
            return Fail(ExitBadInput, problem + QStringLiteral("; nothing was written"));
        if ((Job.CalInput || Job.CalOutput) && StartMode == 0 && !Job.SwitchMode)
            return Fail(ExitBadInput, QStringLiteral("the unit is in RUN mode: switch it with 'mode cal' "
                                                     "first, or give --switch-mode"));
        return Phases();
    case 1:
        if (!Job.CheckBefore) return Phases();
        return AsFound();
    case 2: // as found in the mode the unit was in; calibrated in CAL mode
        if (!Job.CalInput && !Job.CalOutput) return Phases();
        if (AdjustmentNotNeeded()) {
            NoAdjustment = true;
            emit Line(QStringLiteral("no adjustment needed: every as-found error within %1")
                          .arg(Job.AdjustOver->Text));
            Phase = 6;
            return Phases();
        }
        return SwitchToCal();
    case 3:
        if (!Job.CalInput) return Phases();
        return CalInputZero();
    case 4:
        if (!Job.CalOutput) return Phases();
        return SelectProgrammedOutput([this] { TrimOutput(false); });
    case 5: // put back before the as-left check, which measures the unit as the plant has it
        return PutBackBeforeAsLeft();
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

void TCalRun::AsFound() {
    AsLeft = false;
    emit Line(Job.CheckAfter || Job.CalInput || Job.CalOutput ? QStringLiteral("as found:")
                                                              : QStringLiteral("check:"));
    if (!Job.Meter) {
        emit Line(QStringLiteral("the output is not measured (no --meter): the verdict covers the input"));
        emit Line(TableHeader());
        return CheckPoint(0);
    }
    SelectProgrammedOutput([this] {
        emit Line(TableHeader());
        CheckPoint(0);
    });
}

// With --adjust-over: every as-found error, input and output, within it.
bool TCalRun::AdjustmentNotNeeded() const {
    if (!Job.AdjustOver || Found.isEmpty()) return false;
    const double span = double(InPerm.EuMax) - InPerm.EuMin;
    const double outSpan = double(OutPerm.OutMax) - OutPerm.OutMin;
    return std::all_of(Found.begin(), Found.end(), [&](const TPoint& p) {
        return std::fabs(p.In.Error) <=
                   Job.AdjustOver->Allowed(p.Applied, span, InRow(InPerm.RangeCode).EngUnit) &&
               (!p.Out || std::fabs(p.Out->Error) <=
                              Job.AdjustOver->Allowed(p.Ideal, outSpan, OutRanges[OutPerm.Range].Unit));
    });
}

void TCalRun::SwitchToCal() {
    if (StartMode != 0) {
        emit Line(QStringLiteral("the unit is in CAL mode; it stays so"));
        return Phases();
    }
    Send(Msg::SetMode(1), [this](const QByteArray& answer) {
        if (Msg::DecodeMode(answer) == 0) {
            Switched = false;
            return Fail(ExitRefused, QStringLiteral("the transmitter stayed in RUN mode"));
        }
        emit Line(QStringLiteral(
            "switched the unit to CAL mode for the calibration; it goes back to RUN mode after it"));
        Phases();
    });
}

// The DAC released and the mode put back, each step once, then the next phase.
void TCalRun::PutBackBeforeAsLeft() {
    if (DacDriven)
        return Send(Msg::SetTempOut(OutPerm.Range), [this](const QByteArray&) {
            DacDriven = false;
            PutBackLines << QStringLiteral("the output follows the input again");
            emit Line(PutBackLines.last());
            PutBackBeforeAsLeft();
        });
    if (Switched)
        return Send(Msg::SetMode(0), [this](const QByteArray& answer) {
            if (Msg::DecodeMode(answer) != 0)
                return Fail(ExitRefused, QStringLiteral("the transmitter stayed in CAL mode"));
            Switched = false;
            PutBackLines << QStringLiteral("switched the unit back to RUN mode");
            emit Line(PutBackLines.last());
            Phases();
        });
    Phases();
}

// What the run cannot judge on this unit's ranges: a tolerance or a
// reference's uncertainty in a unit the quantity is not measured in.
QString TCalRun::SettingsProblem() const {
    const QString eu = InRow(InPerm.RangeCode).EngUnit.trimmed(), ou = OutRanges[OutPerm.Range].Unit;
    if (!Job.Tolerance.Fits(eu))
        return QStringLiteral("--tolerance %1 cannot judge the input in %2").arg(Job.Tolerance.Text, eu);
    if (Job.AdjustOver && !Job.AdjustOver->Fits(eu))
        return QStringLiteral("--adjust-over %1 cannot judge the input in %2").arg(Job.AdjustOver->Text, eu);
    const TTolerance& out = Job.OutputTolerance.value_or(Job.Tolerance);
    if (Job.Meter && !out.Fits(ou))
        return QStringLiteral("%1 %2 cannot judge the output in %3%4")
            .arg(Job.OutputTolerance ? QStringLiteral("--output-tolerance") : QStringLiteral("--tolerance"),
                 out.Text, ou, Job.OutputTolerance ? QString() : QStringLiteral(": give --output-tolerance"));
    if (Job.Bench)
        for (const TCalReference& r : Job.Bench->References) {
            const bool output = r.Role == QLatin1String("output_meter");
            if (output && !Job.Meter) continue;
            if (!UnitFactor(r.UncertaintyUnit, output ? ou : eu))
                return QStringLiteral("the %1's uncertainty is in %2; the %3 is judged in %4")
                    .arg(r.Role, r.UncertaintyUnit,
                         output ? QStringLiteral("output") : QStringLiteral("input"), output ? ou : eu);
        }
    return QString();
}

// The meter reads the output of the active range: the programmed one is
// selected, as after a power cycle (and released to it at the end).
void TCalRun::SelectProgrammedOutput(const std::function<void()>& then) {
    Send(Msg::SetTempOut(OutPerm.Range), [this, then](const QByteArray&) {
        emit Line(QStringLiteral("the output runs on its programmed range %1 (cmdSetTempOut)")
                      .arg(OutRanges[OutPerm.Range].Name));
        then();
    });
}

// ---- check ----

QString TCalRun::TableHeader() const {
    const IRange& in = InRow(InPerm.RangeCode);
    const QString eu = in.EngUnit.trimmed(), ou = OutRanges[OutPerm.Range].Unit;
    QString header = QStringLiteral("%1 %2 %3 %4")
                         .arg(QStringLiteral("point %"), 7)
                         .arg(QStringLiteral("applied ") + eu, 11)
                         .arg(QStringLiteral("read ") + eu, 10)
                         .arg(QStringLiteral("err %"), 7);
    if (Job.Meter)
        header += QStringLiteral(" %1 %2 %3")
                      .arg(QStringLiteral("ideal ") + ou, 9)
                      .arg(QStringLiteral("meter ") + ou, 9)
                      .arg(QStringLiteral("err %"), 7);
    return header + QStringLiteral("  verdict");
}

QString TCalRun::TableRow(const TPoint& p) const {
    const IRange& in = InRow(InPerm.RangeCode);
    const QString of = OutRanges[OutPerm.Range].Format;
    QString row = QStringLiteral("%1 %2 %3 %4")
                      .arg(PercentText(p.Percent), 7)
                      .arg(FormatFloat(p.Applied, in.EngFormat), 11)
                      .arg(FormatFloat(p.Eng, in.EngFormat), 10)
                      .arg(Pct(p.EngError), 7);
    if (Job.Meter)
        row += QStringLiteral(" %1 %2 %3")
                   .arg(FormatFloat(p.Ideal, of), 9)
                   .arg(p.Meter ? FormatFloat(*p.Meter, of) : QStringLiteral("-"), 9)
                   .arg(p.MeterError ? Pct(*p.MeterError) : QStringLiteral("-"), 7);
    row += QStringLiteral("  ") + (p.Pass ? p.Verdict
                                   : p.Verdict.startsWith(QLatin1String("pass"))
                                       ? p.Verdict + QStringLiteral(", not accepted")
                                       : p.Verdict.toUpper());
    if (!p.Reached)
        row += QStringLiteral(" (not reached)");
    else if (!p.Steady)
        row += QStringLiteral(" (not steady)");
    return row;
}

void TCalRun::CheckPoint(int index) {
    PointIndex = index;
    QList<TPoint>& points = AsLeft ? Left : Found;
    if (index >= Job.Points.size()) {
        const auto failed =
            std::count_if(points.begin(), points.end(), [](const TPoint& p) { return !p.Pass; });
        const QString rule =
            QStringLiteral("±%1, %2 decision rule").arg(Job.Tolerance.Text, DecisionRuleName(Job.Rule));
        emit Line(
            failed
                ? QStringLiteral("%1 of %2 points not accepted (%3)").arg(failed).arg(points.size()).arg(rule)
                : QStringLiteral("every point accepted (%1)").arg(rule));
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
                    // A rig may apply its value after the line: the point waits for it.
                    const std::optional<double> wanted =
                        Job.Applied ? std::optional<double>(Current.Applied) : std::nullopt;
                    WaitSteady(wanted, false, InputLimit(false),
                               [this](const Msg::TInputReport& in, bool steady, bool reached) {
                                   PointRead(in, steady, reached);
                               });
                });
}

void TCalRun::PointRead(const Msg::TInputReport& in, bool steady, bool reached) {
    Current.Eng = Held(in.Eng);
    Current.Ta = in.Ta;
    Current.TCal = in.TCal;
    Current.Steady = steady;
    Current.Reached = reached;
    double fraction = (Current.Applied - InPerm.EuMin) / (double(InPerm.EuMax) - InPerm.EuMin);
    if (OutPerm.Invert) fraction = 1 - fraction;
    const double outSpan = double(OutPerm.OutMax) - OutPerm.OutMin;
    Current.Ideal = OutPerm.OutMin + fraction * outSpan;
    Current.EngError = (Current.Eng - Current.Applied) / (double(InPerm.EuMax) - InPerm.EuMin) * 100;
    const auto finish = [this, outSpan](std::optional<double> meter) {
        Current.Meter = meter;
        if (meter) Current.MeterError = (*meter - Current.Ideal) / outSpan * 100;
        JudgePoint(Current);
        emit Line(TableRow(Current));
        (AsLeft ? Left : Found) << Current;
        CheckPoint(PointIndex + 1);
    };
    if (!Job.Meter) return finish(std::nullopt);
    AskMeter(
        QStringLiteral("meter reading of the output in %1 (ideal %2; Enter: none)")
            .arg(OutRanges[OutPerm.Range].Unit, FormatFloat(Current.Ideal, OutRanges[OutPerm.Range].Format)),
        true, finish);
}

TCalRun::TJudged TCalRun::Judge(bool output, double error, double value) const {
    const IRange& in = InRow(InPerm.RangeCode);
    const ORange& out = OutRanges[OutPerm.Range];
    const QString unit = output ? out.Unit : in.EngUnit;
    const double span =
        output ? double(OutPerm.OutMax) - OutPerm.OutMin : double(InPerm.EuMax) - InPerm.EuMin;
    const TTolerance& tolerance = output && Job.OutputTolerance ? *Job.OutputTolerance : Job.Tolerance;
    // The reference's expanded uncertainty in the quantity's unit, with the
    // display's last digit.
    double reference = 0;
    if (Job.Bench)
        if (const TCalReference* r =
                Job.Bench->Find(output ? QStringLiteral("output_meter") : QStringLiteral("input_calibrator")))
            reference = r->Uncertainty * UnitFactor(r->UncertaintyUnit, unit).value_or(0);
    const double resolution = std::pow(10.0, -Decimals(output ? out.Format : in.EngFormat));
    TJudged j;
    j.Error = error;
    j.Allowed = tolerance.Allowed(value, span, unit);
    j.Uncertainty = ExpandedUncertainty(reference, resolution);
    j.Decision = Decide(error, j.Allowed, j.Uncertainty, Job.Rule);
    return j;
}

// Only what was measured is judged: the reading, and the output where a meter
// read it; the point takes the worse verdict of the two.
void TCalRun::JudgePoint(TPoint& p) const {
    p.In = Judge(false, p.Eng - p.Applied, p.Applied);
    p.Out.reset();
    if (p.Meter) p.Out = Judge(true, *p.Meter - p.Ideal, p.Ideal);
    const QStringList order{QStringLiteral("pass"), QStringLiteral("pass (within uncertainty)"),
                            QStringLiteral("fail (within uncertainty)"), QStringLiteral("fail")};
    p.Verdict = p.In.Decision.Verdict;
    if (p.Out && order.indexOf(p.Out->Decision.Verdict) > order.indexOf(p.Verdict))
        p.Verdict = p.Out->Decision.Verdict;
    p.Pass = p.Steady && p.Reached && p.In.Decision.Accepted && (!p.Out || p.Out->Decision.Accepted);
    if (!p.Steady || !p.Reached) p.Verdict = QStringLiteral("fail");
}

// ---- calibrate input ----

void TCalRun::CalInputZero() {
    const IRange& row = InRow(InPerm.RangeCode);
    // The raw zero is no temperature: it is named in the raw unit only.
    const QString zero = FormatFloat(0, row.RawFormat, row.RawUnit);
    NextApplied(QStringLiteral("input zero scale: apply %1 to the input").arg(zero),
                [this, zero](std::optional<QString> line) {
                    if (!line) return InputEnded(QStringLiteral("before the input zero point"));
                    if (Job.Applied && (!Number(*line) || *Number(*line) != 0))
                        return Fail(ExitBadInput,
                                    QStringLiteral("the input's zero point is %1; --applied gave '%2'")
                                        .arg(zero, line->trimmed()));
                    WriteInputPoint(false, 0, [this] { CalInputFull(); });
                });
}

void TCalRun::CalInputFull() {
    const IRange& row = InRow(InPerm.RangeCode);
    const QString full = FormatFloat(row.RawFullScale, row.RawFormat, row.RawUnit);
    NextApplied(QStringLiteral("input full scale: apply %1 to the input%2")
                    .arg(full, Job.Applied ? QString()
                                           : QStringLiteral("; type the value really applied if it differs")),
                [this](std::optional<QString> line) {
                    if (!line) return InputEnded(QStringLiteral("before the input full-scale point"));
                    const IRange& row = InRow(InPerm.RangeCode);
                    const std::optional<double> v = line->trimmed().isEmpty() && !Job.Applied
                                                        ? std::optional<double>(row.RawFullScale)
                                                        : Number(*line);
                    // The transmitter takes a full scale above zero and up to half as much again as the
                    // range's.
                    if (!v || *v <= 0 || *v > 1.5 * row.RawFullScale) {
                        const QString text =
                            QStringLiteral("the full-scale value must lie above 0 and up to %1, not '%2'")
                                .arg(FormatFloat(1.5 * row.RawFullScale, row.RawFormat, row.RawUnit),
                                     line->trimmed());
                        if (Job.Applied) return Fail(ExitBadInput, text);
                        emit Line(text);
                        return CalInputFull();
                    }
                    WriteInputPoint(true, *v, [this] { Phases(); });
                });
}

// Waits for a steady reading near the applied value, asks, and writes the
// calibration of the input's zero (cmdCalZero) or full scale (cmdCalFull at
// `applied`), keeping it among the adjustments, written or not; then `next`.
void TCalRun::WriteInputPoint(bool full, double applied, const std::function<void()>& next) {
    const QString what = full ? QStringLiteral("input full scale") : QStringLiteral("input zero");
    const QString command = full ? QStringLiteral("cmdCalFull") : QStringLiteral("cmdCalZero");
    const double limit = InputLimit(true);
    const std::optional<double> wanted = Job.Applied ? std::optional<double>(applied) : std::nullopt;
    WaitSteady(wanted, true, limit, [=, this](const Msg::TInputReport& in, bool steady, bool) {
        const IRange& row = InRow(InPerm.RangeCode);
        const QString before = FormatFloat(in.Raw, row.RawFormat, row.RawUnit);
        const QString point = FormatFloat(applied, row.RawFormat, row.RawUnit);
        if (!steady)
            return Fail(
                ExitNoAnswer,
                QStringLiteral("the input did not settle within %1 s (it reads %2); the %3 was not written")
                    .arg(Job.SettleLimitMs / 1000.0)
                    .arg(before, what));
        // Nothing is written on a reading that has not reached the point.
        if (std::fabs(in.Raw - applied) > limit)
            return Fail(ExitBadInput,
                        QStringLiteral("the input reads %1, further than ±%2 from the applied %3; "
                                       "the %4 was not written")
                            .arg(before, FormatFloat(limit, row.RawFormat, row.RawUnit), point, what));
        const QString question =
            full ? QStringLiteral("the input reads %1; write the full-scale calibration of %2 at %3 (%4)?")
                       .arg(before, row.Name, point, command)
                 : QStringLiteral("the input reads %1; write the zero calibration of %2 (%3)?")
                       .arg(before, row.Name, command);
        Confirm(question, [=, this](bool yes) {
            QJsonObject adj{{QStringLiteral("what"), what},
                            {QStringLiteral("applied"), applied},
                            {QStringLiteral("unit"), InRow(InPerm.RangeCode).RawUnit.trimmed()},
                            {QStringLiteral("read_before"), Held(in.Raw)},
                            {QStringLiteral("decimals"), Decimals(row.RawFormat)},
                            {QStringLiteral("written"), yes}};
            if (!yes) {
                emit Line(what + QStringLiteral(" not written"));
                Adjustments << adj;
                return next();
            }
            const QByteArray request =
                full ? Msg::CalFull(InPerm.RangeCode, float(applied)) : Msg::CalZero(InPerm.RangeCode);
            PendingWrite = full ? what + QStringLiteral(" at ") + point : what;
            Send(request, [=, this](const QByteArray& answer) mutable {
                const Msg::TInputReport r = Msg::DecodeInputReport(answer);
                const IRange& row = InRow(InPerm.RangeCode);
                const QString after = FormatFloat(r.Raw, row.RawFormat, row.RawUnit);
                adj[QStringLiteral("read_after")] = Held(r.Raw);
                Adjustments << adj;
                Written << (full ? what + QStringLiteral(" at ") + point : what);
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

// One step of a trim: the DAC driven at TrimCode, the meter read.
void TCalRun::TrimStep(bool full) {
    Send(Msg::SetDac(OutPerm.Range, uint16_t(TrimCode)), [this, full](const QByteArray&) {
        AskMeter(QStringLiteral("step %1: DAC code %2; meter reading in %3")
                     .arg(TrimSteps.size() + 1)
                     .arg(TrimCode)
                     .arg(OutRanges[OutPerm.Range].Unit),
                 false, [this, full](std::optional<double> reading) { TrimReading(full, *reading); });
    });
}

// A meter reading of the trim: kept with the steps, then the next code, the
// end of the trim without one, or the question whether to store this one.
void TCalRun::TrimReading(bool full, double reading) {
    const ORange& row = OutRanges[OutPerm.Range];
    const double target = full ? row.FullScale : row.ZeroScale;
    const double tolerance = Job.TrimTolerance / 100 * (double(row.FullScale) - row.ZeroScale);
    const int stored = full ? OutPerm.FullCode : OutPerm.ZeroCode;
    const QString which = full ? QStringLiteral("full") : QStringLiteral("zero");
    TrimSteps << qMakePair(TrimCode, reading);
    QJsonArray steps;
    for (const auto& s : TrimSteps)
        steps << QJsonObject{{QStringLiteral("code"), s.first}, {QStringLiteral("meter"), s.second}};
    // Kept for the record until the code is stored or given up.
    OpenTrim = QJsonObject{{QStringLiteral("what"), QStringLiteral("output %1 code").arg(which)},
                           {QStringLiteral("target"), Held(target)},
                           {QStringLiteral("unit"), row.Unit},
                           {QStringLiteral("code_before"), stored},
                           {QStringLiteral("steps"), steps}};
    if (std::fabs(reading - target) > tolerance) {
        if (TrimSteps.size() >= Job.MaxSteps)
            return TrimGiveUp(full, QStringLiteral("not within ±%1 %2 after %3 steps")
                                        .arg(FormatFloat(tolerance, QStringLiteral("0.0000")), row.Unit)
                                        .arg(TrimSteps.size()));
        const double codes =
            OutPerm.FullCode != OutPerm.ZeroCode ? double(OutPerm.FullCode) - OutPerm.ZeroCode : 60000.0;
        const int code = NextTrimCode(TrimSteps, target, (double(row.FullScale) - row.ZeroScale) / codes);
        if (code == TrimCode)
            return TrimGiveUp(full, QStringLiteral("the DAC gets no closer than code %1").arg(code));
        TrimCode = code;
        return TrimStep(full);
    }
    Confirm(QStringLiteral("code %1 gives %2 %3 after %4 step(s); store it as the %5 code (%6, was %7)?")
                .arg(TrimCode)
                .arg(FormatFloat(reading, QStringLiteral("0.0000")), row.Unit)
                .arg(TrimSteps.size())
                .arg(which, full ? QStringLiteral("cmdWriteOutFull") : QStringLiteral("cmdWriteOutZero"))
                .arg(stored),
            [this, full, which, stored](bool yes) {
                OpenTrim[QStringLiteral("code_after")] = TrimCode;
                OpenTrim[QStringLiteral("written")] = yes;
                if (yes) return TrimStore(full);
                Adjustments << std::exchange(OpenTrim, {});
                emit Line(QStringLiteral("the %1 code not stored; it stays %2").arg(which).arg(stored));
                full ? Phases() : TrimOutput(true);
            });
}

// A trim that ends without a code within the tolerance: nothing stored.
void TCalRun::TrimGiveUp(bool full, const QString& why) {
    const ORange& row = OutRanges[OutPerm.Range];
    const QString which = full ? QStringLiteral("full") : QStringLiteral("zero");
    TrimFailed = true;
    OpenTrim[QStringLiteral("written")] = false;
    Adjustments << std::exchange(OpenTrim, {});
    emit Line(QStringLiteral("%1; the %2 code stays %3")
                  .arg(why, which)
                  .arg(full ? OutPerm.FullCode : OutPerm.ZeroCode));
    if (full) return Phases();
    // The full code alone would move the whole line and leave the low end
    // worse: it is stored only when asked for by name.
    emit Line(QStringLiteral(
                  "without a zero code that gives %1 %2, a new full code alone would move the low end too")
                  .arg(FormatFloat(row.ZeroScale, row.Format), row.Unit));
    if (Job.Yes) {
        emit Line(
            QStringLiteral("the full code is not trimmed (--yes stores only an end within the tolerance)"));
        return Phases();
    }
    Confirm(QStringLiteral("trim and store the full code anyway?"),
            [this](bool yes) { yes ? TrimOutput(true) : Phases(); });
}

// Stores TrimCode as the zero or full code (cmdWriteOutZero, cmdWriteOutFull)
// with the output's other settings as they are.
void TCalRun::TrimStore(bool full) {
    const QString which = full ? QStringLiteral("full") : QStringLiteral("zero");
    Msg::TOutSettings s;
    s.Range = OutPerm.Range;
    s.Invert = OutPerm.Invert != 0;
    s.OutMin = OutPerm.OutMin;
    s.OutMax = OutPerm.OutMax;
    s.AlarmLimit = OutPerm.AlarmLimit;
    s.DeadBand = OutPerm.DeadBand;
    s.AlarmFlags = OutPerm.AlarmFlags & (Msg::AlarmEnabledBit | Msg::AlarmLowBit);
    const uint16_t code = uint16_t(TrimCode);
    PendingWrite = QStringLiteral("output %1 code %2").arg(which).arg(code);
    Send(full ? Msg::WriteOutFull(code, s) : Msg::WriteOutZero(code, s), [this, full, which,
                                                                          code](const QByteArray& answer) {
        const Msg::TOutputReport r = Msg::DecodeOutputReport(answer);
        const int kept = full ? r.FullCode : r.ZeroCode;
        if (kept != code)
            return Fail(ExitDiffers,
                        QStringLiteral("the unit holds %1 code %2, not %3").arg(which).arg(kept).arg(code));
        TrimStored(full, code);
    });
}

void TCalRun::TrimStored(bool full, int code) {
    const QString which = full ? QStringLiteral("full") : QStringLiteral("zero");
    Adjustments << std::exchange(OpenTrim, {});
    Written << QStringLiteral("output %1 code %2").arg(which).arg(code);
    emit Line(QStringLiteral("%1 code stored: %2 (was %3)")
                  .arg(which)
                  .arg(code)
                  .arg(full ? OutPerm.FullCode : OutPerm.ZeroCode));
    (full ? OutPerm.FullCode : OutPerm.ZeroCode) = code;
    full ? Phases() : TrimOutput(true);
}

// ---- The record ----

QJsonArray TCalRun::PointsJson(const QList<TPoint>& points) const {
    QJsonArray list;
    const int ed = Decimals(InRow(InPerm.RangeCode).EngFormat) + 2,
              od = Decimals(OutRanges[OutPerm.Range].Format) + 2;
    const auto judged = [](const TJudged& j, int d) {
        return QJsonObject{{QStringLiteral("error"), Rounded(j.Error, d)},
                           {QStringLiteral("allowed"), Rounded(j.Allowed, d)},
                           {QStringLiteral("uncertainty"), Rounded(j.Uncertainty, d)},
                           {QStringLiteral("verdict"), j.Decision.Verdict}};
    };
    for (const TPoint& p : points) {
        QJsonObject o{{QStringLiteral("percent"), p.Percent},
                      {QStringLiteral("target"), Rounded(p.Target, ed)},
                      {QStringLiteral("applied"), Rounded(p.Applied, ed)},
                      {QStringLiteral("read"), p.Eng},
                      {QStringLiteral("read_error_percent"), Rounded(p.EngError, 4)},
                      {QStringLiteral("input"), judged(p.In, ed)},
                      {QStringLiteral("output_ideal"), Rounded(p.Ideal, od)},
                      {QStringLiteral("meter"), p.Meter ? QJsonValue(Rounded(*p.Meter, od)) : QJsonValue()},
                      {QStringLiteral("meter_error_percent"),
                       p.MeterError ? QJsonValue(Rounded(*p.MeterError, 4)) : QJsonValue()},
                      {QStringLiteral("output"), p.Out ? QJsonValue(judged(*p.Out, od)) : QJsonValue()},
                      {QStringLiteral("ta"), Held(p.Ta)},
                      {QStringLiteral("tcal"), Held(p.TCal)},
                      {QStringLiteral("steady"), p.Steady},
                      {QStringLiteral("reached"), p.Reached},
                      {QStringLiteral("accepted"), p.Pass},
                      {QStringLiteral("verdict"), p.Verdict}};
        list << o;
    }
    return list;
}

namespace {
bool AllPass(const QList<TCalRun::TPoint>& points) {
    return std::all_of(points.begin(), points.end(), [](const TCalRun::TPoint& p) { return p.Pass; });
}

// A point met on the way up and again on the way down: the difference of the
// two readings, in the unit and in % of span.
QJsonArray Hysteresis(const QList<TCalRun::TPoint>& points, double span, int decimals) {
    QJsonArray list;
    for (qsizetype i = 0; i < points.size(); ++i)
        for (qsizetype k = i + 1; k < points.size(); ++k)
            if (points[k].Percent == points[i].Percent) {
                const double d = (points[k].Eng - points[k].Applied) - (points[i].Eng - points[i].Applied);
                list << QJsonObject{{QStringLiteral("percent"), points[i].Percent},
                                    {QStringLiteral("hysteresis"), Rounded(d, decimals)},
                                    {QStringLiteral("hysteresis_percent"), Rounded(d / span * 100, 4)}};
                break;
            }
    return list;
}

QJsonObject ToleranceJson(const TTolerance& t) {
    return {{QStringLiteral("text"), t.Text},
            {QStringLiteral("span_percent"), t.SpanPercent},
            {QStringLiteral("reading_percent"), t.ReadingPercent},
            {QStringLiteral("absolute"), t.Absolute},
            {QStringLiteral("absolute_unit"),
             t.AbsoluteUnit.isEmpty() ? QJsonValue() : QJsonValue(t.AbsoluteUnit)}};
}
} // namespace

// The verdict of the whole run, on what was measured last: the as-left check
// where there is one, else the as-found one; a DAC code left outside its
// tolerance fails a calibration; a run that did not finish has none.
QString TCalRun::Overall() const {
    if (!Complete) return QStringLiteral("incomplete");
    const bool checked = Job.CheckAfter || Job.CheckBefore;
    const bool pass = (!checked || AllPass(Job.CheckAfter ? Left : Found)) && !TrimFailed;
    return Verdict(pass);
}

QJsonValue TCalRun::CheckJson(const QList<TPoint>& points, bool asked) const {
    if (!asked || points.isEmpty()) return QJsonValue();
    const bool metered = std::any_of(points.begin(), points.end(), [](const TPoint& p) { return p.Meter; });
    const bool outputPass = std::all_of(points.begin(), points.end(),
                                        [](const TPoint& p) { return !p.Out || p.Out->Decision.Accepted; });
    const bool readPass = std::all_of(points.begin(), points.end(), [](const TPoint& p) {
        return p.Steady && p.Reached && p.In.Decision.Accepted;
    });
    return QJsonObject{
        {QStringLiteral("points"), PointsJson(points)},
        {QStringLiteral("hysteresis"), Hysteresis(points, double(InPerm.EuMax) - InPerm.EuMin,
                                                  Decimals(InRow(InPerm.RangeCode).EngFormat) + 2)},
        {QStringLiteral("input"), Verdict(readPass)},
        {QStringLiteral("output"), metered ? Verdict(outputPass) : QStringLiteral("not measured")},
        {QStringLiteral("verdict"),
         points.size() < Job.Points.size() ? QStringLiteral("incomplete") : Verdict(AllPass(points))}};
}

// Every setting the run's verdicts depend on.
QJsonObject TCalRun::SettingsJson() const {
    QJsonArray points;
    for (double p : Job.Points)
        points << p;
    return {{QStringLiteral("points"), points},
            {QStringLiteral("tolerance"), ToleranceJson(Job.Tolerance)},
            {QStringLiteral("output_tolerance"), ToleranceJson(Job.OutputTolerance.value_or(Job.Tolerance))},
            {QStringLiteral("adjust_over"),
             Job.AdjustOver ? QJsonValue(ToleranceJson(*Job.AdjustOver)) : QJsonValue()},
            {QStringLiteral("decision_rule"), DecisionRuleName(Job.Rule)},
            {QStringLiteral("meter"), Job.Meter},
            {QStringLiteral("settle_limit_s"), Job.SettleLimitMs / 1000.0},
            {QStringLiteral("adjust_limit_percent"), Job.AdjustLimit},
            {QStringLiteral("trim_tolerance_percent"), Job.TrimTolerance},
            {QStringLiteral("max_steps"), Job.MaxSteps}};
}

// Who issues the certificate, for whom, with which references.
QJsonObject TCalRun::CertificateJson() const {
    const QDate issued = QDateTime::fromString(EndUtc.isEmpty() ? StartUtc : EndUtc, Qt::ISODate).date();
    QJsonArray references;
    if (Job.Bench)
        for (const TCalReference& r : Job.Bench->References)
            references << r.Json();
    const auto orNull = [](const QString& text) { return text.isEmpty() ? QJsonValue() : QJsonValue(text); };
    return {{QStringLiteral("number"), orNull(IssuedNumber(Job.CertificateNumber, issued))},
            {QStringLiteral("issue_date"), issued.toString(Qt::ISODate)},
            {QStringLiteral("organisation"), orNull(Job.Bench ? Job.Bench->Organisation : QString())},
            {QStringLiteral("location"), orNull(Job.Bench ? Job.Bench->Location : QString())},
            {QStringLiteral("customer"), orNull(Job.Customer)},
            {QStringLiteral("interval_days"), Job.IntervalDays ? QJsonValue(Job.IntervalDays) : QJsonValue()},
            {QStringLiteral("next_due"),
             Job.IntervalDays ? QJsonValue(issued.addDays(Job.IntervalDays).toString(Qt::ISODate))
                              : QJsonValue()},
            {QStringLiteral("references"), references},
            {QStringLiteral("decision_rule_text"), DecisionRuleText(Job.Rule)}};
}

// The programmed ranges, the output's DAC codes as found and at the end.
void TCalRun::AddRanges(QJsonObject& record) const {
    int wiring = 0;
    const IRange& in = InRanges[CodeToRange(InPerm.RangeCode, wiring)];
    const ORange& out = OutRanges[OutPerm.Range < OutRangeCount ? OutPerm.Range : 0];
    record[QStringLiteral("input")] =
        QJsonObject{{QStringLiteral("range"), in.Name},
                    {QStringLiteral("wiring"), in.HasWiring ? WiringNames[wiring] : QJsonValue()},
                    {QStringLiteral("range_code"), InPerm.RangeCode},
                    {QStringLiteral("eu_min"), Held(InPerm.EuMin)},
                    {QStringLiteral("eu_max"), Held(InPerm.EuMax)},
                    {QStringLiteral("unit"), in.EngUnit.trimmed()},
                    {QStringLiteral("decimals"), Decimals(in.EngFormat)}};
    record[QStringLiteral("output")] = QJsonObject{{QStringLiteral("range"), out.Name},
                                                   {QStringLiteral("min"), Held(OutPerm.OutMin)},
                                                   {QStringLiteral("max"), Held(OutPerm.OutMax)},
                                                   {QStringLiteral("unit"), out.Unit},
                                                   {QStringLiteral("decimals"), Decimals(out.Format)},
                                                   {QStringLiteral("invert"), OutPerm.Invert != 0},
                                                   {QStringLiteral("zero_code_as_found"), FoundZeroCode},
                                                   {QStringLiteral("full_code_as_found"), FoundFullCode},
                                                   {QStringLiteral("zero_code"), OutPerm.ZeroCode},
                                                   {QStringLiteral("full_code"), OutPerm.FullCode}};
}

QJsonObject TCalRun::Record() const {
    // A trim cut short is evidence too: its steps, nothing stored.
    QJsonArray adjustments = Adjustments;
    if (!OpenTrim.isEmpty()) {
        QJsonObject open = OpenTrim;
        open.insert(QStringLiteral("written"), false);
        adjustments << open;
    }
    QStringList procedure;
    if (Job.CheckBefore)
        procedure << (Job.CheckAfter ? QStringLiteral("as-found check") : QStringLiteral("check"));
    if (Job.CalInput) procedure << QStringLiteral("input calibration");
    if (Job.CalOutput) procedure << QStringLiteral("output DAC trim");
    if (Job.CheckAfter) procedure << QStringLiteral("as-left check");
    QJsonObject record{
        {QStringLiteral("record"), QStringLiteral("mrt9dx calibration record")},
        {QStringLiteral("record_version"), 3},
        {QStringLiteral("status"), Complete ? QStringLiteral("complete") : QStringLiteral("incomplete")},
        {QStringLiteral("reason"), Complete ? QJsonValue() : QJsonValue(EndError)},
        {QStringLiteral("program"), QJsonObject{{QStringLiteral("name"), QStringLiteral("mrt9dx-cli")},
                                                {QStringLiteral("version"), QStringLiteral(MRT_VERSION)}}},
        {QStringLiteral("procedure"), procedure.join(QStringLiteral(", "))},
        {QStringLiteral("certificate"), CertificateJson()},
        {QStringLiteral("unit"),
         QJsonObject{{QStringLiteral("tag"), Job.UnitTag.isEmpty() ? QJsonValue() : QJsonValue(Job.UnitTag)},
                     {QStringLiteral("port"), Port},
                     {QStringLiteral("version"), Version}}},
        {QStringLiteral("settings"), SettingsJson()},
        {QStringLiteral("reference_id"), Job.ReferenceId},
        {QStringLiteral("technician"), Job.By},
        {QStringLiteral("start_utc"), StartUtc},
        {QStringLiteral("end_utc"), EndUtc},
        {QStringLiteral("as_found"), CheckJson(Found, Job.CheckBefore)},
        {QStringLiteral("adjustment_needed"),
         Job.AdjustOver && Complete ? QJsonValue(!NoAdjustment) : QJsonValue()},
        {QStringLiteral("adjustments"), adjustments},
        {QStringLiteral("as_left"), CheckJson(Left, Job.CheckAfter)},
        {QStringLiteral("written"), QJsonArray::fromStringList(Written)},
        {QStringLiteral("put_back"), QJsonArray::fromStringList(PutBackLines)},
        {QStringLiteral("not_put_back"), QJsonArray::fromStringList(NotPutBack)},
        {QStringLiteral("verdict"), Overall()},
    };
    // What the unit is, once it has said so.
    if (Known) AddRanges(record);
    return record;
}

bool TCalRun::WriteFiles(QString* error) {
    const QJsonObject record = Record();
    QStringList failures;
    const auto write = [&failures](const QString& name, const QByteArray& data) {
        if (name.isEmpty()) return true;
        QString why;
        if (WriteFileSafely(name, data, &why)) return true;
        failures << QStringLiteral("%1: %2").arg(name, why);
        return false;
    };
    // Both are tried: a certificate that cannot be written keeps no record from being kept.
    const bool recordWritten = write(Job.RecordFile, QJsonDocument(record).toJson(QJsonDocument::Indented));
    const bool certificateWritten = write(
        Job.CertificateFile,
        CertificateHtml(record, HistoryJson(Job.History +
                                            QList<TStoredRun>{RunFromRecord(Job.CertificateNumber, record)}))
            .toUtf8());
    *error = failures.join(QStringLiteral("; "));
    return recordWritten && certificateWritten;
}

void TCalRun::Done() {
    QStringList summary;
    if (Job.CheckBefore)
        summary << QStringLiteral("%1: %2").arg(
            Job.CheckAfter ? QStringLiteral("as found") : QStringLiteral("check"),
            AllPass(Found) ? QStringLiteral("pass") : QStringLiteral("FAIL"));
    if (Job.CalInput || Job.CalOutput)
        summary << (TrimFailed          ? QStringLiteral("calibration: a DAC code not within tolerance")
                    : Written.isEmpty() ? QStringLiteral("calibration: nothing was written")
                                        : QStringLiteral("calibration: done"));
    if (Job.CheckAfter)
        summary << QStringLiteral("as left: %1")
                       .arg(AllPass(Left) ? QStringLiteral("pass") : QStringLiteral("FAIL"));
    Complete = true;
    Result = summary.join(QStringLiteral("; "));
    const bool pass = Overall() == QLatin1String("pass");
    Ended = true;
    EndStatus = pass ? ExitDone : ExitDiffers;
    EndError = pass ? QString() : QStringLiteral("outside the tolerance: ") + Result;
    PutBack();
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
        [this](const QByteArray& request, TCalRun::TOnReply onReply) {
            AskVerdict(request, std::move(onReply), Job.Retries);
        },
        [this](int status, const QString& error) {
            Result = CalRun->Result;
            Details.insert(QStringLiteral("record"), CalRun->Record());
            Finish(status, error);
        },
        this);
    connect(CalRun, &TCalRun::Line, this, &TUnitRun::Line);
    CalRun->Start();
}
