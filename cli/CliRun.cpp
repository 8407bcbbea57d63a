#include "CliRun.h"

#include "../link/PortNames.h"
#include "../link/PortRules.h"
#include "Present.h"
#include "RecordStore.h"
#include "StoreCommands.h"

#include <MrtVersion.h>
#include <QCommandLineParser>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <csignal>
#include <utility>

namespace {
const QString Program = QStringLiteral("mrt9dx-cli");

const QString MainHelp =
    QStringLiteral("Usage: mrt9dx-cli [-p PORT]... COMMAND [OPTIONS]\n"
                   "The command-line companion of mrt9dx-config, for people who handle MRT9-DX\n"
                   "transmitters in numbers. PORT is COMn, numbered as in the window's port dialog,\n"
                   "or a device path. -p PORT (or --port PORT, --port=PORT) may be given several\n"
                   "times: the command then runs on every port at once and reports per port.\n"
                   "--json gives the result of every command that acts on units as one JSON\n"
                   "object keyed by port. --retries N (0 to 10, default 1) repeats a read that met\n"
                   "no answer N times; a write is never repeated. -- ends the options. --version\n"
                   "prints the version.\n"
                   "\n"
                   "Commands:\n"
                   "  ports                        the COM ports the port dialog offers\n"
                   "  version                      the product version\n"
                   "  read [--active] [--json]     everything the window shows of the unit\n"
                   "  dump [-o FILE]               the programmed settings as a settings file\n"
                   "  apply [--dry-run] [--changed-only] [--expect-version TEXT] FILE|-\n"
                   "                               program a settings file and read it back\n"
                   "  verify FILE|-                compare a unit with a settings file, writing nothing\n"
                   "  mode run|cal                 switch the transmitter to RUN or CAL mode\n"
                   "  watch [--interval SECONDS] [--count N] [--long]\n"
                   "                               active readings as CSV, a line per interval\n"
                   "  check [--points LIST] [--tolerance PERCENT] [--applied FILE|-] [--meter]\n"
                   "        [--record FILE] [--certificate FILE] [--as-left-after WHAT] ...\n"
                   "                               the unit at test points, as found (and as left)\n"
                   "  calibrate input|output|input,output [--applied FILE|-] [--switch-mode] ...\n"
                   "                               input zero and full scale, output DAC trim\n"
                   "  records [--unit TAG] [--since DATE] [--until DATE]\n"
                   "                               the runs in the store of records; records show\n"
                   "                               NUMBER, records certificate NUMBER -o FILE\n"
                   "  due [--within DAYS]          units due for calibration within DAYS (30)\n"
                   "  history TAG                  a unit's runs: largest errors and drift\n"
                   "\n"
                   "Exit status, with several ports the worst of all (in this order, least first):\n"
                   "0 done; 2 bad arguments or a bad settings file, nothing was sent; 4 the\n"
                   "read-back or the unit verified differs, or apply's every step was confirmed\n"
                   "and the read-back failed; 1 the transmitter refused (status 0); 3 not\n"
                   "checked: no port, no or a broken answer, or stopped before the verdict;\n"
                   "5 standard output could not be written; 128 plus the signal's number after\n"
                   "a stop signal. Ctrl+C (or SIGTERM, SIGHUP, SIGQUIT) lets the step in flight\n"
                   "end as its command's rules say, a port that is not ready yet ends with\n"
                   "nothing sent; a second one ends every port at once.\n"
                   "'mrt9dx-cli COMMAND --help' describes a command.");

struct TCommandHelp {
    const char* Name;
    TCliJob::TCommand Command;
    const char* Usage;
    const char* Text;
};

const TCommandHelp Commands[] = {
    {"version", TCliJob::TCommand::Version, "version [--json]",
     "Prints the product version the transmitter reports."},
    {"read", TCliJob::TCommand::Read, "read [--active] [--json]",
     "Prints everything the window shows of the unit: the programmed input range\n"
     "(--active: the active one) with wiring, span, readings, Seebeck voltage, TA and\n"
     "TCAL; the programmed (or active) output range with DAC codes, limits,\n"
     "inversion, present output, alarm limit, dead band, enable, polarity and state;\n"
     "the calibration status of every range; the mode. --json: as one JSON object."},
    {"dump", TCliJob::TCommand::Dump, "dump [-o FILE] [--json]",
     "Prints the programmed settings as a settings file (JSON), the form apply reads:\n"
     "{\"input\": {\"range\": ..., \"wiring\": ..., \"eu_min\": ..., \"eu_max\": ...},\n"
     " \"output\": {\"range\": ..., \"min\": ..., \"max\": ..., \"invert\": ...,\n"
     " \"alarm_limit\": ..., \"dead_band\": ..., \"alarm_enabled\": ..., \"alarm_low\": ...}}\n"
     "-o FILE (--output FILE): writes them to FILE instead, beside it and renamed over\n"
     "it once complete; when a unit gives no settings or the write fails, the old\n"
     "file stays as it was."},
    {"apply", TCliJob::TCommand::Apply,
     "apply [--dry-run] [--changed-only] [--expect-version TEXT] [--json] FILE|-",
     "Programs a settings file (- reads standard input): checks it as the window checks\n"
     "what is typed, programs the input range and span as the input panel's S does\n"
     "(the toolkit version included) and the output settings as the output panel's S\n"
     "does, then reads both back and prints every field that differs. Either section\n"
     "may be left out. --dry-run: checks the file and writes nothing; with a port it\n"
     "reads the unit and prints each field that would change, from and to.\n"
     "--changed-only: reads the unit first and programs it only when it differs from\n"
     "the file, saying changed: true or false. --expect-version TEXT: reads the\n"
     "unit's version first and programs nothing when it is another (status 4)."},
    {"verify", TCliJob::TCommand::Verify, "verify [--json] FILE|-",
     "Reads the programmed settings of the unit and compares them with a settings file\n"
     "(- reads standard input) field by field, as apply compares its read-back. Writes\n"
     "nothing to the unit. Status 0 when they are the same, 4 when they differ, with\n"
     "every field that differs printed."},
    {"mode", TCliJob::TCommand::Mode, "mode [--json] run|cal",
     "Switches the transmitter to RUN or CAL mode."},
    {"check", TCliJob::TCommand::Check, CheckUsage, CheckHelp},
    {"calibrate", TCliJob::TCommand::Calibrate, CalibrateUsage, CalibrateHelp},
    {"watch", TCliJob::TCommand::Watch, "watch [--interval SECONDS] [--count N] [--long] [--json]",
     "Prints the active readings as CSV with a header that names the units of the\n"
     "active ranges (time,raw_uV,eng_C,ta_C,tcal_C,output_mA), one line per interval\n"
     "(default 1 s), N lines (1 to 1000000) or until interrupted. Times are ISO 8601\n"
     "with the UTC offset; a reading that is not a number leaves its field empty.\n"
     "Ports whose units differ get a header each, the port's name in place of port.\n"
     "--long: a line per reading, port,time,quantity,value,unit. --json: a JSON\n"
     "object per line, keyed by port (time, raw, raw_unit, eu, eu_unit, ta, tcal,\n"
     "output, output_unit), and the verdicts at the end."},
};

const QString PortsHelp = QStringLiteral(
    "Usage: mrt9dx-cli ports\nOne line per COM number the port dialog offers: the COM number, the device, "
    "its description\n(adapter maker, product, serial number) and its state (free, in use, no permission).\n"
    "It takes no -p: it lists every port.");

// The help of the command `name`; the program's help when `name` is no command.
QString HelpText(const QString& name) {
    if (name == QLatin1String("ports")) return PortsHelp;
    if (IsStoreCommand(name)) return StoreCommandHelp(name);
    for (const TCommandHelp& c : Commands)
        if (name == QLatin1String(c.Name))
            return QStringLiteral("Usage: mrt9dx-cli [-p PORT]... %1\n%2")
                .arg(QLatin1String(c.Usage), QLatin1String(c.Text));
    return MainHelp;
}

bool ValidPort(const QString& port) {
    return ComNumberOf(port) != 0 || port.contains(QLatin1Char('/')) || port.contains(QLatin1Char('\\'));
}

// The arguments before a "--", where options may stand.
QStringList OptionPart(const QStringList& arguments) {
    const qsizetype end = arguments.indexOf(QStringLiteral("--"));
    return end < 0 ? arguments : arguments.mid(0, end);
}

bool IsPortOption(const QString& argument) {
    return argument == QLatin1String("-p") || argument.startsWith(QLatin1String("--port")) ||
           (argument.startsWith(QLatin1String("-p")) && !argument.startsWith(QLatin1String("--")));
}

// A line of standard error for one port: the port named once. A message that
// names the port itself ("COM4 (/dev/pts/8) is in use by another program",
// "there is no /dev/ttyUSB8" for -p /dev/ttyUSB8) stands alone; any other
// follows the port's name.
QString PortErrorLine(const QString& port, const QString& error) {
    const QRegularExpression named(
        QStringLiteral("(^|[\\s(])%1($|[\\s):,])").arg(QRegularExpression::escape(port)));
    const QRegularExpressionMatch match = named.match(error);
    if (!match.hasMatch()) return QStringLiteral("%1: %2").arg(port, LowerFirst(error));
    // "/dev/ttyS7: Input/output error": the system's words after the name too.
    const qsizetype colon = error.indexOf(QStringLiteral(": "), match.capturedStart());
    return colon < 0 ? LowerFirst(error)
                     : LowerFirst(error.left(colon + 2)) + LowerFirst(error.mid(colon + 2));
}

QString JsonKey(const QString& text) {
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

QString JsonText(const QJsonObject& object) {
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

// The stop signal's name as the stop line says it.
QString SignalName(int signal) {
    switch (signal) {
    case SIGINT:
        return QStringLiteral("SIGINT");
    case SIGTERM:
        return QStringLiteral("SIGTERM");
#ifdef SIGHUP
    case SIGHUP:
        return QStringLiteral("SIGHUP");
    case SIGQUIT:
        return QStringLiteral("SIGQUIT");
#endif
    default:
        return QStringLiteral("signal %1").arg(signal);
    }
}
} // namespace

TCliRun::TCliRun(TClock* clock, TTransportMaker makeTransport, QObject* parent)
    : QObject(parent), Clock(clock), MakeTransport(std::move(makeTransport)) {}

TCliRun::~TCliRun() = default;

int WorseStatus(int a, int b) {
    const auto rank = [](int status) {
        switch (status) {
        case ExitDone:
            return 0;
        case ExitBadInput:
            return 1;
        case ExitDiffers:
            return 2;
        case ExitRefused:
            return 3;
        case ExitNoAnswer:
            return 4;
        case ExitOutputFailed:
            return 5;
        default:
            return status; // 128 plus a signal's number
        }
    };
    return rank(b) > rank(a) ? b : a;
}

int TCliRun::Status() const {
    const int status = OutFailed || FileFailed ? WorseStatus(ExitStatus, ExitOutputFailed) : ExitStatus;
    return StopSignal ? WorseStatus(status, 128 + StopSignal) : status;
}

bool TCliRun::Fail(const QString& message, const QString& kind) {
    if (Err) Err(QStringLiteral("%1: %2").arg(Program, message));
    ExitStatus = ExitBadInput;
    // A script that asked for JSON reads its failure there too.
    if (JsonWanted && Out)
        Out(JsonText({{QStringLiteral("status"), ExitStatus},
                      {QStringLiteral("kind"), kind},
                      {QStringLiteral("error"), message}}));
    return false;
}

bool TCliRun::Help(const QString& text) {
    ExitStatus = ExitDone;
    if (Out) Out(text);
    return false;
}

void TCliRun::OutputFailed(const QString& reason) {
    if (OutFailed) return;
    OutFailed = true;
    if (Err) Err(QStringLiteral("%1: cannot write to standard output: %2").arg(Program, reason));
    // Nobody reads what follows: the ports end as on Ctrl+C, a programming
    // sequence still to its verdict.
    if (StopsAsked == 0 && Remaining > 0) Stop();
}

// Reads the line in steps: the options of every command (--help, --version,
// --json anywhere), the command, its own options, its file, the ports; then the
// units start. The command's options stay here, where one parser holds them all.
bool TCliRun::Start(const QStringList& arguments) {
    const QCommandLineOption port({QStringLiteral("p"), QStringLiteral("port")}, QStringLiteral("The port."),
                                  QStringLiteral("PORT"));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("This help."));
    const QCommandLineOption version(QStringLiteral("version"), QStringLiteral("The version."));
    QCommandLineParser global;
    global.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("As JSON."));
    global.addOptions({port, help, version, json});
    const bool parsed = global.parse(QStringList{Program} + arguments);
    const QStringList positional = global.positionalArguments();
    // A --help anywhere before "--", before or after the command, wins over
    // everything else on the line: it prints help and nothing is sent.
    const QStringList options = OptionPart(arguments);
    JsonWanted = options.contains(QStringLiteral("--json"));
    if (options.contains(QStringLiteral("--help")) || options.contains(QStringLiteral("-h")))
        return Help(HelpText(parsed ? positional.value(0) : QString()));
    if (options.contains(QStringLiteral("--version")))
        return Help(QStringLiteral("%1 %2").arg(Program, QStringLiteral(MRT_VERSION)));
    if (!parsed) return Fail(LowerFirst(global.errorText()));
    if (positional.isEmpty()) return Fail(QStringLiteral("no command given; 'mrt9dx-cli --help' lists them"));
    const QString name = positional.first();

