// mrt9dx-cli's core against simulated transmitters in process, on a manual clock:
// the exit statuses, what reaches the transmitter, and what is printed.
#include "../../base/MrtError.h"
#include "../../cli/CliRun.h"
#include "../../cli/Present.h"
#include "../../cli/Settings.h"
#include "../../link/ComPort.h"
#include "../../link/Commands.h"
#include "../../link/Cycle.h"
#include "../../link/PortNames.h"
#include "../../link/PortRules.h"
#include "../../sim/Transmitter.h"
#include "../support/ManualClock.h"
#include "../support/MemoryTransport.h"

#include <MrtVersion.h>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <bit>
#include <cmath>
#include <csignal>
#include <memory>
#include <sys/stat.h>

namespace {
const QByteArray GoodFile =
    R"j({"input": {"range": "Pt100 (385)", "wiring": "3 wire", "eu_min": -100.5, "eu_max": 600.0},
 "output": {"range": "0-20 mA", "min": 4.0, "max": 20.0, "invert": true, "alarm_limit": 250.0, "dead_band": 5.5,
 "alarm_enabled": true, "alarm_low": false}})j";

// What a new simulated transmitter holds.
const QByteArray SimFile =
    R"j({"input": {"range": "T/C Type K", "eu_min": -200.0, "eu_max": 1372.0}, "output": {"range": "±10 V",
 "min": -10.0, "max": 10.0, "invert": false, "alarm_limit": 500.0, "dead_band": 10.0, "alarm_enabled": false,
 "alarm_low": false}})j";

struct TBench {
    TManualClock Clock;
    std::vector<std::unique_ptr<TTransmitter>> Sims;
    TCliRun Run{&Clock, [this](const QString&, QObject* parent) {
                    auto* sim = Sims.emplace_back(std::make_unique<TTransmitter>(&Clock)).get();
                    if (Setup) Setup(*sim, int(Sims.size()) - 1);
                    auto* pipe = new TMemoryTransport(&Clock, parent);
                    pipe->RefuseOpen = RefuseOpen;
                    pipe->OnHostWrite = [this, sim, pipe](const QByteArray& bytes) {
                        if (Tamper && bytes.startsWith(QByteArray("\x02\x04\x03", 3)))
                            sim->EuMaxByCode[12] = 599;
                        if (TamperDeadBand && bytes.startsWith(QByteArray("\x02\x14\x03", 3)))
                            sim->DeadBand = 7;
                        sim->Receive(bytes);
                        if (OnWrite) OnWrite(*sim, *pipe);
                    };
                    pipe->PollPeer = [sim] { return sim->Transmit(); };
                    return pipe;
                }};
    std::function<void(TTransmitter&, int)> Setup;
    // After each write of the tool's has reached the transmitter.
    std::function<void(TTransmitter&, TMemoryTransport&)> OnWrite;
    bool Tamper = false;
    bool TamperDeadBand = false;
    QStringList Out, Err;
    bool OutFails = false; // standard output takes nothing
    std::function<QString(const QString& device)> RefuseOpen;

    int FinishedMs = -1;

    // Runs the command line to its end, at most a minute of clock time, with a
    // stop signal (SIGINT) at each of the clock times `stops`.
    int Go(const QStringList& args, const QByteArray& file = GoodFile, const QList<int>& stops = {}) {
        Run.Out = [this](const QString& text) {
            if (OutFails) return Run.OutputFailed(QStringLiteral("no space left on device"));
            Out << text.split(QLatin1Char('\n'));
        };
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
            if (stops.contains(ms)) Run.Stop(SIGINT);
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
        QTest::newRow("apply, dead band read back differs") << "-p COM1 apply f" << 6 << GoodFile << 4 << 5;
        QTest::newRow("apply refused: toolkit version still, no output, a read of what the unit holds")
            << "-p COM1 apply f" << 1 << GoodFile << 1 << 4;
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
        QTest::newRow("silent: the read once more") << "-p COM1 version" << 2 << GoodFile << 3 << 2;
        QTest::newRow("silent, --retries 0") << "-p COM1 version --retries 0" << 2 << GoodFile << 3 << 1;
        QTest::newRow("silent, --retries 3") << "-p COM1 dump --retries 3" << 2 << GoodFile << 3 << 4;
        QTest::newRow("silent: a write is never repeated") << "-p COM1 mode run" << 2 << GoodFile << 3 << 1;
        QTest::newRow("--retries 11") << "-p COM1 version --retries 11" << 0 << GoodFile << 2 << 0;
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
        QTest::newRow("answer with another code") << "-p COM1 dump" << 4 << GoodFile << 3 << 2;
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
        QTest::newRow("worst of two ports") << "-p COM1 -p COM2 dump" << 2 << GoodFile << 3 << 2;
        QTest::newRow("a unit not checked is not hidden behind one that differs")
            << "-p COM1 -p COM2 verify f" << 2 << GoodFile << 3 << 2;
        QTest::newRow("verify the same: two reads, nothing written")
            << "-p COM1 verify f" << 0 << SimFile << 0 << 2;
        QTest::newRow("verify another unit: differs, nothing written")
            << "-p COM1 verify f" << 0 << GoodFile << 4 << 2;
        QTest::newRow("verify refused") << "-p COM1 verify f" << 5 << GoodFile << 1 << 1;
        QTest::newRow("apply --dry-run of a good file: no port, nothing sent")
            << "apply --dry-run f" << 0 << GoodFile << 0 << 0;
        QTest::newRow("apply --dry-run of a bad file")
            << "-p COM1 apply --dry-run f" << 0 << QByteArray(R"j({"input": {}})j") << 2 << 0;
        QTest::newRow("ports with -p before") << "-p COM1 ports" << 0 << GoodFile << 2 << 0;
        QTest::newRow("ports with --port= after") << "ports --port=COM1" << 0 << GoodFile << 2 << 0;
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
        b.TamperDeadBand = fault == 6;
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
        if (status != 0 && !args.contains(QLatin1String("COM2 verify"))) {
            QCOMPARE(b.Err.size(), 1);
            if (status != 2)
                QVERIFY2(b.Err[0].startsWith(QStringLiteral("mrt9dx-cli: COM1: ")), qPrintable(b.Err[0]));
        }
        if (fault == 1) QCOMPARE(int(b.Sims[0]->ToolkitVersion), MRT_TOOLKIT_VERSION);
        if (args.contains(QLatin1String("verify")) && requests == 2 && fault != 2)
            QCOMPARE(int(b.Sims[0]->LastCommand), int(cmdReadPermOut));
        if (status == 4 && args.contains(QLatin1String("verify")))
            QVERIFY(b.Out.contains(QStringLiteral("output.range: file 0-20 mA, unit \u00B110 V")));
        if (status == 4 && args.contains(QLatin1String("apply")))
            QVERIFY(b.Out.contains(fault == 6
                                       ? QStringLiteral("output.dead_band: applied 5.5, read back 7.0")
                                       : QStringLiteral("input.eu_max: applied 600.0, read back 599.0")));
        if (args.contains(QLatin1String("-h")))
            QVERIFY2(b.Out.value(0).startsWith(QStringLiteral("Usage: mrt9dx-cli [-p PORT]... ") +
                                               args.section(QLatin1Char(' '), -2, -2)),
                     qPrintable(b.Out.value(0)));
        else if (args.endsWith(QLatin1String("mode cal")))
            QCOMPARE(int(b.Sims[0]->Mode), 1);
    }

