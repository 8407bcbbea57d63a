// check and calibrate end to end against the in-process simulator on a manual
// clock, with a rig that plays the calibrator and the meter: a unit with a
// sensor or DAC error fails as found, is corrected, and passes as left.
#include "../../cli/Calibration.h"
#include "../../cli/CliRun.h"
#include "../../link/Clock.h"
#include "../../link/Commands.h"
#include "../../sim/Transmitter.h"
#include "../support/MemoryTransport.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <memory>

namespace {
struct TRig {
    TManualClock Clock;
    std::unique_ptr<TTransmitter> Sim;
    std::function<void(TTransmitter&)> Setup;
    QStringList Out, Err;
    QByteArray Applied; // the --applied file
    int SetDacs = 0;
    QString StopAt; // Ctrl+C once a line with this text is printed
    bool StopNow = false;

    TCliRun Run{&Clock, [this](const QString&, QObject* parent) {
                    Sim = std::make_unique<TTransmitter>(&Clock);
                    if (Setup) Setup(*Sim);
                    auto* pipe = new TMemoryTransport(&Clock, parent);
                    pipe->OnHostWrite = [this](const QByteArray& bytes) {
                        if (bytes.startsWith(QByteArray("\x02\x10\xEF", 3))) ++SetDacs;
                        Sim->Receive(bytes);
                    };
                    pipe->PollPeer = [this] { return Sim->Transmit(); };
                    return pipe;
                }};

    // The calibrator follows each "apply" line; the technician presses Enter,
    // reads the meter and says yes.
    void Printed(const QString& text) {
        for (const QString& line : text.split(QLatin1Char('\n'))) {
            Out << line;
            if (!StopAt.isEmpty() && line.contains(StopAt)) StopNow = true;
            static const QRegularExpression apply(QStringLiteral("apply (-?[0-9.]+) (°C|µV)"));
            const QRegularExpressionMatch m = apply.match(line);
            if (m.hasMatch() && Sim) {
                const double value = m.captured(1).toDouble();
                m.captured(2) == QStringLiteral("°C") ? Sim->ApplySignal(value) : Sim->ApplyRawSignal(value);
            }
        }
    }
    void Answer(std::function<void(std::optional<QString>)> then) {
        if (StopNow) return; // the technician presses Ctrl+C instead
        const QString last = Out.value(Out.size() - 1);
        if (last.contains(QLatin1String("meter reading")))
            return then(QString::number(Sim->MeterReading(), 'f', 4));
        if (last.endsWith(QLatin1String("[y/N]"))) return then(QStringLiteral("y"));
        then(QString());
    }

    int Go(const QStringList& args) {
        Run.Out = [this](const QString& text) { Printed(text); };
        Run.Err = [this](const QString& text) { Err << text; };
        Run.ReadFile = [this](const QString&, QString*) { return Applied; };
        Run.ReadLine = [this](std::function<void(std::optional<QString>)> then) { Answer(std::move(then)); };
        bool finished = false;
        QObject::connect(&Run, &TCliRun::Finished, &Run, [&finished] { finished = true; });
        if (!Run.Start(args)) return Run.Status();
        for (int ms = 0; ms < 300000 && !finished; ms += 10) {
            if (StopNow) {
                StopNow = false;
                Run.Stop();
            }
            Clock.Advance(10);
        }
        return finished ? Run.Status() : -1;
    }
};

// A thermocouple sensor reading 0.4 % high with 300 µV on top.
void SensorError(TTransmitter& sim) {
    sim.ApplySignal(20);
    sim.SensorOffset = 300;
    sim.SensorGain = 1.004;
}
// A DAC 1 V low: the zero code needs about 3050 codes (5 % of its span) more.
void DacError(TTransmitter& sim) {
    sim.ApplySignal(20);
    sim.DacOffset = -1.0;
    sim.DacGain = 1.002;
}
} // namespace

