// The serial port's tick timers, the packet collector and the activity lights,
// on the manual clock over the in-memory transport.
#include "../../base/MrtError.h"
#include "../../link/ComPort.h"
#include "../../link/DataPacket.h"
#include "../../link/LightControl.h"
#include "../support/ManualClock.h"
#include "../support/MemoryTransport.h"
#include "Bytes.h"

#include <QTest>
#include <vector>

namespace {
struct TRig {
    TManualClock Clock;
    TMemoryTransport Transport{&Clock};
    TComPort Port{&Transport, &Clock};
    TDataPacket Collector{&Port};
    std::vector<QByteArray> Bodies;
    TRig() {
        Port.Open();
        Collector.OnPacket = [this](const uint8_t* data, int size) {
            Bodies.emplace_back(reinterpret_cast<const char*>(data), std::min(size, TDataPacket::MaxStored));
        };
    }
};
} // namespace

class TstSerial : public QObject {
    Q_OBJECT
private slots:
    void timerFiresOnceAfterItsTicks() {
        TManualClock clock;
        clock.StepMs = 5;
        TMemoryTransport transport(&clock);
        TComPort port(&transport, &clock);
        const uint16_t handle = port.AddTimer();
        QVERIFY(handle != 0);
        qint64 firedAt = -1;
        int fired = 0;
        connect(&port, &TComPort::TriggerTimer, this, [&](uint16_t h) {
            if (h != handle) return;
            ++fired;
            firedAt = clock.NowMs();
        });
        const qint64 armed = clock.NowMs();
        port.SetTimer(handle, 7, true);
        clock.Advance(2000);
        QCOMPARE(fired, 1);
        QVERIFY2(firedAt - armed >= 385 && firedAt - armed <= 490,
                 qPrintable(QString::number(firedAt - armed)));
    }

    void disarmIgnoresTicksAndRearmRestarts() {
        TManualClock clock;
        TMemoryTransport transport(&clock);
        TComPort port(&transport, &clock);
        const uint16_t handle = port.AddTimer();
        int fired = 0;
        connect(&port, &TComPort::TriggerTimer, this, [&](uint16_t) { ++fired; });
        port.SetTimer(handle, 5, false);
        clock.Advance(1000);
        QCOMPARE(fired, 0);
        QVERIFY(!port.TimerActive(handle));
        port.SetTimer(handle, 36, true);
        clock.Advance(36 * 55 - 60);
        QCOMPARE(fired, 0);
        // Arming a running timer starts it again from now.
        port.SetTimer(handle, 36, true);
        clock.Advance(36 * 55 - 60);
        QCOMPARE(fired, 0);
        clock.Advance(120);
        QCOMPARE(fired, 1);
    }

    void blockThatDoesNotFitIsRefused() {
        TRig rig;
        QByteArray big(TComPort::OutSize + 1, 'x');
        QVERIFY_THROWS_EXCEPTION(EMrtError,
                                 rig.Port.PutBlock(reinterpret_cast<const uint8_t*>(big.constData()),
                                                   static_cast<int>(big.size())));
        QVERIFY(rig.Transport.Written.isEmpty());
    }

    void collectorCutsPackets_data() {
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<QList<QByteArray>>("bodies");
        QTest::newRow("noise around a frame")
            << Hex("41 02 05 02 06 03 42") << QList<QByteArray>{Hex("05 02 06")};
        QTest::newRow("empty body") << Hex("02 03") << QList<QByteArray>{QByteArray()};
        QTest::newRow("second frame dropped") << Hex("02 04 03 02 05 03") << QList<QByteArray>{Hex("04")};
        QTest::newRow("no STX") << Hex("04 05 03") << QList<QByteArray>{};
    }
    void collectorCutsPackets() {
        QFETCH(QByteArray, stream);
        QFETCH(QList<QByteArray>, bodies);
        TRig rig;
        rig.Collector.Enable();
        rig.Transport.Feed(stream);
        QCOMPARE(int(rig.Bodies.size()), int(bodies.size()));
        for (int i = 0; i < bodies.size(); ++i)
            QCOMPARE(ToHex(rig.Bodies[i]), ToHex(bodies[i]));
        if (!bodies.isEmpty()) QVERIFY(!rig.Collector.Enabled());
    }

    void collectorWorksByteByByte() {
        TRig rig;
        rig.Collector.Enable();
        for (char c : Hex("02 33 10 FE 03"))
            rig.Transport.Feed(QByteArray(1, c));
        QCOMPARE(int(rig.Bodies.size()), 1);
        QCOMPARE(ToHex(rig.Bodies[0]), ToHex(Hex("33 10 FE")));
    }

