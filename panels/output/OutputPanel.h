#pragma once
// The output panel: the output range programmed into the transmitter, the
// active range with its limits, inversion and alarm, and the trimming of the DAC
// codes. The window holds it as TfrmMain::Out; the controls are children of the
// output group box.
#include <QString>

class QChar;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QPushButton;
class QWidget;
class TCalLists;
class TEdit;
class TGeneralPanel;
class TPageSpinBox;
class TPanelHost;
class TValueLabel;
namespace Msg {
struct TOutSettings;
struct TOutputReport;
} // namespace Msg

class TOutputPanel {
public:
    TOutputPanel(TPanelHost& host, TGeneralPanel& general, TCalLists& lists)
        : Host(host), General(general), Lists(lists) {}

    QLabel* lblOutRange = nullptr;
    TValueLabel* pnlPermOutRange = nullptr;
    QPushButton* btnGetOutRange = nullptr;
    QLabel* lblOutZeroP = nullptr;
    TValueLabel* pnlOutZeroP = nullptr;
    QLabel* lblPermOutMin = nullptr;
    TValueLabel* pnlPermOutMin = nullptr;
    QLabel* lblOutFsP = nullptr;
    TValueLabel* pnlOutFsP = nullptr;
    QLabel* lblPermOutMax = nullptr;
    TValueLabel* pnlPermOutMax = nullptr;
    QLabel* lblPermOut = nullptr;
    TValueLabel* pnlPermOut = nullptr;
    QLabel* lblOutInvertP = nullptr;
    TValueLabel* pnlOutInvertP = nullptr;
    QFrame* bvlOutput = nullptr;
    QLabel* lblTempOutRange = nullptr;
    QComboBox* cmbOutRanges = nullptr;
    QPushButton* btnGetTempOutRange = nullptr;
    QPushButton* btnSetOutRange = nullptr;
    QLabel* lblOutputZero = nullptr;
    TPageSpinBox* seOutZero = nullptr;
    QPushButton* btnOutZero = nullptr;
    QLabel* lblOutMin = nullptr;
    TEdit* edOutMin = nullptr;
    QLabel* lblOutMinUnit = nullptr;
    QLabel* lblOutputFs = nullptr;
    TPageSpinBox* seOutFull = nullptr;
    QPushButton* btnOutFull = nullptr;
    QLabel* lblOutMax = nullptr;
    TEdit* edOutMax = nullptr;
    QLabel* lblOutMaxUnit = nullptr;
    QLabel* lblTempOut = nullptr;
    TValueLabel* pnlTempOut = nullptr;
    QCheckBox* cbInvertOut = nullptr;
    QCheckBox* cbEnableAlarm = nullptr;
    QLabel* lblAlmLimit = nullptr;
    TEdit* edAlarmLimit = nullptr;
    QLabel* lblAlmLimUnit = nullptr;
    QLabel* lblAlmStatus = nullptr;
    TValueLabel* pnlAlmStatus = nullptr;
    QLabel* lblDband = nullptr;
    TEdit* edDeadBand = nullptr;
    QLabel* lblDbandUnit = nullptr;
    QLabel* lblAlarmRback = nullptr;
    TValueLabel* pnlAlarmRback = nullptr;
    QCheckBox* cbLowAlarm = nullptr;

    // Builds the controls in the output group box.
    void Setup(QWidget* box);
    void FillOutRanges();
    void ShowOutRangeUnits(int rangeIndex);
    // The unit of the alarm limit and dead band: the input range's engineering unit.
    void ShowAlarmUnits(const QString& unit);
    void EnableOutPanel();
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

    // The three presentations of an output report: the active side, the
    // programmed side and both.
    void ShowOutActive();
    void ShowOutPerm();
    void ShowOutFull();

    // A user's change of cmbOutRanges, seOutZero or seOutFull sends a request.
    bool OutEventsOn() const { return EventsOn; }

private:
    // The output range selected in cmbOutRanges, or -1 while nothing valid is
    // selected (before the list has been filled).
    int SelectedOutRow() const;
    bool OutRangeInvalid();
    // What cmdSetPermOut, cmdWriteOutZero and cmdWriteOutFull program for the
    // output range `row`: invert, limits, alarm, flags, from the controls.
    Msg::TOutSettings OutSettings(int row) const;
    // A negative dead band is refused with the error dialog before a permanent write.
    bool DeadBandAccepted(const Msg::TOutSettings& settings);
    // A DAC code sent live while the person trims it.
    void SendDac(const TPageSpinBox* spin);
    // What every presentation shows besides its sides: the calibration flags and
    // the general strip.
    void ShowCommon(const Msg::TOutputReport& report);

    TPanelHost& Host;
    TGeneralPanel& General;
    TCalLists& Lists;
    bool EventsOn = false;
};