class TstCalibration : public QObject {
    Q_OBJECT
private slots:
    void steadyRule_data() {
        QTest::addColumn<QList<double>>("reads");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<bool>("steady");
        QTest::newRow("three alike") << QList<double>{586.0, 586.0, 586.0} << 1 << true;
        QTest::newRow("one display step apart") << QList<double>{586.0, 586.1, 586.05} << 1 << true;
        QTest::newRow("two steps apart") << QList<double>{586.0, 586.2, 586.1} << 1 << false;
        QTest::newRow("two reads are not enough") << QList<double>{586.0, 586.0} << 1 << false;
        QTest::newRow("settled after a jump") << QList<double>{20.0, 400.0, 586.0, 586.0, 586.1} << 1 << true;
        QTest::newRow("still creeping at the end")
            << QList<double>{586.0, 586.0, 586.0, 586.15} << 1 << false;
        QTest::newRow("ohms without decimals, one apart") << QList<double>{5000, 5001, 5000} << 0 << true;
        QTest::newRow("ohms without decimals, 1.5 apart") << QList<double>{5000, 5001.5, 5000} << 0 << false;
    }
    void steadyRule() {
        QFETCH(QList<double>, reads);
        QFETCH(int, decimals);
        QFETCH(bool, steady);
        QCOMPARE(IsSteady(reads, decimals), steady);
    }

    void trimCode_data() {
        QTest::addColumn<QList<int>>("codes");
        QTest::addColumn<QList<double>>("readings");
        QTest::addColumn<double>("target");
        QTest::addColumn<double>("slope"); // nominal, signal per code
        QTest::addColumn<int>("next");
        const double volt = 20.0 / 60000;
        QTest::newRow("first step on the nominal slope")
            << QList<int>{1000} << QList<double>{-11.0} << -10.0 << volt << 4000;
        QTest::newRow("secant of the last two")
            << QList<int>{1000, 4060} << QList<double>{-11.0201, -9.9978} << -10.0 << volt << 4053;
        QTest::newRow("one code read twice: nominal slope")
            << QList<int>{4000, 4000} << QList<double>{-10.010, -10.012} << -10.0 << volt << 4036;
        QTest::newRow("noise turns the secant round: nominal slope")
            << QList<int>{4000, 4001} << QList<double>{-10.003, -10.004} << -10.0 << volt << 4013;
        QTest::newRow("beyond the top: 65535")
            << QList<int>{65000} << QList<double>{9.0} << 10.0 << volt << 65535;
        QTest::newRow("below the bottom: 0") << QList<int>{100} << QList<double>{-9.0} << -10.0 << volt << 0;
        QTest::newRow("falling line of codes")
            << QList<int>{61000} << QList<double>{-9.5} << -10.0 << -volt << 62500;
    }
    void trimCode() {
        QFETCH(QList<int>, codes);
        QFETCH(QList<double>, readings);
        QFETCH(double, target);
        QFETCH(double, slope);
        QFETCH(int, next);
        QList<QPair<int, double>> steps;
        for (int i = 0; i < codes.size(); ++i)
            steps << qMakePair(codes[i], readings[i]);
        QCOMPARE(NextTrimCode(steps, target, slope), next);
    }

    // The simulated input settles on a new signal within about a second, its
    // noise below the display's last digit: the steady rule can be met, not at once.
    void simulatedInputSettles() {
        TManualClock clock;
        TTransmitter sim(&clock);
        sim.ApplySignal(20);
        clock.Advance(3000);
        sim.ApplySignal(586);
        clock.Advance(250);
        QVERIFY(std::fabs(sim.EngReading() - 586) > 10);
        clock.Advance(1750);
        for (int i = 0; i < 20; ++i, clock.Advance(100))
            QVERIFY2(std::fabs(sim.EngReading() - 586) < 0.05, qPrintable(QString::number(sim.EngReading())));
    }

