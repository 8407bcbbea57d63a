// Long runs of the request cycle: thousands of requests from the window's own
// handlers against the simulated transmitter while it misbehaves at random. The
// tool must come out of it answering the next request normally, with the status
// line at "Ready", the event flags set, the collector disabled, and its memory flat.
#include "../../link/ComPort.h"
#include "../../link/Cycle.h"
#include "../../link/DataPacket.h"
#include "../../panels/general/CalLists.h"
#include "../../panels/general/GeneralPanel.h"
#include "../../panels/input/InputPanel.h"
#include "../../panels/output/OutputPanel.h"
#include "../../widgets/PageSpinBox.h"
#include "../../widgets/ToggleSwitch.h"
#include "WindowHarness.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QTest>
#include <functional>
#include <random>
#include <unistd.h>

namespace {

// AddressSanitizer keeps freed memory in quarantine, so resident memory grows
// under it whatever the tool does; the flat-memory check holds for plain builds.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool MemoryMeasurable = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool MemoryMeasurable = false;
#else
constexpr bool MemoryMeasurable = true;
#endif
#else
constexpr bool MemoryMeasurable = true;
#endif

double ResidentMb() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly)) return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() < 2 ? 0 : fields[1].toDouble() * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

enum class TFault {
    None,
    Silent,
    Late,
    StatusZero,
    Truncated,
    Corrupted,
    NoiseBefore,
    NoiseAfter,
    Twice,
    Count
};

QString FaultName(TFault f) {
    static const char* names[] = {"none",      "silent",       "late",        "status 0", "truncated",
                                  "corrupted", "noise before", "noise after", "twice"};
    return QString::fromLatin1(names[int(f)]);
}

// One window against the simulator, driven by a fixed-seed random generator.
class TSoak {
public:
    explicit TSoak(unsigned seed) : Rng(seed) {
        H.Advance(5000); // the start-up mode query is over
        H.EnterFullModeByChord();
        // Both panels come to life as a technician's first two clicks make them.
        Act([this] { H.Window->In->btnGetPermInpRangeClick(); });
        WaitUntilIdle();
        Act([this] { H.Window->Out->btnGetOutRangeClick(); });
        WaitUntilIdle();
    }

    TWindowHarness H;
    std::mt19937 Rng;

