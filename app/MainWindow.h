#pragma once
// TfrmMain, the one window of the configuration and calibration tool.
//
// Collaborators: TComPort (the serial port with its tick timers) over a TTransport,
// TDataPacket (the packet collector), TLightControl (the activity lamps), the
// frame codec's buffers (link/Codec.h), the range tables (ranges/), the event
// flags (below and in the panels) and TUiServices for every dialog and the beep.
//
// The road of a request: a panel's handler calls Send(body, busy), which builds
// the frame with PacketPut, writes the busy message and calls PacketSend, which hands the
// frame to the window-free request cycle (TRequestCycle, link/Cycle.h): it writes
// the frame to ComPort, enables DataPacket and gives the request its own reply
// time of 73 ticks. The collector cuts the answer out of the received bytes and
// hands its body to DataPacketPacket; the cycle ends the oldest request of the
// answer's code with a verdict, and RequestEnded shows it: an answer goes to
// PacketProcess, which dispatches on the response code to a panel's presentation
// (In->ShowInFull, Out->ShowOutActive, General->ShowMode ...) that fills the controls and ends with
// a success or error message; silence ends in "No response !". The status line's
// own timer (ReplyTrigger) then brings it back to "Ready".
//
// The window's own methods are defined in app/ (frame, version, start-up, status
// line and dispatch, port, port dialog). Each panel is a part of the window with
// its controls, its state and its operations, declared in its folder's header
// (Shell, General, CalLists, In, Out); a panel reaches the window only through
// TPanelHost, so that a panel's files include their own headers, and a new
// control or operation of a panel rebuilds only the files that use that panel.
#include <QKeySequence>
#include <QMainWindow>
#include <cstdint>
#include <exception>
#include <memory>
#include <utility>

#include "../base/MrtError.h"
#include "PanelHost.h"

class TClock;
class TComPort;
class TDataPacket;
class TLightControl;
class TRequestCycle;
struct TReply;
class TTransport;
struct TWindowShell;
class TGeneralPanel;
class TCalLists;
class TInputPanel;
class TOutputPanel;

// The keys that do what a double-click on panel 0 (choose a port) and on panel 1
// (read the product version) of the status bar does.
inline const QKeySequence ChoosePortKey{Qt::CTRL | Qt::Key_O};
inline const QKeySequence ReadVersionKey{Qt::CTRL | Qt::Key_I};
// The key that shows the list of the window's keys.
inline const QKeySequence KeyListKey{Qt::Key_F1};

class TfrmMain : public QMainWindow, public TPanelHost {
    Q_OBJECT
public:
    TfrmMain(TTransport* transport, TClock* clock, TUiServices* ui, QWidget* parent = nullptr);
    ~TfrmMain() override;

    static constexpr int ClientWidth = 666;
    static constexpr int ClientHeight = 606;

    // ---- Serial layer (link/) -------------------------------------------------
    TComPort* ComPort = nullptr;
    TDataPacket* DataPacket = nullptr;
    TRequestCycle* Cycle = nullptr;
    // The status line's timer: a success or an error turns into "Ready".
    uint16_t ReplyTrigger = 0;

    // The window's frame: the top strip, the group boxes, the status bar and its
    // lamps (app/WindowShell.h)
    std::unique_ptr<TWindowShell> Shell;

    // The general strip and the JP6 picture (panels/general/GeneralPanel.h)
    std::unique_ptr<TGeneralPanel> General;

    // The calibration status lists (panels/general/CalLists.h)
    std::unique_ptr<TCalLists> CalLists;

    // The input panel (panels/input/InputPanel.h)
    std::unique_ptr<TInputPanel> In;

    // The output panel (panels/output/OutputPanel.h)
    std::unique_ptr<TOutputPanel> Out;

    // ---- Application shell (app/) -----------------------------------------------
    void ReadVersion();
    void sbMainPanels1DblClick();
    // Runs a handler; an error it raises ends it and is shown in the general error
    // box. Every connection of the window goes through this.
    template <typename F> void Guarded(F&& handler) {
        const QString error = ErrorOf(std::forward<F>(handler));
        if (!error.isNull()) ShowGeneralError(error);
    }
    // The same for a handler of the serial layer: the box opens once the port's
    // read notification or the clock's tick has returned, so that the port goes on
    // being read while it is open.
    template <typename F> void GuardedLater(F&& handler) {
        const QString error = ErrorOf(std::forward<F>(handler));
        if (!error.isNull()) ShowGeneralErrorLater(error);
    }

