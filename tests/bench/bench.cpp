// mrt9dx-bench: the costs of the tool, each printed as one line with its unit.
//
//   cycle      the tool's own time for one whole request cycle: the handler of
//              btnGetPermInpRange, the frame, the collector, the decode, the
//              dispatch, ShowInFull, and the painting of what it changed
//              (offscreen), against the in-memory simulator, whose own time is
//              taken out; median and 90th percentile over the cycles; and the
//              same for a repeat read of the active range (ShowInActive)
//   codec      requests encoded and input reports decoded (all fields read) per s
//   start-up   from starting a fresh process to its port dialog and to its shown
//              window (the same set-up as mrt9dx-config, the dialog cancelled)
//   memory     resident size of that fresh process once shown, and of this one
//              before and after the cycles
//
// Usage: mrt9dx-bench [cycles]   (default 10000); runs offscreen.
#include "../../app/MainWindow.h"
#include "../../app/ProgramLook.h"
#include "../../app/UiServices.h"
#include "../../link/Clock.h"
#include "../../link/Codec.h"
#include "../../link/Commands.h"
#include "../../link/Messages.h"
#include "../../link/Transport.h"
#include "../../panels/input/InputPanel.h"
#include "WindowHarness.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <unistd.h>
#include <vector>

namespace {

double ResidentMb() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly)) return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    if (fields.size() < 2) return 0;
    return fields[1].toDouble() * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

double Percentile(std::vector<qint64> values, double fraction) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const size_t index = std::min(values.size() - 1, size_t(fraction * double(values.size())));
    return double(values[index]);
}

// ---- Start-up, in a fresh process -------------------------------------------------

// The dialogs of the child: the port dialog says when it opens and is cancelled.
class TStartupUi : public TUiServices {
public:
    void Beep() override {}
    void Information(QWidget*, const QString&) override {}
    void ErrorDialog(QWidget*, const QString&) override {}
    void GeneralError(QWidget*, const QString&) override {}
    bool Confirm(QWidget*, const QString&) override { return false; }
    bool SelectPort(QWidget*, int&) override {
        std::fputs("dialog\n", stdout);
        std::fflush(stdout);
        return false;
    }
};

// The child: the set-up of mrt9dx-config, then it reports and ends once the window
// has been shown and painted.
int StartupChild(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("mrt9dx-config"));
    QApplication::setApplicationDisplayName(ProgramTitle());
    SetProgramLook();
    TSteadyClock clock;
    TSerialTransport transport;
    TStartupUi ui;
    TfrmMain window(&transport, &clock, &ui);
    window.show();
    QTimer::singleShot(0, &app, [&] {
        window.repaint();
        std::printf("shown %.1f\n", ResidentMb());
        std::fflush(stdout);
        QApplication::quit();
    });
    return app.exec();
}

struct TStartup {
    double DialogMs = 0, ShownMs = 0, ResidentMb = 0;
    bool Ok = false;
};

TStartup RunStartupChild(const QString& self) {
    TStartup result;
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(env);
    QElapsedTimer timer;
    timer.start();
    child.start(self, {QStringLiteral("--startup-child")});
    QByteArray out;
    while (child.state() != QProcess::NotRunning || child.bytesAvailable() > 0) {
        if (!child.canReadLine() && !child.waitForReadyRead(10000)) break;
        while (child.canReadLine()) {
            const QByteArray line = child.readLine().trimmed();
            if (line == "dialog") result.DialogMs = double(timer.nsecsElapsed()) / 1e6;
            if (line.startsWith("shown ")) {
                result.ShownMs = double(timer.nsecsElapsed()) / 1e6;
                result.ResidentMb = line.mid(6).toDouble();
                result.Ok = result.DialogMs > 0;
            }
        }
        if (result.Ok) break;
    }
    child.waitForFinished(10000);
    return result;
}

// ---- Codec --------------------------------------------------------------------------