    int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(Rng); }

    QByteArray RandomBytes(int maxCount) {
        QByteArray out;
        const int count = 1 + Below(maxCount);
        for (int i = 0; i < count; ++i)
            out.append(char(Below(256)));
        return out;
    }

    TSimFaults Faults(TFault f) {
        TSimFaults faults;
        switch (f) {
        case TFault::None:
            break;
        case TFault::Silent:
            faults.Silent = true;
            break;
        case TFault::Late:
            faults.ExtraDelayMs = 500 + Below(4500);
            break;
        case TFault::StatusZero:
            faults.StatusZero = true;
            break;
        case TFault::Truncated:
            faults.TruncateTo = Below(60);
            break;
        case TFault::Corrupted:
            faults.CorruptIndex = Below(60);
            break;
        case TFault::NoiseBefore:
            faults.NoiseBefore = RandomBytes(12);
            break;
        case TFault::NoiseAfter:
            faults.NoiseAfter = RandomBytes(12);
            break;
        case TFault::Twice:
            faults.Twice = true;
            break;
        case TFault::Count:
            break;
        }
        return faults;
    }

    void Act(const std::function<void()>& handler) { H.Window->Guarded(handler); }

    // One of the window's own actions, taken only while its control is enabled,
    // as a user could.
    void RandomAction() {
        TfrmMain& w = *H.Window;
        switch (Below(16)) {
        case 0:
        case 1:
            Act([&] { w.In->btnGetPermInpRangeClick(); });
            break;
        case 2:
            if (w.In->btnGetTempInpRange->isEnabled()) Act([&] { w.In->btnGetTempInpRangeClick(); });
            break;
        case 3:
        case 4:
            Act([&] { w.Out->btnGetOutRangeClick(); });
            break;
        case 5:
            if (w.Out->btnGetTempOutRange->isEnabled()) Act([&] { w.Out->btnGetTempOutRangeClick(); });
            break;
        case 6:
            Act([&] { w.sbMainPanels1DblClick(); });
            break;
        case 7:
            Act([&] { w.General->QueryMode(); });
            break;
        case 8:
            if (w.General->calSwitch->isEnabled()) Act([&] { w.General->calSwitchClick(); });
            break;
        case 9:
            if (w.CalLists->mnuClearInCal->isEnabled()) Act([&] { w.CalLists->mnuClearInCalClick(); });
            break;
        case 10:
            if (w.CalLists->mnuClearOutCal->isEnabled()) Act([&] { w.CalLists->mnuClearOutCalClick(); });
            break;
        case 11:
            // A user's choice of another input range sends it as the active one.
            if (w.In->cmbInpRanges->isEnabled() && w.In->cmbInpRanges->count() > 0)
                w.In->cmbInpRanges->setCurrentIndex(Below(int(w.In->cmbInpRanges->count())));
            break;
        case 12:
            if (w.Out->cmbOutRanges->isEnabled() && w.Out->cmbOutRanges->count() > 0)
                w.Out->cmbOutRanges->setCurrentIndex(Below(int(w.Out->cmbOutRanges->count())));
            break;
        case 13:
            // A DAC trim by one step up or down.
            if (w.Out->seOutZero->isEnabled())
                w.Out->seOutZero->setValue(
                    std::clamp(w.Out->seOutZero->value() + (Below(2) ? 1 : -1), 0, 65535));
            break;
        case 14:
            if (w.Out->btnSetOutRange->isEnabled()) Act([&] { w.Out->btnSetOutRangeClick(); });
            break;
        case 15:
            if (w.In->btnSetInputRange->isEnabled()) Act([&] { w.In->btnSetInputRangeClick(); });
            break;
        }
    }

    // A request still waits for its answer, or the status line's timer runs.
    bool ReplyTimerActive() const {
        return H.Window->Cycle->Outstanding() > 0 || H.Window->ComPort->TimerActive(H.Window->ReplyTrigger);
    }

    // Until nothing is under way: no answer bytes waiting, no request out and no
    // status timer running (at most 20 s of clock time). After a silence the collector still
    // waits for an STX; that is no work under way.
    void WaitUntilIdle() {
        for (int waited = 0; waited < 20000; waited += 50) {
            H.Advance(50);
            if (!H.Sim.Busy() && !ReplyTimerActive()) break;
        }
    }

    bool AtReady() const {
        return H.Status() == QLatin1String("Ready") && H.StatusKind() == skReady && !ReplyTimerActive();
    }

    // The records the fake dialogs keep would grow with every cycle. No fault of
    // the line ever opens the general error box: Cycle checks that record.
    void ForgetRecords() {
        H.Ui.Infos.clear();
        H.Ui.Errors.clear();
        H.Ui.Questions.clear();
        H.Transport.Written.clear();
    }

    // One cycle with the given fault; wait: let everything run out before the next
    // one (otherwise the next request follows as soon as the answer is in). Returns
    // an empty text, or what was wrong at its end.
    QString Cycle(TFault fault, bool wait) {
        const bool fromReady = AtReady();
        H.Sim.Faults = Faults(fault);
        RandomAction();
        H.Settle();
        H.Sim.Faults = TSimFaults();
        if (!H.Ui.GeneralErrors.isEmpty())
            return QStringLiteral(" a general error box: ") + H.Ui.GeneralErrors.join(' ');
        if (!wait) return {};
        WaitUntilIdle();
        QString wrong;
        if (!H.Window->In->InEventsOn() || !H.Window->Out->OutEventsOn() || !H.Window->FormReady())
            wrong += QStringLiteral(" an event flag is clear;");
        // A request without a busy message that is answered leaves the line as it
        // was; from "Ready" every cycle must therefore end at "Ready".
        if (fromReady && !AtReady())
            wrong += QStringLiteral(" status \"%1\" (kind %2);").arg(H.Status()).arg(H.StatusKind());
        return wrong;
    }

    // The tool answers a plain read of the programmed input range normally.
    void CheckAnswersNormally() {
        H.Sim.Faults = TSimFaults();
        WaitUntilIdle();
        ForgetRecords();
        H.Window->In->btnGetPermInpRangeClick();
        QCOMPARE(ToHex(H.Transport.Written), ToHex(Hex("02 04 03")));
        H.Settle();
        QCOMPARE(H.Status(), QStringLiteral("Success"));
        QCOMPARE(H.StatusKind(), int(skSuccess));
        QVERIFY(!H.Window->DataPacket->Enabled());
        H.Advance(7 * 55 + 100);
        QCOMPARE(H.Status(), QStringLiteral("Ready"));
        QCOMPARE(H.StatusKind(), int(skReady));
        QVERIFY(!ReplyTimerActive());
        QVERIFY(H.Window->In->InEventsOn());
        QVERIFY(H.Window->Out->OutEventsOn());
        QVERIFY(H.Window->FormReady());
        QVERIFY(H.Window->FullMode());
        QVERIFY(!H.Window->DataPacket->Enabled());
        QVERIFY(H.Ui.GeneralErrors.isEmpty());
    }
};

} // namespace