    // The worse of two statuses by severity, whichever comes first.
    void worseStatus_data() {
        QTest::addColumn<int>("a");
        QTest::addColumn<int>("b");
        QTest::addColumn<int>("worse");
        QTest::newRow("done, differs") << 0 << 4 << 4;
        QTest::newRow("bad input, differs") << 2 << 4 << 4;
        QTest::newRow("differs, refused") << 4 << 1 << 1;
        QTest::newRow("refused, not checked") << 1 << 3 << 3;
        QTest::newRow("not checked, differs") << 3 << 4 << 3;
        QTest::newRow("not checked, output failed") << 3 << 5 << 5;
        QTest::newRow("output failed, SIGINT") << 5 << 130 << 130;
        QTest::newRow("SIGTERM, differs") << 143 << 4 << 143;
    }
    void worseStatus() {
        QFETCH(int, a);
        QFETCH(int, b);
        QFETCH(int, worse);
        QCOMPARE(WorseStatus(a, b), worse);
        QCOMPARE(WorseStatus(b, a), worse);
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
        QTest::addColumn<int>("endsBy");   // clock time
        QTest::addColumn<QString>("said"); // the last line on standard error
        QTest::newRow("before opening: nothing sent")
            << "-p COM1 mode cal" << false << QList<int>{200} << 130 << 0 << 200
            << "mrt9dx-cli: COM1: stopped before the port was opened; nothing was sent";
        QTest::newRow("after opening: nothing sent, closed with its pause")
            << "-p COM1 apply f" << false << QList<int>{700} << 130 << 0 << 1200
            << "mrt9dx-cli: COM1: stopped before anything was sent";
        QTest::newRow("apply under way runs to its verdict")
            << "-p COM1 apply f" << false << QList<int>{1000} << 130 << 5 << 60000
            << "mrt9dx-cli: SIGINT: stopping after the step in flight; a second signal ends at once";
        QTest::newRow("apply --changed-only stopped in its reads writes nothing")
            << "-p COM1 apply --changed-only f" << false << QList<int>{1000} << 130 << 2 << 60000
            << "mrt9dx-cli: COM1: stopped before anything was written";
        QTest::newRow("watch ends after its line")
            << "-p COM1 watch" << false << QList<int>{1500} << 130 << 4 << 2000
            << "mrt9dx-cli: SIGINT: stopping after the step in flight; a second signal ends at once";
        QTest::newRow("a second stop ends a silent unit at once")
            << "-p COM1 version" << true << QList<int>{1100, 1200} << 130 << 1 << 1200
            << "mrt9dx-cli: COM1: stopped while waiting for the answer to cmdReadVersion";
        QTest::newRow("a second stop in the closing pause keeps the verdict")
            << "-p COM1 -p COM2 version" << false << QList<int>{1000, 1200} << 130 << 1 << 1200
            << "mrt9dx-cli: SIGINT: stopping after the step in flight; a second signal ends at once";
    }
    void stopSignals() {
        QFETCH(QString, args);
        QFETCH(bool, silent);
        QFETCH(QList<int>, stops);
        QFETCH(int, status);
        QFETCH(int, requests);
        QFETCH(int, endsBy);
        QFETCH(QString, said);
        TBench b;
        b.Setup = [silent](TTransmitter& sim, int) { sim.Faults.Silent = silent; };
        QCOMPARE(b.Go(args.split(QLatin1Char(' ')), GoodFile, stops), status);
        QCOMPARE(b.Sims[0]->RequestsReceived, requests);
        QVERIFY2(b.FinishedMs <= endsBy, qPrintable(QString::number(b.FinishedMs)));
        QCOMPARE(b.Err.value(b.Err.size() - 1), said);
        QCOMPARE(int(b.Sims[0]->Mode), 0);
    }