// An input report as the transmitter sends it, escaped, without STX and ETX.
QByteArray InputReportBody() {
    QByteArray body;
    body.append(char(cmdReadPermIn));
    body.append(char(1));  // status
    body.append(char(16)); // range code: a byte that travels escaped
    body.append(char(1));  // range flag
    for (float v : {100.39f, 1.0f, 0.0f, -200.0f, 850.0f})
        Frame::AppendSingle(body, v);
    for (uint32_t w : {0x00010010u, 0x2u, 0x00000203u, 0x0u})
        Frame::AppendLong(body, w);
    Frame::AppendSingle(body, 24.5f);
    Frame::AppendSingle(body, 23.0f);
    body.append(char(0));
    const QByteArray frame = Frame::Encode(body);
    return frame.mid(1, frame.size() - 2);
}

double EncodesPerSecond() {
    QElapsedTimer timer;
    timer.start();
    qint64 frames = 0;
    volatile uint16_t sink = 0;
    while (timer.nsecsElapsed() < 500'000'000) {
        for (int i = 0; i < 1000; ++i) {
            PacketPut(Msg::SetPermIn(16, -200.0f, 1372.0f));
            PacketAddRaw(ETX);
            sink = sink + TxLen;
        }
        frames += 1000;
    }
    return double(frames) / (double(timer.nsecsElapsed()) / 1e9);
}

double DecodesPerSecond() {
    const QByteArray body = InputReportBody();
    const auto* bytes = reinterpret_cast<const uint8_t*>(body.constData());
    QElapsedTimer timer;
    timer.start();
    qint64 frames = 0;
    volatile float sink = 0;
    while (timer.nsecsElapsed() < 500'000'000) {
        for (int i = 0; i < 1000; ++i) {
            RxSet(
                Frame::Unescape(QByteArray::fromRawData(reinterpret_cast<const char*>(bytes), body.size())));
            const Msg::TInputReport r = Msg::DecodeInputReport(RxBody());
            sink = sink + r.Raw + r.Eng + float(r.CalFlags[0] & 1) + r.Ta;
        }
        frames += 1000;
    }
    return double(frames) / (double(timer.nsecsElapsed()) / 1e9);
}

// ---- The request cycle ------------------------------------------------------------------

struct TCycles {
    std::vector<qint64> ToolNs;
    std::vector<qint64> UnpaintedNs; // the same cycles up to the end of the presentation
    int Answered = 0;
    int Canned = 0; // cycles answered with the recorded report: the simulator was silent
    double ResidentBeforeMb = 0, ResidentAfterMb = 0;
};