    void endToEnd_data() {
        QTest::addColumn<QString>("args");
        QTest::addColumn<int>(
            "fault"); // 0 none, 1 sensor error, 2 DAC error, 3 a reading that never settles,
        // 4 sensor error and cmdCalFull refused, 5 another range active (Pt100 3 wire)
        QTest::addColumn<QByteArray>("applied");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("found"); // the record's verdicts, "" when none
        QTest::addColumn<QString>("left");
        QTest::newRow("check: a good unit passes")
            << "check --points 0,50,100" << 0 << QByteArray() << 0 << "pass"
            << "";
        QTest::newRow("check: a sensor error fails as found")
            << "check --points 0,50,100" << 1 << QByteArray() << 4 << "fail"
            << "";
        QTest::newRow("check: a DAC error shows only on the meter")
            << "check --points 50 --meter" << 2 << QByteArray() << 4 << "fail"
            << "";
        QTest::newRow("check: a reading that never settles fails")
            << "check --points 50 --settle 2" << 3 << QByteArray() << 4 << "fail"
            << "";
        QTest::newRow("check --applied: the values really applied count")
            << "check --points 0,100 --applied f" << 0 << QByteArray("-200\n1372\n") << 0 << "pass"
            << "";
        QTest::newRow("as left after input: the sensor error corrected")
            << "check --points 0,50,100 --switch-mode --as-left-after input" << 1 << QByteArray() << 0
            << "fail"
            << "pass";
        QTest::newRow("as left after output: the DAC error trimmed out")
            << "check --points 0,50,100 --meter --switch-mode --as-left-after output" << 2 << QByteArray()
            << 0 << "fail"
            << "pass";
        QTest::newRow("calibrate input from --applied: the reading corrected")
            << "calibrate input --switch-mode --applied f" << 1 << QByteArray("0\n54886\n") << 0 << ""
            << "";
        QTest::newRow("calibrate in RUN mode without --switch-mode: refused, nothing written")
            << "calibrate input,output" << 1 << QByteArray() << 2 << ""
            << "";
        QTest::newRow("calibrate --applied with a zero point other than 0: nothing written")
            << "calibrate input --switch-mode --applied f" << 1 << QByteArray("5\n54886\n") << 2 << ""
            << "";
        QTest::newRow("calibrate --applied with a full scale above 1.5 times the range's: not written")
            << "calibrate input --switch-mode --yes --applied f" << 1 << QByteArray("0\n82330\n") << 2 << ""
            << "";
        QTest::newRow("another range active: refused before anything is written")
            << "calibrate input --switch-mode --yes" << 5 << QByteArray() << 2 << ""
            << "";
        QTest::newRow("two ports: one at a time") << "check -p COM2" << 0 << QByteArray() << 2 << ""
                                                  << "";
        QTest::newRow("calibrate output: no code within tolerance in 1 step, none stored")
            << "calibrate output --switch-mode --yes --max-steps 1" << 2 << QByteArray() << 4 << ""
            << "";
        QTest::newRow("calibrate input refused by the unit: status 1, back in RUN")
            << "calibrate input --switch-mode --yes" << 4 << QByteArray() << 1 << ""
            << "";
        QTest::newRow("Ctrl+C at the full-scale prompt: status 3, back in RUN, full scale not written")
            << "calibrate input --switch-mode stop:input full scale" << 1 << QByteArray() << 3 << ""
            << "";
    }
    void endToEnd() {
        QFETCH(QString, args);
        QFETCH(int, fault);
        QFETCH(QByteArray, applied);
        QFETCH(int, status);
        QFETCH(QString, found);
        QFETCH(QString, left);
        QTemporaryDir dir;
        const QString record = dir.filePath(QStringLiteral("r.json"));
        TRig rig;
        rig.Applied = applied;
        if (args.contains(QLatin1String(" stop:"))) {
            rig.StopAt = args.section(QStringLiteral(" stop:"), 1);
            args = args.section(QStringLiteral(" stop:"), 0, 0);
        }
        rig.Setup = [fault](TTransmitter& sim) {
            if (fault == 0) sim.ApplySignal(20);
            if (fault == 1 || fault == 4) SensorError(sim);
            if (fault == 4) sim.Faults.RefuseCode = cmdCalFull;
            if (fault == 5) {
                sim.ApplySignal(20);
                sim.ActiveInCode = 12;
            }
            if (fault == 2) DacError(sim);
            if (fault == 3) {
                sim.ApplySignal(20);
                sim.SettleMs = 20000; // creeps towards each new signal for a minute
            }
        };
        QStringList line =
            QStringList{QStringLiteral("-p"), QStringLiteral("COM1")} + args.split(QLatin1Char(' '));
        // The technician's name is text of the person's, never markup of the certificate.
        const QString certificate = dir.filePath(QStringLiteral("c.html"));
        if (args.startsWith(QLatin1String("check")))
            line << QStringLiteral("--record") << record << QStringLiteral("--certificate") << certificate
                 << QStringLiteral("--by") << QStringLiteral("A. <b>Tech</b>");
        const int got = rig.Go(line);
        if (got != status) qWarning() << rig.Err << rig.Out.mid(rig.Out.size() - 8);
        QCOMPARE(got, status);
        if (!rig.Sim) return; // refused before any port was opened
        const TTransmitter& sim = *rig.Sim;
        QCOMPARE(sim.Mode, uint8_t(0)); // a unit switched to CAL is back in RUN
        if (fault == 3) QVERIFY(rig.Out.filter(QStringLiteral("(not steady)")).size() == 1);
        if (status == 2) {
            // Nothing written past the refusal; a zero written before a bad full scale stays.
            QCOMPARE(sim.ZeroCalFlags != 0, applied.startsWith("0\n"));
            QCOMPARE(sim.FullCalFlags, uint64_t(0));
            QCOMPARE(rig.SetDacs, 0);
        }
        if (status == 3 || fault == 4) QCOMPARE(sim.FullCalFlags, uint64_t(0));
        if (status == 4 && args.startsWith(QLatin1String("calibrate output"))) {
            QCOMPARE(sim.OutCodes[0].ZeroCode, uint16_t(1000));
            QCOMPARE(sim.OutCodes[0].FullCode, uint16_t(61000));
        }
        if (args.startsWith(QLatin1String("calibrate input")) && status == 0) {
            // Corrected: the zero and gain of the sensor are taken out.
            QVERIFY(std::fabs(sim.CalZeroRaw[3] - 300) < 5);
            QVERIFY(std::fabs(sim.CalGain[3] * 1.004 - 1) < 1e-4);
            QVERIFY(std::fabs(sim.EngReading() - 1372) < 0.2);
        }
        if (args.contains(QLatin1String("output")) && status == 0) {
            QVERIFY2(rig.SetDacs <= 8, qPrintable(QString::number(rig.SetDacs)));
            QVERIFY(std::abs(int(sim.OutCodes[0].ZeroCode) - 4054) <= 2);
            QVERIFY(std::abs(int(sim.OutCodes[0].FullCode) - 63934) <= 2);
        }
        if (found.isEmpty() && left.isEmpty()) return;
        QFile file(record);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QJsonObject r = QJsonDocument::fromJson(file.readAll()).object();
        QCOMPARE(r[QStringLiteral("as_found")][QStringLiteral("verdict")].toString(), found);
        QCOMPARE(r[QStringLiteral("as_left")][QStringLiteral("verdict")].toString(), left);
        QCOMPARE(r[QStringLiteral("input")][QStringLiteral("range")].toString(),
                 QStringLiteral("T/C Type K"));
        QCOMPARE(r[QStringLiteral("technician")].toString(), QStringLiteral("A. <b>Tech</b>"));
        QFile html(certificate);
        QVERIFY(html.open(QIODevice::ReadOnly));
        const QByteArray page = html.readAll();
        QVERIFY(page.contains("A. &lt;b&gt;Tech&lt;/b&gt;") && !page.contains("<b>Tech"));
    }
};

QTEST_GUILESS_MAIN(TstCalibration)
#include "tst_calibration.moc"
