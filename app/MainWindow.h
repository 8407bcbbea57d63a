#pragma once
// TfrmMain, the one window of the configuration and calibration tool.
//
// Collaborators: TComPort (the serial port with its tick timers) over a TTransport,
// TDataPacket (the packet collector), TLightControl (the activity lamps), the
// frame codec's buffers (link/Codec.h), the range tables (ranges/), the event
// flags (members below) and TUiServices for every dialog and the beep.
//
// The road of a request: a control's handler calls Send(body, busy), which builds
// the frame with PacketPut, writes the busy message and calls PacketSend, which hands the
// frame to the window-free request cycle (TRequestCycle, link/Cycle.h): it writes
// the frame to ComPort, enables DataPacket and gives the request its own reply
// time of 73 ticks. The collector cuts the answer out of the received bytes and
// hands its body to DataPacketPacket; the cycle ends the oldest request of the
// answer's code with a verdict, and RequestEnded shows it: an answer goes to
// PacketProcess, which dispatches on the response code to a presentation
// (ShowInFull, ShowOutActive, ShowMode ...) that fills the controls and ends with
// a success or error message; silence ends in "No response !". The status line's
// own timer (ReplyTrigger) then brings it back to "Ready".
//
// The methods are defined in the window folders: app/ (frame, version, start-up,
// request cycle, port, port dialog), panels/general/ (calibration lists, modes,
// general panel), panels/input/ and panels/output/. The controls are held in one
// part per panel and one for the frame (Shell, General, CalLists, In, Out), each
// declared in its folder's header, so that a file includes the parts it uses and
// a new control rebuilds only those files.
#include <QKeySequence>
#include <QMainWindow>
#include <cstdint>
#include <exception>
#include <memory>
#include <utility>

#include "../base/MrtError.h"

class QTreeWidget;

class TClock;
class TComPort;
class TDataPacket;
class TEdit;
struct IRange;
class TLightControl;
class TRequestCycle;
struct TReply;
class TTransport;
namespace Msg {
struct TOutSettings;
}
class TUiServices;
struct TWindowShell;
struct TGeneralPanel;
struct TCalLists;
struct TInputPanel;
struct TOutputPanel;

// The keys that do what a double-click on panel 0 (choose a port) and on panel 1
// (read the product version) of the status bar does.
inline const QKeySequence ChoosePortKey{Qt::CTRL | Qt::Key_O};
inline const QKeySequence ReadVersionKey{Qt::CTRL | Qt::Key_I};
// The key that shows the list of the window's keys.
inline const QKeySequence KeyListKey{Qt::Key_F1};

enum TStatusKind : int { skBusy = 0, skError = 1, skSuccess = 2, skReady = 3 };

class TfrmMain : public QMainWindow {
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
    // A request with a busy message: the frame is built from `body` first, then
    // `busy` goes on the status line (nothing when it is null), then PacketSend.
    void Send(const QByteArray& body, const QString& busy);
    void ShowStatus(const QString& message, TStatusKind kind);
    void ComPortTriggerTimer(uint16_t handle);
    void OpenComPort(int number);
    void CloseComPort();
    void sbMainPanels0DblClick();

    // ---- What a person's press may write (app/Writes.cpp) ---------------------------

    // ---- Calibration lists, modes, general panel (panels/general/) ----------------
    void InitInCalStat();
    void InitOutCalStat();
    void ShowInCalStat(uint32_t word1, uint32_t word2, uint32_t word3, uint32_t word4);
    void ShowOutCalStat(uint16_t zeroFlags, uint16_t fullFlags);
    // The paint hook of both lists: the font colour of a cell of column 1 or later.
    QColor lvOutCalStatCustomDrawSubItem(QTreeWidget* list, int row, int column) const;
    void mnuClearInCalClick();
    void mnuClearOutCalClick();
    void calSwitchClick();
    void QueryMode();
    // The general strip of a report: TA and TCAL in degrees, and the switch at the mode.
    void ShowGeneral(double ta, double tCal, uint8_t mode);
    // True when the key was consumed.
    bool btnGetPermInpRangeKeyDown(int key, Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons);
    void SendToolkitVersion();

