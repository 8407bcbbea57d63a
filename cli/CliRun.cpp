#include "CliRun.h"

#include "../link/PortNames.h"
#include "../link/PortRules.h"
#include "Present.h"

#include <QCommandLineParser>
#include <algorithm>
#include <cmath>

namespace {
const QString Program = QStringLiteral("mrt9dx-cli");

const QString MainHelp =
    QStringLiteral("Usage: mrt9dx-cli [-p PORT]... COMMAND [OPTIONS]\n"
                   "The command-line companion of mrt9dx-config, for people who handle MRT9-DX\n"
                   "transmitters in numbers. PORT is COMn, numbered as in the window's port dialog,\n"
                   "or a device path. -p may be given several times: the command then runs on every\n"
                   "port at once and reports per port.\n"
                   "\n"
                   "Commands:\n"
                   "  ports                        the COM ports the port dialog offers\n"
                   "  version                      the product version\n"
                   "  read [--active] [--json]     everything the window shows of the unit\n"
                   "  dump                         the programmed settings as a settings file\n"
                   "  apply FILE|-                 program a settings file and read it back\n"
                   "  mode run|cal                 switch the transmitter to RUN or CAL mode\n"
                   "  watch [--interval SECONDS] [--count N]\n"
                   "                               active readings as CSV, a line per interval\n"
                   "  check [--points LIST] [--tolerance PERCENT] [--applied FILE|-] [--meter]\n"
                   "        [--record FILE] [--certificate FILE] [--as-left-after WHAT] ...\n"
                   "                               the unit at test points, as found (and as left)\n"
                   "  calibrate input|output|input,output [--applied FILE|-] [--switch-mode] ...\n"
                   "                               input zero and full scale, output DAC trim\n"
                   "\n"
                   "Exit status, with several ports the worst of all: 0 done; 1 the transmitter\n"
                   "refused (status 0); 2 bad arguments or a bad settings file, nothing was sent;\n"
                   "3 no port, or no answer within 4 s, or stopped before the verdict; 4 the\n"
                   "read-back differs.\n"
                   "Ctrl+C (or SIGTERM) ends a port that is not ready yet with nothing sent\n"
                   "(status 3); a command that has begun runs to its verdict, a watch ends after\n"
                   "its line (status 0). A second Ctrl+C ends every port at once.\n"
                   "'mrt9dx-cli COMMAND --help' describes a command.");

struct TCommandHelp {
    const char* Name;
    TCliJob::TCommand Command;
    const char* Usage;
    const char* Text;
};

const TCommandHelp Commands[] = {
    {"version", TCliJob::TCommand::Version, "version", "Prints the product version the transmitter reports."},
    {"read", TCliJob::TCommand::Read, "read [--active] [--json]",
     "Prints everything the window shows of the unit: the programmed input range\n"
     "(--active: the active one) with wiring, span, readings, Seebeck voltage, TA and\n"
     "TCAL; the programmed (or active) output range with DAC codes, limits,\n"
     "inversion, present output, alarm limit, dead band, enable, polarity and state;\n"
     "the calibration status of every range; the mode. --json: as one JSON object."},
    {"dump", TCliJob::TCommand::Dump, "dump",
     "Prints the programmed settings as a settings file (JSON), the form apply reads:\n"
     "{\"input\": {\"range\": ..., \"wiring\": ..., \"eu_min\": ..., \"eu_max\": ...},\n"
     " \"output\": {\"range\": ..., \"min\": ..., \"max\": ..., \"invert\": ...,\n"
     " \"alarm_limit\": ..., \"dead_band\": ..., \"alarm_enabled\": ..., \"alarm_low\": ...}}"},
    {"apply", TCliJob::TCommand::Apply, "apply FILE|-",
     "Programs a settings file (- reads standard input): checks it as the window checks\n"
     "what is typed, programs the input range and span as the input panel's S does\n"
     "(the toolkit version included) and the output settings as the output panel's S\n"
     "does, then reads both back and prints every field that differs. Either section\n"
     "may be left out."},
    {"mode", TCliJob::TCommand::Mode, "mode run|cal", "Switches the transmitter to RUN or CAL mode."},
    {"check", TCliJob::TCommand::Check, CheckUsage, CheckHelp},
    {"calibrate", TCliJob::TCommand::Calibrate, CalibrateUsage, CalibrateHelp},
    {"watch", TCliJob::TCommand::Watch, "watch [--interval SECONDS] [--count N]",
     "Prints the active readings as CSV with a header (time, raw, eng, TA, TCAL,\n"
     "output), one line per interval (default 1 s), N lines or until interrupted."},
};

const QString PortsHelp = QStringLiteral(
    "Usage: mrt9dx-cli ports\nOne line per COM number the port dialog offers: the COM number, the device, "
    "its "
    "description\n(adapter maker, product, serial number) and its state (free, in use, no permission).");

// The help of the command `name`; the program's help when `name` is no command.
QString HelpText(const QString& name) {
    if (name == QLatin1String("ports")) return PortsHelp;
    for (const TCommandHelp& c : Commands)
        if (name == QLatin1String(c.Name))
            return QStringLiteral("Usage: mrt9dx-cli [-p PORT]... %1\n%2")
                .arg(QLatin1String(c.Usage), QLatin1String(c.Text));
    return MainHelp;
}

bool ValidPort(const QString& port) {
    return ComNumberOf(port) != 0 || port.contains(QLatin1Char('/')) || port.contains(QLatin1Char('\\'));
}
} // namespace

