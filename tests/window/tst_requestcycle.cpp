// The request cycle of a real window: status line timing on the manual clock,
// dispatch of response codes, a closed port, and bodies no transmitter sends;
// and one table of line faults, each giving its verdict to the window and to the
// companion alike, since both run the same cycle.
#include "../../app/WindowShell.h"
#include "../../cli/UnitRun.h"
#include "../../link/Codec.h"
#include "../../link/ComPort.h"
#include "../../link/Commands.h"
#include "../../link/DataPacket.h"
#include "../../link/Messages.h"
#include "../../panels/general/CalLists.h"
#include "../../panels/general/GeneralPanel.h"
#include "../../panels/input/InputPanel.h"
#include "../../panels/output/OutputPanel.h"
#include "../../widgets/Controls.h"
#include "../../widgets/StatusBar.h"
#include "../../widgets/ToggleSwitch.h"
#include "WindowHarness.h"

#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

namespace {
const QColor Black(0, 0, 0), Red(255, 0, 0), Green(0, 128, 0);

// A request that shows no busy message, as the DAC trim does.
void SendDac(TfrmMain& w) {
    PacketPut(Msg::SetDac(0, 100));
    w.PacketSend();
}
} // namespace

class TstRequestCycle : public QObject {
    Q_OBJECT
private slots:
    void successThenReady() {
        TWindowHarness h;
        h.Settle(); // the start-up mode query is answered first
        h.Sim.Faults.Silent = true;
        h.TakeWritten();
        h.Window->ReadVersion();
        QCOMPARE(ToHex(h.TakeWritten()), ToHex(Hex("02 30 03")));
        QCOMPARE(h.Status(), QStringLiteral("Reading product version..."));
        QCOMPARE(h.StatusColor(), Black);
        h.Advance(100);
        h.Transport.Feed(Frame::Encode(Msg::EncodeVersion(QStringLiteral("V1.00"))));
        QCOMPARE(h.Status(), QStringLiteral("Success"));
        QCOMPARE(h.StatusColor(), StatusGreen);
        QCOMPARE(h.StatusKind(), int(skSuccess));
        h.Advance(380);
        QCOMPARE(h.Status(), QStringLiteral("Success"));
        h.Advance(110);
        QCOMPARE(h.Status(), QStringLiteral("Ready"));
        QCOMPARE(h.StatusColor(), Black);
        QCOMPARE(h.Ui.Beeps, 0);
    }

    void silenceShowsNoResponseThenReady() {
        TWindowHarness h;
        h.Sim.Faults.Silent = true;
        h.Advance(5000); // let the start-up mode query run out
        const int beeps = h.Ui.Beeps;
        h.Window->ReadVersion();
        h.Advance(73 * 55 - 60);
        QCOMPARE(h.Status(), QStringLiteral("Reading product version..."));
        h.Advance(120);
        QCOMPARE(h.Status(), QStringLiteral("No response !"));
        QCOMPARE(h.StatusColor(), StatusRed);
        QCOMPARE(h.Ui.Beeps, beeps + 1);
        h.Advance(36 * 55 - 60);
        QCOMPARE(h.Status(), QStringLiteral("No response !"));
        h.Advance(120);
        QCOMPARE(h.Status(), QStringLiteral("Ready"));
        QCOMPARE(h.StatusColor(), Black);
        h.Advance(10000);
        QCOMPARE(h.Status(), QStringLiteral("Ready"));
        QCOMPARE(h.Ui.Beeps, beeps + 1);
    }

    // Also a request sent without a busy message, while "Success." still shows.
    void everyUnansweredRequestEndsInNoResponse() {
        TWindowHarness h;
        h.Sim.Faults.Silent = true;
        h.Advance(5000);
        SendDac(*h.Window);
        h.Advance(50);
        h.Transport.Feed(Frame::Encode(QByteArray(1, char(cmdSetDac))));
        QCOMPARE(h.Status(), QStringLiteral("Success."));
        // A second trim while "Success." still shows, never answered.
        h.Advance(100);
        SendDac(*h.Window);
        h.Advance(73 * 55 + 60);
        QCOMPARE(h.Status(), QStringLiteral("No response !"));
        h.Advance(36 * 55 + 60);
        QCOMPARE(h.Status(), QStringLiteral("Ready"));
    }

