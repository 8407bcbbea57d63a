// mrt9dx-cli's core against simulated transmitters in process, on a manual clock:
// the exit statuses, what reaches the transmitter, and what is printed.
#include "../../cli/CliRun.h"
#include "../../cli/Present.h"
#include "../../cli/Settings.h"
#include "../../link/Clock.h"
#include "../../link/ComPort.h"
#include "../../link/Commands.h"
#include "../../link/MrtError.h"
#include "../../link/PortNames.h"
#include "../../link/Transport.h"
#include "../../sim/Transmitter.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>
#include <bit>
#include <cmath>
#include <memory>

namespace {
const QByteArray GoodFile =
    R"j({"input": {"range": "Pt100 (385)", "wiring": "3 wire", "eu_min": -100.5, "eu_max": 600.0},
 "output": {"range": "0-20 mA", "min": 4.0, "max": 20.0, "invert": true, "alarm_limit": 250.0, "dead_band": 5.5,
 "alarm_enabled": true, "alarm_low": false}})j";

struct TBench {
    TManualClock Clock;
    std::vector<std::unique_ptr<TTransmitter>> Sims;
    TCliRun Run{&Clock, [this](const QString&, QObject* parent) {
                    auto* sim = Sims.emplace_back(std::make_unique<TTransmitter>(&Clock)).get();
                    if (Setup) Setup(*sim, int(Sims.size()) - 1);
                    auto* pipe = new TMemoryTransport(&Clock, parent);
                    pipe->OnHostWrite = [this, sim](const QByteArray& bytes) {
                        if (Tamper && bytes.startsWith(QByteArray("\x02\x04\x03", 3)))
                            sim->EuMaxByCode[12] = 599;
                        sim->Receive(bytes);
                    };
                    pipe->PollPeer = [sim] { return sim->Transmit(); };
                    return pipe;
                }};
    std::function<void(TTransmitter&, int)> Setup;
    bool Tamper = false;
    QStringList Out, Err;

    int FinishedMs = -1;

    // Runs the command line to its end, at most a minute of clock time, with a
    // stop signal at each of the clock times `stops`.
    int Go(const QStringList& args, const QByteArray& file = GoodFile, const QList<int>& stops = {}) {
        Run.Out = [this](const QString& text) { Out << text.split(QLatin1Char('\n')); };
        Run.Err = [this](const QString& text) { Err << text; };
        Run.ReadFile = [file](const QString&, QString*) { return file; };
        bool finished = false;
        const qint64 start = Clock.NowMs();
        QObject::connect(&Run, &TCliRun::Finished, &Run, [this, &finished, start] {
            finished = true;
            FinishedMs = int(Clock.NowMs() - start);
        });
        if (!Run.Start(args)) return Run.Status();
        for (int ms = 0; ms < 60000 && !finished; ms += 10) {
            if (stops.contains(ms)) Run.Stop();
            if (!finished) Clock.Advance(10);
        }
        return finished ? Run.Status() : -1;
    }
};
} // namespace