    // ---- Input panel (panels/input/) -----------------------------------------------
    void DisableInPanel();
    void ShowInRangeDefaults(int code);
    void btnGetPermInpRangeClick();
    void btnGetTempInpRangeClick();
    void cmbInpRangesClick();
    void btnSetInputRangeClick();
    void edInpZeroPropertiesButtonClick();
    void edInpFullPropertiesButtonClick();

    // ---- Output panel (panels/output/) ---------------------------------------------
    void ShowOutRangeUnits(int rangeIndex);
    void DisableOutPanel();
    void btnGetOutRangeClick();
    void btnGetTempOutRangeClick();
    void cmbOutRangesPropertiesEditValueChanged();
    void btnSetOutRangeClick();
    void seOutZeroKeyPress(QChar& key);
    void edOutZeroPropertiesChange();
    void edOutFullPropertiesChange();
    void seOutZeroExit();
    void seOutFullExit();
    void btnOutZeroClick();
    void btnOutFullClick();

    TUiServices* Ui() const { return UiServices; }
    // The kind of the message on the status line; an error or a success turns
    // into "Ready" on the reply timer.
    TStatusKind StatusKind = skBusy;
    // The window's event flags, all false until the first show has finished.
    //   FormReady    start-up has finished; the calibration lists colour their cells
    //   InEventsOn   a user's change of cmbInpRanges or cmbWiring sends a request
    //   OutEventsOn  a user's change of cmbOutRanges, seOutZero or seOutFull sends one
    //   FullMode     full mode has been entered; calibration controls may be enabled
    // The presentations clear InEventsOn/OutEventsOn while they set combo boxes and
    // spin edits themselves, so that only the user's changes send requests.
    bool FormReady = false;
    bool InEventsOn = false;
    bool OutEventsOn = false;
    bool FullMode = false;
    // The range index (0 to 21) of the input range the window shows now.
    int CurInRange = 0;
    // The row of that range: the units and formats of every input value shown and
    // of the alarm limit and dead band. An index outside the table counts as 0.
    const IRange& ShownInRange() const;
    TClock* Clock() const { return ClockSource; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
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
    bool* WriteOutFlag(uint8_t code);
    // True when the transmitter reports CAL, or the person answers Yes to the
    // question why RUN mode spoils what `what` would store (default No).
    bool WriteInRunAccepted(const QString& what);
    // The number an edit holds as the person left it; a text that is not one
    // raises the conversion error with the field's caption before it.
    static float FieldNumber(const TEdit* edit);
    // Empties the boxes that show what the unit reported, after its port failed or
    // could not be opened, until a report of the next unit fills them again.
    void ForgetUnit();
    void ShowMode();
    void EnterFullMode();
    void ShowOpResult();
    void ShowInPerm();
    void ShowInActive();
    void ShowInFull();
    void EnableInPanel();
    void FillInRanges();
    bool InRangeInvalid();
    // The range code of the selections of cmbInpRanges and cmbWiring.
    int SelectedInputCode() const;
    void ShowOutActive();
    void ShowOutPerm();
    void ShowOutFull();
    void FillOutRanges();
    void EnableOutPanel();
    bool OutRangeInvalid();
    // A frame that answers no request is being presented: no status, no request.
    bool PresentingUnasked = false;
    // A refusal is on the line until "Ready" (or a new busy message).
    bool RefusalHeld = false;
    // The mode the transmitter last reported (0 RUN).
    uint8_t ReportedMode = 0;
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
    // Builders of the controls, each in the folder of its subsystem.
    void setupFrame();        // app/
    void setupStatusBar();    // app/
    void setupGeneralPanel(); // panels/general/
    void setupCalLists();     // panels/general/
    void setupInputPanel();   // panels/input/
    void setupOutputPanel();  // panels/output/
    void setupTabOrder();     // app/
    void setupConnections();  // app/Connections.cpp: every connection of the window
    // What cmdSetPermOut, cmdWriteOutZero and cmdWriteOutFull program for the
    // output range `row`: invert, limits, alarm, flags, from the controls.
    Msg::TOutSettings OutSettings(int row) const;
    // A negative dead band is refused with the error dialog before a permanent write.
    bool DeadBandAccepted(const Msg::TOutSettings& settings);

    TTransport* Transport;
    TClock* ClockSource;
    TUiServices* UiServices;
    bool Shown = false;
};