    // The mode answer shows no message; one that comes late, while "No response !"
    // or "Success" shows, or in place of a read's answer, must not leave a message
    // on the line for good.
    void lateModeAnswerStillEndsInReady_data() {
        QTest::addColumn<int>("before");
        QTest::addColumn<QString>("status");
        QTest::addColumn<int>("ticks");
        QTest::newRow("after No response") << 0 << "No response !" << 36;
        QTest::newRow("after Success") << 1 << "Success." << 36;
        QTest::newRow("in place of a read's answer") << 2 << "Reading product version..." << 73 + 36;
    }
    void lateModeAnswerStillEndsInReady() {
        QFETCH(int, before);
        QFETCH(QString, status);
        QFETCH(int, ticks);
        TWindowHarness h;
        h.Sim.Faults.Silent = true;
        h.Advance(5000);
        if (before == 1) {
            SendDac(*h.Window);
            h.Transport.Feed(Frame::Encode(QByteArray(1, char(cmdSetDac))));
            QCOMPARE(h.Status(), QStringLiteral("Success."));
            h.Window->General->QueryMode();
        } else if (before == 0) {
            h.Window->General->QueryMode();
            h.Advance(73 * 55 + 60);
            QCOMPARE(h.Status(), QStringLiteral("No response !"));
        } else {
            h.Window->ReadVersion();
        }
        h.Transport.Feed(Frame::Encode(Hex("21 01")));
        QCOMPARE(h.Status(), status);
        h.Advance(ticks * 55 + 120);
        QCOMPARE(h.Status(), QStringLiteral("Ready"));
        QVERIFY(!h.Window->ComPort->TimerActive(h.Window->ReplyTrigger));
    }