    // After any failure apply names the steps done, and what the unit holds where
    // the line still answers; a refused programming stays status 1.
    void applySaysHowFarItGot_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("error");
        const QString holds =
            "; the unit now holds Pt100 (385), 3 wire, -100.5 to 600.0, and \u00B110 V, -10.0 to 10.0";
        QTest::newRow("output refused")
            << "refuse 23" << 1
            << "input range and span programmed; output settings not programmed: the transmitter refused "
               "cmdSetPermOut (status 0)" +
                   holds;
        QTest::newRow("input refused, toolkit version unanswered")
            << "refuse 7, then silent" << 1
            << "nothing programmed; input range and span not programmed: the transmitter refused "
               "cmdSetPermIn (status 0); the unit's state could not be read";
        QTest::newRow("toolkit version refused")
            << "refuse 51" << 1
            << "input range and span programmed; toolkit version not programmed: the transmitter refused "
               "cmdSetToolkitVer (status 0)" +
                   holds;
        QTest::newRow("the line goes away before the output")
            << "hang-up" << 3
            << "input range and span programmed; output settings not confirmed: the line went away";
        QTest::newRow("the programming's answer cut short")
            << "truncate" << 3
            << "no step confirmed; input range and span not confirmed: broken answer to cmdSetPermIn: 30 of "
               "its 49 "
               "bytes" +
                   holds; // the unit took it
        QTest::newRow("every answer twice") << "twice" << 0 << "";
        // Every step confirmed: a read-back that fails is no refusal of the
        // programming (status 4), and the line says what was done first.
        const QString both = "input range and span programmed, output settings programmed; not read back: ";
        QTest::newRow("read-back refused")
            << "refuse 4" << 4 << both + "the transmitter refused cmdReadPermIn (status 0)";
        QTest::newRow("read-back unanswered, twice")
            << "silent after 23" << 4 << both + "no answer within 4 s to cmdReadPermIn";
        QTest::newRow("read-back cut short")
            << "truncate 4" << 4 << both + "broken answer to cmdReadPermIn: 30 of its 49 bytes";
        // Each answer 4.3 s late: a programming is never sent again.
        QTest::newRow("answers at 4.3 s")
            << "late" << 3
            << "no step confirmed; input range and span not confirmed: no answer within "
               "4 s to cmdSetPermIn";
        // What the unit holds comes only from reports it accepted.
        QTest::newRow("output refused, the unit's reports refused too")
            << "refuse 23, then everything" << 1
            << "input range and span programmed; output settings not programmed: the transmitter refused "
               "cmdSetPermOut (status 0); the unit's state could not be read";
    }
    void applySaysHowFarItGot() {
        QFETCH(QString, fault);
        QFETCH(int, status);
        QFETCH(QString, error);
        TBench b;
        b.Setup = [fault](TTransmitter& sim, int) {
            sim.Faults.RefuseCode = fault.startsWith("refuse 23")  ? cmdSetPermOut
                                    : fault == "refuse 51"         ? cmdSetToolkitVer
                                    : fault.startsWith("refuse 7") ? cmdSetPermIn
                                    : fault == "refuse 4"          ? cmdReadPermIn
                                                                   : -1;
            sim.Faults.Twice = fault == "twice";
            sim.Faults.ExtraDelayMs = fault == "late" ? 4300 - sim.ReplyDelayMs : 0;
            sim.Faults.TruncateTo = fault == "truncate" ? 30 : -1;
            sim.Faults.Once = fault == "truncate";
        };
        b.OnWrite = [&b, fault](TTransmitter& sim, TMemoryTransport& line) {
            if (fault == "refuse 7, then silent" && sim.LastCommand == cmdSetPermIn) sim.Faults.Silent = true;
            if (fault == "hang-up" && sim.LastCommand == cmdSetPermOut)
                line.InjectFailure(QStringLiteral("the line went away"));
            if (fault == "silent after 23" && sim.LastCommand == cmdSetPermOut) sim.Faults.Silent = true;
            if (fault == "truncate 4" && sim.LastCommand == cmdSetPermOut) sim.Faults.TruncateTo = 30;
            if (fault == "refuse 23, then everything" && sim.LastCommand == cmdReadPermIn)
                sim.Faults.StatusZero = true;
        };
        QCOMPARE(b.Go({QStringLiteral("-p"), QStringLiteral("COM1"), QStringLiteral("apply"),
                       QStringLiteral("f")}),
                 status);
        QCOMPARE(b.Err.value(0), error.isEmpty() ? QString() : QStringLiteral("mrt9dx-cli: COM1: ") + error);
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
        QCOMPARE(int(target.Sims[0]->ToolkitVersion), MRT_TOOLKIT_VERSION);
        // read --json names every setting as the file does, with the same values;
        // a range without wiring has none (null) in both.
        for (const int code : {35, 3}) {
            TBench read;
            read.Setup = [&source, code](TTransmitter& sim, int index) {
                source.Setup(sim, index);
                sim.PermInCode = code;
            };
            QCOMPARE(read.Go({"-p", "COM1", "read", "--json"}), 0);
            TBench dumped;
            dumped.Setup = read.Setup;
            QCOMPARE(dumped.Go({"-p", "COM1", "dump"}), 0);
            const QJsonObject unit = QJsonDocument::fromJson(read.Out[0].toUtf8())["COM1"]["unit"].toObject();
            const QJsonObject file = QJsonDocument::fromJson(dumped.Out[0].toUtf8()).object();
            for (const QString section : {"input", "output"})
                for (const QString& key : file[section].toObject().keys())
                    QVERIFY2(unit[section][key] == file[section][key], qPrintable(section + '.' + key));
            QCOMPARE(unit["input"]["wiring"].isNull(), code == 3);
        }
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
        // The alarm's state and the level of its output are two readings.
        Msg::TOutputReport out;
        out.AlarmState = 1;
        out.AlarmReadBack = 1; // the output's level says inactive
        const QJsonObject alarm =
            QJsonDocument::fromJson(ReadJson(in, out, false).toUtf8())["output"].toObject();
        QCOMPARE(alarm["alarm_active"], QJsonValue(true));
        QCOMPARE(alarm["alarm_readback_active"], QJsonValue(false));
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

    // A settings file is refused with the place and the field at fault; what the
    // window would refuse, and what JSON lets pass but a file must not hold.
    void settingsFileErrors_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("error"); // empty: accepted
        const QByteArray output =
            R"j(, "min": 0, "max": 10, "invert": false, "alarm_limit": 1, "dead_band": 1,
 "alarm_enabled": false, "alarm_low": false}})j";
        QTest::newRow("a second input section")
            << QByteArray(R"j({"input": {"range": "Linear mV", "eu_min": 0, "eu_max": 1},
 "input": {"range": "Linear mV", "eu_min": 0, "eu_max": 2}})j")
            << "line 2, column 2: input is given twice";
        QTest::newRow("a field twice, once escaped")
            << QByteArray(
                   R"j({"input": {"range": "Linear mV", "eu_min": 0, "eu_\u006dax": 1, "eu_max": 2}})j")
            << "line 1, column 65: input.eu_max is given twice";
        QTest::newRow("wiring for a thermocouple")
            << QByteArray(
                   R"j({"input": {"range": "T/C Type K", "wiring": "2 wire", "eu_min": 0, "eu_max": 1}})j")
            << "line 1, column 45: input.wiring: T/C Type K has no wiring; leave it out";
        QTest::newRow("no wiring for an RTD")
            << QByteArray(R"j({"input": {"range": "Pt100 (385)", "eu_min": 0, "eu_max": 1}})j")
            << "line 1, column 11: input.wiring is missing: Pt100 (385) takes 2 wire, 3 wire or 4 wire";
        QTest::newRow("eu_max above its range")
            << QByteArray("{\"input\": {\"range\": \"T/C Type K\",\n  \"eu_min\": 0, \"eu_max\": 1400}}")
            << "line 2, column 26: input.eu_max 1400.0 is above 1372.0, the top of T/C Type K";
        QTest::newRow("eu_min below its range")
            << QByteArray(R"j({"input": {"range": "T/C Type K", "eu_min": -200.5, "eu_max": 1}})j")
            << "line 1, column 45: input.eu_min -200.5 is below -200.0, the bottom of T/C Type K";
        QTest::newRow("eu_min not below eu_max")
            << QByteArray(R"j({"input": {"range": "Linear mV", "eu_min": 5, "eu_max": 5}})j")
            << "line 1, column 57: input.eu_min 5.0 is not below input.eu_max 5.0";
        QTest::newRow("output max above 20 mA")
            << QByteArray(R"j({"output": {"range": "0-20 mA", "min": 4, "max": 20.5, "invert": false,
 "alarm_limit": 1, "dead_band": 1, "alarm_enabled": false, "alarm_low": false}})j")
            << "line 1, column 50: output.max 20.5 is above 20.0, the top of 0-20 mA";
        QTest::newRow("+-10 V for the plus-minus sign")
            << QByteArray(R"j({"output": {"range": "+-10 V")j") + output << QString();
        QTest::newRow("an unknown field in the input section")
            << QByteArray(R"j({"input": {"range": "Linear mV", "eu_min": 0, "eu_max": 1, "offset": 2}})j")
            << "line 1, column 70: unknown field input.offset";
        QTest::newRow("an unknown field in the output section")
            << QByteArray(R"j({"output": {"range": "0-20 mA", "gain": 2)j") + output
            << "line 1, column 41: unknown field output.gain";
        QTest::newRow("not JSON, on its line and column")
            << QByteArray("{\"input\":\n  {\"range\" \"K\"}}")
            << "line 2, column 13: not a settings file: missing name separator";
    }
    void settingsFileErrors() {
        QFETCH(QByteArray, file);
        QFETCH(QString, error);
        QString text;
        const std::optional<TSettings> settings = ParseSettings(file, &text);
        QCOMPARE(text, error);
        QCOMPARE(settings.has_value(), error.isEmpty());
        if (settings && settings->Output) QCOMPARE(int(settings->Output->Range), 0);
    }

    // The texts of the program's own: the port once, the range of a number, lower
    // case; "--" ends the options.
    void messages_data() {
        QTest::addColumn<QString>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("line"); // on standard error, else the first on standard output
        QTest::newRow("count beyond an int")
            << "-p COM1 watch --count 99999999999" << 2 << "mrt9dx-cli: watch: --count must be 1 to 1000000";
        QTest::newRow("count of 0") << "-p COM1 watch --count 0" << 2
                                    << "mrt9dx-cli: watch: --count must be 1 to 1000000";
        QTest::newRow("Qt's error in our style")
            << "-p COM1 read --bogus" << 2 << "mrt9dx-cli: read: unknown option 'bogus'";
        QTest::newRow("-- ends the options: a file named --help")
            << "-p COM1 apply -- --help" << 0 << "applied, read back the same";
        QTest::newRow("--version") << "--version" << 0 << "mrt9dx-cli " MRT_VERSION;
        QTest::newRow("--version after -- is a command")
            << "-- --version" << 2 << "mrt9dx-cli: unknown command --version; 'mrt9dx-cli --help' lists them";
        QTest::newRow("a device path that will not open, named once")
            << "-p /dev/null version" << 3 << "mrt9dx-cli: /dev/null: input/output error";
        QTest::newRow("no answer: the port before the message")
            << "-p COM1 version" << 3 << "mrt9dx-cli: COM1: no answer within 4 s to cmdReadVersion";
    }
    void messages() {
        QFETCH(QString, args);
        QFETCH(int, status);
        QFETCH(QString, line);
        TBench b;
        b.Setup = [status](TTransmitter& sim, int) { sim.Faults.Silent = status == 3; };
        b.RefuseOpen = [](const QString& device) {
            return device == QLatin1String("/dev/null") ? QStringLiteral("Input/output error") : QString();
        };
        QCOMPARE(b.Go(args.split(QLatin1Char(' '))), status);
        QCOMPARE(status == 0 ? b.Out.value(0) : b.Err.value(0), line);
    }

    // Why a port did not open, named once: a device that is not there, a link
    // that leads nowhere; the port rules' words for the rest.
    void openErrorTexts() {
        QTemporaryDir dir;
        const QString nowhere = dir.filePath(QStringLiteral("gone"));
        QVERIFY(QFile::link(nowhere, dir.filePath(QStringLiteral("link"))));
        QCOMPARE(OpenErrorText(dir.filePath(QStringLiteral("link")), QStringLiteral("x")),
                 QStringLiteral("there is no ") + nowhere);
        QCOMPARE(OpenErrorText(QStringLiteral("/dev/ttyUSB-none"), QStringLiteral("x")),
                 QStringLiteral("there is no /dev/ttyUSB-none"));
        QCOMPARE(OpenErrorText(dir.path(), QStringLiteral("it is a folder")),
                 QStringLiteral("it is a folder"));
    }

    // Only the user's own private runtime folder holds COM links. Without one
    // (cron, su, system services), or where it is relative, open to others, or
    // holds a link folder others may write to, a link planted there is not
    // followed: the fixed table, no warning, and no folder made in the
    // temporary one.
    void aRuntimeFolderNotPrivateHoldsNoLinks_data() {
        QTest::addColumn<QString>("runtime"); // relative to a fresh folder, the current one
        QTest::addColumn<int>("mode");        // of the runtime folder
        QTest::addColumn<int>("linkMode");    // of its mrt9dx folder
        QTest::newRow("unset") << "" << 0700 << 0700;
        QTest::newRow("relative") << "run" << 0700 << 0700;
        QTest::newRow("open to others") << "/run" << 0755 << 0700;
        QTest::newRow("link folder writable by others") << "/run" << 0700 << 0777;
        QTest::newRow("private: the link holds") << "/run" << 0700 << 0755;
    }
    void aRuntimeFolderNotPrivateHoldsNoLinks() {
        QFETCH(QString, runtime);
        QFETCH(int, mode);
        QFETCH(int, linkMode);
        const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
        const QByteArray temp = qgetenv("TMPDIR");
        const QString cwd = QDir::currentPath();
        QTemporaryDir dir, tmp;
        const QString folder = dir.filePath(QStringLiteral("run"));
        const QString planted = QDir(folder).filePath(QStringLiteral("mrt9dx/COM1"));
        QVERIFY(QDir().mkpath(QFileInfo(planted).path()));
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("device")), planted));
        QVERIFY(::chmod(QFile::encodeName(folder).constData(), mode_t(mode)) == 0);
        QVERIFY(::chmod(QFile::encodeName(QFileInfo(planted).path()).constData(), mode_t(linkMode)) == 0);
        QDir::setCurrent(dir.path());
        if (runtime.isEmpty())
            qunsetenv("XDG_RUNTIME_DIR");
        else
            qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.startsWith('/') ? folder : runtime));
        qputenv("TMPDIR", QFile::encodeName(tmp.path()));
        static int warnings = 0;
        warnings = 0;
        const QtMessageHandler previous =
            qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) { ++warnings; });
        const QString device = ComPortDevice(1);
        const QStringList lines = PortLines();
        qInstallMessageHandler(previous);
        QDir::setCurrent(cwd);
        qputenv("XDG_RUNTIME_DIR", saved);
        qputenv("TMPDIR", temp);
        QCOMPARE(warnings, 0);
        QCOMPARE(device, QTest::currentDataTag() == QLatin1String("private: the link holds")
                             ? planted
                             : QStringLiteral("/dev/ttyUSB0"));
        QVERIFY(QDir(tmp.path()).isEmpty());
    }

    // --json: one object keyed by port, every port in it, failed ones with their
    // status, error and the steps done.
    void jsonHasEveryPort() {
        TBench b;
        b.Setup = [](TTransmitter& sim, int index) {
            sim.Faults.RefuseCode = index == 1 ? cmdSetPermOut : -1;
            sim.Faults.Silent = index == 2;
        };
        QCOMPARE(
            b.Go(QStringLiteral("-p COM1 -p COM2 -p COM3 -p COM4 apply --json f").split(QLatin1Char(' '))),
            3);
        QCOMPARE(b.Out.size(), 1);
        const QJsonObject all = QJsonDocument::fromJson(b.Out[0].toUtf8()).object();
        QCOMPARE(all.keys(), QStringList({"COM1", "COM2", "COM3", "COM4"}));
        QCOMPARE(all["COM1"].toObject(), QJsonObject({{"status", 0},
                                                      {"result", "applied"},
                                                      {"steps_done", QJsonArray{"input", "output"}},
                                                      {"differences", QJsonArray{}}}));
        QCOMPARE(all["COM2"]["status"], QJsonValue(1));
        QCOMPARE(all["COM2"]["steps_done"], QJsonValue(QJsonArray{"input"}));
        QVERIFY(
            all["COM2"]["error"].toString().startsWith("input range and span programmed; output settings not "
                                                       "programmed: the transmitter refused cmdSetPermOut"));
        QCOMPARE(all["COM2"]["kind"], QJsonValue("refused"));
        QCOMPARE(all["COM3"]["status"], QJsonValue(3));
        QCOMPARE(all["COM3"]["kind"], QJsonValue("no_answer"));
        QCOMPARE(all["COM3"]["steps_done"], QJsonValue(QJsonArray{}));
        QVERIFY(!all["COM3"].toObject().contains("result"));
        QCOMPARE(b.Err.size(), 2);
    }

    // verify (and apply's read-back, which compares the same way) names each
    // field the unit holds otherwise than the file, each on its own.
    void verifyNamesEachFieldThatDiffers_data() {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("field");
        QTest::newRow("input.range")
            << R"("T/C Type K", "eu_min": -200.0, "eu_max": 1372.0)"
            << R"j("Pt100 (385)", "wiring": "3 wire", "eu_min": -200.0, "eu_max": 600.0)j"
            << "input.range";
        QTest::newRow("input.eu_min") << R"("eu_min": -200.0)"
                                      << R"("eu_min": -199.0)"
                                      << "input.eu_min";
        QTest::newRow("input.eu_max") << R"("eu_max": 1372.0)"
                                      << R"("eu_max": 1300.0)"
                                      << "input.eu_max";
        QTest::newRow("output.range") << QStringLiteral("\u00B110 V\",\n \"min\": -10.0")
                                      << QStringLiteral("0-20 mA\", \"min\": 0.0") << "output.range";
        QTest::newRow("output.min") << R"("min": -10.0)"
                                    << R"("min": -9.0)"
                                    << "output.min";
        QTest::newRow("output.max") << R"("max": 10.0)"
                                    << R"("max": 9.0)"
                                    << "output.max";
        QTest::newRow("output.invert") << R"("invert": false)"
                                       << R"("invert": true)"
                                       << "output.invert";
        QTest::newRow("output.alarm_limit") << R"("alarm_limit": 500.0)"
                                            << R"("alarm_limit": 400.0)"
                                            << "output.alarm_limit";
        QTest::newRow("output.dead_band") << R"("dead_band": 10.0)"
                                          << R"("dead_band": 9.0)"
                                          << "output.dead_band";
        QTest::newRow("output.alarm_enabled") << R"("alarm_enabled": false)"
                                              << R"("alarm_enabled": true)"
                                              << "output.alarm_enabled";
        QTest::newRow("output.alarm_low") << R"("alarm_low": false)"
                                          << R"("alarm_low": true)"
                                          << "output.alarm_low";
    }
    void verifyNamesEachFieldThatDiffers() {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, field);
        QString file = QString::fromUtf8(SimFile);
        QVERIFY(file.contains(from));
        file.replace(from, to);
        TBench b;
        QCOMPARE(b.Go({"-p", "COM1", "verify", "f"}, file.toUtf8()), 4);
        QVERIFY2(std::any_of(b.Out.begin(), b.Out.end(),
                             [&](const QString& line) { return line.startsWith(field + ": file "); }),
                 qPrintable(b.Out.join('\n')));
    }

    // The input range codes the tables know, 0 to 39, are read; a code above
    // them is an unknown response.
    void inputRangeCodes_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("kind");
        QTest::newRow("0") << 0 << 0 << "";
        QTest::newRow("38") << 38 << 0 << "";
        QTest::newRow("39") << 39 << 0 << "";
        QTest::newRow("40") << 40 << 3 << "broken_answer";
    }
    void inputRangeCodes() {
        QFETCH(int, code);
        QFETCH(int, status);
        QFETCH(QString, kind);
        TBench b;
        b.Setup = [code](TTransmitter& sim, int) { sim.PermInCode = code; };
        QCOMPARE(b.Go({"-p", "COM1", "read", "--json", "--retries", "0"}), status);
        const QJsonObject port = QJsonDocument::fromJson(b.Out.value(0).toUtf8()).object()["COM1"].toObject();
        QCOMPARE(port["kind"].toString(), kind);
    }

    // A settings file holds numbers only: dump calls a value that is none a
    // broken answer instead of writing null.
    void dumpOfAValueThatIsNoNumber() {
        TBench b;
        b.Setup = [](TTransmitter& sim, int) { sim.DeadBand = std::numeric_limits<float>::infinity(); };
        QCOMPARE(b.Go({"-p", "COM1", "dump"}), 3);
        QCOMPARE(b.Out, QStringList());
        QCOMPARE(b.Err, QStringList{"mrt9dx-cli: COM1: broken answer: output.dead_band is not a number"});
    }

    // --json anywhere on the line, and JSON whatever the failure: one object
    // with status, kind and error (per port where a port failed).
    void jsonWhateverTheFailure_data() {
        QTest::addColumn<QString>("args");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("kind"); // empty: no failure
        QTest::newRow("before the command") << "--json -p COM1 version" << GoodFile << 0 << "";
        QTest::newRow("unknown command") << "--json -p COM1 fly" << GoodFile << 2 << "usage";
        QTest::newRow("bad option after the command")
            << "-p COM1 dump --json --x" << GoodFile << 2 << "usage";
        QTest::newRow("no port given") << "read --json" << GoodFile << 2 << "usage";
        QTest::newRow("bad settings file") << "-p COM1 --json verify f" << QByteArray("{") << 2 << "file";
        QTest::newRow("ports") << "ports --json" << GoodFile << 0 << "";
        QTest::newRow("dry run of a good file") << "apply --dry-run f --json" << GoodFile << 0 << "";
        QTest::newRow("no such port") << "-p COM7 --json read" << GoodFile << 3 << "no_port";
        QTest::newRow("a unit that differs") << "-p COM1 verify --json f" << GoodFile << 4 << "differs";
        QTest::newRow("a unit that differs, numbers as numbers")
            << "-p COM1 verify --json f"
            << QByteArray(SimFile).replace("\"eu_max\": 1372.0", "\"eu_max\": 1300.0") << 4 << "differs";
    }
    void jsonWhateverTheFailure() {
        QFETCH(QString, args);
        QFETCH(QByteArray, file);
        QFETCH(int, status);
        QFETCH(QString, kind);
        TBench b;
        b.RefuseOpen = [](const QString& device) {
            return device == ComPortDevice(7) ? QStringLiteral("no such file") : QString();
        };
        QCOMPARE(b.Go(args.split(QLatin1Char(' ')), file), status);
        QCOMPARE(b.Out.size(), 1);
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(b.Out[0].toUtf8(), &error);
        QCOMPARE(error.error, QJsonParseError::NoError);
        if (document.isArray()) return; // ports: one object per port
        const QJsonObject all = document.object();
        const QJsonObject object = all.contains("status") ? all : all.begin()->toObject();
        QCOMPARE(object["status"], QJsonValue(status));
        QCOMPARE(object["kind"].toString(), kind);
        QCOMPARE(object.contains("error"), !kind.isEmpty());
        if (QTest::currentDataTag() == QLatin1String("a unit that differs, numbers as numbers"))
            QCOMPARE(
                object["differences"].toArray(),
                QJsonArray({QJsonObject{{"field", "input.eu_max"}, {"expected", 1300}, {"found", 1372}}}));
    }

    // apply reads the unit first where asked to: a dry run's plan, --changed-only
    // and --expect-version; `writes` requests that are no reads reach the unit.
    void applyReadsTheUnitFirst_data() {
        QTest::addColumn<QString>("args");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("writes");
        QTest::addColumn<QString>("key");   // of the port's JSON object; empty: the first line of text
        QTest::addColumn<QString>("value"); // as JSON, or that line
        const QByteArray differs = QByteArray(SimFile).replace("\"eu_max\": 1372.0", "\"eu_max\": 1300.0");
        const QByteArray pt100 =
            R"j({"input": {"range": "Pt100 (385)", "wiring": "3 wire", "eu_min": -200.0, "eu_max": 600.0}})j";
        QTest::newRow("dry run: each field that would change, from and to")
            << "-p COM1 apply --dry-run --json f" << differs << 0 << 0 << "changes"
            << R"j([{"field": "input.eu_max", "from": 1372, "to": 1300}])j";
        QTest::newRow("dry run: the file's keys, no wiring as null")
            << "-p COM1 --json apply --dry-run f" << pt100 << 0 << 0 << "changes"
            << R"j([{"field": "input.range", "from": "T/C Type K", "to": "Pt100 (385)"},
                  {"field": "input.wiring", "from": null, "to": "3 wire"},
                  {"field": "input.eu_max", "from": 1372, "to": 600}])j";
        QTest::newRow("dry run in text") << "-p COM1 apply --dry-run f" << differs << 0 << 0 << ""
                                         << "input.eu_max: from 1372.0 to 1300.0";
        QTest::newRow("dry run, nothing to change") << "-p COM1 apply --dry-run f" << SimFile << 0 << 0 << ""
                                                    << "nothing would change; nothing was written";
        QTest::newRow("changed-only, the same: nothing written")
            << "-p COM1 apply --changed-only --json f" << SimFile << 0 << 0 << "changed"
            << "false";
        QTest::newRow("changed-only, the same, in text")
            << "-p COM1 apply --changed-only f" << SimFile << 0 << 0 << ""
            << "changed: false; the unit holds the file's settings, nothing written";
        QTest::newRow("changed-only, a unit that differs is programmed")
            << "-p COM1 apply --changed-only --json f" << differs << 0 << 3 << "changed"
            << "true";
        QTest::newRow("changed-only, programmed, in text")
            << "-p COM1 apply --changed-only f" << differs << 0 << 3 << ""
            << "changed: true";
        QTest::newRow("the version expected: programmed")
            << "-p COM1 apply --expect-version v2 --json f" << GoodFile << 0 << 3 << "result"
            << "\"applied\"";
        QTest::newRow("another version: nothing written")
            << "-p COM1 apply --expect-version v3 --json f" << GoodFile << 4 << 0 << "kind"
            << "\"other_version\"";
        QTest::newRow("another version, in text: nothing written")
            << "-p COM1 apply --changed-only --expect-version=v2.1 f" << differs << 4 << 0 << ""
            << "";
        QTest::newRow("an empty version is a usage error")
            << "-p COM1 apply --expect-version= f" << GoodFile << 2 << 0 << ""
            << "";
    }
    void applyReadsTheUnitFirst() {
        QFETCH(QString, args);
        QFETCH(QByteArray, file);
        QFETCH(int, status);
        QFETCH(int, writes);
        QFETCH(QString, key);
        QFETCH(QString, value);
        TBench b;
        b.Setup = [](TTransmitter& sim, int) { sim.VersionText = QStringLiteral("v2"); };
        int written = 0;
        b.OnWrite = [&written](TTransmitter& sim, TMemoryTransport&) { written += !IsRead(sim.LastCommand); };
        QCOMPARE(b.Go(args.split(QLatin1Char(' ')), file), status);
        QCOMPARE(written, writes);
        if (key.isEmpty()) {
            QCOMPARE(b.Out.value(0), value);
            return;
        }
        const QJsonObject port = QJsonDocument::fromJson(b.Out.value(0).toUtf8())["COM1"].toObject();
        QCOMPARE(port[key], QJsonDocument::fromJson("[" + value.toUtf8() + "]").array().first());
    }

    // dump -o writes beside its file and renames it over the old one only when
    // every unit gave its settings and every byte is written.
    void dumpWritesBesideItsFile_data() {
        QTest::addColumn<int>("fault"); // 1 silent unit, 2 the target is a folder, 3 the folder goes away,
                                        // 4 two ports
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("written");
        QTest::newRow("written") << 0 << 0 << true;
        QTest::newRow("a silent unit: the old file stays") << 1 << 3 << false;
        QTest::newRow("a folder: refused before anything is sent") << 2 << 2 << false;
        QTest::newRow("the folder goes away: status 5, nothing left behind") << 3 << 5 << false;
        QTest::newRow("two ports: refused, as one file holds one unit") << 4 << 2 << false;
    }
    void dumpWritesBesideItsFile() {
        QFETCH(int, fault);
        QFETCH(int, status);
        QFETCH(bool, written);
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("units"));
        const QString target = folder + (fault == 2 ? QString() : QStringLiteral("/unit.json"));
        QVERIFY(QDir().mkpath(folder));
        QFile old(folder + QStringLiteral("/unit.json"));
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
        old.close();
        TBench b;
        b.Setup = [fault](TTransmitter& sim, int) { sim.Faults.Silent = fault == 1; };
        b.OnWrite = [&](TTransmitter&, TMemoryTransport&) {
            if (fault == 3) QDir(folder).removeRecursively();
        };
        QStringList line{"--json", "-p", "COM1", "dump", "-o", target};
        if (fault == 4)
            line << "-p"
                 << "COM2";
        QCOMPARE(b.Go(line), status);
        QCOMPARE(b.Sims.empty(), fault == 2 || fault == 4);
        if (fault == 3) {
            QVERIFY(!QFileInfo::exists(folder));
            return;
        }
        QVERIFY(old.open(QIODevice::ReadOnly));
        const QByteArray text = old.readAll();
        QCOMPARE(text == "old", !written);
        QString error;
        if (written) QVERIFY2(ParseSettings(text, &error) && text.endsWith('\n'), text.constData());
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{"unit.json"});
        const QJsonObject json = QJsonDocument::fromJson(b.Out.value(0).toUtf8()).object();
        QCOMPARE(json.value("COM1")["status"].toInt(json["status"].toInt()), status);
    }

    // Nobody reads standard output: a watch ends at its header (which comes with
    // the first line's active ranges), with one error line.
    void failedOutputEndsWithStatus5() {
        TBench b;
        b.OutFails = true;
        QCOMPARE(b.Go(QStringLiteral("-p COM1 watch").split(QLatin1Char(' '))), 5);
        QCOMPARE(b.Err, QStringList{"mrt9dx-cli: cannot write to standard output: no space left on device"});
        QCOMPARE(b.Sims[0]->RequestsReceived, 4);
    }

    void watchWritesAHeaderAndALinePerInterval() {
        TBench b;
        const QStringList args =
            QStringLiteral("-p COM1 -p COM2 watch --interval 0.5 --count 3").split(QLatin1Char(' '));
        QCOMPARE(b.Go(args), 0);
        QCOMPARE(b.Out.size(), 7);
        QCOMPARE(b.Out[0], QStringLiteral("port,time,raw_uV,eng_C,ta_C,tcal_C,output_V"));
        QCOMPARE(b.Out.filter(QStringLiteral("COM2,")).size(), 3);
        QCOMPARE(b.Out[1].split(QLatin1Char(',')).size(), 7);
        // Ports of other ranges: the columns whose units differ keep their bare
        // names, and lines of a quicker port wait for the header.
        TBench mixed;
        mixed.Setup = [](TTransmitter& sim, int index) {
            if (index == 0) return;
            sim.PermInCode = sim.ActiveInCode = 12;
            sim.PermOutRange = 1;
            sim.ReplyDelayMs = 700;
        };
        QCOMPARE(mixed.Go(args), 0);
        QCOMPARE(mixed.Out.size(), 8);
        QCOMPARE(mixed.Out.mid(0, 2), QStringList({"COM1,time,raw_uV,eng_C,ta_C,tcal_C,output_V",
                                                   "COM2,time,raw_Ohm,eng_C,ta_C,tcal_C,output_mA"}));
        // A unit keeps its old ranges active until a power cycle: the columns
        // carry the active ranges' units, whose readings the lines hold.
        for (const char* form : {"", "--json", "--long"}) {
            TBench applied;
            applied.Setup = [](TTransmitter& sim, int) { sim.PermInCode = 12; }; // Pt100, active still K
            QCOMPARE(
                applied.Go(
                    QStringLiteral("-p COM1 watch --count 1 %1").arg(form).split(' ', Qt::SkipEmptyParts)),
                0);
            const QString first = applied.Out.value(0), all = applied.Out.join('\n');
            if (!*form) QCOMPARE(first, QStringLiteral("time,raw_uV,eng_C,ta_C,tcal_C,output_V"));
            if (form == QLatin1String("--json")) {
                const QJsonObject line = QJsonDocument::fromJson(first.toUtf8())["COM1"].toObject();
                QCOMPARE(line["raw_unit"], QJsonValue("\u00B5V"));
                QCOMPARE(line["eu_unit"], QJsonValue("\u00B0C"));
                QCOMPARE(line["output_unit"], QJsonValue("V"));
                QVERIFY(line["raw"].isDouble() && line["eu"].isDouble() && line["output"].isDouble());
            }
            if (form == QLatin1String("--long")) {
                QCOMPARE(applied.Out.size(), 6);
                QCOMPARE(first, QStringLiteral("port,time,quantity,value,unit"));
                QVERIFY2(QRegularExpression(QStringLiteral("^COM1,[^,]+,raw,-?[0-9.]+,\u00B5V$"))
                             .match(applied.Out[1])
                             .hasMatch(),
                         qPrintable(all));
            }
        }
        // ISO 8601 with the UTC offset.
        QVERIFY2(QRegularExpression(
                     QStringLiteral(R"(^COM\d,\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d,)"))
                     .match(b.Out[1])
                     .hasMatch(),
                 qPrintable(b.Out[1]));
        // A reading that is no number leaves its field empty, in CSV as in JSON.
        Msg::TInputReport in;
        in.Raw = NAN;
        in.Eng = INFINITY;
        in.Ta = -INFINITY;
        Msg::TOutputReport out;
        out.Range = 1;
        QCOMPARE(WatchLine(QStringLiteral("t"), in, out), QStringLiteral("t,,,,0.0,"));
        QCOMPARE(WatchHeader(in, out), QStringLiteral("time,raw_uV,eng_C,ta_C,tcal_C,output_mA"));
        QCOMPARE(
            WatchJson(QStringLiteral("t"), in, out),
            QStringLiteral("{\"eu\":null,\"eu_unit\":\"\u00B0C\",\"output\":null,\"output_unit\":\"mA\","
                           "\"raw\":null,\"raw_unit\":\"\u00B5V\",\"ta\":null,\"tcal\":0,\"time\":\"t\"}"));
        // The output's number has the places the window shows, in CSV as in JSON.
        out.ZeroCode = 0, out.FullCode = 3, out.DacCode = 1; // 20/3 mA
        QVERIFY(WatchLine(QStringLiteral("t"), in, out).endsWith(QStringLiteral(",6.667")));
        QVERIFY(WatchJson(QStringLiteral("t"), in, out).contains(QStringLiteral("\"output\":6.667,")));
        // Two programmed reads, then two requests a line.
        QCOMPARE(b.Sims[1]->RequestsReceived, 2 + 2 * 3);
    }
};

QTEST_GUILESS_MAIN(TstCli)
#include "tst_cli.moc"
