// The simulated transmitter: worked request frames change its state and get the
// layouts the tool reads; requests it cannot understand; misbehaviour; pacing.
#include "../../link/Codec.h"
#include "../../link/Commands.h"
#include "../../sim/Transmitter.h"
#include "../support/ManualClock.h"
#include "Bytes.h"

#include <QTest>

namespace {
struct TRig {
    TManualClock Clock;
    TTransmitter Sim{&Clock};
    // Sends a frame and returns the decoded body of the answer (empty: none).
    QByteArray Ask(const QByteArray& frame) {
        Sim.Receive(frame);
        QByteArray wire;
        for (int i = 0; i < 500 && (Sim.Busy() || wire.isEmpty()); ++i) {
            Clock.Advance(10);
            wire += Sim.Transmit();
            if (!Sim.Busy() && i > 10) break;
        }
        Wire = wire;
        const int stx = wire.indexOf(char(STX));
        const int etx = wire.indexOf(char(ETX), stx + 1);
        if (stx < 0 || etx < 0) return {};
        return Frame::Unescape(wire.mid(stx + 1, etx - stx - 1));
    }
    QByteArray Wire;
};
} // namespace

class TstSim : public QObject {
    Q_OBJECT
private slots:
    void programmedInputRangeBecomesActiveAfterPowerCycle() {
        TRig r;
        r.Sim.ActiveInCode = r.Sim.PermInCode = 0;
        const QByteArray answer = r.Ask(Hex("02 07 10 FC 00 00 48 C3 00 80 AB 44 03"));
        QCOMPARE(answer.size(), InputReportSize);
        Frame::Reader in{answer};
        QCOMPARE(int(answer[0]), int(cmdSetPermIn));
        QCOMPARE(int(in.Byte()), 1); // status
        QCOMPARE(int(in.Byte()), 3); // the programmed range code
        in.Pos = 16;
        QCOMPARE(in.Single(), -200.0f);
        QCOMPARE(in.Single(), 1372.0f);
        QCOMPARE(r.Sim.PermInCode, 3);
        QCOMPARE(r.Sim.ActiveInCode, 0);
        r.Sim.PowerCycle();
        QCOMPARE(r.Sim.ActiveInCode, 3);
        const QByteArray active = r.Ask(Hex("02 10 FC 10 FC 03")); // read active, code 3
        QCOMPARE(int(active[2]), 3);
        const float eng = Frame::Reader{active, 8}.Single();
        QVERIFY(eng >= -200.0f && eng <= 1372.0f);
    }

    void calibrationFlagsFollowTheRequests() {
        TRig r;
        r.Ask(Hex("02 01 10 EF 03")); // zero of code 16
        QCOMPARE(r.Sim.ZeroCalFlags, uint64_t(1) << 16);
        r.Ask(Hex("02 10 FD 10 FC 00 66 56 47 03")); // full of code 3 at 54886
        QCOMPARE(r.Sim.FullCalFlags, uint64_t(1) << 3);
        QCOMPARE(r.Sim.LastCalFullValue, 54886.0f);
        r.Sim.ZeroCalFlags |= uint64_t(1) << 38;
        const QByteArray report = r.Ask(Hex("02 04 03"));
        Frame::Reader in{report, 24};
        QCOMPARE(in.Long(), uint32_t(1) << 16);
        QCOMPARE(in.Long(), uint32_t(1) << 6);
        QCOMPARE(in.Long(), uint32_t(1) << 3);
        r.Ask(Hex("02 05 03"));
        QCOMPARE(r.Sim.ZeroCalFlags | r.Sim.FullCalFlags, uint64_t(0));
    }