TCliRun::TCliRun(TClock* clock, TTransportMaker makeTransport, QObject* parent)
    : QObject(parent), Clock(clock), MakeTransport(std::move(makeTransport)) {}

bool TCliRun::Fail(const QString& message) {
    if (Err) Err(QStringLiteral("%1: %2").arg(Program, message));
    ExitStatus = ExitBadInput;
    return false;
}

bool TCliRun::Help(const QString& text) {
    if (Out) Out(text);
    ExitStatus = ExitDone;
    return false;
}

bool TCliRun::Start(const QStringList& arguments) {
    const QCommandLineOption port({QStringLiteral("p"), QStringLiteral("port")}, QStringLiteral("The port."),
                                  QStringLiteral("PORT"));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("This help."));
    QCommandLineParser global;
    global.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    global.addOptions({port, help});
    const bool parsed = global.parse(QStringList{Program} + arguments);
    const QStringList positional = global.positionalArguments();
    // A --help anywhere, before or after the command, wins over everything else
    // on the line: it prints help and nothing is sent.
    if (arguments.contains(QStringLiteral("--help")) || arguments.contains(QStringLiteral("-h")))
        return Help(HelpText(parsed ? positional.value(0) : QString()));
    if (!parsed) return Fail(global.errorText());
    if (positional.isEmpty()) return Fail(QStringLiteral("no command given; 'mrt9dx-cli --help' lists them"));
    const QString name = positional.first();

    if (name == QLatin1String("ports")) {
        if (positional.size() > 1) return Fail(QStringLiteral("ports takes no arguments"));
        for (const QString& line : PortLines())
            if (Out) Out(line);
        ExitStatus = ExitDone;
        return false;
    }
    const auto found = std::find_if(std::begin(Commands), std::end(Commands),
                                    [&](const TCommandHelp& c) { return name == QLatin1String(c.Name); });
    if (found == std::end(Commands))
        return Fail(QStringLiteral("unknown command %1; 'mrt9dx-cli --help' lists them").arg(name));
    Job = TCliJob{};
    Job.Command = found->Command;

    QCommandLineParser parser;
    const QCommandLineOption active(QStringLiteral("active"), QStringLiteral("The active ranges."));
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("As JSON."));
    const QCommandLineOption interval(QStringLiteral("interval"), QStringLiteral("Seconds between lines."),
                                      QStringLiteral("SECONDS"), QStringLiteral("1"));
    const QCommandLineOption count(QStringLiteral("count"), QStringLiteral("Lines to write."),
                                   QStringLiteral("N"));
    parser.addOptions({port});
    if (Job.Command == TCliJob::TCommand::Read) parser.addOptions({active, json});
    if (Job.Command == TCliJob::TCommand::Watch) parser.addOptions({interval, count});
    const bool calibration = Job.Command == TCliJob::TCommand::Check || Job.Command == TCliJob::TCommand::Calibrate;
    if (calibration) parser.addOptions(CalOptions(Job.Command == TCliJob::TCommand::Check));
    if (!parser.parse(QStringList{Program} + positional.mid(1)))
        return Fail(QStringLiteral("%1: %2").arg(name, parser.errorText()));
    const QStringList args = parser.positionalArguments();
    const int wanted = (Job.Command == TCliJob::TCommand::Apply || Job.Command == TCliJob::TCommand::Mode ||
                        Job.Command == TCliJob::TCommand::Calibrate)
                           ? 1
                           : 0;
    if (args.size() != wanted)
        return Fail(
            QStringLiteral("%1: usage: mrt9dx-cli [-p PORT]... %2").arg(name, QLatin1String(found->Usage)));

    QStringList ports = global.values(port) + parser.values(port);
    if (ports.isEmpty()) return Fail(QStringLiteral("%1: no port given; name one with -p PORT").arg(name));
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

    if (Job.Command == TCliJob::TCommand::Read) {
        Job.Active = parser.isSet(active);
        Job.Json = parser.isSet(json);
    }
    if (Job.Command == TCliJob::TCommand::Mode) {
        const QString mode = args.first().toLower();
        if (mode != QLatin1String("run") && mode != QLatin1String("cal"))
            return Fail(QStringLiteral("mode: %1 is neither run nor cal").arg(args.first()));
        Job.Mode = mode == QLatin1String("cal") ? 1 : 0;
    }
    if (Job.Command == TCliJob::TCommand::Watch) {
        bool ok = false;
        const double seconds = parser.value(interval).toDouble(&ok);
        if (!ok || !std::isfinite(seconds) || seconds <= 0 || seconds > 86400)
            return Fail(QStringLiteral("watch: --interval %1 is not a number of seconds above 0")
                            .arg(parser.value(interval)));
        Job.IntervalMs = std::max(1, int(std::lround(seconds * 1000)));
        if (parser.isSet(count)) {
            Job.Count = parser.value(count).toInt(&ok);
            if (!ok || Job.Count < 1)
                return Fail(
                    QStringLiteral("watch: --count %1 is not a number above 0").arg(parser.value(count)));
        }
    }
    if (calibration) {
        QString error;
        if (ports.size() > 1) return Fail(QStringLiteral("%1: one port at a time").arg(name));
        if (!ParseCalJob(Job.Command == TCliJob::TCommand::Check, parser, args, ReadFile, Job.Cal, &error))
            return Fail(error);
        Job.Cal.ReadLine = ReadLine;
    }
    if (Job.Command == TCliJob::TCommand::Apply) {
        QString error;
        const QByteArray text = ReadFile ? ReadFile(args.first(), &error) : QByteArray();
        if (!error.isEmpty()) return Fail(QStringLiteral("%1: %2").arg(args.first(), error));
        const std::optional<TSettings> settings = ParseSettings(text, &error);
        if (!settings) return Fail(QStringLiteral("%1: %2").arg(args.first(), error));
        Job.Settings = *settings;
    }

    const bool several = ports.size() > 1;
    if (Job.Command == TCliJob::TCommand::Watch && Out)
        Out(several ? QStringLiteral("port,") + WatchHeader() : WatchHeader());
    Remaining = int(ports.size());
    ExitStatus = ExitDone;
    for (const QString& p : ports) {
        auto* unit = new TUnitRun(p, Job, MakeTransport(p, this), Clock, this);
        UnitRuns.append(unit);
        connect(unit, &TUnitRun::Line, this, [this, unit, several](const QString& line) {
            if (Out) Out(several ? unit->Port() + QLatin1Char(',') + line : line);
        });
        connect(unit, &TUnitRun::Finished, this, &TCliRun::UnitFinished);
    }
    for (TUnitRun* unit : UnitRuns)
        unit->Start();
    return true;
}