    void disabledCollectorDropsEverything() {
        TRig rig;
        rig.Transport.Feed(Hex("02 04 03"));
        QVERIFY(rig.Bodies.empty());
        rig.Collector.Enable();
        rig.Collector.Disable();
        rig.Transport.Feed(Hex("02 04 03"));
        QVERIFY(rig.Bodies.empty());
    }

    void stxWithoutEtxTimesOut() {
        TRig rig;
        rig.Collector.Enable();
        rig.Transport.Feed(Hex("02 04 01"));
        QCOMPARE(rig.Collector.CurrentState(), TDataPacket::TState::Collecting);
        rig.Clock.Advance(2700);
        QCOMPARE(rig.Collector.CurrentState(), TDataPacket::TState::Collecting);
        rig.Clock.Advance(200);
        QCOMPARE(rig.Collector.CurrentState(), TDataPacket::TState::Disabled);
        rig.Transport.Feed(Hex("03"));
        QVERIFY(rig.Bodies.empty());
    }

    void enablingInsideTheHandlerWaitsForTheNextStx() {
        TRig rig;
        rig.Collector.OnPacket = [&rig](const uint8_t* data, int size) {
            rig.Bodies.emplace_back(reinterpret_cast<const char*>(data), size);
            rig.Collector.Enable(); // a presentation that sends the next request
        };
        rig.Collector.Enable();
        rig.Transport.Feed(Hex("02 07 03 99 02 33 01 03"));
        QCOMPARE(int(rig.Bodies.size()), 2);
        QCOMPARE(ToHex(rig.Bodies[1]), ToHex(Hex("33 01")));
    }

    void endlessBodyKeepsTheStoreBounded() {
        TRig rig;
        rig.Collector.Enable();
        rig.Transport.Feed(Hex("02"));
        int size = -1;
        rig.Collector.OnPacket = [&size](const uint8_t*, int s) { size = s; };
        for (int i = 0; i < 100; ++i)
            rig.Transport.Feed(QByteArray(1000, 'A'));
        rig.Transport.Feed(Hex("03"));
        QCOMPARE(size, 100000); // counted, though only the first bytes were kept
    }

    void lightsFollowTheTraffic() {
        TRig rig;
        TLightControl lights(&rig.Port);
        bool tx = false, rx = false;
        lights.ShowTx = [&tx](bool lit) { tx = lit; };
        lights.ShowRx = [&rx](bool lit) { rx = lit; };
        QList<uint16_t> passedOn;
        connect(&lights, &TLightControl::TriggerTimer, this, [&](uint16_t h) { passedOn << h; });
        rig.Transport.Feed(Hex("41"));
        QVERIFY(!rx); // not monitoring yet
        lights.Start();
        rig.Transport.Feed(Hex("41"));
        const uint8_t frame[] = {0x02, 0x30, 0x03};
        rig.Port.PutBlock(frame, 3);
        QVERIFY(rx && tx);
        rig.Clock.Advance(150);
        QVERIFY(!rx && !tx);
        QCOMPARE(passedOn.size(), 2);
        rig.Transport.Feed(Hex("41"));
        QVERIFY(rx);
        rig.Port.Close();
        QVERIFY(!rx && !tx && !lights.Monitoring());
    }

    void failingDeviceClosesThePortOnce() {
        TRig rig;
        int failures = 0;
        connect(&rig.Port, &TComPort::Failed, this, [&failures](const QString&) { ++failures; });
        rig.Transport.InjectFailure(QStringLiteral("Resource error"));
        rig.Transport.InjectFailure(QStringLiteral("Resource error"));
        QCOMPARE(failures, 1);
        QVERIFY(!rig.Port.Connected());
    }

    void openFailureRaisesTheSystemText() {
        TManualClock clock;
        TMemoryTransport transport(&clock);
        transport.RefuseOpen = [](const QString&) { return QStringLiteral("Permission denied"); };
        TComPort port(&transport, &clock);
        port.SetComNumber(7);
        try {
            port.Open();
            QFAIL("opened");
        } catch (const EMrtError& e) {
            QVERIFY(e.Message.contains(QStringLiteral("COM7")));
            QVERIFY(e.Message.contains(QStringLiteral("Permission denied")));
        }
        QVERIFY(!port.Connected());
    }
};

QTEST_GUILESS_MAIN(TstSerial)
#include "tst_serial.moc"