    void outputRequests() {
        TRig r;
        QCOMPARE(ToHex(r.Ask(Hex("02 10 EF 00 10 FD 10 EF 03"))), QStringLiteral("10"));
        QCOMPARE(r.Sim.TrimCode, 4098);
        const QByteArray written =
            r.Ask(Hex("02 11 01 99 19 00 00 00 80 40 00 00 A0 41 00 00 FA 43 00 00 20 41 01 03"));
        QCOMPARE(written.size(), OutputReportSize);
        QCOMPARE(int(r.Sim.OutCodes[1].ZeroCode), 6553);
        QCOMPARE(r.Sim.OutMin[1], 4.0f);
        QCOMPARE(r.Sim.OutMax[1], 20.0f);
        QCOMPARE(r.Sim.AlarmLimit, 500.0f);
        QCOMPARE(int(r.Sim.AlarmFlags), 1);
        QCOMPARE(int(r.Sim.OutZeroCalFlags), 2);
        Frame::Reader out{written};
        QCOMPARE(int(out.Byte()), 1);
        QCOMPARE(int(out.Byte()), 1);
        out.Byte();
        QCOMPARE(int(out.Word()), 6553);
        r.Ask(Hex("02 17 01 00 00 00 80 40 00 00 A0 41 00 00 FA 43 00 00 20 41 01 03"));
        QCOMPARE(r.Sim.PermOutRange, 1);
        const QByteArray perm = r.Ask(Hex("02 14 03"));
        QCOMPARE(int(perm[2]), 1);
        QCOMPARE(ToHex(r.Ask(Hex("02 20 01 03"))), QStringLiteral("20 01"));
        QCOMPARE(ToHex(r.Ask(Hex("02 21 00 03"))), QStringLiteral("21 01"));
        QCOMPARE(ToHex(r.Ask(Hex("02 33 A1 03"))), QStringLiteral("33 01"));
        QCOMPARE(int(r.Sim.ToolkitVersion), MRT_TOOLKIT_VERSION);
        const QByteArray version = r.Ask(Hex("02 30 03"));
        QCOMPARE(version.size(), 1 + VersionTextSize);
        QVERIFY(version.mid(1).startsWith(r.Sim.VersionText.toLatin1()));
        QVERIFY(version.endsWith(' '));
    }

    // --refuse for every code: the unit changes nothing, and an answer with a
    // status byte carries 0; those without one answer as ever.
    void refusedRequestChangesNothing_data() {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QString>("answerStart");
        QTest::newRow("cmdSetMode to CAL") << Hex("02 20 01 03") << QStringLiteral("20 00");
        QTest::newRow("cmdSetDac") << Hex("02 10 EF 00 40 9C 03") << QStringLiteral("10");
        QTest::newRow("cmdSetTempOut") << Hex("02 16 01 03") << QStringLiteral("16 00");
        QTest::newRow("cmdWriteOutZero")
            << Hex("02 11 00 10 FD 10 EF 00 00 00 00 20 C1 00 00 20 41 00 00 FA 43 00 00 20 41 00 03")
            << QStringLiteral("11 00");
    }
    void refusedRequestChangesNothing() {
        QFETCH(QByteArray, frame);
        QFETCH(QString, answerStart);
        TRig r;
        r.Sim.Faults.RefuseCode = uint8_t(Frame::Unescape(frame.mid(1, 2))[0]);
        const auto state = [&r] {
            return QList<int>{r.Sim.Mode, r.Sim.TrimCode, r.Sim.ActiveOutRange, r.Sim.OutCodes[0].ZeroCode};
        };
        const QList<int> before = state();
        QVERIFY(ToHex(r.Ask(frame)).startsWith(answerStart));
        QCOMPARE(state(), before);
    }

    void requestsItCannotUnderstand_data() {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<int>("answerSize"); // 0: no answer
        QTest::newRow("unknown code") << Hex("02 08 03") << 0;
        QTest::newRow("range code above 39") << Hex("02 06 28 03") << InputReportSize;
        QTest::newRow("short cmdSetPermIn") << Hex("02 07 10 FC 00 03") << InputReportSize;
        QTest::newRow("output range above 1") << Hex("02 16 02 03") << OutputReportSize;
        QTest::newRow("short cmdSetDac") << Hex("02 10 EF 00 03") << 0;
        QTest::newRow("short cmdSetToolkitVer") << Hex("02 33 03") << 0;
    }
    void requestsItCannotUnderstand() {
        QFETCH(QByteArray, frame);
        QFETCH(int, answerSize);
        TRig r;
        const int active = r.Sim.ActiveInCode;
        const QByteArray answer = r.Ask(frame);
        QCOMPARE(int(answer.size()), answerSize);
        if (answerSize) QCOMPARE(int(answer[1]), 0); // status 0
        QCOMPARE(r.Sim.ActiveInCode, active);
    }