void TCliRun::Stop() {
    const bool again = StopsAsked++ > 0;
    for (TUnitRun* unit : UnitRuns)
        again ? unit->Abort() : unit->Stop();
}

void TCliRun::UnitFinished() {
    auto* unit = qobject_cast<TUnitRun*>(sender());
    if (unit && !unit->Error.isEmpty() && Err)
        Err(QStringLiteral("%1: %2: %3").arg(Program, unit->Port(), unit->Error));
    if (--Remaining > 0) return;
    // Every port has its verdict: the results in the order the ports were given.
    const bool several = UnitRuns.size() > 1;
    const bool json =
        Job.Command == TCliJob::TCommand::Dump || (Job.Command == TCliJob::TCommand::Read && Job.Json);
    QStringList parts;
    for (TUnitRun* u : UnitRuns) {
        ExitStatus = std::max(ExitStatus, u->Status());
        if (u->Result.isEmpty()) continue;
        if (!several)
            parts << u->Result;
        else if (json)
            parts << QStringLiteral("\"%1\": %2").arg(u->Port(), u->Result);
        else
            for (const QString& line : u->Result.split(QLatin1Char('\n')))
                parts << QStringLiteral("%1: %2").arg(u->Port(), line);
    }
    if (Out && !parts.isEmpty())
        Out(several && json ? QStringLiteral("{") + parts.join(QStringLiteral(", ")) + QLatin1Char('}')
                            : parts.join(QLatin1Char('\n')));
    emit Finished(ExitStatus);
}
