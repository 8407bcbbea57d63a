#pragma once
// The input panel: the range programmed into the transmitter, the active range
// with its live readings, the engineering span and the calibration at zero and
// full scale. The window holds it as TfrmMain::In; the controls are children of
// the input group box.
class QAction;
class QComboBox;
class QFrame;
class QLabel;
class QPushButton;
class QWidget;
class TCalLists;
class TEdit;
class TGeneralPanel;
class TPanelHost;
class TValueLabel;
struct IRange;
struct TInputReportView;

class TInputPanel {
public:
    TInputPanel(TPanelHost& host, TGeneralPanel& general, TCalLists& lists)
        : Host(host), General(general), Lists(lists) {}

    QLabel* lblInpRange = nullptr;
    TValueLabel* pnlInpRange = nullptr;
    QPushButton* btnGetPermInpRange = nullptr;
    QLabel* lblWiring1 = nullptr;
    TValueLabel* pnlWiring = nullptr;
    QLabel* lblInpReadingP = nullptr;
    TValueLabel* pnlInpReadingP = nullptr;
    QLabel* lblEngReadingP = nullptr;
    TValueLabel* pnlEngReadingP = nullptr;
    QLabel* lblInputZeroP = nullptr;
    TValueLabel* pnlInpZeroP = nullptr;
    QLabel* lblEuMinP = nullptr;
    TValueLabel* pnlEuMinP = nullptr;
    QLabel* lblInpFsP = nullptr;
    TValueLabel* pnlInpFullP = nullptr;
    QLabel* lblEuMaxP = nullptr;
    TValueLabel* pnlEuMaxP = nullptr;
    QFrame* bvlInput = nullptr;
    QLabel* lblInpRanges = nullptr;
    QComboBox* cmbInpRanges = nullptr;
    QPushButton* btnGetTempInpRange = nullptr;
    QPushButton* btnSetInputRange = nullptr;
    QLabel* lblWiring = nullptr;
    QComboBox* cmbWiring = nullptr;
    QLabel* lblInpReading = nullptr;
    TValueLabel* pnlInpReading = nullptr;
    QLabel* lblEngReading = nullptr;
    TValueLabel* pnlEngReading = nullptr;
    QLabel* lblInputZero = nullptr;
    TEdit* edInpZero = nullptr;
    QAction* edInpZeroButton = nullptr; // the button at the right end of edInpZero
    QLabel* lblInpZeroUnit = nullptr;
    QLabel* lblEuMin = nullptr;
    TEdit* edEuMin = nullptr;
    QLabel* lblEuMinUnit = nullptr;
    QLabel* lblInpFs = nullptr;
    TEdit* edInpFull = nullptr;
    QAction* edInpFullButton = nullptr;
    QLabel* lblInpFullUnit = nullptr;
    QLabel* lblEuMax = nullptr;
    TEdit* edEuMax = nullptr;
    QLabel* lblEuMaxUnit = nullptr;

    // Builds the controls in the input group box.
    void Setup(QWidget* box);
    void FillInRanges();
    void ShowInRangeDefaults(int code);
    void EnableInPanel();
    void DisableInPanel();

    void btnGetPermInpRangeClick();
    void btnGetTempInpRangeClick();
    void cmbInpRangesClick();
    void btnSetInputRangeClick();
    void edInpZeroPropertiesButtonClick();
    void edInpFullPropertiesButtonClick();

    // The three presentations of an input report: the programmed side, the active
    // side and both.
    void ShowInPerm();
    void ShowInActive();
    void ShowInFull();

    // A user's change of cmbInpRanges or cmbWiring sends a request. The fill of
    // the list and the presentations clear it while they set the selections.
    bool InEventsOn() const { return EventsOn; }
    // The range index (0 to 21) of the input range the panel shows now.
    int CurInRange() const { return CurRange; }
    // The row of that range: the units and formats of every input value shown and
    // of the alarm limit and dead band. An index outside the table counts as 0.
    const IRange& ShownInRange() const;

private:
    // The range code of the selections of cmbInpRanges and cmbWiring.
    int SelectedInputCode() const;
    bool InRangeInvalid();
    TInputReportView OpenReport(bool clearEvents);
    void ShowPermSide(const TInputReportView& report);
    void ShowActiveSide(const TInputReportView& report);

    TPanelHost& Host;
    TGeneralPanel& General;
    TCalLists& Lists;
    bool EventsOn = false;
    int CurRange = 0;
};