    if (name == QLatin1String("ports"))
        return ListPorts(global.isSet(port) ||
                             std::any_of(positional.begin() + 1, positional.end(), IsPortOption),
                         int(positional.size() - positional.count(QStringLiteral("--json"))) - 1);
    if (IsStoreCommand(name))
        return StoreCommand(global.isSet(port) ||
                                std::any_of(positional.begin() + 1, positional.end(), IsPortOption),
                            positional);
    const auto found = std::find_if(std::begin(Commands), std::end(Commands),
                                    [&](const TCommandHelp& c) { return name == QLatin1String(c.Name); });
    if (found == std::end(Commands))
        return Fail(QStringLiteral("unknown command %1; 'mrt9dx-cli --help' lists them").arg(name));
    Job = TCliJob{};
    Job.Command = found->Command;
    const bool takesFile =
        Job.Command == TCliJob::TCommand::Apply || Job.Command == TCliJob::TCommand::Verify;

    QCommandLineParser parser;
    const QCommandLineOption active(QStringLiteral("active"), QStringLiteral("The active ranges."));
    const QCommandLineOption dryRun(QStringLiteral("dry-run"), QStringLiteral("Write nothing: the plan."));
    const QCommandLineOption interval(QStringLiteral("interval"), QStringLiteral("Seconds between lines."),
                                      QStringLiteral("SECONDS"), QStringLiteral("1"));
    const QCommandLineOption count(QStringLiteral("count"), QStringLiteral("Lines to write."),
                                   QStringLiteral("N"));
    const QCommandLineOption changedOnly(QStringLiteral("changed-only"),
                                         QStringLiteral("Write only a unit that differs."));
    const QCommandLineOption expectVersion(QStringLiteral("expect-version"),
                                           QStringLiteral("Program only a unit of this version."),
                                           QStringLiteral("TEXT"));
    const QCommandLineOption longForm(QStringLiteral("long"), QStringLiteral("A line per reading."));
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("The file to write."), QStringLiteral("FILE"));
    const QCommandLineOption retries(QStringLiteral("retries"),
                                     QStringLiteral("Repeats of an unanswered read."), QStringLiteral("N"),
                                     QStringLiteral("1"));
    parser.addOptions({port, json, retries});
    if (Job.Command == TCliJob::TCommand::Read) parser.addOption(active);
    if (Job.Command == TCliJob::TCommand::Apply) parser.addOptions({dryRun, changedOnly, expectVersion});
    if (Job.Command == TCliJob::TCommand::Watch) parser.addOptions({interval, count, longForm});
    if (Job.Command == TCliJob::TCommand::Dump) parser.addOption(output);
    const bool calibration = Calibrates();
    const QCommandLineOption store(QStringLiteral("store"), QStringLiteral("The store of records."),
                                   QStringLiteral("STORE"));
    if (calibration) parser.addOptions(CalOptions(Job.Command == TCliJob::TCommand::Check) << store);
    if (!parser.parse(QStringList{Program} + positional.mid(1)))
        return Fail(QStringLiteral("%1: %2").arg(name, LowerFirst(parser.errorText())));
    const QStringList args = parser.positionalArguments();
    const int wanted =
        (takesFile || Job.Command == TCliJob::TCommand::Mode || Job.Command == TCliJob::TCommand::Calibrate)
            ? 1
            : 0;
    if (args.size() != wanted)
        return Fail(
            QStringLiteral("%1: usage: mrt9dx-cli [-p PORT]... %2").arg(name, QLatin1String(found->Usage)));
    Job.Json = JsonWanted;
    bool retriesOk = false;
    Job.Retries = parser.value(retries).toInt(&retriesOk);
    if (!retriesOk || Job.Retries < 0 || Job.Retries > 10)
        return Fail(QStringLiteral("%1: --retries must be 0 to 10").arg(name));
    Job.Active = Job.Command == TCliJob::TCommand::Read && parser.isSet(active);
    Job.Long = Job.Command == TCliJob::TCommand::Watch && parser.isSet(longForm);
    if (!ReadApplyAndDumpOptions(parser)) return false;

    if (Job.Command == TCliJob::TCommand::Mode) {
        const QString mode = args.first().toLower();
        if (mode != QLatin1String("run") && mode != QLatin1String("cal"))
            return Fail(QStringLiteral("mode: %1 is neither run nor cal").arg(args.first()));
        Job.Mode = mode == QLatin1String("cal") ? 1 : 0;
    }
    if (Job.Command == TCliJob::TCommand::Watch &&
        !ReadWatchOptions(parser.value(interval), parser.isSet(count) ? parser.value(count) : QString()))
        return false;
    // The file is read and checked before any port is opened.
    if (takesFile && !ReadSettingsArgument(args.first())) return false;
    QStringList ports = global.values(port) + parser.values(port);
    // A dry run with a port reads the unit and says what would change; without
    // one it only checks the file.
    Job.DryRun = Job.Command == TCliJob::TCommand::Apply && parser.isSet(dryRun);
    if (Job.DryRun && ports.isEmpty())
        return Help(JsonWanted ? JsonText({{QStringLiteral("status"), ExitDone},
                                           {QStringLiteral("result"), QStringLiteral("good")},
                                           {QStringLiteral("file"), args.first()}})
                               : QStringLiteral("%1: a good settings file; nothing was sent")
                                     .arg(args.first().isEmpty() ? QStringLiteral("''") : args.first()));
    if (!CheckPorts(name, ports)) return false;
    // A settings file holds one unit's settings: apply could not read several.
    if (!OutputFile.isEmpty() && ports.size() > 1)
        return Fail(QStringLiteral("dump: one port at a time with -o, as a settings file holds one unit"));

    if (calibration) {
        QString error;
        if (ports.size() > 1) return Fail(QStringLiteral("%1: one port at a time").arg(name));
        if (!ParseCalJob(Job.Command == TCliJob::TCommand::Check, parser, args, ReadFile, Job.Cal, &error))
            return Fail(error);
        Job.Cal.ReadLine = ReadLine;
        // Only a named unit's runs are stored: a store given for one without a
        // name would keep nothing, and the script that gave it would not know.
        if (Job.Cal.UnitTag.isEmpty() && parser.isSet(store))
            return Fail(QStringLiteral("%1: --store keeps the runs of a unit --unit TAG names").arg(name));
        if (!Job.Cal.UnitTag.isEmpty() && !OpenStore(parser.value(store))) return false;
    }
    StartUnits(ports);
    return true;
}