    void misbehaviour_data() {
        QTest::addColumn<int>("fault");
        QTest::addColumn<QString>("wire");
        QTest::newRow("silent") << 0 << QString();
        QTest::newRow("status zero") << 1 << QStringLiteral("02 33 00 03");
        QTest::newRow("truncated") << 2 << QStringLiteral("02 33 03");
        QTest::newRow("corrupt") << 3 << QStringLiteral("02 CC 01 03");
        QTest::newRow("noise") << 4 << QStringLiteral("41 02 33 01 03 42");
        QTest::newRow("twice") << 5 << QStringLiteral("02 33 01 03 02 33 01 03");
        QTest::newRow("unknown code") << 6 << QStringLiteral("02 08 01 03");
        QTest::newRow("no ETX") << 7 << QStringLiteral("02 33 01");
        QTest::newRow("this command refused") << 8 << QStringLiteral("02 33 00 03");
        QTest::newRow("another command refused") << 9 << QStringLiteral("02 33 01 03");
    }
    void misbehaviour() {
        QFETCH(int, fault);
        QFETCH(QString, wire);
        TRig r;
        TSimFaults& f = r.Sim.Faults;
        switch (fault) {
        case 0:
            f.Silent = true;
            break;
        case 1:
            f.StatusZero = true;
            break;
        case 2:
            f.TruncateTo = 1;
            break;
        case 3:
            f.CorruptIndex = 1;
            break;
        case 4:
            f.NoiseBefore = Hex("41");
            f.NoiseAfter = Hex("42");
            break;
        case 5:
            f.Twice = true;
            break;
        case 6:
            f.UnknownCode = 8;
            break;
        case 7:
            f.DropEtx = true;
            break;
        case 8:
            f.RefuseCode = 0x33;
            break;
        case 9:
            f.RefuseCode = 0x20;
            break;
        }
        f.Once = true;
        r.Ask(Hex("02 33 A1 03"));
        QCOMPARE(ToHex(r.Wire), wire);
        // Once: the next answer is sound again.
        QCOMPARE(ToHex(r.Ask(Hex("02 33 A1 03"))), QStringLiteral("33 01"));
    }

    void lateAnswer() {
        TRig r;
        r.Sim.Faults.ExtraDelayMs = 3000;
        r.Sim.Receive(Hex("02 21 00 03"));
        r.Clock.Advance(3000);
        QVERIFY(r.Sim.Transmit().isEmpty());
        r.Clock.Advance(100);
        QCOMPARE(ToHex(r.Sim.Transmit()), QStringLiteral("02 21 00 03"));
    }

    void pacedAnswerTakesItsWireTime() {
        TRig r;
        r.Clock.StepMs = 1;
        r.Sim.PaceBaud = 9600;
        r.Sim.Receive(Hex("02 04 03"));
        QByteArray wire;
        qint64 first = -1, last = -1;
        for (int i = 0; i < 1000; ++i) {
            r.Clock.Advance(1);
            const QByteArray bytes = r.Sim.Transmit();
            if (bytes.isEmpty()) continue;
            if (first < 0) first = r.Clock.NowMs();
            last = r.Clock.NowMs();
            wire += bytes;
        }
        QVERIFY(wire.size() >= InputReportSize + 2);
        const double expected = (wire.size() - 1) * 10 * 1000.0 / 9600; // first to last byte
        QVERIFY2(std::abs((last - first) - expected) <= expected * 0.05,
                 qPrintable(QStringLiteral("%1 ms for %2 bytes").arg(last - first).arg(wire.size())));
    }

    void strayBytesAndStxInsideAFrame() {
        TRig r;
        // Noise before the frame is ignored; a request split in pieces still counts.
        r.Sim.Receive(Hex("FF 41"));
        r.Sim.Receive(Hex("02 30"));
        QCOMPARE(int(r.Ask(Hex("03")).size()), 1 + VersionTextSize);
        QCOMPARE(r.Sim.RequestsReceived, 1);
    }
};

QTEST_GUILESS_MAIN(TstSim)
#include "tst_sim.moc"