TCycles RunCycles(int count, bool repeat) {
    TCycles result;
    TWindowHarness h;
    h.Sim.ReplyDelayMs = 0;
    // The simulator's own time is measured apart and taken out of the cycle.
    qint64 simNs = 0;
    QElapsedTimer simTimer;
    h.Transport.OnHostWrite = [&](const QByteArray& bytes) {
        simTimer.start();
        h.Sim.Receive(bytes);
        simNs += simTimer.nsecsElapsed();
    };
    h.Transport.PollPeer = [&] {
        simTimer.start();
        QByteArray out = h.Sim.Transmit();
        simNs += simTimer.nsecsElapsed();
        return out;
    };
    const QByteArray cannedReport = char(STX) + InputReportBody() + char(ETX);
    h.Advance(5000); // the start-up mode query is over
    if (repeat) {
        h.Window->In->btnGetPermInpRangeClick(); // the panel comes to life once
        h.Settle();
        h.Advance(500);
    }
    QApplication::processEvents();

    result.ToolNs.reserve(size_t(count));
    QElapsedTimer timer;
    for (int i = 0; i < count; ++i) {
        if (i == count / 10) result.ResidentBeforeMb = ResidentMb();
        // The first read's road: the panel as at start-up, so that the dispatch
        // runs ShowInFull and the whole panel comes to life. A repeat read of the
        // active range on an enabled panel runs ShowInActive.
        if (!repeat) {
            h.Window->In->DisableInPanel();
            QApplication::processEvents();
        }
        simNs = 0;
        timer.start();
        h.Window->Guarded([&] {
            if (repeat)
                h.Window->In->btnGetTempInpRangeClick();
            else
                h.Window->In->btnGetPermInpRangeClick();
        });
        bool answered = false;
        for (int tick = 0; tick < 20 && !answered; ++tick) {
            h.Clock.Advance(10);
            answered = h.StatusKind() != skBusy;
        }
        if (!answered) {
            h.Transport.Feed(cannedReport);
            answered = h.StatusKind() != skBusy;
            if (answered) ++result.Canned;
        }
        const qint64 beforePaint = timer.nsecsElapsed();
        QApplication::processEvents(); // paints what the presentation changed
        const qint64 ns = timer.nsecsElapsed() - simNs;
        if (answered) {
            ++result.Answered;
            result.ToolNs.push_back(ns);
            result.UnpaintedNs.push_back(beforePaint - simNs);
        }
        h.Advance(500); // "Ready"
    }
    QApplication::processEvents();
    result.ResidentAfterMb = ResidentMb();
    return result;
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && qstrcmp(argv[1], "--startup-child") == 0) return StartupChild(argc, argv);
    const int cycles = argc > 1 ? std::max(100, atoi(argv[1])) : 10000;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    SetProgramLook();

    std::vector<TStartup> starts;
    for (int i = 0; i < 5; ++i)
        starts.push_back(RunStartupChild(QCoreApplication::applicationFilePath()));
    std::vector<qint64> dialogUs, shownUs;
    double startupRss = 0;
    for (const TStartup& s : starts)
        if (s.Ok) {
            dialogUs.push_back(qint64(s.DialogMs * 1000));
            shownUs.push_back(qint64(s.ShownMs * 1000));
            startupRss = std::max(startupRss, s.ResidentMb);
        }

    const double encodes = EncodesPerSecond();
    const double decodes = DecodesPerSecond();
    const TCycles run = RunCycles(cycles, false);
    const TCycles repeated = RunCycles(std::max(100, cycles / 10), true);

    std::printf("request cycle (tool side, median of %d): %.1f us\n", run.Answered,
                Percentile(run.ToolNs, 0.5) / 1000.0);
    std::printf("request cycle (tool side, 90th percentile): %.1f us\n",
                Percentile(run.ToolNs, 0.9) / 1000.0);
    std::printf("request cycle without painting (tool side, median): %.1f us\n",
                Percentile(run.UnpaintedNs, 0.5) / 1000.0);
    std::printf(
        "repeat read of the active range (tool side, median of %d): %.1f us, without painting %.1f us\n",
        repeated.Answered, Percentile(repeated.ToolNs, 0.5) / 1000.0,
        Percentile(repeated.UnpaintedNs, 0.5) / 1000.0);
    if (run.Canned > 0)
        std::printf(
            "note: %d of the cycles were answered with a recorded report (the simulator was silent)\n",
            run.Canned);
    std::printf("requests encoded: %.0f frames/s\n", encodes);
    std::printf("input reports decoded: %.0f frames/s\n", decodes);
    if (dialogUs.empty()) {
        std::printf("start-up: the child process did not report\n");
    } else {
        std::printf("start-up to the port dialog (median of %zu): %.1f ms\n", dialogUs.size(),
                    Percentile(dialogUs, 0.5) / 1000.0);
        std::printf("start-up to the shown window (median of %zu): %.1f ms\n", shownUs.size(),
                    Percentile(shownUs, 0.5) / 1000.0);
        std::printf("resident memory after start-up: %.1f MB\n", startupRss);
    }
    std::printf("resident memory of the bench after %d cycles: %.1f MB\n", cycles / 10, run.ResidentBeforeMb);
    std::printf("resident memory of the bench after %d cycles: %.1f MB\n", cycles, run.ResidentAfterMb);
    std::printf("resident memory growth over the cycles: %.2f MB\n",
                run.ResidentAfterMb - run.ResidentBeforeMb);
    return run.Answered == cycles ? 0 : 1;
}
