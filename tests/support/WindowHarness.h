#pragma once
// A real TfrmMain, offscreen, wired to the simulated transmitter through the
// in-memory transport, on the manual clock, with every dialog answered and
// recorded.
#include "../../app/MainWindow.h"
#include "../../app/UiServices.h"
#include "../../sim/Transmitter.h"
#include "Bytes.h"
#include "ManualClock.h"
#include "MemoryTransport.h"

#include <QColor>
#include <QStringList>
#include <functional>
#include <memory>

// The status line's red and green: the lightest shades of red (#ff0000) and
// green (#008000) that stand out 5:1 from the status bar's ground (#efefef), so
// that the smoothed pixels of their text reach 4.5:1.
const QColor StatusRed(206, 0, 0), StatusGreen(0, 119, 0);

class TFakeUi : public TUiServices {
public:
    void Beep() override { ++Beeps; }
    void Information(QWidget*, const QString& text) override {
        Infos << text;
        if (OnInformation) OnInformation();
    }
    void ErrorDialog(QWidget*, const QString& text) override { Errors << text; }
    void GeneralError(QWidget*, const QString& text) override;
    bool Confirm(QWidget*, const QString& text) override {
        Questions << text;
        return ConfirmAnswer;
    }
    bool SelectPort(QWidget*, int& port) override {
        ++PortDialogs;
        if (PortAnswer <= 0) return false;
        port = PortAnswer;
        return true;
    }
    // Runs while the information box is shown, to look at the window then.
    std::function<void()> OnInformation;
    // When set, the general error box runs a nested event loop as a modal box
    // does, and this runs inside it before the box is closed.
    std::function<void()> WhileGeneralErrorShown;
    int Beeps = 0;
    QStringList Infos, Errors, GeneralErrors, Questions;
    int PortDialogs = 0;
    int PortAnswer = 1; // the port the dialog answers with; 0 or less: Cancel
    bool ConfirmAnswer = true;
};

class TWindowHarness {
public:
    // port: the number the port dialog answers at start-up (0: Cancel).
    explicit TWindowHarness(int port = 1, bool show = true);
    ~TWindowHarness();

    TManualClock Clock;
    TMemoryTransport Transport{&Clock};
    TTransmitter Sim{&Clock};
    TFakeUi Ui;
    std::unique_ptr<TfrmMain> Window;
    int PausedMs = 0;

    void Show();
    // The window's pauses (the port's rests) move this harness's clock: the pause
    // seam serves one harness at a time, the one made last unless another takes it.
    void TakePauses();
    // Moves the clock on; then an error box that the serial layer raised opens,
    // as the window's event loop would open it.
    void Advance(qint64 ms);
    // Lets the answer to the last request arrive: advances until the simulator has
    // nothing left to send, then 20 ms more (at most 10 s).
    void Settle();
    // The bytes the tool wrote since the last call.
    QByteArray TakeWritten();
    QString Status() const;
    QColor StatusColor() const;
    int StatusKind() const;
    // Full mode by the chord, answered Yes.
    void EnterFullModeByChord();

    template <typename T> T* Find(const char* name) const {
        T* w = Window->findChild<T*>(QString::fromLatin1(name));
        if (!w) qFatal("control %s not found", name);
        return w;
    }

private:
    int WrittenSeen = 0;
};