// records, due or history (the first of `positional`), with or without a -p
// (`portGiven`); false as Start.
bool TCliRun::StoreCommand(bool portGiven, const QStringList& positional) {
    const QString name = positional.first();
    if (portGiven) return Fail(QStringLiteral("%1 takes no -p: it reads the store").arg(name));
    TStoreCommand command{name, positional.mid(1), JsonWanted, StoreFallback, Out, {}, {}};
    if (!RunStoreCommand(command)) return Fail(command.Error, command.Kind);
    ExitStatus = ExitDone;
    return false;
}

bool TCliRun::OpenStore(const QString& given) {
    // A build that keeps no store runs as if there were none, and says so once.
    if (!TRecordStore::Available()) {
        if (Err)
            Err(QStringLiteral("%1: this build keeps no store of records: the run is not stored, and its "
                               "certificate has the number --certificate-number gives, or none")
                    .arg(Program));
        return true;
    }
    Store = std::make_unique<TRecordStore>(StoreLocation(given, StoreFallback));
    QString error;
    if (!Store->Open(&error)) {
        const QString name = Store->Name();
        Store.reset();
        return Fail(QStringLiteral("store %1 cannot be reached: %2; nothing was sent").arg(name, error),
                    QStringLiteral("store"));
    }
    TCalJob& cal = Job.Cal;
    const std::optional<QList<TStoredRun>> history = Store->Runs(cal.UnitTag, {}, {}, false, &error);
    const std::optional<QString> number =
        history ? Store->Reserve(cal.UnitTag, cal.Customer, cal.IntervalDays, cal.CertificateNumber, &error)
                : std::nullopt;
    if (!number) {
        const QString name = Store->Name();
        Store.reset();
        return Fail(QStringLiteral("store %1: %2; nothing was sent").arg(name, error),
                    QStringLiteral("store"));
    }
    cal.History = *history;
    cal.CertificateNumber = *number;
    return true;
}