    // ---- Request cycle, port, port dialog (app/) ------------------------------------
    void PacketSend();
    void ComPortTriggerTimer(uint16_t handle);
    void OpenComPort(int number);
    void CloseComPort();
    void sbMainPanels0DblClick();

    // ---- What the panels ask of the window (PanelHost.h); the rest is private -------
    TUiServices* Ui() const override { return UiServices; }
    void Send(const QByteArray& body, const QString& busy) override;
    void ShowStatus(const QString& message, TStatusKind kind) override;
    bool FormReady() const override { return Ready; }
    bool FullMode() const override { return InFullMode; }

    // The kind of the message on the status line; an error or a success turns
    // into "Ready" on the reply timer.
    TStatusKind StatusKind() const { return Kind; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // ---- Reached by the panels through TPanelHost only ---------------------------------
    QWidget* Window() override { return this; }
    bool RefusalHeld() const override { return RefusalOnLine; }
    bool WriteOut(uint8_t code) const override;
    // Full mode is entered by the chord only (TGeneralPanel).
    void EnterFullMode() override;
    const IRange& ShownInRange() const override;
    void InRangeShown(const IRange& row) override;

    // ---- Reached by the window's own methods only ----------------------------------
    TLightControl* LightControl = nullptr;
    void FormShow();
    void FormClose();
    void ShowVersion();
    // The list of the keys a person can use, in a box that the keyboard reads.
    void ShowKeyList();
    // The general error box: the program's title, error icon, message and a full stop.
    void ShowGeneralError(const QString& message);
    void ShowGeneralErrorLater(const QString& message);
    void DataPacketPacket(const uint8_t* data, int size);
    // The verdict of a request of the window's.
    void RequestEnded(const TReply& reply);
    // Presents a decoded answer; asked: it answers a request of the window's.
    void PacketProcess(const QByteArray& body, bool asked);
    void ComPortFailed(const QString& message);
    bool ShowComSelect(int& port);
    bool SelectComPort();
    // One write of a panel at a time: while a permanent write of the input panel
    // (programming, calibration) or of the output panel (programming, DAC stores)
    // is out, that panel's write buttons take no press, until its verdict.
    bool InWriteOut = false;
    bool OutWriteOut = false;
    // The flag of the panel a request of this code writes for, or null.
    static bool TfrmMain::*WriteOutFlag(uint8_t code);
    // Empties the boxes that show what the unit reported, after its port failed or
    // could not be opened, until a report of the next unit fills them again.
    void ForgetUnit();
    // The window's event flags, all false until the first show has finished.
    //   Ready       start-up has finished (FormReady)
    //   InFullMode  full mode has been entered (FullMode)
    // The panels hold their own: TInputPanel::InEventsOn, TOutputPanel::OutEventsOn.
    bool Ready = false;
    bool InFullMode = false;
    TStatusKind Kind = skBusy;
    // A frame that answers no request is being presented: no status, no request.
    bool PresentingUnasked = false;
    // A refusal is on the line until "Ready" (or a new busy message).
    bool RefusalOnLine = false;
    // Why the request just handed to the cycle could not be sent.
    QString NotSent;
    // PacketSend is handing a request to the cycle: a refusal to take it ends in
    // the box of the handler that sent it.
    bool InPacketSend = false;

    // Runs a handler; the message of the error it raised, or a null string.
    template <typename F> static QString ErrorOf(F&& handler) {
        try {
            std::forward<F>(handler)();
        } catch (const EMrtError& e) {
            return e.Message;
        } catch (const std::exception& e) {
            return QString::fromLocal8Bit(e.what());
        }
        return QString();
    }
    // Builders of the frame's controls; the panels build their own.
    void setupFrame();
    void setupStatusBar();
    void setupTabOrder();
    void setupConnections(); // app/Connections.cpp: every connection of the window

    TTransport* Transport;
    TClock* ClockSource;
    TUiServices* UiServices;
    bool Shown = false;
};