    void dispatchOfCodesWithoutHandler_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("status");
        QTest::newRow("code 16 reads nothing more") << Hex("10 EF FF FF") << QStringLiteral("Success.");
        QTest::newRow("code 0") << Hex("00") << QStringLiteral("Unknown response received.");
        QTest::newRow("code 8") << Hex("08 01") << QStringLiteral("Unknown response received.");
        QTest::newRow("code 52") << Hex("34") << QStringLiteral("Unknown response received.");
        QTest::newRow("code 255") << Hex("FF") << QStringLiteral("Unknown response received.");
        QTest::newRow("empty body") << QByteArray() << QStringLiteral("Unknown response received.");
        QTest::newRow("body over 129 bytes")
            << QByteArray(130, char(0x30)) << QStringLiteral("Unknown response received.");
        QTest::newRow("body of 100000 bytes")
            << QByteArray(100000, char(0x30)) << QStringLiteral("Unknown response received.");
    }
    void dispatchOfCodesWithoutHandler() {
        QFETCH(QByteArray, body);
        QFETCH(QString, status);
        TWindowHarness h;
        h.Sim.Faults.Silent = true;
        h.Window->Shell->sbMain->SetPanelText(1, QStringLiteral("kept"));
        // A request of the frame's code (an empty body is code 0): only its own
        // answer ends a request.
        PacketStart(body.isEmpty() ? 0 : uint8_t(body[0]));
        h.Window->PacketSend();
        QByteArray frame;
        frame.append(char(STX));
        frame.append(body);
        frame.append(char(ETX));
        h.Transport.Feed(frame);
        QCOMPARE(h.Status(), status);
        QCOMPARE(h.StatusColor(), status.startsWith(QLatin1String("Success")) ? StatusGreen : StatusRed);
        QCOMPARE(h.Window->Shell->sbMain->PanelText(1), QStringLiteral("kept"));
        h.Advance(36 * 55 + 60);
        QCOMPARE(h.Status(), QStringLiteral("Ready"));
        QVERIFY(!h.Window->DataPacket->Enabled());
    }

    void versionAnswerComesFromTheSimulator() {
        TWindowHarness h;
        h.Settle();
        h.Window->ReadVersion();
        h.Settle();
        QCOMPARE(h.Window->Shell->sbMain->PanelText(1), h.Sim.VersionText);
    }

    void closedPortSendsNothing() {
        TWindowHarness h(0); // the port dialog is cancelled
        QCOMPARE(h.Ui.Infos.size(), 1);
        QVERIFY(h.Transport.Written.isEmpty());
        const int beeps = h.Ui.Beeps;
        h.Window->ReadVersion();
        QCOMPARE(h.Status(), QStringLiteral("No COM port !"));
        QCOMPARE(h.StatusColor(), StatusRed);
        h.Advance(10000);
        QCOMPARE(h.Status(), QStringLiteral("No COM port !"));
        QVERIFY(h.Transport.Written.isEmpty());
        QCOMPARE(h.Ui.Beeps, beeps);
        QCOMPARE(h.Window->Shell->sbMain->PanelText(0), QString());
    }

    void otherTimersLeaveTheStatusLine() {
        TWindowHarness h;
        h.Sim.Faults.Silent = true;
        h.Window->ShowStatus(QStringLiteral("done"), skSuccess);
        h.Window->ComPortTriggerTimer(uint16_t(h.Window->ReplyTrigger + 1000));
        QCOMPARE(h.Status(), QStringLiteral("done"));
        h.Window->ComPortTriggerTimer(h.Window->ReplyTrigger);
        QCOMPARE(h.Status(), QStringLiteral("Ready"));
    }

    void reopeningTakesTwoPausesAndNamesThePort() {
        TWindowHarness h;
        QCOMPARE(h.Window->Shell->sbMain->PanelText(0), QStringLiteral("COM1,9600,N,8,1"));
        QVERIFY(h.Transport.Dtr && h.Transport.Rts);
        h.PausedMs = 0;
        const int timers = h.Window->ComPort->TimerCount();
        h.Window->OpenComPort(12);
        QCOMPARE(h.PausedMs, 1000); // close, pause, open, pause
        QCOMPARE(h.Window->Shell->sbMain->PanelText(0), QStringLiteral("COM12,9600,N,8,1"));
        h.Window->OpenComPort(12);
        QCOMPARE(h.Window->ComPort->TimerCount(), timers); // no timer more for each opening
        h.Window->CloseComPort();
        h.PausedMs = 0;
        h.Window->CloseComPort();
        QCOMPARE(h.PausedMs, 0);
    }

    void failedOpenEmptiesPanelZeroAndShowsTheError() {
        TWindowHarness h;
        h.Transport.RefuseOpen = [](const QString&) { return QStringLiteral("Permission denied"); };
        h.Ui.PortAnswer = 5;
        h.Window->Guarded([&h] { h.Window->sbMainPanels0DblClick(); });
        QCOMPARE(h.Ui.GeneralErrors.size(), 1);
        QVERIFY(h.Ui.GeneralErrors[0].contains(QStringLiteral("Permission denied")));
        // The old port was closed before the new one failed: no port is open now,
        // and panel 0 names none.
        QCOMPARE(h.Window->Shell->sbMain->PanelText(0), QString());
        QCOMPARE(h.Status(), QStringLiteral("No COM port !"));
    }

    // The transmit buffer refuses the toolkit version that follows a programming:
    // the error box is modal, and the line chatters on while it is open.
    void anErrorBoxWhileTheLineChattersLeavesThePortListening() {
        TWindowHarness h;
        h.Settle();
        QTest::mouseClick(h.Window->In->btnGetPermInpRange, Qt::LeftButton);
        h.Settle();
        h.Ui.WhileGeneralErrorShown = [&h] {
            h.Transport.Feed(QByteArray(6000, 'x'));
            h.Advance(100);
        };
        // The buffer fills once the programming has its answer: its own bytes
        // had left, or it could have none.
        h.Window->Cycle->OnVerdict = [&h](const TReply& reply) {
            if (reply.Code == cmdSetPermIn) h.Transport.Backlog = TComPort::OutSize;
        };
        QTest::mouseClick(h.Window->In->btnSetInputRange, Qt::LeftButton);
        h.Settle();
        h.Window->Cycle->OnVerdict = nullptr;
        QCOMPARE(h.Ui.GeneralErrors.size(), 1);
        QVERIFY2(h.Ui.GeneralErrors[0].endsWith(
                     QLatin1String(" is not taking data: check the cable or the adapter.")),
                 qPrintable(h.Ui.GeneralErrors[0]));
        h.Transport.Backlog = 0;
        h.Advance(3000);
        h.TakeWritten();
        QTest::mouseClick(h.Window->In->btnGetPermInpRange, Qt::LeftButton);
        QCOMPARE(ToHex(h.TakeWritten()), QStringLiteral("02 04 03"));
        h.Settle();
        QCOMPARE(h.Status(), QStringLiteral("Success"));
    }

    // A read of the programmed input range (the window's R, the companion's dump)
    // against each fault of the line: the window's status line in order, and the
    // companion's exit status and error line.
    void aFaultGivesOneVerdictToBothUsers_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("window");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("error");
        const QString busy = "Reading permanent input range...|";
        const QString noAnswer = busy + "No response !|Ready";
        const QString refused = busy + "Error occured while performing the operation !|Ready";
        QTest::newRow("healthy") << "" << busy + "Success|Ready" << 0 << "";
        QTest::newRow("silent") << "silent" << noAnswer << 3 << "no answer within 4 s to cmdReadPermIn";
        QTest::newRow("refuse 4") << "refuse" << refused << 1
                                  << "the transmitter refused cmdReadPermIn (status 0)";
        QTest::newRow("status zero") << "status-zero" << refused << 1
                                     << "the transmitter refused cmdReadPermIn (status 0)";
        const QString broken = busy + "Unknown response received.|Ready";
        QTest::newRow("truncate 30") << "truncate" << broken << 3 << "of its 49 bytes";
        QTest::newRow("twice") << "twice" << busy + "Success|Ready" << 0 << "";
        QTest::newRow("noise before and after") << "noise" << busy + "Success|Ready" << 0 << "";
        QTest::newRow("drop ETX") << "drop-etx" << noAnswer << 3 << "no answer within 4 s to cmdReadPermIn";
        QTest::newRow("corrupt STX") << "corrupt" << noAnswer << 3 << "no answer within 4 s to cmdReadPermIn";
        QTest::newRow("unknown code 8")
            << "unknown" << noAnswer << 3 << "no answer within 4 s to cmdReadPermIn";
        QTest::newRow("stray code-20 frame behind the answer")
            << "stray" << busy + "Success|Ready" << 0 << "";
        QTest::newRow("range code 45")
            << "range45" << broken << 3 << "broken answer to cmdReadPermIn: input range code 45";
        QTest::newRow("hang-up") << "hang-up" << busy + "No COM port !" << 3 << "the line went away";
        QTest::newRow("full transmit buffer") << "full" << busy + "Not sent !|Ready" << 3
                                              << "is not taking data: check the cable or the adapter";
        // The line stops taking data with the request queued: it never leaves,
        // and when the line drains nothing of it reaches the unit.
        QTest::newRow("stalled line") << "stalled" << busy + "Not sent !|Ready" << 3
                                      << "is not taking data: check the cable or the adapter";
        // Each answer 4.3 s after its request: the companion's repeated read meets
        // the first one's late answer, which is not its own.
        QTest::newRow("answer at 4.3 s")
            << "late" << noAnswer << 3 << "no answer within 4 s to cmdReadPermIn";
    }
    void aFaultGivesOneVerdictToBothUsers() {
        QFETCH(QString, fault);
        QFETCH(QString, window);
        QFETCH(int, status);
        QFETCH(QString, error);
        const auto spoil = [&fault](TTransmitter& sim) {
            TSimFaults& f = sim.Faults;
            f.Silent = fault == "silent";
            f.RefuseCode = fault == "refuse" ? cmdReadPermIn : -1;
            f.StatusZero = fault == "status-zero";
            f.TruncateTo = fault == "truncate" ? 30 : -1;
            f.Twice = fault == "twice";
            f.NoiseBefore = fault == "noise" ? Hex("41 03 10") : QByteArray();
            f.NoiseAfter = fault == "noise" ? Hex("02 42") : QByteArray();
            f.DropEtx = fault == "drop-etx";
            f.CorruptIndex = fault == "corrupt" ? 0 : -1;
            f.UnknownCode = fault == "unknown" ? 8 : -1;
            // A report of the output range's code, all zeros, right behind the answer.
            f.NoiseAfter += fault == "stray" ? Frame::Encode(Hex("14 01")) : QByteArray();
            if (fault == "range45") sim.PermInCode = 45;
            f.Once = fault == "stray";
            f.ExtraDelayMs = fault == "late" ? 4300 - sim.ReplyDelayMs : 0;
        };
        const auto spoilLine = [&fault](TMemoryTransport& line) {
            if (fault == "full") line.Backlog = TComPort::OutSize;
            if (fault == "hang-up") line.InjectFailure(QStringLiteral("the line went away"));
            line.Stalled = fault == "stalled";
        };
        {
            TWindowHarness h;
            h.Settle();
            spoil(h.Sim);
            QStringList seen;
            connect(h.Window->Shell->sbMain, &TStatusBar::PanelTextSet, h.Window.get(),
                    [&seen](int panel, const QString& text) {
                        if (panel == 2 && (seen.isEmpty() || seen.back() != text)) seen << text;
                    });
            if (fault == "full" || fault == "stalled") spoilLine(h.Transport);
            const int received = h.Sim.RequestsReceived;
            QTest::mouseClick(h.Window->In->btnGetPermInpRange, Qt::LeftButton);
            if (fault == "hang-up") spoilLine(h.Transport);
            h.Advance(8000);
            h.Transport.Drain();
            h.Advance(100);
            qInfo("window: %s", qPrintable(seen.join(QStringLiteral(" → "))));
            QCOMPARE(seen.join(QLatin1Char('|')), window);
            const bool box = fault == "full" || fault == "hang-up" || fault == "stalled";
            QCOMPARE(h.Ui.GeneralErrors.size(), box ? 1 : 0);
            if (box && fault != "hang-up")
                QVERIFY2(h.Ui.GeneralErrors[0].contains(error), qPrintable(h.Ui.GeneralErrors[0]));
            // Nothing reached the unit after the request's verdict.
            if (window.contains(QLatin1String("Not sent !"))) QCOMPARE(h.Sim.RequestsReceived, received);
        }
        TManualClock clock;
        TTransmitter sim(&clock);
        TMemoryTransport line(&clock);
        line.OnHostWrite = [&sim](const QByteArray& bytes) { sim.Receive(bytes); };
        line.PollPeer = [&sim] { return sim.Transmit(); };
        spoil(sim);
        if (fault == "full") spoilLine(line);
        TCliJob job;
        job.Command = TCliJob::TCommand::Dump;
        TUnitRun run(QStringLiteral("COM1"), job, &line, &clock);
        run.Start();
        for (int ms = 0; ms < 20000 && !run.Done(); ms += 10) {
            if (fault == "hang-up" && sim.RequestsReceived > 0 && line.IsOpen()) spoilLine(line);
            if (fault == "stalled" && line.IsOpen()) spoilLine(line);
            clock.Advance(10);
        }
        line.Drain();
        if (fault == "stalled") QCOMPARE(sim.RequestsReceived, 0);
        qInfo("companion: status %d: %s", run.Status(), qPrintable(run.Error));
        QVERIFY(run.Done());
        QVERIFY(line.Dtr && line.Rts);
        QCOMPARE(run.Status(), status);
        QVERIFY2(run.Error.contains(error), qPrintable(run.Error));
        if (status == 0) QVERIFY(run.Result.contains(QLatin1String("\"alarm_limit\": 500.0")));
    }

    // Two requests out at once against a slow transmitter: each ends with its own
    // answer, and the refusal of the second is not covered by the first's success.
    void twoRequestsOutEachGetTheirOwnVerdict_data() {
        QTest::addColumn<QByteArray>("first");
        QTest::addColumn<QByteArray>("second");
        QTest::addColumn<QString>("seen");
        const QString error = "Error occured while performing the operation !";
        QTest::newRow("DAC step, then its write refused")
            << Msg::SetDac(1, 100) << Msg::WriteOutZero(100, Msg::TOutSettings{1, false, 4, 20, 500, 10, 1})
            << "busy|Success.|" + error + "|Ready";
        QTest::newRow("read, then a programming refused")
            << Msg::ReadPermOut() << Msg::SetPermOut(Msg::TOutSettings{1, false, 4, 20, 500, 10, 1})
            << "busy|Success.|" + error + "|Ready";
    }
    void twoRequestsOutEachGetTheirOwnVerdict() {
        QFETCH(QByteArray, first);
        QFETCH(QByteArray, second);
        QFETCH(QString, seen);
        TWindowHarness h;
        h.Settle();
        h.Sim.Faults.ExtraDelayMs = 800;
        h.Sim.Faults.RefuseCode = uint8_t(second[0]);
        QStringList lines;
        connect(h.Window->Shell->sbMain, &TStatusBar::PanelTextSet, h.Window.get(),
                [&lines](int panel, const QString& text) {
                    if (panel == 2 && (lines.isEmpty() || lines.back() != text)) lines << text;
                });
        PacketPut(first);
        h.Window->PacketSend();
        h.Advance(100);
        PacketPut(second);
        h.Window->ShowStatus(QStringLiteral("busy"), skBusy);
        h.Window->PacketSend();
        h.Advance(8000);
        QCOMPARE(lines.join(QLatin1Char('|')), seen);
    }

    // The transmitter answers 4.3 s after each request, and the person presses
    // again once "No response !" shows; the second is refused. The first's late
    // answer is shown as unasked, but it ends neither request: the second ends
    // unanswered too, its late refusal is not taken for anything newer, and a
    // late programming's answer sends no toolkit version.
    void aLateAnswerNeverEndsANewerRequest_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("busy");
        QTest::newRow("input R") << "btnGetPermInpRange"
                                 << "Reading permanent input range...|";
        QTest::newRow("input S") << "btnSetInputRange"
                                 << "Setting range permanently...|";
        QTest::newRow("output R") << "btnGetOutRange"
                                  << "Reading programmed output range data...|";
        QTest::newRow("output S, no busy message") << "btnSetOutRange"
                                                   << "";
    }
    void aLateAnswerNeverEndsANewerRequest() {
        QFETCH(QString, button);
        QFETCH(QString, busy);
        TWindowHarness h;
        h.Settle();
        for (QPushButton* read : {h.Window->In->btnGetPermInpRange, h.Window->Out->btnGetOutRange}) {
            QTest::mouseClick(read, Qt::LeftButton);
            h.Settle();
        }
        h.Advance(1000);
        h.Sim.Faults.ExtraDelayMs = 4300 - h.Sim.ReplyDelayMs;
        h.Sim.EuMaxByCode[h.Sim.PermInCode] = 777;
        QStringList lines;
        connect(h.Window->Shell->sbMain, &TStatusBar::PanelTextSet, h.Window.get(),
                [&lines](int panel, const QString& text) {
                    if (panel == 2 && (lines.isEmpty() || lines.back() != text)) lines << text;
                });
        auto* press = h.Find<QPushButton>(qPrintable(button));
        h.TakeWritten();
        QTest::mouseClick(press, Qt::LeftButton);
        const QByteArray request = h.TakeWritten();
        h.Advance(4150);
        QCOMPARE(h.Status(), QStringLiteral("No response !"));
        h.Sim.Faults.RefuseCode = uint8_t(request[1]);
        QTest::mouseClick(press, Qt::LeftButton);
        QCOMPARE(ToHex(h.TakeWritten()), ToHex(request));
        h.Advance(300); // the first answer arrives, late
        if (button == QLatin1String("btnGetPermInpRange"))
            QCOMPARE(h.Window->In->pnlEuMaxP->text(), QStringLiteral("777.0 \u00B0C"));
        h.Advance(10000);
        // Without a busy message the first "No response !" runs its course.
        const QString again = busy.isEmpty() ? QStringLiteral("Ready|") : busy;
        QCOMPARE(lines.join(QLatin1Char('|')), busy + "No response !|" + again + "No response !|Ready");
        QCOMPARE(ToHex(h.TakeWritten()), QString());
    }

    // A refusal stays on the line until "Ready", whatever another request's
    // verdict says meanwhile; a new busy message replaces it.
    void aRefusalIsHeldUntilReady_data() {
        QTest::addColumn<int>("second"); // 0 unanswered, 1 broken, 2 a new busy message
        QTest::addColumn<QString>("seen");
        const QString refused = "busy|Error occured while performing the operation !|";
        QTest::newRow("another request unanswered") << 0 << refused + "Ready";
        QTest::newRow("another request's broken answer") << 1 << refused + "Ready";
        QTest::newRow("a new request's busy message")
            << 2 << refused + "Reading product version...|No response !|Ready|No response !|Ready";
    }
    void aRefusalIsHeldUntilReady() {
        QFETCH(int, second);
        QFETCH(QString, seen);
        TWindowHarness h;
        h.Settle();
        h.Sim.Faults.Silent = true;
        QStringList lines;
        connect(h.Window->Shell->sbMain, &TStatusBar::PanelTextSet, h.Window.get(),
                [&lines](int panel, const QString& text) {
                    if (panel == 2 && (lines.isEmpty() || lines.back() != text)) lines << text;
                });
        SendDac(*h.Window); // no busy message, never answered
        h.Advance(3000);
        PacketPut(Msg::ReadPermOut());
        h.Window->ShowStatus(QStringLiteral("busy"), skBusy);
        h.Window->PacketSend();
        h.Transport.Feed(Frame::Encode(Hex("14 00")));
        if (second == 1) {
            PacketPut(Msg::ReadVersion());
            h.Window->PacketSend();
            h.Transport.Feed(Frame::Encode(Hex("30")));
        }
        if (second == 2) h.Window->ReadVersion();
        h.Advance(1500); // the DAC step runs out while the refusal shows
        h.Advance(10000);
        QCOMPARE(lines.join(QLatin1Char('|')), seen);
    }

    // The companion's read of a unit says what the window shows of it.
    void theCompanionReadsWhatTheWindowShows() {
        TWindowHarness h;
        h.Sim.ZeroCalFlags = 0b111ull << 11;
        h.Sim.FullCalFlags = 0b011ull << 11;
        h.Sim.TrimCode = 46000;
        h.Sim.AlarmActive = true;
        h.Settle();
        QTest::mouseClick(h.Window->In->btnGetPermInpRange, Qt::LeftButton);
        h.Settle();
        QTest::mouseClick(h.Window->Out->btnGetOutRange, Qt::LeftButton);
        h.Settle();
        // The same transmitter, now on the companion's line.
        h.Transport.PollPeer = nullptr;
        TMemoryTransport line(&h.Clock);
        line.OnHostWrite = [&h](const QByteArray& bytes) { h.Sim.Receive(bytes); };
        line.PollPeer = [&h] { return h.Sim.Transmit(); };
        TCliJob job;
        job.Command = TCliJob::TCommand::Read;
        TUnitRun run(QStringLiteral("COM1"), job, &line, &h.Clock);
        run.Start();
        for (int ms = 0; ms < 20000 && !run.Done(); ms += 10)
            h.Clock.Advance(10);
        QCOMPARE(run.Status(), 0);
        const QStringList read = run.Result.split(QLatin1Char('\n'));
        TfrmMain& w = *h.Window;
        const QList<QPair<QString, QString>> pairs = {
            {"Input range (programmed): ", w.In->pnlInpRange->text()},
            {"Eumin: ", w.In->pnlEuMinP->text()},
            {"Eumax: ", w.In->pnlEuMaxP->text()},
            {"Output range (programmed): ", w.Out->pnlPermOutRange->text()},
            {"Outmin: ", w.Out->pnlPermOutMin->text()},
            {"Output: ", w.Out->pnlPermOut->text()},
            {"Alarm status: ", w.Out->pnlAlmStatus->text()},
            {"Alarm rback: ", w.Out->pnlAlarmRback->text()},
            {"Mode: ", w.General->calSwitch->On() ? QStringLiteral("CAL") : QStringLiteral("RUN")}};
        for (const auto& [key, shown] : pairs)
            QVERIFY2(read.contains(key + shown), qPrintable(key + shown));
        for (QTreeWidget* list : {w.CalLists->lvInpCalStat, w.CalLists->lvOutCalStat})
            for (int row = 0; row < list->topLevelItemCount(); ++row) {
                const QTreeWidgetItem* item = list->topLevelItem(row);
                const QString line = QStringLiteral("  %1 %2 %3")
                                         .arg(item->text(0), -14)
                                         .arg(item->text(1), -4)
                                         .arg(item->text(2));
                QVERIFY2(read.contains(line), qPrintable(line));
            }
    }

    void pulledAdapterIsReportedOnceThenNoPort() {
        TWindowHarness h;
        h.Sim.Faults.Silent = true;
        h.Window->ReadVersion();
        h.Transport.InjectFailure(QStringLiteral("Resource error"));
        h.Transport.InjectFailure(QStringLiteral("Resource error"));
        h.Advance(0);
        QCOMPARE(h.Ui.GeneralErrors.size(), 1);
        QVERIFY(h.Ui.GeneralErrors[0].contains(QStringLiteral("Resource error")));
        QVERIFY(h.Ui.GeneralErrors[0].endsWith(QLatin1Char('.')));
        // The busy message of the request that can never finish is gone for good,
        // and the status bar reads as with no port ever opened.
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(h.Status(), QStringLiteral("No COM port !"));
            QCOMPARE(h.StatusColor(), StatusRed);
            QCOMPARE(h.Window->Shell->sbMain->PanelText(0), QString());
            h.Advance(10000);
        }
        QCOMPARE(h.Ui.GeneralErrors.size(), 1);
        h.Window->ReadVersion();
        QCOMPARE(h.Status(), QStringLiteral("No COM port !"));
        // A port opened again from panel 0 works as before.
        h.Transport.Written.clear();
        h.TakeWritten();
        h.Ui.PortAnswer = 2;
        h.Window->sbMainPanels0DblClick();
        QCOMPARE(h.Status(), QStringLiteral("COM port opened."));
        h.Window->ReadVersion();
        QCOMPARE(ToHex(h.TakeWritten()), ToHex(Hex("02 30 03")));
    }
};

QTEST_MAIN(TstRequestCycle)
#include "tst_requestcycle.moc"