bool TCliRun::KeepRecord() {
    TUnitRun* unit = UnitRuns.value(0);
    std::optional<QJsonObject> record;
    if (unit && unit->Details.contains(QStringLiteral("record")))
        record = unit->Details.value(QStringLiteral("record")).toObject();
    QString error;
    const bool kept = Store->Keep(Job.Cal.CertificateNumber, record, &error);
    // The number as the record and its certificate print it.
    const QString number =
        record ? RunFromRecord(Job.Cal.CertificateNumber, *record).Number : Job.Cal.CertificateNumber;
    // A record the store did not take is said whole, so that it is not lost.
    if (!kept && Err)
        Err(QStringLiteral("%1: store %2: the record of %3 was not kept: %4%5")
                .arg(Program, Store->Name(), number, error,
                     record ? QStringLiteral("; the record: ") +
                                  QString::fromUtf8(QJsonDocument(*record).toJson(QJsonDocument::Compact))
                            : QString()));
    else if (record && Err)
        Err(QStringLiteral("%1: record %2 kept in %3").arg(Program, number, Store->Name()));
    return kept;
}

// The `ports` command, with or without a -p (`portGiven`) and `arguments`
// other arguments; false as Start.
bool TCliRun::ListPorts(bool portGiven, int arguments) {
    // ports lists every port: a -p anywhere is a mistake, not a filter.
    if (portGiven) return Fail(QStringLiteral("ports takes no -p: it lists every port"));
    if (arguments > 0) return Fail(QStringLiteral("ports takes no arguments"));
    ExitStatus = ExitDone;
    if (!Out) return false;
    if (JsonWanted)
        Out(PortsJson());
    else
        for (const QString& line : PortLines())
            Out(line);
    return false;
}

