// mrt9dx-sim: a simulated MRT9-DX transmitter on a pseudo-terminal. It places the
// link COM<n> in the tool's link folder, answers every request as a transmitter
// does, prints every frame, and can misbehave on request.
#include "../link/Clock.h"
#include "../link/PortNames.h"
#include "../link/StopSignals.h"
#include "Transmitter.h"

#include <MrtVersion.h>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <cstdio>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {
void Print(const QString& line) {
    std::fputs(line.toLocal8Bit().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

bool DeviceNamed(int number) {
    const QString device = ComPortDevice(number);
    return QFileInfo::exists(device) || QFileInfo(device).isSymLink();
}
} // namespace

int main(int argc, char* argv[]) {
    // Ctrl+C and kill end the event loop, so that the link is removed in order.
    BlockStopSignals();

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("mrt9dx-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(MRT_VERSION));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "A simulated MRT9-DX transmitter on a pseudo-terminal, for trying and testing mrt9dx-config."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption com(QStringLiteral("com"), QStringLiteral("Place the link as COM<n> (default: the lowest free number)."), QStringLiteral("n"));
    const QCommandLineOption pace(QStringLiteral("pace"), QStringLiteral("Send the answers at the pace of a 9600-baud line."));
    const QCommandLineOption delay(QStringLiteral("delay"), QStringLiteral("Answer this many ms after a request (default 20)."), QStringLiteral("ms"), QStringLiteral("20"));
    const QCommandLineOption quiet(QStringLiteral("quiet"), QStringLiteral("Do not print the frames."));
    const QCommandLineOption silent(QStringLiteral("silent"), QStringLiteral("Answer nothing."));
    const QCommandLineOption statusZero(QStringLiteral("status-zero"), QStringLiteral("Report every operation as failed (status 0)."));
    const QCommandLineOption refuse(QStringLiteral("refuse"), QStringLiteral("Report operations of command code n as failed (status 0)."), QStringLiteral("n"));
    const QCommandLineOption truncate(QStringLiteral("truncate"), QStringLiteral("Cut each answer's body to n bytes."), QStringLiteral("n"));
    const QCommandLineOption dropEtx(QStringLiteral("drop-etx"), QStringLiteral("Send answers without their ETX."));
    const QCommandLineOption corrupt(QStringLiteral("corrupt"), QStringLiteral("Invert byte n of each answer frame."), QStringLiteral("n"));
    const QCommandLineOption noiseBefore(QStringLiteral("noise-before"), QStringLiteral("Send these bytes (hexadecimal) before each answer."), QStringLiteral("hex"));
    const QCommandLineOption noiseAfter(QStringLiteral("noise-after"), QStringLiteral("Send these bytes (hexadecimal) after each answer."), QStringLiteral("hex"));
    const QCommandLineOption twice(QStringLiteral("twice"), QStringLiteral("Send each answer twice."));
    const QCommandLineOption unknownCode(QStringLiteral("unknown-code"), QStringLiteral("Answer with response code n."), QStringLiteral("n"));
    const QCommandLineOption once(QStringLiteral("once"), QStringLiteral("Misbehave for the next answer only."));
    const QCommandLineOption versionText(QStringLiteral("version-text"), QStringLiteral("Report this product version (up to 50 characters)."), QStringLiteral("text"));
    const QCommandLineOption reading(QStringLiteral("reading"), QStringLiteral("Keep the raw and engineering readings at this value."), QStringLiteral("value"));
    parser.addOptions({com, pace, delay, quiet, silent, statusZero, refuse, truncate, dropEtx, corrupt, noiseBefore, noiseAfter,
                       twice, unknownCode, once, versionText, reading});
    parser.process(app);

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
        QFile::setPermissions(ComLinkFolder(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QFile::remove(link);
        if (!QFile::link(slaveName, link)) {
            Print(QStringLiteral("mrt9dx-sim: cannot place the link %1").arg(link));
            return 1;
        }
        Print(QStringLiteral("Simulated MRT9-DX on %1 as COM%2 (%3): choose COM%2 in the tool.").arg(slaveName).arg(number).arg(link));
    } else {
        Print(QStringLiteral("Simulated MRT9-DX on %1, with no COM link: XDG_RUNTIME_DIR is not set. "
                             "Give mrt9dx-cli -p %1.").arg(slaveName));
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

    TStopSignals stop;
    QObject::connect(&stop, &TStopSignals::Stopped, &app, &QCoreApplication::quit);

    const int rc = app.exec();
    if (linked) QFile::remove(link);
    ::close(slave);
    ::close(master);
    Print(linked ? QStringLiteral("mrt9dx-sim: stopped, COM%1 removed").arg(number)
                 : QStringLiteral("mrt9dx-sim: stopped"));
    return rc;
}