class TstCli : public QObject {
    Q_OBJECT
private slots:
    void exitStatuses_data() {
        QTest::addColumn<QString>("args");
        QTest::addColumn<int>("fault"); // 0 none, 1 refuse cmdSetPermIn, 2 silent, 3 read-back tampered,
        // 4 answers carry another code, 5 status 0 to everything
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("requests"); // reaching the first transmitter
        QTest::newRow("apply, read back the same") << "-p COM1 apply f" << 0 << GoodFile << 0 << 5;
        QTest::newRow("apply, read-back differs") << "-p COM1 apply f" << 3 << GoodFile << 4 << 5;
        QTest::newRow("apply refused: toolkit version still, no output")
            << "-p COM1 apply f" << 1 << GoodFile << 1 << 2;
        QTest::newRow("span below its range: nothing sent")
            << "-p COM1 apply f" << 0
            << QByteArray(
                   R"j({"input": {"range": "T/C Type K", "wiring": "2 wire", "eu_min": -250, "eu_max": 1372}})j")
            << 2 << 0;
        QTest::newRow("span of zero width")
            << "-p COM1 apply f" << 0
            << QByteArray(
                   R"j({"input": {"range": "Resistance", "wiring": "4 wire", "eu_min": 5, "eu_max": 5}})j")
            << 2 << 0;
        QTest::newRow("negative dead band: nothing sent")
            << "-p COM1 apply f" << 0
            << QByteArray(
                   R"j({"output": {"range": "0-20 mA", "min": 4, "max": 20, "invert": false, "alarm_limit": 1,
                "dead_band": -5, "alarm_enabled": false, "alarm_low": false}})j")
            << 2 << 0;
        QTest::newRow("output maximum above 10 V")
            << "-p COM1 apply f" << 0
            << QByteArray(
                   R"j({"output": {"range": "±10 V", "min": 4, "max": 20, "invert": false, "alarm_limit": 1,
                "dead_band": 1, "alarm_enabled": false, "alarm_low": false}})j")
            << 2 << 0;
        QTest::newRow("unknown range name")
            << "-p COM1 apply f" << 0
            << QByteArray(
                   R"j({"input": {"range": "T/C Type Q", "wiring": "2 wire", "eu_min": 0, "eu_max": 1}})j")
            << 2 << 0;
        QTest::newRow("misspelt field")
            << "-p COM1 apply f" << 0
            << QByteArray(
                   R"j({"input": {"range": "T/C Type K", "wirng": "2 wire", "eu_min": 0, "eu_max": 1}})j")
            << 2 << 0;
        QTest::newRow("not JSON") << "-p COM1 apply f" << 0 << QByteArray("range=K") << 2 << 0;
        QTest::newRow("silent") << "-p COM1 version" << 2 << GoodFile << 3 << 1;
        QTest::newRow("mode cal") << "-p COM1 mode cal" << 0 << GoodFile << 0 << 1;
        QTest::newRow("unknown command") << "-p COM1 erase" << 0 << GoodFile << 2 << 0;
        QTest::newRow("no port") << "read" << 0 << GoodFile << 2 << 0;
        QTest::newRow("COM51") << "-p COM51 read" << 0 << GoodFile << 2 << 0;
        QTest::newRow("COM0") << "-p COM0 read" << 0 << GoodFile << 2 << 0;
        QTest::newRow("output section only")
            << "-p COM1 apply f" << 0
            << QByteArray(
                   R"j({"output": {"range": "±10 V", "min": -10, "max": 10, "invert": true, "alarm_limit": 1,
                "dead_band": 1, "alarm_enabled": false, "alarm_low": true}})j")
            << 0 << 2;
        QTest::newRow("read --active: programmed, then active")
            << "-p COM1 read --active" << 0 << GoodFile << 0 << 4;
        QTest::newRow("read refused") << "-p COM1 read --json" << 5 << GoodFile << 1 << 1;
        QTest::newRow("answer with another code") << "-p COM1 dump" << 4 << GoodFile << 3 << 1;
        QTest::newRow("device path") << "-p /dev/ttyUSB3 version" << 0 << GoodFile << 0 << 1;
        QTest::newRow("port given twice") << "-p COM1 -p com1 version" << 0 << GoodFile << 2 << 0;
        // @COM1: the device COM1 names; @a, @b: two links to one device.
        QTest::newRow("COM1 and its device") << "-p COM1 -p @COM1 version" << 0 << GoodFile << 2 << 0;
        QTest::newRow("two links to one device") << "-p @a -p @b version" << 0 << GoodFile << 2 << 0;
        QTest::newRow("--help before mode cal: its help, nothing sent")
            << "--help -p COM1 mode cal" << 0 << GoodFile << 0 << 0;
        QTest::newRow("--help before apply: its help, nothing sent")
            << "--help -p COM1 apply f" << 0 << GoodFile << 0 << 0;
        QTest::newRow("-h wins over a bad argument") << "-p COM1 -h dump x" << 0 << GoodFile << 0 << 0;
        QTest::newRow("worst of two ports") << "-p COM1 -p COM2 dump" << 2 << GoodFile << 3 << 1;
    }
    void exitStatuses() {
        QFETCH(QString, args);
        QFETCH(int, fault);
        QFETCH(QByteArray, file);
        QFETCH(int, status);
        QFETCH(int, requests);
        QTemporaryDir dir;
        QVERIFY(QFile(dir.filePath("dev")).open(QIODevice::WriteOnly));
        QVERIFY(QFile::link(dir.filePath("dev"), dir.filePath("a")) &&
                QFile::link(dir.filePath("dev"), dir.filePath("b")));
        args.replace("@COM1", ComPortDevice(1))
            .replace("@a", dir.filePath("a"))
            .replace("@b", dir.filePath("b"));
        TBench b;
        b.Tamper = fault == 3;
        // With two ports only the first misbehaves.
        b.Setup = [fault](TTransmitter& sim, int index) {
            if (index > 0) return;
            sim.Faults.RefuseCode = fault == 1 ? cmdSetPermIn : -1;
            sim.Faults.Silent = fault == 2;
            sim.Faults.UnknownCode = fault == 4 ? cmdReadVersion : -1;
            sim.Faults.StatusZero = fault == 5;
        };
        QCOMPARE(b.Go(args.split(QLatin1Char(' ')), file), status);
        QCOMPARE(b.Sims.empty() ? 0 : b.Sims[0]->RequestsReceived, requests);
        if (status != 0) {
            QCOMPARE(b.Err.size(), 1);
            if (status != 2)
                QVERIFY2(b.Err[0].startsWith(QStringLiteral("mrt9dx-cli: COM1: ")), qPrintable(b.Err[0]));
        }
        if (fault == 1) QCOMPARE(int(b.Sims[0]->LastCommand), int(cmdSetToolkitVer));
        if (status == 4)
            QVERIFY(b.Out.contains(QStringLiteral("input.eu_max: applied 600.0, read back 599.0")));
        if (args.contains(QLatin1String("-h")))
            QVERIFY2(b.Out.value(0).startsWith(QStringLiteral("Usage: mrt9dx-cli [-p PORT]... ") +
                                               args.section(QLatin1Char(' '), -2, -2)),
                     qPrintable(b.Out.value(0)));
        else if (args.endsWith(QLatin1String("mode cal")))
            QCOMPARE(int(b.Sims[0]->Mode), 1);
    }

    // Ctrl+C: nothing goes out once a port is stopped before it is ready; a
    // command under way runs to its verdict, a watch ends after its line; a
    // second Ctrl+C ends every port at once.
    void stopSignals_data() {
        QTest::addColumn<QString>("args");
        QTest::addColumn<bool>("silent");
        QTest::addColumn<QList<int>>("stops"); // clock times, the port ready at 1000
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("requests");
        QTest::addColumn<int>("endsBy"); // clock time
        QTest::newRow("before opening: nothing sent")
            << "-p COM1 mode cal" << false << QList<int>{200} << 3 << 0 << 200;
        QTest::newRow("after opening: nothing sent, closed with its pause")
            << "-p COM1 apply f" << false << QList<int>{700} << 3 << 0 << 1200;
        QTest::newRow("apply under way runs to its verdict")
            << "-p COM1 apply f" << false << QList<int>{1000} << 0 << 5 << 60000;
        QTest::newRow("watch ends after its line with 0")
            << "-p COM1 watch" << false << QList<int>{1500} << 0 << 4 << 2000;
        QTest::newRow("a second stop ends a silent unit at once")
            << "-p COM1 version" << true << QList<int>{1100, 1200} << 3 << 1 << 1200;
        QTest::newRow("a second stop in the closing pause keeps the verdict")
            << "-p COM1 -p COM2 version" << false << QList<int>{1000, 1200} << 0 << 1 << 1200;
    }
    void stopSignals() {
        QFETCH(QString, args);
        QFETCH(bool, silent);
        QFETCH(QList<int>, stops);
        QFETCH(int, status);
        QFETCH(int, requests);
        QFETCH(int, endsBy);
        TBench b;
        b.Setup = [silent](TTransmitter& sim, int) { sim.Faults.Silent = silent; };
        QCOMPARE(b.Go(args.split(QLatin1Char(' ')), GoodFile, stops), status);
        QCOMPARE(b.Sims[0]->RequestsReceived, requests);
        QVERIFY2(b.FinishedMs <= endsBy, qPrintable(QString::number(b.FinishedMs)));
        QCOMPARE(int(b.Sims[0]->Mode), 0);
    }

    void dumpThenApplyGivesTheSameSettings() {
        TBench source;
        source.Setup = [](TTransmitter& sim, int) {
            sim.PermInCode = 35; // Resistance, 2 wire
            sim.EuMinByCode[35] = 0.1f;
            sim.PermOutRange = 1;
            sim.OutMin[1] = 4;
            sim.AlarmFlags = 3;
        };
        QCOMPARE(source.Go({QStringLiteral("-p"), QStringLiteral("COM1"), QStringLiteral("dump")}), 0);
        QCOMPARE(source.Out.size(), 1);
        const QString dump = source.Out[0];
        QCOMPARE(
            dump,
            QStringLiteral(
                R"j({"input": {"range": "Resistance", "wiring": "2 wire", "eu_min": 0.1, "eu_max": 10000.0}, )j"
                R"j("output": {"range": "0-20 mA", "min": 4.0, "max": 20.0, "invert": false, )j"
                R"j("alarm_limit": 500.0, "dead_band": 10.0, "alarm_enabled": true, "alarm_low": true}})j"));
        TBench target;
        QCOMPARE(target.Go({QStringLiteral("-p"), QStringLiteral("COM1"), QStringLiteral("apply"),
                            QStringLiteral("-")},
                           dump.toUtf8()),
                 0);
        QCOMPARE(target.Sims[0]->PermInCode, 35);
        QCOMPARE(target.Sims[0]->EuMinByCode[35], 0.1f);
        QCOMPARE(int(target.Sims[0]->AlarmFlags), 3);
        QCOMPARE(int(target.Sims[0]->ToolkitVersion), 161);
    }

    // What read prints is what the window shows: folded calibration flags, the
    // output as CalcOutput computes it, units from the range tables.
    void readShowsWhatTheWindowShows() {
        TBench b;
        b.Setup = [](TTransmitter& sim, int) {
            sim.ZeroCalFlags = 0b111ull << 11; // Pt100 (385) in all three wirings
            sim.FullCalFlags = 0b011ull << 11; // ... but not 4 wire
            sim.OutZeroCalFlags = 2;
            sim.TrimCode = 46000; // the DAC code now, on the zero 1000 / full 61000 line
        };
        QCOMPARE(b.Go(QStringLiteral("-p COM1 read").split(QLatin1Char(' '))), 0);
        QVERIFY(b.Out.contains(QStringLiteral("  Pt100 (385)    OK   UCAL")));
        QVERIFY(b.Out.contains(QStringLiteral("  0-20 mA        OK   UCAL")));
        QVERIFY(b.Out.contains(QStringLiteral("Eumax: 1372.0 \u00B0C")));
        QVERIFY(b.Out.contains(QStringLiteral("Outmin: -10.000 V")));
        QVERIFY(b.Out.contains(QStringLiteral("Mode: RUN")));
        QVERIFY(b.Out.contains(QStringLiteral("Output: 5.000 V")));

        // JSON has no NaN or infinity: such readings are null, never 0.
        Msg::TInputReport in;
        in.Raw = NAN;
        in.Eng = INFINITY;
        in.Ta = -INFINITY;
        in.TCal = 0;
        const QJsonObject json =
            QJsonDocument::fromJson(ReadJson(in, {}, false).toUtf8())["input"].toObject();
        for (const char* key : {"raw", "eng", "ta"})
            QVERIFY2(json[QLatin1String(key)].isNull(), key);
        QCOMPARE(json["tcal"], QJsonValue(0.0));
    }

    // A dump must read back as the single the transmitter holds, whatever it is.
    void singleTextsReadBackAsTheSameSingle() {
        QCOMPARE(SingleText(-200), QStringLiteral("-200.0"));
        QCOMPARE(SingleText(0.1f), QStringLiteral("0.1"));
        QCOMPARE(SingleText(375.7f), QStringLiteral("375.7"));
        uint32_t bits = 12345;
        for (int i = 0; i < 20000; ++i) {
            bits = bits * 1664525u + 1013904223u;
            const float value = std::bit_cast<float>(bits);
            if (!std::isfinite(value)) continue;
            QCOMPARE(std::bit_cast<uint32_t>(SingleText(value).toFloat()), bits);
        }
    }

    // A port given by its device path is named by that path, a COM port as the
    // window names it, in every message of the port.
    void messagesNameThePortAsItWasGiven_data() {
        QTest::addColumn<QString>("port");
        QTest::addColumn<bool>("openFails"); // else a write fails
        QTest::addColumn<QString>("message");
        QTest::newRow("COM port will not open")
            << "COM3" << true << "COM3 (/dev/ttyUSB2): Input/output error";
        QTest::newRow("device path will not open")
            << "/dev/ttyS7" << true << "/dev/ttyS7: Input/output error";
        QTest::newRow("COM port write fails") << "COM3" << false << "Writing to COM3 (/dev/ttyUSB2) failed";
        QTest::newRow("device path write fails") << "/dev/ttyS7" << false << "Writing to /dev/ttyS7 failed";
    }
    void messagesNameThePortAsItWasGiven() {
        QFETCH(QString, port);
        QFETCH(bool, openFails);
        QFETCH(QString, message);
        if (ComPortDevice(3) != QLatin1String("/dev/ttyUSB2")) QSKIP("a COM3 link in the runtime folder");
        TManualClock clock;
        TMemoryTransport pipe(&clock);
        if (openFails) pipe.RefuseOpen = [](const QString&) { return QStringLiteral("Input/output error"); };
        TComPort com(&pipe, &clock);
        if (const int number = ComNumberOf(port))
            com.SetComNumber(number);
        else
            com.SetDevicePath(port);
        try {
            com.Open();
            pipe.Close(); // the line goes away under the port
            com.PutBlock(reinterpret_cast<const uint8_t*>("\x02"), 1);
            QFAIL("no error");
        } catch (const EMrtError& error) {
            QCOMPARE(error.Message, message);
        }
    }

    void watchWritesAHeaderAndALinePerInterval() {
        TBench b;
        const QStringList args =
            QStringLiteral("-p COM1 -p COM2 watch --interval 0.5 --count 3").split(QLatin1Char(' '));
        QCOMPARE(b.Go(args), 0);
        QCOMPARE(b.Out.size(), 7);
        QCOMPARE(b.Out[0], QStringLiteral("port,time,raw,eng,ta,tcal,output"));
        QCOMPARE(b.Out.filter(QStringLiteral("COM2,")).size(), 3);
        QCOMPARE(b.Out[1].split(QLatin1Char(',')).size(), 7);
        // Two programmed reads, then two requests a line.
        QCOMPARE(b.Sims[1]->RequestsReceived, 2 + 2 * 3);
    }
};

QTEST_GUILESS_MAIN(TstCli)
#include "tst_cli.moc"