// apply's --changed-only and --expect-version, and dump's -o, into the job;
// the file dump writes is checked before any port is opened.
bool TCliRun::ReadApplyAndDumpOptions(const QCommandLineParser& parser) {
    if (Job.Command == TCliJob::TCommand::Apply) {
        const QString expect = QStringLiteral("expect-version");
        Job.ChangedOnly = parser.isSet(QStringLiteral("changed-only"));
        Job.ExpectVersion = parser.isSet(expect) ? parser.value(expect) : QString();
        if (parser.isSet(expect) && Job.ExpectVersion.isEmpty())
            return Fail(QStringLiteral("apply: --expect-version needs the version text"));
    }
    if (Job.Command == TCliJob::TCommand::Dump && parser.isSet(QStringLiteral("output"))) {
        OutputFile = parser.value(QStringLiteral("output"));
        if (OutputFile.isEmpty()) return Fail(QStringLiteral("dump: --output needs a file name"));
        if (const QString problem = FileTargetProblem(OutputFile); !problem.isEmpty())
            return Fail(QStringLiteral("%1: %2").arg(OutputFile, problem), QStringLiteral("file"));
    }
    return true;
}

// watch's --interval and --count (empty: not given) into the job.
bool TCliRun::ReadWatchOptions(const QString& interval, const QString& count) {
    bool ok = false;
    const double seconds = interval.toDouble(&ok);
    if (!ok || !std::isfinite(seconds) || seconds < 0.001 || seconds > 86400)
        return Fail(QStringLiteral("watch: --interval must be 0.001 to 86400 seconds"));
    Job.IntervalMs = std::max(1, int(std::lround(seconds * 1000)));
    if (!count.isEmpty()) {
        const qlonglong lines = count.toLongLong(&ok);
        if (!ok || lines < 1 || lines > MaxWatchCount)
            return Fail(QStringLiteral("watch: --count must be 1 to %1").arg(MaxWatchCount));
        Job.Count = int(lines);
    }
    return true;
}

