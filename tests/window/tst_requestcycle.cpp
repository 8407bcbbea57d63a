// The request cycle of a real window: status line timing on the manual clock,
// dispatch of response codes, a closed port, and bodies no transmitter sends.
#include "../../link/Codec.h"
#include "../../link/ComPort.h"
#include "../../link/Commands.h"
#include "../../link/DataPacket.h"
#include "../../widgets/StatusBar.h"
#include "WindowHarness.h"

#include <QPushButton>
#include <QTest>

namespace {
const QColor Black(0, 0, 0), Red(255, 0, 0), Green(0, 128, 0);

// A request that shows no busy message, as the DAC trim does.
void SendDac(TfrmMain& w) {
    PacketStart(cmdSetDac);
    PacketAddByte(0);
    PacketAddWord(100);
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
        QByteArray body("\x30", 1);
        body.append("V1.00");
        h.Transport.Feed(Frame::Encode(body));
        QCOMPARE(h.Status(), QStringLiteral("Success"));
        QCOMPARE(h.StatusColor(), Green);
        QCOMPARE(h.StatusTag(), int(skSuccess));
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
        QCOMPARE(h.StatusColor(), Red);
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

    void unansweredRequestAfterSuccessEndsInReady() {
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
        QCOMPARE(h.Status(), QStringLiteral("Ready"));
        h.Advance(5000);
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
            h.Window->QueryMode();
        } else if (before == 0) {
            h.Window->QueryMode();
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
        QTest::newRow("body over 129 bytes") << QByteArray(130, char(0x30)) << QStringLiteral("Unknown response received.");
        QTest::newRow("body of 100000 bytes") << QByteArray(100000, char(0x30)) << QStringLiteral("Unknown response received.");
    }
    void dispatchOfCodesWithoutHandler() {
        QFETCH(QByteArray, body);
        QFETCH(QString, status);
        TWindowHarness h;
        h.Sim.Faults.Silent = true;
        h.Window->sbMain->SetPanelText(1, QStringLiteral("kept"));
        h.Window->ReadVersion();
        QByteArray frame;
        frame.append(char(STX));
        frame.append(body);
        frame.append(char(ETX));
        h.Transport.Feed(frame);
        QCOMPARE(h.Status(), status);
        QCOMPARE(h.StatusColor(), status.startsWith(QLatin1String("Success")) ? Green : Red);
        QCOMPARE(h.Window->sbMain->PanelText(1), QStringLiteral("kept"));
        h.Advance(36 * 55 + 60);
        QCOMPARE(h.Status(), QStringLiteral("Ready"));
        QVERIFY(!h.Window->DataPacket->Enabled());
    }

    void versionAnswerComesFromTheSimulator() {
        TWindowHarness h;
        h.Settle();
        h.Window->ReadVersion();
        h.Settle();
        if (h.Window->sbMain->PanelText(1).isEmpty()) QSKIP("the simulated transmitter does not answer yet");
        QCOMPARE(h.Window->sbMain->PanelText(1), h.Sim.VersionText);
    }

    void closedPortSendsNothing() {
        TWindowHarness h(0); // the port dialog is cancelled
        QCOMPARE(h.Ui.Infos.size(), 1);
        QVERIFY(h.Transport.Written.isEmpty());
        const int beeps = h.Ui.Beeps;
        h.Window->ReadVersion();
        QCOMPARE(h.Status(), QStringLiteral("No COM port !"));
        QCOMPARE(h.StatusColor(), Red);
        h.Advance(10000);
        QCOMPARE(h.Status(), QStringLiteral("No COM port !"));
        QVERIFY(h.Transport.Written.isEmpty());
        QCOMPARE(h.Ui.Beeps, beeps);
        QCOMPARE(h.Window->sbMain->PanelText(0), QString());
    }

    void otherTimersLeaveTheStatusLine() {
        TWindowHarness h;
        h.Sim.Faults.Silent = true;
        h.Window->ShowStatus(QStringLiteral("busy"), skBusy);
        h.Window->ComPortTriggerTimer(uint16_t(h.Window->ReplyTrigger + 1000));
        QCOMPARE(h.Status(), QStringLiteral("busy"));
        h.Window->ComPortTriggerTimer(h.Window->ReplyTrigger);
        QCOMPARE(h.Status(), QStringLiteral("No response !"));
    }

    void reopeningTakesTwoPausesAndNamesThePort() {
        TWindowHarness h;
        QCOMPARE(h.Window->sbMain->PanelText(0), QStringLiteral("COM1,9600,N,8,1"));
        QVERIFY(h.Transport.Dtr && h.Transport.Rts);
        h.PausedMs = 0;
        h.Window->OpenComPort(12);
        QCOMPARE(h.PausedMs, 1000); // close, pause, open, pause
        QCOMPARE(h.Window->sbMain->PanelText(0), QStringLiteral("COM12,9600,N,8,1"));
        h.Window->CloseComPort();
        h.PausedMs = 0;
        h.Window->CloseComPort();
        QCOMPARE(h.PausedMs, 0);
    }

    void failedOpenKeepsPanelZeroAndShowsTheError() {
        TWindowHarness h;
        h.Transport.RefuseOpen = [](const QString&) { return QStringLiteral("Permission denied"); };
        h.Ui.PortAnswer = 5;
        h.Window->Guarded([&h] { h.Window->sbMainPanels0DblClick(); });
        QCOMPARE(h.Ui.GeneralErrors.size(), 1);
        QVERIFY(h.Ui.GeneralErrors[0].contains(QStringLiteral("Permission denied")));
        // The old port was closed before the new one failed: no port is open now,
        // and panel 0 keeps the last port that opened.
        QCOMPARE(h.Window->sbMain->PanelText(0), QStringLiteral("COM1,9600,N,8,1"));
        QCOMPARE(h.Status(), QStringLiteral("No COM port !"));
    }

    // The transmit buffer refuses the toolkit version that follows a programming:
    // the error box is modal, and the line chatters on while it is open.
    void anErrorBoxWhileTheLineChattersLeavesThePortListening() {
        TWindowHarness h;
        h.Settle();
        QTest::mouseClick(h.Window->btnGetPermInpRange, Qt::LeftButton);
        h.Settle();
        h.Ui.WhileGeneralErrorShown = [&h] {
            h.Transport.Feed(QByteArray(6000, 'x'));
            h.Advance(100);
        };
        QTest::mouseClick(h.Window->btnSetInputRange, Qt::LeftButton);
        h.Transport.Backlog = TComPort::OutSize;
        h.Settle();
        QCOMPARE(h.Ui.GeneralErrors, QStringList{QStringLiteral("The transmit buffer has no room for 4 bytes.")});
        h.Transport.Backlog = 0;
        h.Advance(3000);
        h.TakeWritten();
        QTest::mouseClick(h.Window->btnGetPermInpRange, Qt::LeftButton);
        QCOMPARE(ToHex(h.TakeWritten()), QStringLiteral("02 04 03"));
        h.Settle();
        QCOMPARE(h.Status(), QStringLiteral("Success"));
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
            QCOMPARE(h.StatusColor(), QColor(255, 0, 0));
            QCOMPARE(h.Window->sbMain->PanelText(0), QString());
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