class TstSoak : public QObject {
    Q_OBJECT
private slots:
    // Each misbehaviour alone, many times in a row, so that a fault that breaks the
    // tool is named by its row.
    void oneFaultRepeated_data() {
        QTest::addColumn<int>("fault");
        for (int f = 0; f < int(TFault::Count); ++f)
            QTest::newRow(qPrintable(FaultName(TFault(f)))) << f;
    }
    void oneFaultRepeated() {
        QFETCH(int, fault);
        TSoak soak(unsigned(1000 + fault));
        for (int i = 0; i < 60; ++i) {
            const QString wrong = soak.Cycle(TFault(fault), true);
            QVERIFY2(wrong.isEmpty(), qPrintable(QStringLiteral("cycle %1:%2").arg(i).arg(wrong)));
            soak.ForgetRecords();
        }
        soak.CheckAnswersNormally();
    }

    // 10,000 cycles with a misbehaviour chosen at random for each (none half of
    // the time), one in five sent as soon as the previous answer is in.
    void tenThousandRandomCycles() {
        TSoak soak(20240611);
        double residentAt1000 = 0;
        for (int i = 1; i <= 10000; ++i) {
            const TFault fault =
                soak.Below(2) ? TFault::None : TFault(1 + soak.Below(int(TFault::Count) - 1));
            const bool wait = soak.Below(5) != 0;
            const QString wrong = soak.Cycle(fault, wait);
            QVERIFY2(wrong.isEmpty(),
                     qPrintable(QStringLiteral("cycle %1 (%2):%3").arg(i).arg(FaultName(fault), wrong)));
            soak.ForgetRecords();
            // Let the window paint and delete what it scheduled, as its event loop
            // would between the user's clicks.
            if (i % 10 == 0) QApplication::processEvents();
            if (i == 1000) residentAt1000 = ResidentMb();
        }
        QApplication::processEvents();
        const double growth = ResidentMb() - residentAt1000;
        qInfo("resident memory: %.1f MB at cycle 1000, growth to cycle 10000 %.2f MB", residentAt1000,
              growth);
        if (MemoryMeasurable)
            QVERIFY2(growth < 3.0, qPrintable(QStringLiteral("resident memory grew by %1 MB").arg(growth)));
        soak.CheckAnswersNormally();
    }
};

QTEST_MAIN(TstSoak)
#include "tst_soak.moc"