// The settings file of apply and verify ("-": standard input) into the job.
bool TCliRun::ReadSettingsArgument(const QString& name) {
    QString error;
    const QString file = name.isEmpty() ? QStringLiteral("''") : name;
    const QByteArray text = ReadFile ? ReadFile(name, &error) : QByteArray();
    if (!error.isEmpty()) return Fail(QStringLiteral("%1: %2").arg(file, error), QStringLiteral("file"));
    const std::optional<TSettings> settings = ParseSettings(text, &error);
    if (!settings) return Fail(QStringLiteral("%1: %2").arg(file, error), QStringLiteral("file"));
    Job.Settings = *settings;
    return true;
}

// The ports given to `command`, each once whatever name reaches it, COMn in
// upper case.
bool TCliRun::CheckPorts(const QString& command, QStringList& ports) {
    if (ports.isEmpty()) return Fail(QStringLiteral("%1: no port given; name one with -p PORT").arg(command));
    for (QString& p : ports) {
        if (!ValidPort(p))
            return Fail(
                QStringLiteral("%1: not a port: COM1 to COM%2 or a device path").arg(p).arg(MaxComPort));
        if (p.startsWith(QLatin1String("com"), Qt::CaseInsensitive) && !p.contains(QLatin1Char('/')))
            p = p.toUpper();
    }
    // One device has one owner whatever name reaches it: COM1 and the device it
    // names, or two links to one device, are the same port given twice.
    QStringList devices;
    for (const QString& p : ports) {
        const int number = ComNumberOf(p);
        const QString device = number ? ComPortDevice(number) : p;
        const QString real = RealDevice(device);
        devices << (real.isEmpty() ? device : real);
    }
    for (int i = 0; i < ports.size(); ++i) {
        const int first = int(devices.indexOf(devices[i]));
        if (first == i) continue;
        if (ports[first] == ports[i]) return Fail(QStringLiteral("%1: given twice").arg(ports[i]));
        return Fail(QStringLiteral("%1 and %2 are one device, %3: give it once")
                        .arg(ports[first], ports[i], devices[i]));
    }
    return true;
}

