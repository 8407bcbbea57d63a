// mrt9dx-sim: a simulated MRT9-DX transmitter on a pseudo-terminal. It places the
// link COM<n> in the tool's link folder, answers every request as a transmitter
// does, prints every frame, and can misbehave on request.
#include "../link/Clock.h"
#include "../link/PortNames.h"
#include "../link/StopSignals.h"
#include "../ranges/OutRanges.h"
#include "Transmitter.h"

#include <MrtVersion.h>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <termios.h>
#include <unistd.h>

namespace {
void Print(const QString& line) {
    std::fputs(line.toLocal8Bit().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// "OFFSET,GAIN" into two numbers.
bool ParsePair(const QString& text, double& offset, double& gain) {
    const QStringList parts = text.split(QLatin1Char(','));
    bool ok1 = false, ok2 = false;
    if (parts.size() != 2) return false;
    offset = parts[0].toDouble(&ok1);
    gain = parts[1].toDouble(&ok2);
    return ok1 && ok2 && std::isfinite(offset) && std::isfinite(gain) && gain > 0;
}

// One line of the control path: "signal V", "raw V", "sensor-error O,G",
// "dac-error O,G", "meter", "silent" or "power-cycle"; false for a line it does
// not know.
bool Control(TTransmitter& sim, const QString& line) {
    const QStringList words = line.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.isEmpty()) return true;
    const QString word = words[0];
    bool ok = words.size() == 2;
    const double value = ok ? words[1].toDouble(&ok) : 0;
    if (word == QLatin1String("meter") && words.size() == 1) {
        Print(QStringLiteral("meter %1 %2")
                  .arg(sim.MeterReading(), 0, 'f', 4)
                  .arg(OutRanges[sim.ActiveOutRange].Unit));
        return true;
    }
    if (word == QLatin1String("signal") && ok && std::isfinite(value)) return sim.ApplySignal(value), true;
    if (word == QLatin1String("silent") && words.size() == 1) {
        // The next request goes unanswered, as on a line that drops one frame.
        sim.Faults.Silent = sim.Faults.Once = true;
        return true;
    }
    // The unit switched off and on: the programmed ranges become the active ones.
    if (word == QLatin1String("power-cycle") && words.size() == 1) return sim.PowerCycle(), true;
    if (word == QLatin1String("raw") && ok && std::isfinite(value)) return sim.ApplyRawSignal(value), true;
    if (word == QLatin1String("sensor-error") && words.size() == 2)
        return ParsePair(words[1], sim.SensorOffset, sim.SensorGain);
    if (word == QLatin1String("dac-error") && words.size() == 2)
        return ParsePair(words[1], sim.DacOffset, sim.DacGain);
    return false;
}

bool DeviceNamed(int number) {
    const QString device = ComPortDevice(number);
    return QFileInfo::exists(device) || QFileInfo(device).isSymLink();
}

// The simulator's options, in the order --help lists them.
struct TOptions {
    const QCommandLineOption Com{
        QStringLiteral("com"), QStringLiteral("Place the link as COM<n> (default: the lowest free number)."),
        QStringLiteral("n")};
    const QCommandLineOption Pace{QStringLiteral("pace"),
                                  QStringLiteral("Send the answers at the pace of a 9600-baud line.")};
    const QCommandLineOption Delay{QStringLiteral("delay"),
                                   QStringLiteral("Answer this many ms after a request (default 20)."),
                                   QStringLiteral("ms"), QStringLiteral("20")};
    const QCommandLineOption Quiet{QStringLiteral("quiet"), QStringLiteral("Do not print the frames.")};
    const QCommandLineOption Silent{QStringLiteral("silent"), QStringLiteral("Answer nothing.")};
    const QCommandLineOption StatusZero{QStringLiteral("status-zero"),
                                        QStringLiteral("Refuse every command, as --refuse does one.")};
    const QCommandLineOption Refuse{
        QStringLiteral("refuse"),
        QStringLiteral("Refuse command code n: nothing changes, a status byte reads 0."),
        QStringLiteral("n")};
    const QCommandLineOption Truncate{QStringLiteral("truncate"),
                                      QStringLiteral("Cut each answer's body to n bytes."),
                                      QStringLiteral("n")};
    const QCommandLineOption DropEtx{QStringLiteral("drop-etx"),
                                     QStringLiteral("Send answers without their ETX.")};
    const QCommandLineOption Corrupt{QStringLiteral("corrupt"),
                                     QStringLiteral("Invert byte n of each answer frame."),
                                     QStringLiteral("n")};
    const QCommandLineOption NoiseBefore{QStringLiteral("noise-before"),
                                         QStringLiteral("Send these bytes (hexadecimal) before each answer."),
                                         QStringLiteral("hex")};
    const QCommandLineOption NoiseAfter{QStringLiteral("noise-after"),
                                        QStringLiteral("Send these bytes (hexadecimal) after each answer."),
                                        QStringLiteral("hex")};
    const QCommandLineOption Twice{QStringLiteral("twice"), QStringLiteral("Send each answer twice.")};
    const QCommandLineOption UnknownCode{QStringLiteral("unknown-code"),
                                         QStringLiteral("Answer with response code n."), QStringLiteral("n")};
    const QCommandLineOption Once{QStringLiteral("once"),
                                  QStringLiteral("Misbehave for the next answer only.")};
    const QCommandLineOption VersionText{QStringLiteral("version-text"),
                                         QStringLiteral("Report this product version (up to 50 characters)."),
                                         QStringLiteral("text")};
    const QCommandLineOption Reading{QStringLiteral("reading"),
                                     QStringLiteral("Keep the raw and engineering readings at this value."),
                                     QStringLiteral("value")};
    const QCommandLineOption Signal{QStringLiteral("signal"),
                                    QStringLiteral("Apply this signal to the input, in the range's "
                                                   "engineering unit; the readings then settle on it."),
                                    QStringLiteral("value")};
    const QCommandLineOption SensorError{
        QStringLiteral("sensor-error"),
        QStringLiteral("The sensor's error: it reads GAIN times the raw signal plus OFFSET (raw unit); input "
                       "calibration corrects it (default 0,1)."),
        QStringLiteral("offset,gain")};
    const QCommandLineOption DacError{
        QStringLiteral("dac-error"),
        QStringLiteral("The DAC's error: a code gives GAIN times its nominal output plus OFFSET (output "
                       "unit); trimming the DAC codes corrects it (default 0,1)."),
        QStringLiteral("offset,gain")};
    const QCommandLineOption Meter{
        QStringLiteral("meter"),
        QStringLiteral("Keep the reading of a meter on the output in this file, updated as it changes."),
        QStringLiteral("file")};
    const QCommandLineOption Control{
        QStringLiteral("control"),
        QStringLiteral("Read control lines from this FIFO (- standard input): signal V, raw V, sensor-error "
                       "O,G, dac-error O,G, meter, silent (the next request unanswered), power-cycle."),
        QStringLiteral("file")};

    void AddTo(QCommandLineParser& parser) const {
        parser.addOptions({Com,         Pace,        Delay,   Quiet,       Silent,      StatusZero,
                           Refuse,      Truncate,    DropEtx, Corrupt,     NoiseBefore, NoiseAfter,
                           Twice,       UnknownCode, Once,    VersionText, Reading,     Signal,
                           SensorError, DacError,    Meter,   Control});
    }
};

// Sets the transmitter up as the options ask; the message of a wrong option, or
// a null string.
QString SetUpTransmitter(const QCommandLineParser& parser, const TOptions& o, TTransmitter& sim) {
    sim.ReplyDelayMs = parser.value(o.Delay).toInt();
    sim.PaceBaud = parser.isSet(o.Pace) ? 9600 : 0;
    const auto number = [&](const QCommandLineOption& option) {
        return parser.isSet(option) ? parser.value(option).toInt() : -1;
    };
    TSimFaults& f = sim.Faults;
    f.Silent = parser.isSet(o.Silent);
    f.StatusZero = parser.isSet(o.StatusZero);
    f.RefuseCode = number(o.Refuse);
    f.TruncateTo = number(o.Truncate);
    f.DropEtx = parser.isSet(o.DropEtx);
    f.CorruptIndex = number(o.Corrupt);
    f.NoiseBefore = QByteArray::fromHex(parser.value(o.NoiseBefore).toLatin1());
    f.NoiseAfter = QByteArray::fromHex(parser.value(o.NoiseAfter).toLatin1());
    f.Twice = parser.isSet(o.Twice);
    f.UnknownCode = number(o.UnknownCode);
    f.Once = parser.isSet(o.Once);
    if (parser.isSet(o.VersionText)) sim.VersionText = parser.value(o.VersionText);
    if (parser.isSet(o.Reading)) sim.FixedReading = parser.value(o.Reading).toFloat();
    if (!parser.isSet(o.Quiet)) sim.Log = Print;
    if (parser.isSet(o.Signal)) {
        bool ok = false;
        const double value = parser.value(o.Signal).toDouble(&ok);
        if (!ok || !std::isfinite(value))
            return QStringLiteral("--signal %1 is not a number").arg(parser.value(o.Signal));
        sim.ApplySignal(value);
    }
    if (parser.isSet(o.SensorError) &&
        !ParsePair(parser.value(o.SensorError), sim.SensorOffset, sim.SensorGain))
        return QStringLiteral("--sensor-error wants OFFSET,GAIN with a gain above 0");
    if (parser.isSet(o.DacError) && !ParsePair(parser.value(o.DacError), sim.DacOffset, sim.DacGain))
        return QStringLiteral("--dac-error wants OFFSET,GAIN with a gain above 0");
    return QString();
}

// The pseudo-terminal the simulator serves: the master is ours, the slave is the
// device a tool opens.
struct TPty {
    int Master = -1;
    int Slave = -1;
    QString SlaveName;
    ~TPty() {
        if (Slave >= 0) ::close(Slave);
        if (Master >= 0) ::close(Master);
    }
};

// Opens the pseudo-terminal raw at 9600 baud; false when the system gives none.
bool OpenPty(TPty& pty) {
    pty.Master = posix_openpt(O_RDWR | O_NOCTTY);
    if (pty.Master < 0 || grantpt(pty.Master) != 0 || unlockpt(pty.Master) != 0) return false;
    pty.SlaveName = QString::fromLocal8Bit(ptsname(pty.Master));
    // Our own hold on the slave: the tool may open and close it as often as it
    // likes without the master ever seeing a hang-up.
    pty.Slave = ::open(ptsname(pty.Master), O_RDWR | O_NOCTTY);
    termios raw{};
    tcgetattr(pty.Slave, &raw);
    cfmakeraw(&raw);
    cfsetispeed(&raw, B9600);
    cfsetospeed(&raw, B9600);
    tcsetattr(pty.Slave, TCSANOW, &raw);
    fcntl(pty.Master, F_SETFL, fcntl(pty.Master, F_GETFL) | O_NONBLOCK);
    return true;
}

// The link COM<n> to the pseudo-terminal in the link folder; without a runtime
// directory there is no link folder, and the simulator serves its
// pseudo-terminal under its own name only.
struct TComLink {
    int Number = 0;
    QString Path; // empty when there is no link
    ~TComLink() { Remove(); }
    void Remove() {
        if (!Path.isEmpty()) QFile::remove(Path);
    }
};

// Places the link, numbered as asked or the lowest free number, and says where
// the simulator is; false (said) when it cannot.
bool PlaceLink(int asked, const QString& slaveName, TComLink& link) {
    if (ComLinkFolder().isEmpty()) {
        Print(QStringLiteral("Simulated MRT9-DX on %1, with no COM link: XDG_RUNTIME_DIR is not set. "
                             "Give mrt9dx-cli -p %1.")
                  .arg(slaveName));
        return true;
    }
    int number = asked;
    if (number == 0)
        for (int n = 1; n <= MaxComPort && number == 0; ++n)
            if (!DeviceNamed(n)) number = n;
    if (number < 1 || number > MaxComPort) {
        Print(QStringLiteral("mrt9dx-sim: no free COM number between 1 and %1").arg(MaxComPort));
        return false;
    }
    const QString path = ComLinkPath(number);
    QDir().mkpath(ComLinkFolder());
    QFile::setPermissions(ComLinkFolder(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QFile::remove(path);
    if (!QFile::link(slaveName, path)) {
        Print(QStringLiteral("mrt9dx-sim: cannot place the link %1").arg(path));
        return false;
    }
    link.Number = number;
    link.Path = path;
    Print(QStringLiteral("Simulated MRT9-DX on %1 as COM%2 (%3): choose COM%2 in the tool.")
              .arg(slaveName)
              .arg(number)
              .arg(path));
    return true;
}

// The line: what the tool writes reaches the transmitter, and its answers go out
// on the clock's ticks.
void ServeLine(QObject* owner, int master, TTransmitter& sim, TClock& clock) {
    auto* readable = new QSocketNotifier(master, QSocketNotifier::Read, owner);
    QObject::connect(readable, &QSocketNotifier::activated, owner, [master, &sim] {
        char buf[512];
        ssize_t n;
        while ((n = ::read(master, buf, sizeof buf)) > 0)
            sim.Receive(QByteArray(buf, static_cast<int>(n)));
    });
    QObject::connect(&clock, &TClock::Ticked, owner, [master, &sim] {
        const QByteArray out = sim.Transmit();
        qsizetype done = 0;
        while (done < out.size()) {
            const ssize_t n = ::write(master, out.constData() + done, static_cast<size_t>(out.size() - done));
            if (n <= 0) break; // nobody reads the port: the bytes are lost, as on a real line
            done += n;
        }
    });
}

// The control path: lines that change the signal, the errors or the next answer
// while the simulator runs. A FIFO is opened for reading and writing, so that it
// stays open when a writer closes it; "-" is standard input.
class TControlPath : public QObject {
public:
    explicit TControlPath(TTransmitter& sim) : Sim(sim) {}
    ~TControlPath() override {
        if (Fd > 0) ::close(Fd);
    }
    bool Open(const QString& name) {
        Fd =
            name == QLatin1String("-") ? 0 : ::open(QFile::encodeName(name).constData(), O_RDWR | O_NONBLOCK);
        if (Fd < 0) return false;
        Notifier = new QSocketNotifier(Fd, QSocketNotifier::Read, this);
        connect(Notifier, &QSocketNotifier::activated, this, &TControlPath::ReadLines);
        return true;
    }

private:
    void ReadLines() {
        char buf[512];
        const ssize_t n = ::read(Fd, buf, sizeof buf);
        if (n <= 0) {
            if (n == 0) Notifier->setEnabled(false); // end of standard input
            return;
        }
        Buffer.append(buf, n);
        qsizetype end;
        while ((end = Buffer.indexOf('\n')) >= 0) {
            const QString line = QString::fromUtf8(Buffer.left(end)).trimmed();
            Buffer.remove(0, end + 1);
            if (!Control(Sim, line)) Print(QStringLiteral("mrt9dx-sim: unknown control line: %1").arg(line));
        }
    }
    TTransmitter& Sim;
    int Fd = -1;
    QByteArray Buffer;
    QSocketNotifier* Notifier = nullptr;
};

// The meter's file, written whole and renamed, so that a reader never sees half a number.
void KeepMeterFile(QObject* owner, const QString& meterFile, TTransmitter& sim, TClock& clock) {
    auto meterText = std::make_shared<QString>();
    QObject::connect(&clock, &TClock::Ticked, owner, [meterFile, meterText, &sim] {
        const QString text = QStringLiteral("%1 %2\n")
                                 .arg(sim.MeterReading(), 0, 'f', 4)
                                 .arg(OutRanges[sim.ActiveOutRange].Unit);
        if (text == *meterText) return;
        *meterText = text;
        QFile file(meterFile + QStringLiteral(".new"));
        if (file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) > 0) {
            file.close();
            ::rename(QFile::encodeName(file.fileName()).constData(),
                     QFile::encodeName(meterFile).constData());
        }
    });
}

int Bad(const QString& text) {
    Print(QStringLiteral("mrt9dx-sim: %1").arg(text));
    return 2;
}
} // namespace

int main(int argc, char* argv[]) {
    if (!OpenClosedStandardDescriptors("mrt9dx-sim")) return 1;
    // Ctrl+C and kill end the event loop, so that the link is removed in order.
    BlockStopSignals();

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("mrt9dx-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(MRT_VERSION));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "A simulated MRT9-DX transmitter on a pseudo-terminal, for trying and testing mrt9dx-config."));
    parser.addHelpOption();
    // --version alone: -v means nothing in any program of the tool.
    const QCommandLineOption version(QStringLiteral("version"),
                                     QStringLiteral("Displays version information."));
    parser.addOption(version);
    const TOptions options;
    options.AddTo(parser);
    parser.process(app);
    if (parser.isSet(version)) return std::printf("mrt9dx-sim %s\n", MRT_VERSION) > 0 ? 0 : 1;

    TSteadyClock clock;
    TTransmitter sim(&clock);
    const QString wrong = SetUpTransmitter(parser, options, sim);
    if (!wrong.isNull()) return Bad(wrong);

    TPty pty;
    if (!OpenPty(pty)) {
        Print(QStringLiteral("mrt9dx-sim: cannot open a pseudo-terminal"));
        return 1;
    }
    TComLink link;
    if (!PlaceLink(parser.isSet(options.Com) ? parser.value(options.Com).toInt() : 0, pty.SlaveName, link))
        return 1;
    ServeLine(&app, pty.Master, sim, clock);
    TControlPath control(sim);
    if (parser.isSet(options.Control) && !control.Open(parser.value(options.Control)))
        return Bad(QStringLiteral("cannot open the control path %1").arg(parser.value(options.Control)));
    if (!parser.value(options.Meter).isEmpty()) KeepMeterFile(&app, parser.value(options.Meter), sim, clock);

    TStopSignals stop;
    QObject::connect(&stop, &TStopSignals::Stopped, &app, &QCoreApplication::quit);
    const int rc = app.exec();
    link.Remove();
    Print(link.Path.isEmpty() ? QStringLiteral("mrt9dx-sim: stopped")
                              : QStringLiteral("mrt9dx-sim: stopped, COM%1 removed").arg(link.Number));
    return rc;
}
