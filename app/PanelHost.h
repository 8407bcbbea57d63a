#pragma once
// What a panel of the window may ask of the window, and nothing more: the
// request with its busy message, the status line, the dialogs, the write that is
// out, the window's start-up and full mode, and the input range the window shows.
// The panels (panels/) hold a TPanelHost, not the window, so that a panel's files
// include their own header and this one, not the whole window's.
#include <QString>
#include <cstdint>

class QByteArray;
class QWidget;
class TEdit;
class TUiServices;
struct IRange;

enum TStatusKind : int { skBusy = 0, skError = 1, skSuccess = 2, skReady = 3 };

class TPanelHost {
public:
    // The window: the parent of a panel's dialogs and actions.
    virtual QWidget* Window() = 0;
    virtual TUiServices* Ui() const = 0;
    // A request with a busy message: the frame is built from `body` first, then
    // `busy` goes on the status line (nothing when it is null), then it is sent.
    virtual void Send(const QByteArray& body, const QString& busy) = 0;
    virtual void ShowStatus(const QString& message, TStatusKind kind) = 0;
    // A refusal is on the status line until it turns to "Ready".
    virtual bool RefusalHeld() const = 0;
    // A permanent write of the panel that a request of `code` writes for is out:
    // that panel's write buttons take no press until its verdict.
    virtual bool WriteOut(uint8_t code) const = 0;
    // Start-up has finished; the calibration lists colour their cells.
    virtual bool FormReady() const = 0;
    // Full mode has been entered; calibration controls may be enabled.
    virtual bool FullMode() const = 0;
    virtual void EnterFullMode() = 0;
    // The input range the window shows now: its engineering unit is also the
    // unit of the output panel's alarm limit and dead band.
    virtual const IRange& ShownInRange() const = 0;
    virtual void InRangeShown(const IRange& row) = 0;

protected:
    ~TPanelHost() = default;
};

// The number an edit holds as the person left it; a text that is not one raises
// the conversion error with the field's caption before it. "-0" is 0.
float FieldNumber(const TEdit* edit);