// A TUnitRun per port, all started at once; their lines go out as they come.
void TCliRun::StartUnits(const QStringList& ports) {
    const bool several = ports.size() > 1;
    const bool calibration = Calibrates();
    Remaining = int(ports.size());
    ExitStatus = ExitDone;
    for (const QString& p : ports) {
        auto* unit = new TUnitRun(p, Job, MakeTransport(p, this), Clock, this);
        UnitRuns.append(unit);
        connect(unit, &TUnitRun::Header, this, [this, unit](const QString& header) {
            Headers.insert(unit, header);
            if (!HeaderWritten) return WriteHeader();
            // The units changed under a running watch (a power cycle): this
            // port's lines go on under a header of their own.
            if (Out && !Job.Json && !Job.Long)
                Out(UnitRuns.size() > 1 ? unit->Port() + QLatin1Char(',') + header : header);
        });
        connect(unit, &TUnitRun::Line, this, [this, unit, several, calibration](const QString& line) {
            // With --json a calibration's dialogue goes to standard error: its record stands alone.
            if (Job.Json && calibration) {
                if (Err) Err(line);
                return;
            }
            const QString text = Job.Json   ? QStringLiteral("{%1: %2}").arg(JsonKey(unit->Port()), line)
                                 : Job.Long ? line // the port is in every line
                                 : several  ? unit->Port() + QLatin1Char(',') + line
                                            : line;
            // A watch line waits for the header that names every port's units.
            if (Job.Command == TCliJob::TCommand::Watch && !HeaderWritten && !Job.Json)
                HeldLines << text;
            else if (Out)
                Out(text);
        });
        connect(unit, &TUnitRun::Finished, this, &TCliRun::UnitFinished);
    }
    for (TUnitRun* unit : UnitRuns)
        unit->Start();
}

// The watch header, once every port has its active ranges or its verdict; the
// lines that came before it follow it. Ports whose units differ get a header
// each, the port's name in place of "port"; the long form has one fixed header.
void TCliRun::WriteHeader() {
    if (HeaderWritten || Job.Json || Job.Command != TCliJob::TCommand::Watch) return;
    QStringList headers, lines;
    for (TUnitRun* unit : UnitRuns) {
        if (Headers.contains(unit)) {
            headers << Headers.value(unit);
            lines << unit->Port() + QLatin1Char(',') + Headers.value(unit);
        } else if (!unit->Done()) {
            return;
        }
    }
    if (headers.isEmpty()) return;
    HeaderWritten = true;
    if (!Out) return;
    if (Job.Long)
        Out(QLatin1String(WatchLongHeader));
    else if (UnitRuns.size() == 1)
        Out(headers.first());
    else if (headers.count(headers.first()) == headers.size())
        Out(QStringLiteral("port,") + headers.first());
    else
        Out(lines.join(QLatin1Char('\n')));
    for (const QString& line : std::exchange(HeldLines, {}))
        Out(line);
}

void TCliRun::Stop(int signal) {
    const bool again = StopsAsked++ > 0;
    if (!StopSignal) StopSignal = signal;
    QStringList midway;
    for (TUnitRun* unit : UnitRuns)
        if (unit->Midway()) midway << unit->Port();
    const bool open = std::any_of(UnitRuns.begin(), UnitRuns.end(), [](TUnitRun* u) { return !u->Done(); });
    if (signal && Err && open) {
        const QString name = SignalName(signal);
        if (!again)
            Err(QStringLiteral("%1: %2: stopping after the step in flight; a second signal ends at once")
                    .arg(Program, name));
        else if (!midway.isEmpty())
            Err(QStringLiteral(
                    "%1: %2, a second signal: ended at once; what was on the line may be half-done on %3")
                    .arg(Program, name, midway.join(QStringLiteral(", "))));
    }
    for (TUnitRun* unit : UnitRuns)
        again ? unit->Abort() : unit->Stop();
}

