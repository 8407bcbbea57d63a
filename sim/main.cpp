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
// "dac-error O,G", "meter" or "silent"; false for a line it does not know.
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
    const QCommandLineOption com(
        QStringLiteral("com"), QStringLiteral("Place the link as COM<n> (default: the lowest free number)."),
        QStringLiteral("n"));
    const QCommandLineOption pace(QStringLiteral("pace"),
                                  QStringLiteral("Send the answers at the pace of a 9600-baud line."));
    const QCommandLineOption delay(QStringLiteral("delay"),
                                   QStringLiteral("Answer this many ms after a request (default 20)."),
                                   QStringLiteral("ms"), QStringLiteral("20"));
    const QCommandLineOption quiet(QStringLiteral("quiet"), QStringLiteral("Do not print the frames."));
    const QCommandLineOption silent(QStringLiteral("silent"), QStringLiteral("Answer nothing."));
    const QCommandLineOption statusZero(QStringLiteral("status-zero"),
                                        QStringLiteral("Refuse every command, as --refuse does one."));
    const QCommandLineOption refuse(
        QStringLiteral("refuse"),
        QStringLiteral("Refuse command code n: nothing changes, a status byte reads 0."),
        QStringLiteral("n"));
    const QCommandLineOption truncate(QStringLiteral("truncate"),
                                      QStringLiteral("Cut each answer's body to n bytes."),
                                      QStringLiteral("n"));
    const QCommandLineOption dropEtx(QStringLiteral("drop-etx"),
                                     QStringLiteral("Send answers without their ETX."));
    const QCommandLineOption corrupt(QStringLiteral("corrupt"),
                                     QStringLiteral("Invert byte n of each answer frame."),
                                     QStringLiteral("n"));
    const QCommandLineOption noiseBefore(QStringLiteral("noise-before"),
                                         QStringLiteral("Send these bytes (hexadecimal) before each answer."),
                                         QStringLiteral("hex"));
    const QCommandLineOption noiseAfter(QStringLiteral("noise-after"),
                                        QStringLiteral("Send these bytes (hexadecimal) after each answer."),
                                        QStringLiteral("hex"));
    const QCommandLineOption twice(QStringLiteral("twice"), QStringLiteral("Send each answer twice."));
    const QCommandLineOption unknownCode(QStringLiteral("unknown-code"),
                                         QStringLiteral("Answer with response code n."), QStringLiteral("n"));
    const QCommandLineOption once(QStringLiteral("once"),
                                  QStringLiteral("Misbehave for the next answer only."));
    const QCommandLineOption versionText(QStringLiteral("version-text"),
                                         QStringLiteral("Report this product version (up to 50 characters)."),
                                         QStringLiteral("text"));
    const QCommandLineOption reading(QStringLiteral("reading"),
                                     QStringLiteral("Keep the raw and engineering readings at this value."),
                                     QStringLiteral("value"));
    const QCommandLineOption signal(QStringLiteral("signal"),
                                    QStringLiteral("Apply this signal to the input, in the range's "
                                                   "engineering unit; the readings then settle on it."),
                                    QStringLiteral("value"));
    const QCommandLineOption sensorError(
        QStringLiteral("sensor-error"),
        QStringLiteral("The sensor's error: it reads GAIN times the raw signal plus OFFSET (raw unit); input "
                       "calibration corrects it (default 0,1)."),
        QStringLiteral("offset,gain"));
    const QCommandLineOption dacError(
        QStringLiteral("dac-error"),
        QStringLiteral("The DAC's error: a code gives GAIN times its nominal output plus OFFSET (output "
                       "unit); trimming the DAC codes corrects it (default 0,1)."),
        QStringLiteral("offset,gain"));
    const QCommandLineOption meter(
        QStringLiteral("meter"),
        QStringLiteral("Keep the reading of a meter on the output in this file, updated as it changes."),
        QStringLiteral("file"));
    const QCommandLineOption control(
        QStringLiteral("control"),
        QStringLiteral("Read control lines from this FIFO (- standard input): signal V, raw V, sensor-error "
                       "O,G, dac-error O,G, meter, silent (the next request unanswered)."),
        QStringLiteral("file"));
    parser.addOptions({com,     pace,    delay,       quiet,      silent, statusZero,  refuse, truncate,
                       dropEtx, corrupt, noiseBefore, noiseAfter, twice,  unknownCode, once,   versionText,
                       reading, signal,  sensorError, dacError,   meter,  control});
    parser.process(app);
    if (parser.isSet(version)) return std::printf("mrt9dx-sim %s\n", MRT_VERSION) > 0 ? 0 : 1;

    TSteadyClock clock;
    TTransmitter sim(&clock);
    sim.ReplyDelayMs = parser.value(delay).toInt();
    sim.PaceBaud = parser.isSet(pace) ? 9600 : 0;
    TSimFaults& f = sim.Faults;
    f.Silent = parser.isSet(silent);
    f.StatusZero = parser.isSet(statusZero);
    f.RefuseCode = parser.isSet(refuse) ? parser.value(refuse).toInt() : -1;
    f.TruncateTo = parser.isSet(truncate) ? parser.value(truncate).toInt() : -1;
    f.DropEtx = parser.isSet(dropEtx);
    f.CorruptIndex = parser.isSet(corrupt) ? parser.value(corrupt).toInt() : -1;
    f.NoiseBefore = QByteArray::fromHex(parser.value(noiseBefore).toLatin1());
    f.NoiseAfter = QByteArray::fromHex(parser.value(noiseAfter).toLatin1());
    f.Twice = parser.isSet(twice);
    f.UnknownCode = parser.isSet(unknownCode) ? parser.value(unknownCode).toInt() : -1;
    f.Once = parser.isSet(once);
    if (parser.isSet(versionText)) sim.VersionText = parser.value(versionText);
    if (parser.isSet(reading)) sim.FixedReading = parser.value(reading).toFloat();
    if (!parser.isSet(quiet)) sim.Log = Print;
    const auto bad = [](const QString& text) {
        Print(QStringLiteral("mrt9dx-sim: %1").arg(text));
        return 2;
    };
    if (parser.isSet(signal)) {
        bool ok = false;
        const double value = parser.value(signal).toDouble(&ok);
        if (!ok || !std::isfinite(value))
            return bad(QStringLiteral("--signal %1 is not a number").arg(parser.value(signal)));
        sim.ApplySignal(value);
    }
    if (parser.isSet(sensorError) && !ParsePair(parser.value(sensorError), sim.SensorOffset, sim.SensorGain))
        return bad(QStringLiteral("--sensor-error wants OFFSET,GAIN with a gain above 0"));
    if (parser.isSet(dacError) && !ParsePair(parser.value(dacError), sim.DacOffset, sim.DacGain))
        return bad(QStringLiteral("--dac-error wants OFFSET,GAIN with a gain above 0"));

    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        Print(QStringLiteral("mrt9dx-sim: cannot open a pseudo-terminal"));
        return 1;
    }
    const QString slaveName = QString::fromLocal8Bit(ptsname(master));
    // Our own hold on the slave: the tool may open and close it as often as it
    // likes without the master ever seeing a hang-up.
    const int slave = ::open(ptsname(master), O_RDWR | O_NOCTTY);
    termios raw{};
    tcgetattr(slave, &raw);
    cfmakeraw(&raw);
    cfsetispeed(&raw, B9600);
    cfsetospeed(&raw, B9600);
    tcsetattr(slave, TCSANOW, &raw);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);

    // Without a runtime directory there is no link folder: the simulator serves
    // its pseudo-terminal under its own name only.
    const bool linked = !ComLinkFolder().isEmpty();
    int number = parser.isSet(com) ? parser.value(com).toInt() : 0;
    if (number == 0)
        for (int n = 1; n <= MaxComPort && number == 0; ++n)
            if (!DeviceNamed(n)) number = n;
    if (linked && (number < 1 || number > MaxComPort)) {
        Print(QStringLiteral("mrt9dx-sim: no free COM number between 1 and %1").arg(MaxComPort));
        return 1;
    }
    const QString link = linked ? ComLinkPath(number) : QString();
    if (linked) {
        QDir().mkpath(ComLinkFolder());
        QFile::setPermissions(ComLinkFolder(),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QFile::remove(link);
        if (!QFile::link(slaveName, link)) {
            Print(QStringLiteral("mrt9dx-sim: cannot place the link %1").arg(link));
            return 1;
        }
        Print(QStringLiteral("Simulated MRT9-DX on %1 as COM%2 (%3): choose COM%2 in the tool.")
                  .arg(slaveName)
                  .arg(number)
                  .arg(link));
    } else {
        Print(QStringLiteral("Simulated MRT9-DX on %1, with no COM link: XDG_RUNTIME_DIR is not set. "
                             "Give mrt9dx-cli -p %1.")
                  .arg(slaveName));
    }

    QSocketNotifier readable(master, QSocketNotifier::Read);
    QObject::connect(&readable, &QSocketNotifier::activated, &app, [&] {
        char buf[512];
        ssize_t n;
        while ((n = ::read(master, buf, sizeof buf)) > 0)
            sim.Receive(QByteArray(buf, static_cast<int>(n)));
    });
    QObject::connect(&clock, &TClock::Ticked, &app, [&] {
        const QByteArray out = sim.Transmit();
        qsizetype done = 0;
        while (done < out.size()) {
            const ssize_t n = ::write(master, out.constData() + done, static_cast<size_t>(out.size() - done));
            if (n <= 0) break; // nobody reads the port: the bytes are lost, as on a real line
            done += n;
        }
    });

    // The control path: a FIFO is opened for reading and writing, so that it
    // stays open when a writer closes it.
    int controlFd = -1;
    QByteArray controlBuffer;
    std::unique_ptr<QSocketNotifier> controlNotifier;
    if (parser.isSet(control)) {
        const QString name = parser.value(control);
        controlFd =
            name == QLatin1String("-") ? 0 : ::open(QFile::encodeName(name).constData(), O_RDWR | O_NONBLOCK);
        if (controlFd < 0) return bad(QStringLiteral("cannot open the control path %1").arg(name));
        controlNotifier = std::make_unique<QSocketNotifier>(controlFd, QSocketNotifier::Read);
        QObject::connect(controlNotifier.get(), &QSocketNotifier::activated, &app, [&] {
            char buf[512];
            const ssize_t n = ::read(controlFd, buf, sizeof buf);
            if (n <= 0) {
                if (n == 0) controlNotifier->setEnabled(false); // end of standard input
                return;
            }
            controlBuffer.append(buf, n);
            qsizetype end;
            while ((end = controlBuffer.indexOf('\n')) >= 0) {
                const QString line = QString::fromUtf8(controlBuffer.left(end)).trimmed();
                controlBuffer.remove(0, end + 1);
                if (!Control(sim, line))
                    Print(QStringLiteral("mrt9dx-sim: unknown control line: %1").arg(line));
            }
        });
    }
    // The meter's file, written whole and renamed, so that a reader never sees half a number.
    QString meterText;
    const QString meterFile = parser.value(meter);
    if (!meterFile.isEmpty())
        QObject::connect(&clock, &TClock::Ticked, &app, [&] {
            const QString text = QStringLiteral("%1 %2\n")
                                     .arg(sim.MeterReading(), 0, 'f', 4)
                                     .arg(OutRanges[sim.ActiveOutRange].Unit);
            if (text == meterText) return;
            meterText = text;
            QFile file(meterFile + QStringLiteral(".new"));
            if (file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) > 0) {
                file.close();
                ::rename(QFile::encodeName(file.fileName()).constData(),
                         QFile::encodeName(meterFile).constData());
            }
        });

    TStopSignals stop;
    QObject::connect(&stop, &TStopSignals::Stopped, &app, &QCoreApplication::quit);

    const int rc = app.exec();
    if (linked) QFile::remove(link);
    ::close(slave);
    ::close(master);
    if (controlFd > 0) ::close(controlFd);
    Print(linked ? QStringLiteral("mrt9dx-sim: stopped, COM%1 removed").arg(number)
                 : QStringLiteral("mrt9dx-sim: stopped"));
    return rc;
}
