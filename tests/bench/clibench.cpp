// mrt9dx-cli-bench: how much mrt9dx-cli adds to the wire. Starts four simulated
// transmitters (mrt9dx-sim --pace, 9600-baud answers) on pseudo-terminals in a
// private runtime folder and times `apply` from the port being ready (after the
// opening pauses) to the verdict, printing two lines:
//
//   apply, one unit   its time against the wire time of its frames at 9600 baud
//                     plus the simulator's answer delays (limit 1.15)
//   apply, four units four transmitters at once against one (limit 1.2)
//
// Usage: mrt9dx-cli-bench [rounds]   (default 5; the medians are printed). It
// finds mrt9dx-sim beside itself. Exit status 1 when a run fails or a ratio is
// above its limit.
#include "../../cli/CliRun.h"
#include "../../link/Clock.h"
#include "../../link/PortNames.h"
#include "../../link/Transport.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
constexpr int SimDelayMs = 20;
const QByteArray Settings =
    R"j({"input": {"range": "Pt100 (385)", "wiring": "3 wire", "eu_min": -100.5, "eu_max": 600.0},
 "output": {"range": "0-20 mA", "min": 4.0, "max": 20.0, "invert": false, "alarm_limit": 250.0, "dead_band": 5.5,
 "alarm_enabled": true, "alarm_low": false}})j";

struct TRound {
    qint64 SpanMs = 0;  // first port ready to last verdict
    double WireMs = 0;  // of one unit: every byte at 10 bits, 9600 baud
    double DelayMs = 0; // of one unit: the simulator's answer delay per exchange
    bool Ok = false;
};

TRound Apply(TClock& clock, const QStringList& ports) {
    TCliRun run(&clock,
                [](const QString&, QObject* parent) -> TTransport* { return new TSerialTransport(parent); });
    run.Out = [](const QString&) {};
    run.Err = [](const QString& line) { std::fprintf(stderr, "%s\n", qPrintable(line)); };
    run.ReadFile = [](const QString&, QString*) { return Settings; };
    QStringList args;
    for (const QString& port : ports)
        args << QStringLiteral("-p") << port;
    args << QStringLiteral("apply") << QStringLiteral("-");
    QEventLoop loop;
    QObject::connect(&run, &TCliRun::Finished, &loop, &QEventLoop::quit);
    TRound round;
    if (!run.Start(args)) return round;
    loop.exec();
    qint64 ready = INT64_MAX, verdict = 0;
    for (const TUnitRun* unit : run.Units()) {
        ready = std::min(ready, unit->ReadyMs);
        verdict = std::max(verdict, unit->VerdictMs);
    }
    const TUnitRun* first = run.Units().first();
    round.SpanMs = verdict - ready;
    round.WireMs = double(first->BytesOut + first->BytesIn) * 10 * 1000 / 9600;
    round.DelayMs = double(first->Exchanges) * SimDelayMs;
    round.Ok = run.Status() == 0;
    return round;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}
} // namespace

int main(int argc, char* argv[]) {
    // The simulators' links go into a folder of our own, never into one a user's
    // simulator or tool is using.
    QTemporaryDir runtime;
    QFile::setPermissions(runtime.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    QCoreApplication app(argc, argv);
    const int rounds = std::max(1, argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 5);
    const QString sim = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("mrt9dx-sim"));

    std::vector<QProcess*> sims;
    QStringList ports;
    for (int n = 1; n <= 4; ++n) {
        auto* process = new QProcess(&app);
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->start(sim,
                       {QStringLiteral("--com"), QString::number(n), QStringLiteral("--pace"),
                        QStringLiteral("--quiet"), QStringLiteral("--delay"), QString::number(SimDelayMs)});
        sims.push_back(process);
        ports << QStringLiteral("COM%1").arg(n);
    }
    for (int i = 0; i < 100; ++i) {
        if (std::all_of(ports.begin(), ports.end(),
                        [](const QString& p) { return QFileInfo::exists(ComPortDevice(p.mid(3).toInt())); }))
            break;
        QThread::msleep(50);
    }

    TSteadyClock clock;
    std::vector<double> one, wire, four;
    bool ok = true;
    for (int r = 0; r < rounds; ++r) {
        const TRound single = Apply(clock, {ports.first()});
        const TRound all = Apply(clock, ports);
        ok = ok && single.Ok && all.Ok;
        one.push_back(double(single.SpanMs));
        wire.push_back(single.WireMs + single.DelayMs);
        four.push_back(double(all.SpanMs));
    }
    for (QProcess* process : sims) {
        process->terminate();
        process->waitForFinished(3000);
    }
    if (!ok) {
        std::printf("apply failed\n");
        return 1;
    }
    const double ratioOne = Median(one) / Median(wire);
    const double ratioFour = Median(four) / Median(one);
    std::printf("apply, one unit:   %.0f ms from open to verdict; wire and answer delays %.0f ms; ratio %.3f "
                "(limit 1.15)\n",
                Median(one), Median(wire), ratioOne);
    std::printf("apply, four units: %.0f ms from open to the last verdict; one unit %.0f ms; ratio %.3f "
                "(limit 1.2)\n",
                Median(four), Median(one), ratioFour);
    return ratioOne <= 1.15 && ratioFour <= 1.2 ? 0 : 1;
}