void TCliRun::UnitFinished() {
    auto* unit = qobject_cast<TUnitRun*>(sender());
    if (unit && !unit->Error.isEmpty() && Err)
        Err(QStringLiteral("%1: %2").arg(Program, PortErrorLine(unit->Port(), unit->Error)));
    WriteHeader();
    if (--Remaining > 0) return;
    // Every port has its verdict: the results in the order the ports were given.
    for (TUnitRun* u : UnitRuns)
        ExitStatus = WorseStatus(ExitStatus, u->Status());
    // Evidence that the store did not take is a run that did not end well.
    if (Store && !KeepRecord()) ExitStatus = WorseStatus(ExitStatus, ExitNoAnswer);
    const bool several = UnitRuns.size() > 1;
    QStringList parts;
    if (!OutputFile.isEmpty()) WriteOutputFile();
    if (Job.Json && UnitRuns.size() == 1 && UnitRuns.first()->Details.contains(QStringLiteral("record"))) {
        if (Out)
            Out(QString::fromUtf8(
                    QJsonDocument(UnitRuns.first()->Details.value(QStringLiteral("record")).toObject())
                        .toJson(QJsonDocument::Indented))
                    .trimmed());
        emit Finished(Status());
        return;
    }
    if (Job.Json) {
        // Every port, failed ones too, with the fields the manual page lists.
        for (TUnitRun* u : UnitRuns) {
            QJsonObject port{{QStringLiteral("status"), u->Status()}};
            if (!u->Verdict.isEmpty()) port.insert(QStringLiteral("result"), u->Verdict);
            if (!u->Error.isEmpty()) port.insert(QStringLiteral("error"), LowerFirst(u->Error));
            if (!u->Kind().isEmpty()) port.insert(QStringLiteral("kind"), u->Kind());
            if (Job.Command == TCliJob::TCommand::Apply)
                port.insert(QStringLiteral("steps_done"), QJsonArray::fromStringList(u->StepsDone));
            for (auto it = u->Details.begin(); it != u->Details.end(); ++it)
                port.insert(it.key(), it.value());
            if (FileFailed && u->Status() == ExitDone)
                port = {{QStringLiteral("status"), ExitOutputFailed},
                        {QStringLiteral("kind"), QStringLiteral("file")},
                        {QStringLiteral("error"), FileError}};
            parts << QStringLiteral("%1: %2").arg(JsonKey(u->Port()), JsonText(port));
        }
        if (Out) Out(QLatin1Char('{') + parts.join(QStringLiteral(", ")) + QLatin1Char('}'));
        emit Finished(Status());
        return;
    }
    const QString text = ResultText(several);
    if (Out && !text.isEmpty() && OutputFile.isEmpty()) Out(text);
    emit Finished(Status());
}

// The results in text, in the order the ports were given: several ports' dumps
// as one object keyed by port, other lines after the port's name.
QString TCliRun::ResultText(bool several) const {
    const bool dump = Job.Command == TCliJob::TCommand::Dump;
    QStringList parts;
    for (TUnitRun* u : UnitRuns) {
        if (u->Result.isEmpty() || Job.Command == TCliJob::TCommand::Watch) continue;
        if (!several)
            parts << u->Result;
        else if (dump)
            parts << QStringLiteral("%1: %2").arg(JsonKey(u->Port()), u->Result);
        else
            for (const QString& line : u->Result.split(QLatin1Char('\n')))
                parts << QStringLiteral("%1: %2").arg(u->Port(), line);
    }
    if (parts.isEmpty()) return {};
    return several && dump ? QStringLiteral("{") + parts.join(QStringLiteral(", ")) + QLatin1Char('}')
                           : parts.join(QLatin1Char('\n'));
}

// dump -o: the settings of every port into the file, beside it and renamed over
// it; a unit that gave none, or a failed write, leaves the old file as it was.
void TCliRun::WriteOutputFile() {
    QString error;
    if (ExitStatus != ExitDone)
        error = QStringLiteral("not every unit gave its settings");
    else if (WriteFileSafely(OutputFile, ResultText(UnitRuns.size() > 1).toUtf8() + '\n', &error))
        return;
    else
        FileFailed = true;
    FileError = QStringLiteral("%1: not written, %2; the old file stays").arg(OutputFile, error);
    if (Err) Err(QStringLiteral("%1: %2").arg(Program, FileError));
}
